#pragma once

#include <filesystem>
#include <string>

namespace vrklad::test {

// A fresh directory under the system's temporary folder, removed at the end.
// Path() ends with a separator, as ProgramDir does.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Dir() const { return m_dir; }
    std::string Path() const { return m_dir.string() + "/"; }
    std::filesystem::path operator/(const std::string& name) const { return m_dir / name; }

private:
    std::filesystem::path m_dir;
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace vrklad::test
