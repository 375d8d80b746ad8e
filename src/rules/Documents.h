#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vrklad {

struct StudentRecord;

// Identity document strings "T.P1.P2.NNNNNNN". Texts are UTF-8; positions
// are characters, as in the cp1251 field.

// Rewrites the document into canonical form and validates it; on failure
// the message holds the reason and the document is left unchanged.
bool CanonicalDocument(std::string& document, std::string& message);
// The same on the cp1251 bytes of a record field.
bool CanonicalDocumentCp1251(std::string& document, std::string& message);
bool ValidateDocumentParts(std::string_view type, std::string_view part1, std::string_view part2,
                           std::string_view number, std::string& message);

int RomanToInt(std::string_view text);  // -1 for a non-numeral, 0 for empty
std::string IntToRoman(int n);          // empty for 0 (and for negative n)

// The 64-bit key of a document string; 0 when none can be made.
int64_t DocumentKey(std::string_view document);
// The same from cp1251 bytes, without allocating.
int64_t DocumentKeyCp1251(std::string_view document);
// The same straight from the record's cp1251 field (used when indexing).
int64_t DocumentKeyOfField(const char (&doc)[16]);

// Slots of the lookup tables. A negative key (a SNILS read from a damaged
// file) still lands inside the table: the remainder is taken as non-negative.
uint32_t HashPrimary(int64_t key);  // key mod 65535, in 0..65534
uint32_t HashStep(int64_t key);     // (key mod 43981) + 1, in 1..43981

}  // namespace vrklad
