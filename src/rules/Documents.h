#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vrklad {

struct StudentRecord;

// Identity document strings "T.P1.P2.NNNNNNN". Texts are UTF-8; positions
// are characters, as in the cp1251 field.

// Rewrites the document into canonical form and validates it; on failure
// the message holds the reason (and a malformed text is left unchanged).
bool CanonicalDocument(std::string& document, std::string& message);
bool ValidateDocumentParts(std::string_view type, std::string_view part1, std::string_view part2,
                           std::string_view number, std::string& message);

int RomanToInt(std::string_view text);  // -1 for a non-numeral, 0 for empty
std::string IntToRoman(int n);          // empty for 0

// The 64-bit key of a document string; 0 when none can be made.
int64_t DocumentKey(std::string_view document);
// The same straight from the record's cp1251 field (used when indexing).
int64_t DocumentKeyOfField(const char (&doc)[16]);

uint32_t HashPrimary(int64_t key);  // key mod 65535
uint32_t HashStep(int64_t key);     // (key mod 43981) + 1

}  // namespace vrklad
