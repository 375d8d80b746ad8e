#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "register/ChangeCodes.h"
#include "register/ProgramConfig.h"
#include "register/RegisterFile.h"
#include "register/RegisterFixtures.h"
#include "support/TempDir.h"

namespace vrklad {
namespace {

using test::MakeRecord;
using test::SizeOf;
using test::TempDir;

std::string ConfigBytes(const ProgramConfig& c) {
    return std::string(reinterpret_cast<const char*>(&c), sizeof c);
}

TEST(ConfigFile, MissingFileIsCreatedZeroFilled) {
    TempDir dir;
    ConfigFile cfg;
    ASSERT_TRUE(cfg.Load(dir.Dir()));
    EXPECT_TRUE(cfg.IsLoaded());
    EXPECT_EQ(test::ReadFile(dir / "vrklad.cnf"), std::string(819, '\0'));
    EXPECT_EQ(ConfigBytes(cfg.Data()), std::string(819, '\0'));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Dir()), {}), 1);
}

TEST(ConfigFile, SaveAndLoadRoundTrip) {
    TempDir dir;
    ConfigFile cfg;
    ASSERT_TRUE(cfg.Load(dir.Dir()));
    cfg.Data().OrgType = 1;
    cfg.Data().OrgCount = 1;
    cfg.Data().OrgOKPO[0] = 12345678;
    cfg.Data().OrgAgency[0] = 321;
    cfg.Data().OwnAgency = 321;
    cfg.Data().LastExchangeDate = {2024, 8, 31};
    cfg.Data().TotalLearners = 65535;
    ASSERT_TRUE(cfg.Save());
    cfg.Close();
    EXPECT_FALSE(cfg.Save());  // closed: nothing written

    const std::string bytes = test::ReadFile(dir / "vrklad.cnf");
    ASSERT_EQ(bytes.size(), 819u);
    EXPECT_EQ(bytes.substr(3, 4), std::string("\x4E\x61\xBC\x00", 4));  // 12345678
    EXPECT_EQ(bytes.substr(807, 4), "\xE8\x07\x08\x1F");                // 2024-08-31
    EXPECT_EQ(bytes.substr(812, 2), "\x41\x01");                        // 321
    EXPECT_EQ(bytes.substr(817, 2), "\xFF\xFF");

    ConfigFile again;
    ASSERT_TRUE(again.Load(dir.Dir()));
    EXPECT_EQ(ConfigBytes(again.Data()), bytes);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Dir()), {}), 1);
}

TEST(ConfigFile, OtherSizesAreReadForWhatTheyHold) {
    struct Case {
        const char* what;
        size_t size;
    } cases[] = {{"empty", 0}, {"short", 10}, {"one byte short", 818}, {"longer", 900}};
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string bytes(c.size, '\0');
        for (size_t i = 0; i < c.size; ++i) bytes[i] = static_cast<char>(i % 251 + 1);
        test::WriteFile(dir / "vrklad.cnf", bytes);
        ConfigFile cfg;
        ASSERT_TRUE(cfg.Load(dir.Dir()));
        std::string expected = bytes.substr(0, std::min<size_t>(c.size, 819));
        expected.resize(819, '\0');
        EXPECT_EQ(ConfigBytes(cfg.Data()), expected);
        ASSERT_TRUE(cfg.Save());
        EXPECT_EQ(test::ReadFile(dir / "vrklad.cnf"), expected);  // exactly one record now
    }
}

TEST(ConfigFile, InputOutputErrorsCarryTheSystemText) {
    TempDir dir;
    ConfigFile cfg;
    try {
        cfg.Load(dir / "no-such-dir");
        ADD_FAILURE() << "no error";
    } catch (const ConfigError& e) {
        EXPECT_STREQ(e.what(), std::strerror(ENOENT));
    }

    std::filesystem::create_directory(dir / "vrklad.cnf");  // in the way of the file
    try {
        cfg.Load(dir.Dir());
        ADD_FAILURE() << "no error";
    } catch (const ConfigError& e) {
        EXPECT_STREQ(e.what(), std::strerror(EISDIR));
    }
    EXPECT_FALSE(cfg.IsLoaded());
}

