#include "exchange/Archiver.h"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "exchange/ArjListing.h"

namespace vrklad {

namespace fs = std::filesystem;

namespace {

fs::path Resolve(const std::string& programDir, const std::string& path) {
    const fs::path p(path);
    return p.is_absolute() ? p : fs::path(programDir) / p;
}

// Why the archiver must not be let loose on this archive; empty when it may.
std::string CheckArchive(const fs::path& archive) {
    // The archiver expands its own wildcards in archive names.
    if (archive.filename().string().find_first_of("*?") != std::string::npos) {
        return "wildcard in the archive name";
    }
    const ArjListing listing = ReadArjListing(archive);
    if (!listing.ok) return listing.error;
    if ((listing.archiveFlags & kArjVolume) != 0) return "multi-volume archive";
    for (const ArjMember& m : listing.members) {
        const std::string quoted = "member \"" + m.storedName + "\"";
        if (m.fileType != kArjBinary && m.fileType != kArjText) {
            return quoted + " is not a plain file";
        }
        if ((m.flags & (kArjGarbled | kArjVolume | kArjExtFile)) != 0) {
            return quoted + " is encrypted or split across volumes";
        }
        const std::string& name = m.extractName;
        if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) {
            return quoted + " would be extracted outside the target directory";
        }
    }
    return {};
}

// A private directory inside the target: the archiver writes there, and
// only plain files with sound names move on.
class StagingDir {
  public:
    explicit StagingDir(const fs::path& parent) {
        std::string templ = (parent / ".arj-XXXXXX").string();
        if (mkdtemp(templ.data()) != nullptr) m_path = templ;
    }
    ~StagingDir() {
        std::error_code ec;
        if (!m_path.empty()) fs::remove_all(m_path, ec);
    }
    StagingDir(const StagingDir&) = delete;
    StagingDir& operator=(const StagingDir&) = delete;

    const fs::path& Path() const { return m_path; }

  private:
    fs::path m_path;
};

}  // namespace

RunResult AddToArchive(const std::string& programDir, const std::string& archive,
                       const std::vector<std::string>& files) {
    // "-e": names without directories; "-2d": DOS host and times, which
    // Windows tools read correctly; "--": nothing after it is a switch.
    std::vector<std::string> args = {"a", "-e", "-2d", "--", archive};
    args.insert(args.end(), files.begin(), files.end());
    return RunAndWait(programDir, kArchiverProgram, args);
}

ExtractResult ExtractArchive(const std::string& programDir, const std::string& archive,
                             const std::string& targetDir) {
    ExtractResult result;
    const fs::path archivePath = Resolve(programDir, archive);
    const fs::path target = Resolve(programDir, targetDir);

    result.refusal = CheckArchive(archivePath);
    if (!result.refusal.empty()) {
        result.refused = true;
        return result;
    }
    std::error_code ec;
    fs::create_directories(target, ec);
    StagingDir staging(target);
    if (staging.Path().empty()) {
        result.refused = true;
        result.refusal = "cannot create a directory in " + target.string();
        return result;
    }

    // Never "x": it recreates stored paths. The trailing slash makes "e"
    // take the last argument as the target directory.
    result.run = RunAndWait(programDir, kArchiverProgram,
                            {"e", archivePath.string(), staging.Path().string() + "/", "-y"});

    for (fs::directory_iterator it(staging.Path(), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code typeEc;
        if (!it->is_regular_file(typeEc) || it->is_symlink(typeEc)) continue;
        // A backslash is a DOS path inside a name; such a file is no member we know.
        if (name.find('\\') != std::string::npos) continue;
        std::error_code moveEc;
        fs::rename(it->path(), target / name, moveEc);
        if (!moveEc) result.files.push_back(name);
    }
    std::sort(result.files.begin(), result.files.end());
    return result;
}

}  // namespace vrklad
