#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "register/Clock.h"
#include "register/ProgramConfig.h"
#include "rules/PersonalChecks.h"

namespace vrklad {
namespace {

TEST(CheckSnils, ControlNumber) {
    struct Case {
        int64_t snils;
        bool valid;
    } cases[] = {
        {11223344595, true},
        {11223344594, false},
        {0, true},            // body 0, control 0: callers skip 0 for that reason
        {10007919000, true},  // weighted sum 101: control 00
        {10007919001, false},
        {10035635500, true},  // weighted sum 100: control 00
        {10689744900, true},  // sum 201, and 201 mod 101 = 100: control 00
        {10095819949, true},  // sum 150: control 49
        {10016629901, true},  // sum 102: control 01
        {95, false},
        {101, true},
        {-11223344595, false},
        {INT64_MIN, false},
        {INT64_MAX, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.snils);
        EXPECT_EQ(CheckSnils(c.snils), c.valid);
    }
}

TEST(IsFioValid, LettersSpacesAndHyphens) {
    struct Case {
        std::string fio;
        bool valid;
    } cases[] = {
        {"Анна-Мария Петрова", true},
        {"Ёлкин Иван", true},
        {"Пётр", true},
        {"  Иванов Иван  ", true},  // trimmed first
        {"Иванов-", true},
        {"анна", false},
        {"ёлкин", false},
        {"Анна  Петрова", false},
        {"Анна -Петрова", false},
        {"Анна--Петрова", false},
        {"-Анна", false},
        {"Anna", false},
        {"Анна Petrova", false},
        {"Анна\tПетрова", false},
        {"Анна1", false},
        {"Анна 中", false},
        {"", false},
        {"   ", false},
        {"\xFF\xFE", false},  // not UTF-8
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fio);
        EXPECT_EQ(IsFioValid(c.fio), c.valid);
    }
}

TEST(NameSimilarity, WordsInCommon) {
    struct Case {
        std::string a;
        std::string b;
        int percent;
    } cases[] = {
        {"Иванов Иван Иванович", "ИВАНОВ ИВАН ИВАНОВИЧ", 100},
        {"Петров Пётр", "Петров Петр", 100},
        {"Иванова Мария Петровна", "Сидорова Мария Петровна", 66},
        {"Иванов-Петров Иван", "Иванов Петров Иван", 100},
        {"Иванов Иван", "Петров Пётр", 0},
        {"Иванов", "Иванов", 100},
        {"Иванов", "Иванов Иван Иванович", 33},
        {"Иванов Иван Иванович", "Иванов", 33},
        {"Андрей Иванов", "Андреи Иванов", 100},  // small й reads as и
        {"ПЁТР", "ПЕТР", 0},                      // capital Ё stays
        {"Йод", "Иод", 0},
        {"  Иван\t", "иван", 100},
        {"Иван Петров", "Петров Иван", 100},  // order does not matter
        {"Иван", "Иван Иван", 100},           // one word of a matches both of b
        {"Иван Иван", "Иван", 50},
        {"Иванов  Иван", "Иванов Иван", 100},                 // the empty word meets a blanked one
        {"Анна Мария   Петрова", "Анна Мария Петрова", 100},  // never above 100
        {"", "Иван", 0},
        {"Иван", "   ", 0},
        {"-", "Иван", 0},
        {std::string(60, 'A'), std::string(55, 'a'), 100},  // words are cut to 50
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.a + " | " + c.b);
        EXPECT_EQ(NameSimilarity(c.a, c.b), c.percent);
    }
}

TEST(NameSimilarity, LongInputIsSafe) {
    const std::string spaces = "А" + std::string(200000, ' ') + "Б";
    const int percent = NameSimilarity(spaces, spaces);
    EXPECT_GE(percent, 0);
    EXPECT_LE(percent, 100);
}

