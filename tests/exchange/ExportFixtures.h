#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "exchange/Archiver.h"
#include "exchange/MergeFixtures.h"
#include "register/Checksum.h"
#include "register/Clock.h"
#include "register/Cp1251.h"
#include "register/ProgramConfig.h"
#include "register/RegisterFile.h"
#include "support/ScriptedOperator.h"
#include "support/TempDir.h"

namespace vrklad::test {

namespace fs = std::filesystem;

// The moment every export test runs at: 15 March 2024, 14:05:33.
inline constexpr LocalDateTime kExportNow{2024, 3, 15, 14, 5, 33};
inline constexpr RecordDate kToday{2024, 3, 15};
inline constexpr RecordDate kYesterday{2024, 3, 14};

inline std::string RecordBytes(const std::vector<StudentRecord>& records) {
    return std::string(reinterpret_cast<const char*>(records.data()),
                       records.size() * sizeof(StudentRecord));
}

// The records of an exchange file, its trailer checked under `name`.
inline std::vector<StudentRecord> ReadExchangeFile(const fs::path& path, const std::string& name,
                                                   bool* verified = nullptr) {
    RegisterFile file;
    EXPECT_EQ(file.Open(path), RegisterFile::OpenResult::Ok) << path;
    if (verified != nullptr) *verified = VerifyRegister(file, name);
    return file.ReadAll();
}

// The lines of a cp1251 text file with CR LF line ends, as UTF-8; a line end
// of another form fails the test.
inline std::vector<std::string> ReadTextLines(const fs::path& path) {
    const std::string bytes = ReadFile(path);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "last line without CR LF in " << path;
            break;
        }
        const std::string line = bytes.substr(start, end - start);
        EXPECT_EQ(line.find('\n'), std::string::npos) << "bare LF in " << path;
        lines.push_back(Cp1251ToUtf8(line));
        start = end + 2;
    }
    return lines;
}

// Every member of the archive, extracted with the archiver, by name.
inline std::map<std::string, std::string> ArchiveContents(const fs::path& archive) {
    TempDir out;
    const ExtractResult got = ExtractArchive(out.Path(), archive.string(), out.Path() + "x/");
    EXPECT_FALSE(got.refused) << got.refusal;
    std::map<std::string, std::string> contents;
    for (const std::string& name : got.files) contents[name] = ReadFile(out / "x" / name);
    return contents;
}

// A program directory with a configured single school (OKPO 12345678,
// agency 5), its register "12345678.sch" and an "Export/" directory.
class ExportFixture : public ::testing::Test {
protected:
    void SetUp() override {
        SetNowForTesting(kExportNow);
        fs::create_directories(m_dir / "Export" / "ARH");
        ASSERT_TRUE(m_config.Load(m_dir.Path()));
        ProgramConfig& cfg = m_config.Data();
        cfg.OrgType = 1;
        cfg.OrgCount = 1;
        cfg.OrgOKPO[0] = 12345678;
        cfg.OrgAgency[0] = 5;
        cfg.OwnAgency = 5;
        cfg.LastActualDate = {2024, 1, 1};
        cfg.LastExchangeDate = kYesterday;
        ASSERT_TRUE(m_config.Save());
    }
    void TearDown() override { SetNowForTesting(std::nullopt); }

    // Writes the register and opens it.
    void MakeRegister(const std::vector<StudentRecord>& records) {
        m_reg.Close();
        WriteFile(m_dir / "12345678.sch", RecordBytes(records));
        ASSERT_EQ(m_reg.Open(m_dir / "12345678.sch"), RegisterFile::OpenResult::Ok);
    }

    void MakeDetailsFile() { WriteFile(m_dir / "Additional.db", "details database bytes"); }

    // The configuration as the file holds it.
    ProgramConfig StoredConfig() const {
        ConfigFile stored;
        EXPECT_TRUE(stored.Load(m_dir.Path()));
        return stored.Data();
    }

    fs::path ExportPath(const std::string& name) const { return m_dir / "Export" / name; }

    TempDir m_dir;
    ConfigFile m_config;
    RegisterFile m_reg;
    ScriptedOperator m_op;
};

// PATH pointed elsewhere for the life of the object (no archiver found).
class ScopedPath {
public:
    explicit ScopedPath(const std::string& value) {
        if (const char* old = std::getenv("PATH")) m_old = old;
        setenv("PATH", value.c_str(), 1);
    }
    ~ScopedPath() { setenv("PATH", m_old.c_str(), 1); }
    ScopedPath(const ScopedPath&) = delete;
    ScopedPath& operator=(const ScopedPath&) = delete;

private:
    std::string m_old;
};

// A directory on another file system than the temporary directories
// (/dev/shm is a tmpfs), for moves that must copy; empty when there is none.
class OtherFileSystemDir {
public:
    OtherFileSystemDir() {
        std::error_code ec;
        if (!fs::is_directory("/dev/shm", ec)) return;
        std::string templ = "/dev/shm/vrklad-XXXXXX";
        if (mkdtemp(templ.data()) == nullptr) return;
        struct stat here {
        }, there{};
        if (::stat(templ.c_str(), &there) == 0 &&
            ::stat(fs::temp_directory_path().c_str(), &here) == 0 && here.st_dev != there.st_dev) {
            m_path = templ;
        } else {
            fs::remove_all(templ, ec);
        }
    }
    ~OtherFileSystemDir() {
        std::error_code ec;
        if (!m_path.empty()) fs::remove_all(m_path, ec);
    }
    OtherFileSystemDir(const OtherFileSystemDir&) = delete;
    OtherFileSystemDir& operator=(const OtherFileSystemDir&) = delete;

    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

}  // namespace vrklad::test
