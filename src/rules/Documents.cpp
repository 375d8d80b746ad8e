#include "rules/Documents.h"

#include <charconv>

#include "register/Cp1251.h"
#include "rules/Cp1251Case.h"
#include "rules/TrimBlanks.h"

namespace vrklad {
namespace {

constexpr char kBadFormat[] = "не верный формат документа";
constexpr char kBadType[] =
    "Для обозначения наименования документа допустимо использование только букв П,С";
constexpr char kNumberNotDigits[] = "Номер документа должен содержать только цифры";
constexpr char kNumberZeroOrLong[] = "Номер документа не должен быть равен 0 и состоять из 7 цифр";
constexpr char kPart2Length[] = "Серия докуменда должна содержать два символа";
constexpr char kForeignPart1[] =
    "Номер серии паспорта иностанного гражданина должен содержать две цифры, например \"00\" "
    "или \"01\"";
constexpr char kPart1Empty[] = "Не указан номер серии документа.";
constexpr char kPart1NotDigits[] =
    "Для указания номера серии документа допустимо использовать только цифры";
constexpr char kPart2NotDigits[] =
    "Для указания серии документа допустимо использовать только цифры ";
constexpr char kCertificatePart1[] =
    "В свидетельстве о рождении номер серии указывается арабскими цифрами";
constexpr char kPart2NotCyrillic[] =
    "Для указания серии документа допустимо использовать только буквы кириллицы ";

constexpr unsigned char kLetterP = 0xCF;                 // П
constexpr unsigned char kLetterS = 0xD1;                 // С
constexpr std::string_view kForeignSeries = "\xC8\xC8";  // ИИ

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool OnlyDigits(std::string_view text) {
    for (char c : text)
        if (!IsDigit(c)) return false;
    return true;
}

// А-Я and а-я; Ё and ё are not series letters.
bool OnlyCyrillic(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0xC0) return false;
    return true;
}

// Reads as a whole number of at least 0: decimal digits that fit in 32 bits.
bool ReadsAsNonNegative(std::string_view text) {
    if (text.empty() || !IsDigit(text.front())) return false;
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool Fail(std::string& message, const char* text) {
    message = text;
    return false;
}

// The rules of a document, on cp1251 parts.
bool ValidateParts(std::string_view type, std::string_view part1, std::string_view part2,
                   std::string_view number, std::string& message) {
    message.clear();
    const std::string upperType = Cp1251UpperCopy(TrimBlanks(type));
    const unsigned char letter = upperType.size() == 1 ? upperType[0] : 0;
    if (letter != kLetterP && letter != kLetterS) return Fail(message, kBadType);

    if (number.empty() || !OnlyDigits(number)) return Fail(message, kNumberNotDigits);
    // Digits only, so the value is 0 exactly when every digit is 0; no
    // conversion is needed, which keeps any length safe.
    if (number.find_first_not_of('0') == std::string_view::npos || number.size() > 7)
        return Fail(message, kNumberZeroOrLong);

    if (TrimBlanks(part2).size() != 2) return Fail(message, kPart2Length);

    if (letter == kLetterP) {
        if (part2 == kForeignSeries) {
            if (!ReadsAsNonNegative(TrimBlanks(part1))) return Fail(message, kForeignPart1);
        } else {
            if (TrimBlanks(part1).empty()) return Fail(message, kPart1Empty);
            if (!OnlyDigits(part1)) return Fail(message, kPart1NotDigits);
            if (!OnlyDigits(part2)) return Fail(message, kPart2NotDigits);
        }
    } else {
        if (RomanToInt(part1) == -1 && !OnlyDigits(part1)) return Fail(message, kCertificatePart1);
        if (!OnlyCyrillic(part2)) return Fail(message, kPart2NotCyrillic);
    }
    return true;
}

}  // namespace

bool CanonicalDocumentCp1251(std::string& document, std::string& message) {
    const std::string_view doc = document;
    if (doc.size() < 8 || doc[1] != '.' || doc[4] != '.' || doc[7] != '.')
        return Fail(message, kBadFormat);

    const std::string_view type = doc.substr(0, 1);
    const std::string_view part1 = doc.substr(2, 2);
    const std::string_view part2 = doc.substr(5, 2);
    const std::string_view given = doc.substr(8, 7);  // anything past 15 is dropped
    std::string number(7 - given.size(), '0');
    number += given;

    if (!ValidateParts(type, part1, part2, number, message)) return false;

    std::string canonical;
    canonical.reserve(15);
    canonical.append(type).append(".").append(part1).append(".").append(part2).append(".");
    canonical += number;
    document = std::move(canonical);
    return true;
}

bool CanonicalDocument(std::string& document, std::string& message) {
    std::string bytes = Utf8ToCp1251(document);
    if (!CanonicalDocumentCp1251(bytes, message)) return false;
    document = Cp1251ToUtf8(bytes);
    return true;
}

bool ValidateDocumentParts(std::string_view type, std::string_view part1, std::string_view part2,
                           std::string_view number, std::string& message) {
    return ValidateParts(Utf8ToCp1251(type), Utf8ToCp1251(part1), Utf8ToCp1251(part2),
                         Utf8ToCp1251(number), message);
}

}  // namespace vrklad
