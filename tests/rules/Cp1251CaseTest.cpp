#include <gtest/gtest.h>

#include <string>

#include "rules/Cp1251Case.h"
#include "rules/TrimBlanks.h"

namespace vrklad {
namespace {

TEST(Cp1251Case, UpperCasesLatinAndCyrillic) {
    struct Case {
        unsigned char in;
        unsigned char out;
    } cases[] = {
        {'a', 'A'},   {'z', 'Z'},   {'A', 'A'}, {'1', '1'}, {'.', '.'}, {0xE0, 0xC0},  // а
        {0xFF, 0xDF},                                                                  // я
        {0xE9, 0xC9},                                                                  // й
        {0xB8, 0xA8},                                                                  // ё
        {0xA8, 0xA8},                                                                  // Ё
        {0xC0, 0xC0},                                                                  // А
        {0xB3, 0xB3},  // і is left alone
        {0x00, 0x00}, {0x98, 0x98},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.in));
        EXPECT_EQ(static_cast<unsigned char>(Cp1251Upper(static_cast<char>(c.in))), c.out);
    }
    EXPECT_EQ(Cp1251UpperCopy("\xE8\xe2\xe0\xed ivan"), "\xC8\xC2\xC0\xCD IVAN");
}

TEST(TrimBlanks, RemovesBlanksAndControlsAtBothEnds) {
    struct Case {
        std::string in;
        std::string out;
    } cases[] = {
        {"", ""},
        {"   ", ""},
        {" \t\r\n\x01"
         "abc \x1F\x20",
         "abc"},
        {"a  b", "a  b"},
        {"\xA0x\xA0", "\xA0x\xA0"},  // the cp1251 no-break space is not a blank here
        {std::string("\0x\0", 3), "x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(TrimBlanks(c.in), c.out);
    }
}

}  // namespace
}  // namespace vrklad
