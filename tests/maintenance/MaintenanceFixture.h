#pragma once

#include <sys/stat.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "details/CreateDetailsDatabase.h"
#include "exchange/Archiver.h"
#include "session/Session.h"
#include "session/SessionFixture.h"

namespace vrklad::test {

// A started session over a ProgramDir of a school (OKPO 123, register
// "123.sch"), with the helpers the maintenance tests share.
class MaintenanceFixture : public SessionFixture {
protected:
    static constexpr const char* kRegister = "123.sch";

    // Writes the settings (with `iniExtra` lines appended), the school's
    // configuration and a sealed register of `count` records.
    void Install(int count, const std::string& iniExtra = {}) {
        WriteFile(File("VR_KLAD.INI"), "[Options]\r\nTypeOrganization=1\r\n" + iniExtra);
        ProgramConfig config = SchoolConfig();
        config.LastExchangeDate = RecordDate{2024, 2, 1};
        WriteConfig(config);
        WriteRegister(kRegister, count, kRegister);
    }

    void MakeDetails() {
        std::string error;
        ASSERT_TRUE(CreateDetailsDatabase(File(kDetailsFileName),
                                          VRKLAD_SOURCE_DIR "/db/Additional.sql", &error))
            << error;
    }

    Session& Start() {
        m_session = std::make_unique<Session>(Dir());
        EXPECT_EQ(m_session->Startup(m_op), Session::StartupResult::Ready);
        m_session->OnFirstShown(m_op);
        m_op.shown.clear();
        return *m_session;
    }

    // The bytes of the files a backup is about.
    std::map<std::string, std::string> Snapshot() const {
        std::map<std::string, std::string> files;
        for (const char* name : {kRegister, "vrklad.cnf", kDetailsFileName, "VR_KLAD.INI"}) {
            files[name] = Exists(name) ? ReadFile(File(name)) : "<missing>";
        }
        return files;
    }

    // An archive made by the real archiver from files written in a scratch
    // directory under these names.
    static void MakeArchive(const std::filesystem::path& archive,
                            const std::map<std::string, std::string>& members) {
        TempDir scratch;
        std::vector<std::string> names;
        for (const auto& [name, bytes] : members) {
            WriteFile(scratch / name, bytes);
            names.push_back(name);
        }
        const RunResult run = AddToArchive(scratch.Path(), archive.string(), names);
        ASSERT_EQ(run.exitCode, 0) << run.output;
    }

    // An "arj" in ProgramDir, found before the real one, that fails.
    void InstallFailingArchiver() {
        WriteFile(File("arj"), "#!/bin/sh\nexit 2\n");
        ASSERT_EQ(::chmod(File("arj").c_str(), 0755), 0);
    }

    static std::string ConfigBytes(const ProgramConfig& config) {
        return std::string(reinterpret_cast<const char*>(&config), sizeof config);
    }

    // The records of a file, read beside the session's handle.
    std::vector<StudentRecord> RecordsOf(const std::string& name) const {
        const std::string bytes = ReadFile(File(name));
        std::vector<StudentRecord> records(bytes.size() / kRecordSize);
        std::memcpy(static_cast<void*>(records.data()), bytes.data(), records.size() * kRecordSize);
        return records;
    }

    std::unique_ptr<Session> m_session;
};

}  // namespace vrklad::test
