#include "support/FuzzProgramDir.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace vrklad::fuzz {

namespace fs = std::filesystem;

namespace {

fs::path Base() {
    std::error_code ec;
    if (fs::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0) return "/dev/shm";
    return fs::temp_directory_path();
}

class Dir {
public:
    Dir() {
        std::string templ = (Base() / "vrklad-fuzz-XXXXXX").string();
        if (mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        m_path = templ;
    }
    ~Dir() {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    Dir(const Dir&) = delete;
    Dir& operator=(const Dir&) = delete;

    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

Dir& TheDir() {
    static Dir dir;
    return dir;
}

}  // namespace

const fs::path& FuzzProgramDir::Fresh() {
    const fs::path& dir = TheDir().Path();
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code removeEc;
        // A run may leave a directory it could not enter: make it removable.
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, removeEc);
        fs::remove_all(it->path(), removeEc);
    }
    return dir;
}

std::string FuzzProgramDir::ProgramDir() { return TheDir().Path().string() + "/"; }

void FuzzProgramDir::Write(const fs::path& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void FuzzProgramDir::Write(const fs::path& path, const std::string& bytes) {
    Write(path, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace vrklad::fuzz
