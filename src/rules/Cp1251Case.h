#pragma once

#include <string>
#include <string_view>

namespace vrklad {

// Upper case of one cp1251 byte: Latin a-z, Cyrillic а-я and ё; every other
// byte is returned as it is.
constexpr char Cp1251Upper(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 'a' && b <= 'z') return static_cast<char>(b - 0x20);
    if (b >= 0xE0) return static_cast<char>(b - 0x20);  // а-я -> А-Я
    if (b == 0xB8) return static_cast<char>(0xA8);      // ё -> Ё
    return c;
}

inline void Cp1251UpperInPlace(std::string& text) {
    for (char& c : text) c = Cp1251Upper(c);
}

inline std::string Cp1251UpperCopy(std::string_view text) {
    std::string out(text);
    Cp1251UpperInPlace(out);
    return out;
}

}  // namespace vrklad
