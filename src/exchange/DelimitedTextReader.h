#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "exchange/ImportedTable.h"

namespace vrklad {

// Semicolon-delimited text as spreadsheets write it: the first line names
// the columns, every further line is one row. A value that begins with a
// double quote is quoted: it runs to the closing quote, may hold ";", line
// breaks and doubled quotes (standing for one), and must be followed by ";"
// or the end of the line. A quote inside an unquoted value is an ordinary
// character. Lines end with CR LF or LF; empty lines are skipped. Values come
// back exactly as written, without their quotes.
//
// A file that begins with the UTF-8 byte-order mark is read as UTF-8, every
// other file as Windows-1251. Rows may hold another number of values than
// the header; the caller decides about them.

// Larger files are refused before they are read: the register holds at most
// 65,535 learners, a list of them takes some tens of megabytes.
inline constexpr uint64_t kMaxDelimitedTextSize = 256ull << 20;

// Reads the whole file in one go and parses it.
TableReadResult ReadDelimitedText(const std::filesystem::path& path);

// Parses the bytes of a file, as above.
TableReadResult ParseDelimitedText(std::string_view bytes);

}  // namespace vrklad
