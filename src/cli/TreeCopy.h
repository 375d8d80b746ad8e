#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <map>
#include <utility>
#include <vector>

namespace vrklad {

// Thrown when a copy is stopped from outside (a signal) between two files.
struct CopyStopped {};

// Copies folders and files for a dry run. Each file keeps its mode and its
// modification time (the import dates its rows by the table's time), so a
// command sees in the copy what it would see in the original. Symbolic links
// are followed and copied as what they lead to: the copy holds no link that
// leads back out of it. Sockets, pipes and devices are left out. Errors are
// thrown as std::filesystem::filesystem_error.
class TreeCopier {
public:
    // `stop` is asked between files; when it says yes the copy throws
    // CopyStopped.
    explicit TreeCopier(std::function<bool()> stop) : m_stop(std::move(stop)) {}

    // Folders never entered: the dry run's own directory when it lies inside
    // what is copied.
    void Exclude(const std::filesystem::path& folder);

    // The folder `from` as `to`, which must not exist yet. With `recursive`
    // false its subfolders are made empty: what a command writes into a
    // target folder lies at its top level.
    void CopyFolder(const std::filesystem::path& from, const std::filesystem::path& to,
                    bool recursive);
    // One file into an existing folder.
    void CopyFile(const std::filesystem::path& from, const std::filesystem::path& to);

    // The original of every file copied, by the copy's path.
    const std::map<std::filesystem::path, std::filesystem::path>& Sources() const {
        return m_sources;
    }

private:
    using Identity = std::pair<dev_t, ino_t>;
    void CopyDirectory(const std::filesystem::path& from, const std::filesystem::path& to,
                       const struct stat& st, bool recursive, std::vector<Identity>& chain);
    void CheckStop() const;

    std::function<bool()> m_stop;
    std::vector<Identity> m_excluded;
    std::map<std::filesystem::path, std::filesystem::path> m_sources;
};

// Removes a folder with everything in it, read-only folders included. False
// when something could not be removed.
bool RemoveTree(const std::filesystem::path& root);

}  // namespace vrklad
