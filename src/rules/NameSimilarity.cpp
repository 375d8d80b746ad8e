#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "register/Cp1251.h"
#include "rules/Cp1251Case.h"
#include "rules/PersonalChecks.h"
#include "rules/TrimBlanks.h"

namespace vrklad {
namespace {

constexpr size_t kMaxWordLength = 50;

// Trimmed, hyphens as spaces, ё as е and й as и (small letters only),
// then upper case.
std::string NormalizedName(std::string_view utf8) {
    const std::string bytes = Utf8ToCp1251(utf8);
    std::string text(TrimBlanks(bytes));
    for (char& c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b == '-')
            c = ' ';
        else if (b == 0xB8)
            c = static_cast<char>(0xE5);  // ё -> е
        else if (b == 0xE9)
            c = static_cast<char>(0xE8);  // й -> и
        c = Cp1251Upper(c);
    }
    return text;
}

// Every space ends a word, so two spaces in a row give an empty word; the
// text after the last space is a word when it is not empty.
std::vector<std::string_view> SplitWords(std::string_view text) {
    std::vector<std::string_view> words;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        const bool atEnd = i == text.size();
        if (!atEnd && text[i] != ' ') continue;
        if (!atEnd || i > start)
            words.push_back(text.substr(start, std::min(i - start, kMaxWordLength)));
        start = i + 1;
    }
    return words;
}

}  // namespace

int NameSimilarity(std::string_view a, std::string_view b) {
    const std::string textA = NormalizedName(a);
    const std::string textB = NormalizedName(b);
    if (textA.empty() || textB.empty()) return 0;
    const auto wordsA = SplitWords(textA);
    const auto wordsB = SplitWords(textB);

    // Each word of a is compared with every word of b in turn; a word of b
    // that matches is blanked, so it can only match an empty word of a from
    // then on. Counting the words of b by text gives the same count without
    // comparing every pair.
    std::unordered_map<std::string_view, int> unmatchedB;
    int64_t emptyB = 0;
    for (auto w : wordsB) {
        if (w.empty())
            ++emptyB;
        else
            ++unmatchedB[w];
    }
    int64_t count = 0;
    for (auto x : wordsA) {
        if (x.empty()) {
            count += emptyB;
            continue;
        }
        auto it = unmatchedB.find(x);
        if (it == unmatchedB.end()) continue;
        count += it->second;
        emptyB += it->second;
        unmatchedB.erase(it);
    }
    const int larger = static_cast<int>(std::max(wordsA.size(), wordsB.size()));
    // Blanked words matching empty words could push the count past the word
    // count; a percentage stays at most 100.
    return std::min(100, static_cast<int>(count * 100 / larger));
}

}  // namespace vrklad
