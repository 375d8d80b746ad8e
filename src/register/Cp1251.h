#pragma once

#include <string>
#include <string_view>

namespace vrklad {

// The one place where text changes encoding: records and text files hold
// Windows-1251 bytes, the program works in UTF-8.

// Every cp1251 byte has a character; 0x98, unassigned in the code page,
// maps to U+0098 so that any byte string survives a round trip.
std::string Cp1251ToUtf8(std::string_view cp1251);

// Characters that cp1251 cannot hold, and malformed UTF-8, become the
// code page's substitute character '?'.
std::string Utf8ToCp1251(std::string_view utf8);

// The cp1251 byte of one Unicode code point, or '?' when it has none.
char Cp1251FromCodePoint(char32_t cp);
char32_t Cp1251ToCodePoint(unsigned char byte);

}  // namespace vrklad
