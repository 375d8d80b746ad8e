#pragma once

#include <string_view>

namespace vrklad {

// Removes blanks and control characters (bytes up to 0x20) at both ends.
// Works on cp1251 and on UTF-8 alike: no multi-byte sequence holds such bytes.
constexpr std::string_view TrimBlanks(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 0x20) ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 0x20) --end;
    return text.substr(begin, end - begin);
}

}  // namespace vrklad
