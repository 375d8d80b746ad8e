#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "register/ChangeCodes.h"
#include "register/Checksum.h"
#include "register/Clock.h"
#include "register/ProgramConfig.h"
#include "register/RegisterFile.h"
#include "register/StudentRecord.h"
#include "support/ScriptedOperator.h"
#include "support/TempDir.h"

namespace vrklad::test {

// A ProgramDir in a temporary folder with the files a test puts there, and
// the clock fixed at 1 March 2024, 10:00.
class SessionFixture : public testing::Test {
protected:
    void SetUp() override { SetNowForTesting(LocalDateTime{2024, 3, 1, 10, 0, 0}); }
    void TearDown() override { SetNowForTesting(std::nullopt); }

    std::filesystem::path Dir() const { return m_dir.Dir(); }
    std::filesystem::path File(const std::string& name) const { return m_dir / name; }

    void WriteIni(int typeOrganization) {
        WriteFile(File("VR_KLAD.INI"),
                  "[Options]\r\nTypeOrganization=" + std::to_string(typeOrganization) +
                      "\r\n[DateEndAllow]\r\nMonthEndAllow=9\r\n"
                      "DayEndAllow=30\r\n");
    }

    void WriteConfig(const ProgramConfig& config) {
        WriteFile(File("vrklad.cnf"),
                  std::string(reinterpret_cast<const char*>(&config), sizeof config));
    }

    ProgramConfig ReadConfig() const {
        ProgramConfig config = EmptyConfig();
        const std::string bytes = ReadFile(File("vrklad.cnf"));
        std::memcpy(&config, bytes.data(), std::min(bytes.size(), sizeof config));
        return config;
    }

    // A configured single organization: a school with OKPO 123, agency 45.
    static ProgramConfig SchoolConfig() {
        ProgramConfig config = EmptyConfig();
        config.OrgType = 1;
        config.OrgCount = 1;
        config.OrgOKPO[0] = 123;
        config.OrgAgency[0] = 45;
        config.OwnAgency = 45;
        return config;
    }

    static StudentRecord Record(uint32_t okpo, uint16_t org) {
        StudentRecord r = EmptyRecord();
        r.OKPO = okpo;
        r.ORG = org;
        r.LastChange = Added;
        SetFieldText(r.FIO, "Петров Пётр Петрович");
        return r;
    }

    // A register of `count` records, sealed under `sealName` (not sealed
    // when it is empty).
    void WriteRegister(const std::string& name, int count, const std::string& sealName) {
        RegisterFile file;
        ASSERT_EQ(file.Create(File(name)), RegisterFile::OpenResult::Ok);
        for (int i = 0; i < count; ++i) file.Append(Record(123, 45));
        if (!sealName.empty()) {
            ASSERT_TRUE(SealRegister(file, sealName));
        }
    }

    bool Exists(const std::string& name) const { return std::filesystem::exists(File(name)); }

    TempDir m_dir;
    ScriptedOperator m_op;
};

}  // namespace vrklad::test
