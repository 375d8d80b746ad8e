#include "exchange/ExportTransfer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace vrklad {

namespace fs = std::filesystem;

namespace {

// A medium may be pulled as soon as the success message shows.
std::error_code FlushToDisk(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {errno, std::generic_category()};
    std::error_code ec;
    if (::fsync(fd) != 0) ec = {errno, std::generic_category()};
    ::close(fd);
    return ec;
}

}  // namespace

std::error_code MoveFileAcross(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::rename(from, to, ec);
    if (ec != std::errc::cross_device_link) return ec;

    ec.clear();
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    if (!ec) ec = FlushToDisk(to);
    if (ec) {
        std::error_code ignored;
        fs::remove(to, ignored);
        return ec;
    }
    // The archive is on the medium now; a copy left behind in Export/ does
    // no harm (the next export moves it aside or adds to it).
    std::error_code ignored;
    fs::remove(from, ignored);
    return {};
}

std::string WithSeparator(const std::string& folder) {
    if (!folder.empty() && folder.back() == '/') return folder;
    return folder + "/";
}

TransferOutcome OfferTransfer(Operator& op, const fs::path& archive, const TransferTexts& texts,
                              const fs::path& pending, fs::path* movedTo) {
    if (!op.AskYesNo(Operator::Icon::Question, texts.question)) return TransferOutcome::Declined;
    const std::optional<std::string> folder = op.ChooseFolder(texts.folderTitle);
    if (!folder || folder->empty()) return TransferOutcome::Cancelled;

    const fs::path target = fs::path(*folder) / archive.filename();
    if (MoveFileAcross(archive, target)) {
        op.Error(texts.failure(WithSeparator(*folder) + archive.filename().string()));
        return TransferOutcome::Failed;
    }
    if (movedTo != nullptr) *movedTo = target;
    std::error_code ignored;
    fs::remove(pending, ignored);
    op.Inform("Файл успешно перенесен на " + *folder);
    return TransferOutcome::Moved;
}

}  // namespace vrklad