TEST(ConfigFile, SaveFailureLeavesTheOldFile) {
    TempDir dir;
    std::filesystem::create_directory(dir / "inst");
    ConfigFile cfg;
    ASSERT_TRUE(cfg.Load(dir / "inst"));
    std::filesystem::remove_all(dir / "inst");
    try {
        cfg.Save();
        ADD_FAILURE() << "no error";
    } catch (const ConfigError& e) {
        EXPECT_STREQ(e.what(), std::strerror(ENOENT));
    }
}

TEST(ProgramConfig, RegisterFileName) {
    struct Case {
        uint8_t district;
        uint8_t orgType;
        int32_t okpo;
        const char* name;
    } cases[] = {
        {1, 1, 5, "SCHOOL.R_N"}, {1, 2, 5, "STUD.R_N"}, {1, 3, 5, "PTU.R_N"},
        {1, 4, 5, ""},           {1, 0, 5, ""},         {0, 1, 12345678, "12345678.sch"},
        {0, 2, 7, "7.stu"},      {0, 4, 7, "7.stu"},    {0, 3, 40, "40.ptu"},
        {0, 0, 40, ""},          {0, 5, 40, ""},        {2, 1, 40, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.district) << "/" << int(c.orgType));
        ProgramConfig config = EmptyConfig();
        config.DistrictMode = c.district;
        config.OrgType = c.orgType;
        config.OrgOKPO[0] = c.okpo;
        EXPECT_EQ(RegisterFileName(config), c.name);
    }
}

TEST(ProgramConfig, MaxKlass) {
    const uint8_t expected[] = {0, 12, 5, 4, 8, 0};
    for (uint8_t type = 0; type < 6; ++type) {
        SCOPED_TRACE(int(type));
        EXPECT_EQ(MaxKlassFor(type), expected[type]);
    }
}

struct Row {
    int32_t okpo;
    uint16_t agency;
    uint16_t learners;
    friend bool operator==(const Row&, const Row&) = default;
    friend std::ostream& operator<<(std::ostream& os, const Row& r) {
        return os << "{" << r.okpo << ", " << r.agency << ", " << r.learners << "}";
    }
};

std::vector<Row> RowsOf(const ProgramConfig& c, int count) {
    std::vector<Row> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back({c.OrgOKPO[i], c.OrgAgency[i], c.OrgLearners[i]});
    return rows;
}

TEST(ProgramConfig, Recount) {
    // B = 200 (agency 2), A = 100 (agency 1), C = 300 (agency 1, shared with A).
    const std::vector<StudentRecord> mixed = {
        MakeRecord(200, 2),          MakeRecord(100, 1),
        MakeRecord(100, 1, Deleted), MakeRecord(300, 1),
        MakeRecord(200, 2, 0x0808),  MakeRecord(400, 4, ExcludedOther),
        MakeRecord(300, 1, 0x000C),  MakeRecord(100, 1, FioChanged),
    };
    struct Case {
        const char* what;
        uint8_t district;
        uint8_t typeOrganization;
        std::vector<StudentRecord> records;
        uint16_t orgCount;
        std::vector<Row> rows;  // the first rows afterwards
        uint16_t total;
    } cases[] = {
        {"district by OKPO: rows in order of first occurrence",
         1,
         0,
         mixed,
         3,
         {{200, 2, 2}, {100, 1, 2}, {300, 1, 2}},
         6},
        {"district by agency", 1, 1, mixed, 2, {{200, 2, 2}, {100, 1, 4}, {0, 0, 0}}, 6},
        {"single mode counts everything in row 0", 0, 0, mixed, 1, {{555, 77, 6}, {0, 0, 0}}, 6},
        {"single mode, other variant", 0, 1, mixed, 1, {{555, 77, 6}, {0, 0, 0}}, 6},
        {"empty register leaves the rows", 1, 0, {}, 1, {{555, 77, 9}, {0, 0, 0}}, 0},
        {"only deleted records", 1, 0, {MakeRecord(1, 1, Deleted)}, 0, {{0, 0, 0}}, 0},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto path = dir / "r";
        test::WriteRecords(path, c.records, "TRAILR");
        RegisterFile reg;
        ASSERT_EQ(reg.Open(path), RegisterFile::OpenResult::Ok);
        ProgramConfig config = EmptyConfig();
        config.DistrictMode = c.district;
        config.OrgCount = 1;
        config.OrgOKPO[0] = 555;
        config.OrgAgency[0] = 77;
        config.OrgLearners[0] = 9;
        config.OwnAgency = 88;
        config.TotalLearners = 1234;
        RecountOrganizations(config, reg, c.typeOrganization);
        EXPECT_EQ(config.RecordCount, c.records.size());
        EXPECT_EQ(config.TotalLearners, c.total);
        EXPECT_EQ(config.OrgCount, c.orgCount);
        EXPECT_EQ(RowsOf(config, static_cast<int>(c.rows.size())), c.rows);
    }
}