TEST(CheckKlass, Range) {
    struct Case {
        int16_t number;
        uint8_t maxKlass;
        std::string message;
    } cases[] = {
        {1, 12, ""},
        {12, 12, ""},
        {13, 12, "Номер класса\\курса не должен быть больше  12"},
        {INT16_MAX, 8, "Номер класса\\курса не должен быть больше  8"},
        {0, 12, "Номер класса\\курса не может быть равен 0"},
        {-1, 12, "Номер класса\\курса не может быть равен 0"},
        {INT16_MIN, 12, "Номер класса\\курса не может быть равен 0"},
        {1, 0, "Номер класса\\курса не должен быть больше  0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        std::string message = "stale";
        EXPECT_EQ(CheckKlass(c.number, c.maxKlass, message), c.message.empty());
        EXPECT_EQ(message, c.message);
    }
}

TEST(CheckAgencyCode, DigitsRangeAndTable) {
    ProgramConfig config{};
    config.OrgCount = 2;
    config.OrgAgency[0] = 7;
    config.OrgAgency[1] = 12;
    config.OrgAgency[99] = 999;  // rows not in use are searched too

    const std::string notDigits = "Код агентства содержит недопустимые символы";
    const std::string range =
        "Агентский код организации указан неверно. Код агенства выдается Корваленом и принимает "
        "значение от 1 до 999 ";
    const std::string unknown = "Код организации отсутствует в файле данных";
    struct Case {
        std::string text;
        std::string message;
    } cases[] = {
        {"7", ""},
        {"007", ""},
        {"12", ""},
        {"999", ""},
        {"0000000000000000000000007", ""},
        {"", notDigits},
        {"12a", notDigits},
        {" 7", notDigits},
        {"-7", notDigits},
        {"٧", notDigits},
        {"0", range},
        {"000", range},
        {"1000", range},
        {"4294967303", range},  // 2^32 + 7 must not wrap into 7
        {"99999999999999999999999", range},
        {"13", unknown},
        {"1", unknown},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::string message = "stale";
        EXPECT_EQ(CheckAgencyCode(c.text, config, message), c.message.empty());
        EXPECT_EQ(message, c.message);
    }
}

TEST(AllDigits, Cases) {
    struct Case {
        std::string text;
        bool digits;
    } cases[] = {{"0", true},   {"0123456789", true}, {"", false},
                 {" 1", false}, {"1.0", false},       {"１", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(AllDigits(c.text), c.digits);
    }
}

class CheckBenefitEndTest : public ::testing::Test {
  protected:
    void SetUp() override { SetNowForTesting(LocalDateTime{2024, 5, 15, 10, 30, 0}); }
    void TearDown() override { SetNowForTesting(std::nullopt); }
};

TEST_F(CheckBenefitEndTest, LatestYearAndToday) {
    const SchoolYear school{1, 12, 9, 30};
    const SchoolYear university{4, 8, 9, 30};
    const SchoolYear lateJune{1, 12, 6, 25};
    const std::string tooLate = "Дата окончания льготы превышает максимально допустимую: ";
    const std::string notFuture = "Дата окончания льготы должна быть больше текущей!";
    struct Case {
        const char* name;
        SchoolYear year;
        uint8_t klass;
        RecordDate end;
        std::string message;
    } cases[] = {
        {"school last day", school, 10, {2027, 9, 30}, ""},
        {"school day after", school, 10, {2027, 10, 1}, tooLate + "30-9-2027"},
        {"school next year", school, 10, {2028, 1, 1}, tooLate + "30-9-2027"},
        {"graduating class", school, 12, {2025, 9, 30}, ""},
        {"tomorrow", school, 10, {2024, 5, 16}, ""},
        {"today", school, 10, {2024, 5, 15}, notFuture},
        {"yesterday", school, 10, {2024, 5, 14}, notFuture},
        {"no date", school, 10, {0, 0, 0}, notFuture},
        {"university course 8", university, 8, {2027, 9, 30}, ""},
        {"university course 8 late", university, 8, {2027, 10, 1}, tooLate + "30-9-2027"},
        {"university course 7", university, 7, {2026, 10, 1}, tooLate + "30-9-2026"},
        {"school class 8 gets no extra", school, 8, {2029, 10, 1}, tooLate + "30-9-2029"},
        {"own end of year", lateJune, 11, {2026, 6, 26}, tooLate + "25-6-2026"},
        {"class above the highest", school, 255, {2024, 5, 16}, tooLate + "30-9-1782"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string message = "stale";
        EXPECT_EQ(CheckBenefitEnd(message, c.klass, c.end, c.year), c.message.empty());
        EXPECT_EQ(message, c.message);
    }
}

TEST_F(CheckBenefitEndTest, TodayIsRefusedEvenAtMidnight) {
    SetNowForTesting(LocalDateTime{2024, 5, 15, 0, 0, 0});
    std::string message;
    EXPECT_FALSE(CheckBenefitEnd(message, 10, {2024, 5, 15}, SchoolYear{1, 12, 9, 30}));
    EXPECT_TRUE(CheckBenefitEnd(message, 10, {2024, 5, 16}, SchoolYear{1, 12, 9, 30}));
}

}  // namespace
}  // namespace vrklad
