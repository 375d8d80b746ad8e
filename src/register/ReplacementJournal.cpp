#include "register/ReplacementJournal.h"

#include <cerrno>
#include <fstream>
#include <sstream>

#include "register/FaultInjection.h"
#include "register/SafeReplace.h"

namespace vrklad {

namespace fs = std::filesystem;

namespace {

constexpr const char* kRenameTag = "vrklad rename";
constexpr const char* kMovesTag = "vrklad moves";

// A plain name in ProgramDir: no directory, nothing that leaves it.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\n\r\t") == std::string::npos;
}

std::error_code Errno(int err) { return {err, std::generic_category()}; }

}  // namespace

std::error_code WriteJournal(const fs::path& programDir, const ReplacementJournal& journal) {
    std::string text;
    if (journal.kind == ReplacementJournal::Kind::Rename) {
        if (!IsPlainName(journal.from) || !IsPlainName(journal.to)) return Errno(EINVAL);
        text = std::string(kRenameTag) + "\n" + journal.from + "\n" + journal.to + "\n";
    } else {
        if (!IsPlainName(journal.staging)) return Errno(EINVAL);
        text = std::string(kMovesTag) + "\n" + journal.staging + "\n";
        for (const std::string& name : journal.moves) {
            if (!IsPlainName(name)) return Errno(EINVAL);
            text += name + "\n";
        }
    }
    return ReplaceFileSafely(programDir / ReplacementJournal::kFileName, text + "end\n");
}

std::optional<ReplacementJournal> ReadJournal(const fs::path& programDir) {
    std::ifstream in(programDir / ReplacementJournal::kFileName, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    const auto drop = [&]() -> std::optional<ReplacementJournal> {
        RemoveJournal(programDir);
        return std::nullopt;
    };
    if (lines.size() < 3 || lines.back() != "end") return drop();
    lines.pop_back();
    for (size_t i = 1; i < lines.size(); ++i) {
        if (!IsPlainName(lines[i])) return drop();
    }
    ReplacementJournal journal;
    if (lines[0] == kRenameTag && lines.size() == 3) {
        journal.kind = ReplacementJournal::Kind::Rename;
        journal.from = lines[1];
        journal.to = lines[2];
        return journal;
    }
    if (lines[0] == kMovesTag) {
        journal.kind = ReplacementJournal::Kind::Moves;
        journal.staging = lines[1];
        journal.moves.assign(lines.begin() + 2, lines.end());
        return journal;
    }
    return drop();
}

std::error_code RemoveJournal(const fs::path& programDir) {
    if (io::Unlink((programDir / ReplacementJournal::kFileName).c_str()) != 0 && errno != ENOENT) {
        return Errno(errno);
    }
    io::SyncDirectory(programDir.c_str());
    return {};
}

std::error_code CarryOutMoves(const fs::path& programDir, const ReplacementJournal& journal,
                              std::string* failed) {
    const fs::path staging = programDir / journal.staging;
    for (const std::string& name : journal.moves) {
        const fs::path from = staging / name;
        if (io::Rename(from.c_str(), (programDir / name).c_str()) != 0 && errno != ENOENT) {
            if (failed != nullptr) *failed = name;
            return Errno(errno);
        }
    }
    // The moves are done; a flush that fails cannot undo them.
    io::SyncDirectory(programDir.c_str());
    std::error_code ec;
    fs::remove_all(staging, ec);
    // A journal that stays finds nothing more to move at the next start.
    RemoveJournal(programDir);
    return {};
}

}  // namespace vrklad
