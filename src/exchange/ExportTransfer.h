#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <system_error>

#include "register/Operator.h"

namespace vrklad {

// Moves a file, replacing one of the same name at `to`. Across file systems
// (removable media) the file is copied, flushed to the medium and then
// removed; a copy that fails is removed again, so the file is either at
// `to` or still at `from`.
std::error_code MoveFileAcross(const std::filesystem::path& from, const std::filesystem::path& to);

// The folder as the operator chose it, ending with "/".
std::string WithSeparator(const std::string& folder);

enum class TransferOutcome { Declined, Cancelled, Moved, Failed };

struct TransferTexts {
    std::string question;     // asked first, Yes/No
    std::string folderTitle;  // title of the folder choice
    // The error shown when the move fails, given the target as
    // WithSeparator(folder) + file name.
    std::function<std::string(const std::string& target)> failure;
};

// Offers to move the archive to removable media: the question, the folder
// choice and the move. Once the archive has gone, `pending` (the corrections
// waiting for a hand-over, now in it) is removed, a missing one being no
// error, and "Файл успешно перенесен на " + the folder is shown. `movedTo`
// receives the archive's new path.
TransferOutcome OfferTransfer(Operator& op, const std::filesystem::path& archive,
                              const TransferTexts& texts, const std::filesystem::path& pending,
                              std::filesystem::path* movedTo);

}  // namespace vrklad
