#include <gtest/gtest.h>

#include <set>

#include "register/ChangeCodes.h"
#include "session/EndOfSchoolYear.h"
#include "session/MainMenuAccess.h"
#include "session/OrganizationItems.h"
#include "session/ServiceInfoRow.h"

namespace vrklad {
namespace {

TEST(MainMenuAccess, GroupsFollowTheArgumentAndModeItemsTheMode) {
    const std::set<std::string> groups = {
        "MenuButtonSave",    "MenuButtonCorrect", "MenuButtonOrg", "MenuButtonRep",
        "MenuButtonActFile", "MenuButtonCorFile", "MenuButtonLoad"};
    const struct {
        bool enabled;
        uint8_t district;
        bool delOrg;
        bool replaceCodes;
    } cases[] = {
        {true, 0, false, true},
        {true, 1, true, false},
        {false, 0, false, true},
        {false, 1, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.enabled << "/" << int(c.district));
        ProgramConfig config = EmptyConfig();
        config.DistrictMode = c.district;
        MainMenuState menu;
        MainMenuAccess(menu, c.enabled, config);
        for (const auto& [name, enabled] : menu.Items()) {
            SCOPED_TRACE(std::string(name));
            if (groups.count(std::string(name))) {
                EXPECT_EQ(enabled, c.enabled);
            } else if (name == "MenuButtonDelOrg") {
                EXPECT_EQ(enabled, c.delOrg);
            } else if (name == "N11" || name == "N20") {
                EXPECT_EQ(enabled, c.replaceCodes);
            } else {
                EXPECT_TRUE(enabled);
            }
        }
    }
}

TEST(MainMenuAccess, OtherItemsKeepTheirState) {
    MainMenuState menu;
    menu.N8 = false;
    menu.MenuButtonAbout = false;
    MainMenuAccess(menu, true, EmptyConfig());
    EXPECT_FALSE(menu.N8);
    EXPECT_FALSE(menu.MenuButtonAbout);
}

TEST(ServiceInfoRow, ShowsTheChangeFields) {
    const struct {
        RecordDate date;
        uint16_t all;
        uint16_t last;
        std::array<std::string, 3> expected;
    } cases[] = {
        {{2019, 3, 7}, 0x0848, 0x0040, {"2019-03-07", "848", "40"}},
        {{2024, 12, 31}, 0, 0x0ABC, {"2024-12-31", "0", "ABC"}},
        {{0, 0, 0}, 0xFFFF, 1, {"0-00-00", "FFFF", "1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected[0]);
        StudentRecord r = EmptyRecord();
        r.ChangeDate = c.date;
        r.AllChanges = c.all;
        r.LastChange = c.last;
        const auto row = ServiceInfoRow(r);
        EXPECT_EQ(row[0], c.expected[0]);
        EXPECT_EQ(row[1], c.expected[1]);
        EXPECT_EQ(row[2], c.expected[2]);
    }
}

TEST(ServiceInfoRow, ShowsTheOldValuesAndTheOrganization) {
    StudentRecord r = EmptyRecord();
    SetFieldText(r.OLDFIO, "Сидорова Анна Ивановна");
    // A full field has no terminating zero and is read whole.
    SetFieldText(r.OLDDOC, "ПАСПОРТ12345678X");
    r.OKPO = 4000000000u;
    r.ORG = 999;
    const auto row = ServiceInfoRow(r);
    EXPECT_EQ(row[3], "Сидорова Анна Ивановна");
    EXPECT_EQ(row[4], "ПАСПОРТ12345678X");
    EXPECT_EQ(row[5], "4000000000");
    EXPECT_EQ(row[6], "999");
}

TEST(ServiceInfoRow, EraseDropsTheHistoryOnly) {
    StudentRecord r = EmptyRecord();
    SetFieldText(r.FIO, "Сидорова Анна Ивановна");
    SetFieldText(r.OLDFIO, "Петрова Анна Ивановна");
    SetFieldText(r.OLDDOC, "IIАБ123456");
    r.AllChanges = 0x0830;
    r.LastChange = FioChanged;
    r.ChangeDate = {2023, 5, 4};
    StudentRecord expected = r;
    std::memset(expected.OLDFIO, 0, sizeof expected.OLDFIO);
    std::memset(expected.OLDDOC, 0, sizeof expected.OLDDOC);
    expected.AllChanges = 0;
    expected.LastChange = ChangesErased;

    EraseChangeHistory(r);

    EXPECT_TRUE(SameBytes(r, expected));
}

TEST(EndOfSchoolYear, OpensOnAMonthAndDayThatExist) {
    const struct {
        uint8_t month;
        uint8_t day;
        MonthDay shown;
    } cases[] = {
        {9, 30, {9, 30}}, {0, 15, {6, 15}}, {13, 15, {6, 15}},  {0, 31, {6, 1}}, {4, 31, {4, 1}},
        {2, 29, {2, 1}},  {2, 28, {2, 28}}, {12, 31, {12, 31}}, {1, 0, {1, 1}},  {200, 5, {6, 5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.month) << "/" << int(c.day));
        EXPECT_EQ(InitialEndOfSchoolYear(c.month, c.day), c.shown);
    }
}

TEST(OrganizationItems, ListsRowsUpToTheFirstEmptyOkpo) {
    ProgramConfig config = EmptyConfig();
    config.OrgCount = 5;
    const int32_t okpo[] = {12345678, 22222222, 0, 44444444, 55555555};
    const uint16_t agency[] = {123, 7, 8, 9, 10};
    for (int i = 0; i < 5; ++i) {
        config.OrgOKPO[i] = okpo[i];
        config.OrgAgency[i] = agency[i];
    }
    const auto items = OrganizationItems(config);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].text, "12345678(123)");
    EXPECT_EQ(items[0].okpo, 12345678u);
    EXPECT_EQ(items[1].text, "22222222(7)");

    config.OrgCount = 1;
    EXPECT_EQ(OrganizationItems(config).size(), 1u);
    config.OrgCount = 0;
    EXPECT_TRUE(OrganizationItems(config).empty());
}

}  // namespace
}  // namespace vrklad
