#include <climits>
#include <cstdint>

#include "rules/Documents.h"

namespace vrklad {
namespace {

int NumeralValue(char c) {
    switch (c) {
        case 'I':
            return 1;
        case 'V':
            return 5;
        case 'X':
            return 10;
        case 'L':
            return 50;
        case 'C':
            return 100;
        case 'D':
            return 500;
        case 'M':
            return 1000;
        default:
            return 0;
    }
}

}  // namespace

int RomanToInt(std::string_view text) {
    // Read from the right; a numeral smaller than the one added just before
    // is subtracted. A subtracted numeral counts as negative "previous", so
    // the next one to its left is always added (IIX reads as 10).
    int64_t result = 0;  // wide enough for any text length
    int previous = 0;
    for (auto it = text.rbegin(); it != text.rend(); ++it) {
        int value = NumeralValue(*it);
        if (value == 0) return -1;
        if (previous > value) value = -value;
        result += value;
        previous = value;
    }
    return result > INT_MAX ? INT_MAX : static_cast<int>(result);
}

std::string IntToRoman(int n) {
    static constexpr struct {
        int value;
        const char* letters;
    } kTable[] = {{1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"},
                  {90, "XC"},  {50, "L"},   {40, "XL"}, {10, "X"},   {9, "IX"},
                  {5, "V"},    {4, "IV"},   {1, "I"}};
    std::string out;
    for (const auto& row : kTable) {
        while (n >= row.value) {
            out += row.letters;
            n -= row.value;
        }
    }
    return out;
}

}  // namespace vrklad
