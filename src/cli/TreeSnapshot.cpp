#include "cli/TreeSnapshot.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <system_error>

namespace vrklad {
namespace fs = std::filesystem;

namespace {

void Walk(const fs::path& root, const fs::path& folder, TreeSnapshot& out) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) != 0) continue;
        EntryState state;
        state.folder = S_ISDIR(st.st_mode);
        state.size = static_cast<uint64_t>(st.st_size);
        state.device = st.st_dev;
        state.inode = st.st_ino;
        state.modified = st.st_mtim;
        std::string name = it->path().lexically_relative(root).generic_string();
        if (state.folder) name += "/";
        out.emplace(name, state);
        if (state.folder) Walk(root, it->path(), out);
    }
}

bool Written(const EntryState& a, const EntryState& b) {
    return a.size != b.size || a.device != b.device || a.inode != b.inode ||
           a.modified.tv_sec != b.modified.tv_sec || a.modified.tv_nsec != b.modified.tv_nsec;
}

}  // namespace

TreeSnapshot TakeSnapshot(const fs::path& root) {
    TreeSnapshot out;
    Walk(root, root, out);
    return out;
}

bool SameContent(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    const auto size = fs::file_size(a, ec);
    if (ec || fs::file_size(b, ec) != size || ec) return false;
    std::ifstream fa(a, std::ios::binary);
    std::ifstream fb(b, std::ios::binary);
    if (!fa || !fb) return false;
    char ba[65536];
    char bb[65536];
    while (fa && fb) {
        fa.read(ba, sizeof ba);
        fb.read(bb, sizeof bb);
        if (fa.gcount() != fb.gcount()) return false;
        if (!std::equal(ba, ba + fa.gcount(), bb)) return false;
    }
    return fa.eof() && fb.eof();
}

std::vector<TreeChange> CompareSnapshots(
    const fs::path& root, const TreeSnapshot& before, const TreeSnapshot& after,
    const std::function<std::optional<fs::path>(const fs::path&)>& original) {
    std::vector<TreeChange> changes;
    auto b = before.begin();
    auto a = after.begin();
    // Both maps are in path order: one merge pass.
    while (b != before.end() || a != after.end()) {
        if (a == after.end() || (b != before.end() && b->first < a->first)) {
            changes.push_back({b->first, TreeChangeKind::Removed, b->second.folder});
            ++b;
        } else if (b == before.end() || a->first < b->first) {
            changes.push_back({a->first, TreeChangeKind::Created, a->second.folder});
            ++a;
        } else {
            // A folder's own time moves with every file put in or taken out;
            // those files tell it.
            if (!a->second.folder && Written(b->second, a->second)) {
                const fs::path copy = root / a->first;
                const std::optional<fs::path> from = original ? original(copy) : std::nullopt;
                const bool same = from && SameContent(*from, copy);
                changes.push_back(
                    {a->first, same ? TreeChangeKind::Rewritten : TreeChangeKind::Changed, false});
            }
            ++b;
            ++a;
        }
    }
    return changes;
}

}  // namespace vrklad
