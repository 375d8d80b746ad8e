#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "register/Clock.h"
#include "register/IniFile.h"
#include "register/SettingsIni.h"
#include "support/TempDir.h"

namespace vrklad {
namespace {

using test::TempDir;

class FixedNow {
public:
    explicit FixedNow(LocalDateTime now) { SetNowForTesting(now); }
    ~FixedNow() { SetNowForTesting(std::nullopt); }
};

Settings ReadFrom(const std::string& ini) {
    TempDir dir;
    test::WriteFile(dir / "VR_KLAD.INI", ini);
    Settings s;
    EXPECT_TRUE(ReadSettings(dir.Dir(), s));
    return s;
}

TEST(SettingsIni, MissingFileReadsNothing) {
    TempDir dir;
    Settings s;
    s.MonthEndAllow = 77;
    EXPECT_FALSE(ReadSettings(dir.Dir(), s));
    EXPECT_EQ(s.MonthEndAllow, 77);
    test::WriteFile(dir / "vr_klad.ini", "[DateEndAllow]\r\nMonthEndAllow=5\r\n");
    EXPECT_FALSE(ReadSettings(dir.Dir(), s));  // the name is exact
}

TEST(SettingsIni, Defaults) {
    FixedNow now({2024, 3, 1, 10, 30, 0});
    const Settings s = ReadFrom("; nothing here\r\n[Options]\r\n");
    EXPECT_EQ(s.TypeOrganization, 0);
    EXPECT_EQ(s.MonthEndAllow, 9);
    EXPECT_EQ(s.DayEndAllow, 30);
    EXPECT_EQ(s.RepareDocFormat, 0);
    EXPECT_EQ(s.LastDateCompress, (LocalDateTime{2024, 1, 31, 10, 30, 0}));  // now − 720 h
}

TEST(SettingsIni, IntegerValues) {
    struct Case {
        const char* text;
        uint8_t value;
    } cases[] = {
        {"3", 3},
        {"300", 44},
        {"0x0C", 12},
        {"0X1f", 31},
        {"  7\t", 7},
        {"\"5\"", 5},
        {"-1", 255},
        {"+4", 4},
        {"0x1FF", 255},
        {"abc", 9},
        {"", 9},
        {"12abc", 9},
        {"0x", 9},
        {"0xG", 9},
        {"99999999999", 9},
        {"1 2", 9},
        {"0xFFFFFFFF", 255},
        {"2147483648", 9},
        {"-2147483648", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const Settings s =
            ReadFrom(std::string("[DateEndAllow]\r\nMonthEndAllow=") + c.text + "\r\n");
        EXPECT_EQ(s.MonthEndAllow, c.value);
    }
}

TEST(SettingsIni, DateValues) {
    FixedNow now({2024, 3, 1, 10, 30, 0});
    const LocalDateTime fallback{2024, 1, 31, 10, 30, 0};
    struct Case {
        const char* text;
        LocalDateTime value;
    } cases[] = {
        {"05.02.2023", {2023, 2, 5, 0, 0, 0}},  // midnight of that day
        {"5.2.2023", {2023, 2, 5, 0, 0, 0}},
        {" 29.02.2024 ", {2024, 2, 29, 0, 0, 0}},
        {"29.02.2023", fallback},
        {"31.04.2023", fallback},
        {"05.02.23", fallback},
        {"2023-02-05", fallback},
        {"05.02.2023 10:00:00", fallback},
        {"garbage", fallback},
        {"", fallback},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const Settings s = ReadFrom(std::string("[Other]\r\nLastDateCompress=") + c.text + "\r\n");
        EXPECT_EQ(s.LastDateCompress, c.value);
    }
}

TEST(SettingsIni, WhereKeysAreFound) {
    struct Case {
        const char* what;
        const char* ini;
        uint8_t typeOrganization;
    } cases[] = {
        {"plain", "[Options]\r\nTypeOrganization=1\r\n", 1},
        {"names in other case", "[options]\r\ntypeORGANIZATION=1\r\n", 1},
        {"spaces around", "  [ Options ]  \r\n  TypeOrganization = 1 \r\n", 1},
        {"LF line ends", "[Options]\nTypeOrganization=1\n", 1},
        {"no final line end", "[Options]\r\nTypeOrganization=1", 1},
        {"file cut after the last CR", "[Options]\r\nTypeOrganization=1\r", 1},
        {"byte-order mark", "\xEF\xBB\xBF[Options]\r\nTypeOrganization=1\r\n", 1},
        {"first key wins", "[Options]\r\nTypeOrganization=1\r\nTypeOrganization=0\r\n", 1},
        {"first section wins", "[Options]\r\n[Options]\r\nTypeOrganization=1\r\n", 0},
        {"comment", "[Options]\r\n;TypeOrganization=1\r\n", 0},
        {"other section", "[Other]\r\nTypeOrganization=1\r\n", 0},
        {"before any section", "TypeOrganization=1\r\n[Options]\r\n", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ReadFrom(c.ini).TypeOrganization, c.typeOrganization);
    }
}

TEST(SettingsIni, SetValueKeepsEveryOtherByte) {
    struct Case {
        const char* what;
        std::string before;
        const char* section;
        const char* key;
        std::string after;
    } cases[] = {
        {"value replaced", "; Настройки\r\n[Other]\r\nRepareDocFormat=0\r\nX=1\r\n", "Other",
         "RepareDocFormat", "; Настройки\r\n[Other]\r\nRepareDocFormat=1\r\nX=1\r\n"},
        {"spelling and spaces of the line kept", "[OTHER]\r\n repareDocFormat =  0 \r\n", "Other",
         "RepareDocFormat", "[OTHER]\r\n repareDocFormat =  1\r\n"},
        {"key added after the last key of its section",
         "[Other]\r\nA=1\r\n\r\n; next\r\n[Options]\r\nB=2\r\n", "Other", "RepareDocFormat",
         "[Other]\r\nA=1\r\nRepareDocFormat=1\r\n\r\n; next\r\n[Options]\r\nB=2\r\n"},
        {"key added to an empty section", "[Other]\r\n[Options]\r\n", "Other", "RepareDocFormat",
         "[Other]\r\nRepareDocFormat=1\r\n[Options]\r\n"},
        {"key added to a last line without line end", "[Other]\r\nA=1", "Other", "RepareDocFormat",
         "[Other]\r\nA=1\r\nRepareDocFormat=1\r\n"},
        {"section appended", "[Options]\r\nB=2\r\n", "Other", "RepareDocFormat",
         "[Options]\r\nB=2\r\n[Other]\r\nRepareDocFormat=1\r\n"},
        {"section appended after a last line without line end", "[Options]\nB=2", "Other",
         "RepareDocFormat", "[Options]\nB=2\n[Other]\nRepareDocFormat=1\n"},
        {"key added after a last line cut after its CR", "[Other]\r\nA=1\r", "Other",
         "RepareDocFormat", "[Other]\r\nA=1\r\nRepareDocFormat=1\r\n"},
        {"section appended after a last line cut after its CR", "; x\n[Options]\r\nB=2\r",
         "Other", "RepareDocFormat", "; x\n[Options]\r\nB=2\r\n[Other]\nRepareDocFormat=1\n"},
        {"only a line cut after its CR", "; x\r", "Other", "RepareDocFormat",
         "; x\r\n[Other]\r\nRepareDocFormat=1\r\n"},
        {"empty file", "", "Other", "RepareDocFormat", "[Other]\r\nRepareDocFormat=1\r\n"},
        {"only the first section", "[Other]\r\nA=0\r\n[Other]\r\nRepareDocFormat=0\r\n", "Other",
         "RepareDocFormat",
         "[Other]\r\nA=0\r\nRepareDocFormat=1\r\n[Other]\r\nRepareDocFormat=0\r\n"},
        {"quoted value", "[Other]\r\nRepareDocFormat=\"0\"\r\n", "Other", "RepareDocFormat",
         "[Other]\r\nRepareDocFormat=1\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        IniFile ini(c.before);
        ini.SetValue(c.section, c.key, "1");
        EXPECT_EQ(ini.Bytes(), c.after);
        EXPECT_EQ(IniFile(ini.Bytes()).Value(c.section, c.key), "1");
    }
}

TEST(SettingsIni, WritesReplaceTheFileAndNeverCreateIt) {
    TempDir dir;
    EXPECT_FALSE(WriteIniInteger(dir.Dir(), "Other", "RepareDocFormat", 1));
    EXPECT_FALSE(WriteIniDate(dir.Dir(), "Other", "LastDateCompress", {2024, 3, 1, 0, 0, 0}));
    EXPECT_FALSE(std::filesystem::exists(dir / "VR_KLAD.INI"));

    const std::string original =
        "[Options]\r\nTypeOrganization=0\r\n\r\n[DateEndAllow]\r\nMonthEndAllow=9\r\n"
        "DayEndAllow=30\r\n\r\n[Other]\r\nLastDateCompress=01.01.2020\r\n";
    test::WriteFile(dir / "VR_KLAD.INI", original);
    ASSERT_EQ(::chmod((dir / "VR_KLAD.INI").c_str(), 0640), 0);

    EXPECT_TRUE(WriteIniInteger(dir.Dir(), "Options", "TypeOrganization", 1));
    EXPECT_TRUE(WriteIniDate(dir.Dir(), "other", "lastdatecompress", {2024, 3, 7, 15, 4, 5}));
    EXPECT_TRUE(WriteIniInteger(dir.Dir(), "Other", "RepareDocFormat", 1));
    EXPECT_EQ(test::ReadFile(dir / "VR_KLAD.INI"),
              "[Options]\r\nTypeOrganization=1\r\n\r\n[DateEndAllow]\r\nMonthEndAllow=9\r\n"
              "DayEndAllow=30\r\n\r\n[Other]\r\nLastDateCompress=07.03.2024\r\n"
              "RepareDocFormat=1\r\n");
    EXPECT_EQ(std::filesystem::status(dir / "VR_KLAD.INI").permissions(),
              std::filesystem::perms(0640));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Dir()), {}), 1);

    Settings s;
    ASSERT_TRUE(ReadSettings(dir.Dir(), s));
    EXPECT_EQ(s.TypeOrganization, 1);
    EXPECT_EQ(s.RepareDocFormat, 1);
    EXPECT_EQ(s.LastDateCompress, (LocalDateTime{2024, 3, 7, 0, 0, 0}));
}

}  // namespace
}  // namespace vrklad
