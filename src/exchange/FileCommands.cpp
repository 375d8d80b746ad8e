#include "exchange/FileCommands.h"

#include <fnmatch.h>

#include <algorithm>
#include <system_error>

namespace vrklad {

namespace fs = std::filesystem;

bool DeleteAllFiles(const fs::path& dir) {
    bool ok = true;
    std::error_code ec;
    std::vector<fs::path> files;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeEc;
        // A link to a directory is removed as the file it is.
        if (it->is_symlink(typeEc) || !it->is_directory(typeEc)) files.push_back(it->path());
    }
    if (ec && ec != std::errc::no_such_file_or_directory) ok = false;
    for (const fs::path& file : files) {
        std::error_code removeEc;
        fs::remove(file, removeEc);
        if (removeEc) ok = false;
    }
    return ok;
}

std::vector<std::string> MoveMatchingFiles(const fs::path& fromDir, const std::string& pattern,
                                           const fs::path& toDir, bool* ok) {
    bool allMoved = true;
    std::vector<std::string> moved;
    std::error_code ec;
    std::vector<fs::path> matching;
    for (fs::directory_iterator it(fromDir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code typeEc;
        if (it->is_directory(typeEc)) continue;
        if (fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD | FNM_NOESCAPE) == 0) {
            matching.push_back(it->path());
        }
    }
    for (const fs::path& file : matching) {
        const fs::path destination = toDir / file.filename();
        std::error_code moveEc;
        fs::rename(file, destination, moveEc);
        if (moveEc == std::errc::cross_device_link) {
            moveEc.clear();
            fs::copy_file(file, destination, fs::copy_options::overwrite_existing, moveEc);
            if (!moveEc) fs::remove(file, moveEc);
        }
        if (moveEc) {
            allMoved = false;
        } else {
            moved.push_back(file.filename().string());
        }
    }
    std::sort(moved.begin(), moved.end());
    if (ok != nullptr) *ok = allMoved;
    return moved;
}

}  // namespace vrklad