TEST(ProgramConfig, RecountInSingleModeFillsAMissingAgency) {
    TempDir dir;
    test::WriteRecords(dir / "r", {MakeRecord(1, 5)});
    RegisterFile reg;
    ASSERT_EQ(reg.Open(dir / "r"), RegisterFile::OpenResult::Ok);
    ProgramConfig config = EmptyConfig();
    config.OrgOKPO[0] = 1;
    config.OwnAgency = 88;
    RecountByOkpo(config, reg);
    EXPECT_EQ(config.OrgAgency[0], 88);  // from OwnAgency, not from the record
    EXPECT_EQ(config.OrgLearners[0], 1);
}

TEST(ProgramConfig, RecountNeverPassesRow100) {
    // 103 organizations; the three past the 100th have two learners each.
    std::vector<StudentRecord> records;
    for (uint32_t okpo = 1; okpo <= 103; ++okpo) records.push_back(MakeRecord(okpo, okpo));
    for (uint32_t okpo = 101; okpo <= 103; ++okpo) records.push_back(MakeRecord(okpo, okpo));
    records.push_back(MakeRecord(100, 100));
    TempDir dir;
    test::WriteRecords(dir / "r", records);
    RegisterFile reg;
    ASSERT_EQ(reg.Open(dir / "r"), RegisterFile::OpenResult::Ok);
    for (uint8_t type : {uint8_t{0}, uint8_t{1}}) {
        SCOPED_TRACE(int(type));
        ProgramConfig config = EmptyConfig();
        config.DistrictMode = 1;
        config.OwnAgency = 0xABCD;  // right after the table: must stay untouched
        config.LastActualDate = {2024, 1, 2};
        RecountOrganizations(config, reg, type);
        EXPECT_EQ(config.OrgCount, 100);
        EXPECT_EQ(config.TotalLearners, records.size());
        EXPECT_EQ(RowsOf(config, 100).back(), (Row{100, 100, 2}));
        EXPECT_EQ(config.OwnAgency, 0xABCD);
        EXPECT_EQ(config.LastActualDate, (RecordDate{2024, 1, 2}));
    }
}

TEST(ProgramConfig, LookupsSearchAllRows) {
    ProgramConfig config = EmptyConfig();
    config.OrgCount = 2;
    config.OrgOKPO[0] = 111;
    config.OrgAgency[0] = 5;
    config.OrgOKPO[1] = 222;
    config.OrgAgency[1] = 6;
    config.OrgOKPO[99] = 999;  // beyond OrgCount, still searched
    config.OrgAgency[99] = 9;
    struct AgencyCase {
        uint16_t agency;
        int32_t okpo;
    } byAgency[] = {{5, 111}, {6, 222}, {9, 999}, {7, 0}, {0, 0}};
    for (const auto& c : byAgency) {
        SCOPED_TRACE(c.agency);
        EXPECT_EQ(OkpoByAgency(config, c.agency), c.okpo);
    }
    struct OkpoCase {
        int32_t okpo;
        uint16_t agency;
    } byOkpo[] = {{111, 5}, {222, 6}, {999, 9}, {333, 0}, {0, 0}};
    for (const auto& c : byOkpo) {
        SCOPED_TRACE(c.okpo);
        EXPECT_EQ(AgencyByOkpo(config, c.okpo), c.agency);
    }
    config.OrgOKPO[2] = 333;  // a row with agency 0 answers for agency 0
    EXPECT_EQ(OkpoByAgency(config, 0), 333);
}

}  // namespace
}  // namespace vrklad
