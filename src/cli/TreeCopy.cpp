#include "cli/TreeCopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace vrklad {
namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const char* what, const fs::path& path, int error) {
    throw fs::filesystem_error(what, path, std::error_code(error, std::generic_category()));
}

struct stat StatOf(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) Fail("cannot read", path, errno);
    return st;
}

// The mode and the times the original has.
void TakeModeAndTimes(const fs::path& path, const struct stat& st) {
    if (::chmod(path.c_str(), st.st_mode & 07777) != 0) Fail("cannot set the mode of", path, errno);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) {
        Fail("cannot set the time of", path, errno);
    }
}

void MakeFolder(const fs::path& path) {
    if (::mkdir(path.c_str(), 0700) != 0) Fail("cannot create", path, errno);
}

void CopyContent(const fs::path& from, const fs::path& to, const struct stat& st) {
    std::error_code ec;
    fs::copy_file(from, to, fs::copy_options::none, ec);
    if (ec) throw fs::filesystem_error("cannot copy", from, to, ec);
    TakeModeAndTimes(to, st);
}

}  // namespace

void TreeCopier::CheckStop() const {
    if (m_stop && m_stop()) throw CopyStopped{};
}

void TreeCopier::Exclude(const fs::path& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) m_excluded.emplace_back(st.st_dev, st.st_ino);
}

void TreeCopier::CopyFolder(const fs::path& from, const fs::path& to, bool recursive) {
    const struct stat st = StatOf(from);
    if (!S_ISDIR(st.st_mode)) Fail("not a folder", from, ENOTDIR);
    std::vector<Identity> chain;
    CopyDirectory(from, to, st, recursive, chain);
}

void TreeCopier::CopyFile(const fs::path& from, const fs::path& to) {
    CheckStop();
    const struct stat st = StatOf(from);
    if (!S_ISREG(st.st_mode)) Fail("not a regular file", from, EINVAL);
    CopyContent(from, to, st);
    m_sources[to] = from;
}

void TreeCopier::CopyDirectory(const fs::path& from, const fs::path& to, const struct stat& st,
                               bool recursive, std::vector<Identity>& chain) {
    CheckStop();
    MakeFolder(to);
    chain.emplace_back(st.st_dev, st.st_ino);
    std::error_code ec;
    for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path source = it->path();
        const fs::path target = to / source.filename();
        struct stat entry {};
        if (::stat(source.c_str(), &entry) != 0) {
            // A link that leads nowhere stands for nothing a command could read.
            struct stat link {};
            if (::lstat(source.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) continue;
            Fail("cannot read", source, errno);
        }
        if (S_ISDIR(entry.st_mode)) {
            const Identity id{entry.st_dev, entry.st_ino};
            const bool loop = std::find(chain.begin(), chain.end(), id) != chain.end();
            const bool excluded =
                std::find(m_excluded.begin(), m_excluded.end(), id) != m_excluded.end();
            if (loop || excluded) continue;
            if (recursive) {
                CopyDirectory(source, target, entry, true, chain);
            } else {
                MakeFolder(target);
                TakeModeAndTimes(target, entry);
            }
        } else if (S_ISREG(entry.st_mode)) {
            CheckStop();
            CopyContent(source, target, entry);
            m_sources[target] = source;
        }
    }
    if (ec) throw fs::filesystem_error("cannot list", from, ec);
    chain.pop_back();
    // Last, so that neither the files put in nor a read-only mode get in the way.
    TakeModeAndTimes(to, st);
}

namespace {

// Every folder under root (root included) readable, writable and enterable
// by its owner, so that its entries can be removed.
void OpenUp(const fs::path& folder) {
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
    ::chmod(folder.c_str(), (st.st_mode & 07777) | S_IRWXU);
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec)) OpenUp(it->path());
    }
}

}  // namespace

bool RemoveTree(const fs::path& root) {
    std::error_code ec;
    fs::remove_all(root, ec);
    if (!ec && !fs::exists(fs::symlink_status(root, ec))) return true;
    OpenUp(root);
    ec.clear();
    fs::remove_all(root, ec);
    return !ec && !fs::exists(fs::symlink_status(root, ec));
}

}  // namespace vrklad
