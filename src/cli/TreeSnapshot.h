#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vrklad {

// What a dry run notes of one entry of a folder: enough to tell that a file
// was written (new inode, size or modification time) without reading it.
struct EntryState {
    bool folder = false;
    uint64_t size = 0;
    dev_t device = 0;
    ino_t inode = 0;
    timespec modified{};
};

// Every entry under a folder, by its path relative to it ("PRCSSD/1.txt"),
// links not followed. A folder that is missing gives an empty snapshot.
using TreeSnapshot = std::map<std::string, EntryState>;
TreeSnapshot TakeSnapshot(const std::filesystem::path& root);

enum class TreeChangeKind {
    Created,
    Changed,
    Rewritten,  // written again with the bytes it had
    Removed,
};

struct TreeChange {
    std::string path;  // relative to the folder; a folder's ends with "/"
    TreeChangeKind kind = TreeChangeKind::Changed;
    bool folder = false;
};

// The entries created, written and removed between two snapshots of `root`,
// in path order. A file that was written counts as Rewritten when its bytes
// equal those of the file it was copied from, which `original` gives for the
// copy's path; without one it counts as Changed.
std::vector<TreeChange> CompareSnapshots(
    const std::filesystem::path& root, const TreeSnapshot& before, const TreeSnapshot& after,
    const std::function<std::optional<std::filesystem::path>(const std::filesystem::path&)>&
        original);

// Whether two files hold the same bytes; false when either cannot be read.
bool SameContent(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace vrklad
