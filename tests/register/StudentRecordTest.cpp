#include <gtest/gtest.h>

#include "register/ChangeCodes.h"
#include "register/Clock.h"
#include "register/Cp1251.h"
#include "register/StudentRecord.h"

namespace vrklad {
namespace {

TEST(Cp1251, RoundTripsEveryByte) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
}

TEST(Cp1251, KnownLettersAndSubstitutes) {
    struct Case {
        const char* utf8;
        std::string cp1251;
    } cases[] = {
        {"М", "\xCC"},      {"Ж", "\xC6"},        {"Ёё", "\xA8\xB8"}, {"№", "\xB9"},
        {"abc", "abc"},     {"中", "?"},          {"😀x", "?x"},      {"\xFF", "?"},
        {"\xD0", "?"},      {"Я-я", "\xDF-\xFF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(Utf8ToCp1251(c.utf8), c.cp1251);
    }
}

TEST(StudentRecord, TextFieldsFillAndCut) {
    StudentRecord r = EmptyRecord();
    const std::string full46(46, 'A');
    SetFieldBytes(r.FIO, full46);
    EXPECT_EQ(FieldBytes(r.FIO), full46);  // no terminator when full
    EXPECT_EQ(r.DBIRTH.year, 0);           // the next field is untouched

    SetFieldBytes(r.FIO, std::string(45, 'B'));
    EXPECT_EQ(FieldBytes(r.FIO), std::string(45, 'B'));

    SetFieldText(r.FIO, std::string(50, 'C'));
    EXPECT_EQ(FieldBytes(r.FIO).size(), 46u);

    SetFieldText(r.FIO, "Иванов Иван");
    EXPECT_EQ(FieldText(r.FIO), "Иванов Иван");
    EXPECT_EQ(FieldBytes(r.FIO).size(), 11u);
}

TEST(StudentRecord, KlassTextAndExclusionTests) {
    StudentRecord r = EmptyRecord();
    r.KlassNumber = 10;
    EXPECT_EQ(KlassText(r), "10");
    r.KlassLetter = 0xC0;  // А
    EXPECT_EQ(KlassText(r), "10-А");

    EXPECT_TRUE(IsExcludedByBits(0x0808));
    EXPECT_FALSE(IsExcludedByValue(0x0808));
    EXPECT_TRUE(IsExcludedByValue(8));
    EXPECT_TRUE(IsExcludedByValue(4));
    EXPECT_FALSE(IsExcludedByBits(0x0820));
}

TEST(Clock, HoursAndDates) {
    SetNowForTesting(LocalDateTime{2024, 3, 1, 10, 0, 0});
    EXPECT_EQ(Today().Number(), 20240301);
    EXPECT_EQ(DateOf(AddHours(Now(), -24)).Number(), 20240229);
    EXPECT_EQ(DateOf(AddHours(Now(), -720)).Number(), 20240131);
    SetNowForTesting(std::nullopt);
    EXPECT_TRUE(IsValidDate(2024, 2, 29));
    EXPECT_FALSE(IsValidDate(2023, 2, 29));
    EXPECT_FALSE(IsValidDate(2023, 4, 31));
    EXPECT_EQ(TwoDigits(7), "07");
}

}  // namespace
}  // namespace vrklad
