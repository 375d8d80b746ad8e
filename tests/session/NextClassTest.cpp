#include <gtest/gtest.h>

#include "register/ChangeCodes.h"
#include "register/Clock.h"
#include "session/NextClass.h"

namespace vrklad {
namespace {

TEST(SameDayNextYear, KeepsTheDayUnlessTheYearHasNone) {
    const struct {
        RecordDate from;
        RecordDate to;
    } cases[] = {
        {{2019, 9, 30}, {2020, 9, 30}},
        {{2020, 2, 29}, {2021, 2, 28}},
        {{2023, 2, 28}, {2024, 2, 28}},
        {{2027, 2, 29}, {2028, 2, 29}},  // no real date: the year moves, nothing more
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.from.Number());
        EXPECT_EQ(SameDayNextYear(c.from), c.to);
    }
}

TEST(PromoteToNextClass, ClassEndDateAndChangeCode) {
    const struct {
        const char* name;
        uint8_t orgType;
        uint8_t maxKlass;
        uint8_t klass;
        RecordDate end;
        bool move;
        uint8_t newKlass;
        RecordDate newEnd;
        uint16_t lastChange;
        uint8_t junior;
    } cases[] = {
        // In 2019, a school ending its year on 30 September.
        {"class 5, one more year",
         1,
         12,
         5,
         {2020, 9, 30},
         true,
         6,
         {2021, 9, 30},
         KlassChanged | DateEndChanged,
         1},
        {"class 11, final date",
         1,
         12,
         11,
         {2020, 9, 30},
         true,
         12,
         {2020, 9, 30},
         KlassChanged | DateEndChanged,
         0},
        {"29 February",
         1,
         12,
         5,
         {2020, 2, 29},
         true,
         6,
         {2021, 2, 28},
         KlassChanged | DateEndChanged,
         1},
        {"promote only", 1, 12, 5, {2020, 9, 30}, false, 6, {2020, 9, 30}, KlassChanged, 1},
        {"into class 9", 1, 12, 8, {2020, 9, 30}, false, 9, {2020, 9, 30}, KlassChanged, 0},
        {"college", 2, 5, 3, {2020, 9, 30}, false, 4, {2020, 9, 30}, KlassChanged, 0},
    };
    SetNowForTesting(LocalDateTime{2019, 6, 1, 12, 0, 0});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StudentRecord r = EmptyRecord();
        r.KlassNumber = c.klass;
        r.DATEEND = c.end;
        r.AllChanges = 0x0010;
        r.LastChange = 0x0800;
        r.ChangeDate = {2018, 1, 1};
        const NextClassRule rule{c.maxKlass, c.orgType, 9, 30, c.move};
        EXPECT_TRUE(PromoteToNextClass(r, rule));
        EXPECT_EQ(r.KlassNumber, c.newKlass);
        EXPECT_EQ(r.DATEEND, c.newEnd);
        EXPECT_EQ(r.LastChange, c.lastChange);
        EXPECT_EQ(r.AllChanges, 0x0810);
        EXPECT_EQ(r.JuniorFlag, c.junior);
        EXPECT_EQ(r.ChangeDate, (RecordDate{2019, 6, 1}));
    }
    SetNowForTesting(std::nullopt);
}

TEST(PromoteToNextClass, TheHighestClassStaysAsItIs) {
    StudentRecord r = EmptyRecord();
    r.KlassNumber = 12;
    r.LastChange = Added;
    r.DATEEND = {2020, 9, 30};
    const StudentRecord before = r;
    EXPECT_FALSE(PromoteToNextClass(r, NextClassRule{12, 1, 9, 30, true}));
    EXPECT_TRUE(SameBytes(r, before));
}

}  // namespace
}  // namespace vrklad
