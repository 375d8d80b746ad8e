#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace vrklad {

// A replacement that touches more than one file cannot be done by one
// rename. Before it starts, it writes this journal to ProgramDir, so that a
// start after a crash can settle what was left half done. Names are relative
// to ProgramDir, without directories except the staging directory's own.
struct ReplacementJournal {
    static constexpr const char* kFileName = "vrklad.jnl";
    // The staging directories of restores start so.
    static constexpr const char* kStagingPrefix = ".restore-";

    enum class Kind {
        // The register moves from `from` to `to` (a new OKPO or organization
        // type). The configuration is saved in between and decides: naming
        // `to`, the move is done and `from` goes; naming `from`, `to` goes.
        Rename,
        // A restore: the files in `staging` are moved, in order, over the
        // files of the same names in ProgramDir. Once written, the journal is
        // carried through to its end, then `staging` goes.
        Moves,
    };

    Kind kind = Kind::Rename;
    std::string from;
    std::string to;
    std::string staging;
    std::vector<std::string> moves;
};

// Written whole or not at all, and flushed.
std::error_code WriteJournal(const std::filesystem::path& programDir,
                             const ReplacementJournal& journal);
// The journal left in ProgramDir; nothing when there is none or it is no
// journal of this program (a damaged one is dropped: its replacement cannot
// have begun).
std::optional<ReplacementJournal> ReadJournal(const std::filesystem::path& programDir);
std::error_code RemoveJournal(const std::filesystem::path& programDir);

// Moves the staged files of a Moves journal still in the staging directory
// (those gone have been moved already), flushes ProgramDir, then removes the
// staging directory and the journal. When a file cannot be moved the journal
// stays for the next start, and `failed` gets the file's name.
std::error_code CarryOutMoves(const std::filesystem::path& programDir,
                              const ReplacementJournal& journal, std::string* failed = nullptr);

}  // namespace vrklad
