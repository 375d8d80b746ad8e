#include <cstdint>
#include <limits>

#include "register/Cp1251.h"
#include "rules/Cp1251Case.h"
#include "rules/Documents.h"

namespace vrklad {
namespace {

constexpr int64_t kMaxKey = std::numeric_limits<int64_t>::max();

// The leading digit of the key for each document type letter (upper case).
int TypeDigit(unsigned char type) {
    switch (type) {
        case 0xCF:
            return 1;  // П
        case 0xD1:
            return 2;  // С
        case 0xC7:
            return 3;  // З
        case 0xD3:
            return 4;  // У
        default:
            return -1;
    }
}

// Appends one decimal digit to the key; false when the key would not fit.
bool AppendDigit(int64_t& key, int digit) {
    if (key > (kMaxKey - digit) / 10) return false;
    key = key * 10 + digit;
    return true;
}

}  // namespace

int64_t DocumentKeyCp1251(std::string_view document) {
    // The key text is built digit by digit straight into the number, so no
    // text is allocated; a key that would not fit in 64 bits gives 0, and so
    // does a text without digits.
    if (document.empty()) return 0;
    const int type = TypeDigit(static_cast<unsigned char>(Cp1251Upper(document[0])));
    int64_t key = type > 0 ? type : 0;
    for (size_t i = 1; i < document.size(); ++i) {
        const auto c = static_cast<unsigned char>(Cp1251Upper(document[i]));
        if (c >= '0' && c <= '9') {
            if (!AppendDigit(key, c - '0')) return 0;
        } else if (c >= 0xC0 && c <= 0xDF) {  // А-Я as 01..32
            const int letter = c - 191;
            if (!AppendDigit(key, letter / 10) || !AppendDigit(key, letter % 10)) return 0;
        }
    }
    return key;
}

int64_t DocumentKey(std::string_view document) { return DocumentKeyCp1251(Utf8ToCp1251(document)); }

int64_t DocumentKeyOfField(const char (&doc)[16]) {
    size_t len = 0;
    while (len < sizeof doc && doc[len] != 0) ++len;
    return DocumentKeyCp1251(std::string_view(doc, len));
}

uint32_t HashPrimary(int64_t key) {
    int64_t r = key % 65535;
    if (r < 0) r += 65535;
    return static_cast<uint32_t>(r);
}

uint32_t HashStep(int64_t key) {
    int64_t r = key % 43981;
    if (r < 0) r += 43981;
    return static_cast<uint32_t>(r) + 1;
}

}  // namespace vrklad
