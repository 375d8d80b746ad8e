#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "register/Cp1251.h"
#include "register/StudentRecord.h"
#include "rules/Documents.h"

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

TEST(CanonicalDocument, RewritesAndValidates) {
    struct Case {
        std::string input;
        bool valid;
        std::string expected;  // the document afterwards
        std::string message;   // empty when valid
    } cases[] = {
        {"П.40.05.1234567", true, "П.40.05.1234567", ""},
        {"П.40.05.123456", true, "П.40.05.0123456", ""},
        {"П.40.05.1", true, "П.40.05.0000001", ""},
        {"П.40.05.1234567890", true, "П.40.05.1234567", ""},  // past 15 is dropped
        {"п.40.05.1234567", true, "п.40.05.1234567", ""},     // letter kept as it came
        {"П.12.ИИ.1234567", true, "П.12.ИИ.1234567", ""},
        {"П.1 .ИИ.1234567", true, "П.1 .ИИ.1234567", ""},
        {"С.IV.АК.1234567", true, "С.IV.АК.1234567", ""},
        {"С.04.АК.1234567", true, "С.04.АК.1234567", ""},
        {"с.04.як.1234567", true, "с.04.як.1234567", ""},
        {"П.40.05.0000000", false, "П.40.05.0000000", kNumberZeroOrLong},
        {"П.40.05.", false, "П.40.05.", kNumberZeroOrLong},  // empty number reads as 0
        {"П.4.05.1234567", false, "П.4.05.1234567", kBadFormat},
        {"П.40.05", false, "П.40.05", kBadFormat},
        {"", false, "", kBadFormat},
        {"П-40-05-1234567", false, "П-40-05-1234567", kBadFormat},
        {"З.  .70.1234567", false, "З.  .70.1234567", kBadType},
        {"У.00.ВП.1234567", false, "У.00.ВП.1234567", kBadType},
        {"П.40.05.12a4567", false, "П.40.05.12a4567", kNumberNotDigits},
        {"П.40.05.  12345", false, "П.40.05.  12345", kNumberNotDigits},
        {"П.40. 5.1234567", false, "П.40. 5.1234567", kPart2Length},
        {"П.40.ии.1234567", false, "П.40.ии.1234567", kPart2NotDigits},  // only ИИ is foreign
        {"П.40.0Б.1234567", false, "П.40.0Б.1234567", kPart2NotDigits},
        {"П.AB.ИИ.1234567", false, "П.AB.ИИ.1234567", kForeignPart1},
        {"П.  .ИИ.1234567", false, "П.  .ИИ.1234567", kForeignPart1},
        {"П.  .05.1234567", false, "П.  .05.1234567", kPart1Empty},
        {"П.4a.05.1234567", false, "П.4a.05.1234567", kPart1NotDigits},
        {"П.4 .05.1234567", false, "П.4 .05.1234567", kPart1NotDigits},
        {"С.0I.АК.1234567", false, "С.0I.АК.1234567", kCertificatePart1},
        {"С.  .АК.1234567", false, "С.  .АК.1234567", kCertificatePart1},
        {"С.04.AK.1234567", false, "С.04.AK.1234567", kPart2NotCyrillic},  // Latin A, K
        {"С.04.ЁК.1234567", false, "С.04.ЁК.1234567", kPart2NotCyrillic},
        {"С.04.А1.1234567", false, "С.04.А1.1234567", kPart2NotCyrillic},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        std::string doc = c.input;
        std::string message;
        EXPECT_EQ(CanonicalDocument(doc, message), c.valid);
        EXPECT_EQ(doc, c.expected);
        EXPECT_EQ(message, c.message);
    }
}

TEST(CanonicalDocument, WorksOnFieldBytes) {
    // "П.40.05.77" in cp1251 becomes 15 bytes.
    std::string doc = "\xCF.40.05.77";
    std::string message;
    ASSERT_TRUE(CanonicalDocumentCp1251(doc, message));
    EXPECT_EQ(doc, "\xCF.40.05.0000077");
}

TEST(CanonicalDocument, AnyBytesAreSafe) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    for (size_t len = 0; len <= all.size(); len += 17) {
        std::string doc = all.substr(0, len);
        std::string message;
        CanonicalDocumentCp1251(doc, message);
        doc = all.substr(0, len);
        CanonicalDocument(doc, message);
    }
    std::string longDoc = "П.40.05." + std::string(100000, '1');
    std::string message;
    EXPECT_TRUE(CanonicalDocument(longDoc, message));
    EXPECT_EQ(longDoc, "П.40.05.1111111");
}

TEST(ValidateDocumentParts, TrimsWhereTheRulesSay) {
    struct Case {
        const char* type;
        const char* part1;
        const char* part2;
        const char* number;
        std::string message;
    } cases[] = {
        {" п ", "40", "05", "1234567", ""},
        {"", "40", "05", "1234567", kBadType},
        {"ПС", "40", "05", "1234567", kBadType},
        {"П", "40", "05", "", kNumberNotDigits},
        {"П", "40", "05", "12345678", kNumberZeroOrLong},
        {"П", "40", "05", "000000000000000000000000", kNumberZeroOrLong},
        {"П", "40", "05", "99999999999999999999999", kNumberZeroOrLong},
        {"П", "40", "5", "1234567", kPart2Length},
        {"П", "40", "005", "1234567", kPart2Length},
        {"С", "", "АК", "1234567", ""},  // an empty series numeral passes
        {"С", "XIX", "АК", "1234567", ""},
        {"П", "00", "ИИ", "1", ""},
        {"П", "99999999999", "ИИ", "1", kForeignPart1},  // does not read as a number
        {"П", "-1", "ИИ", "1", kForeignPart1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.type) + "|" + c.part1 + "|" + c.part2 + "|" + c.number);
        std::string message = "stale";
        EXPECT_EQ(ValidateDocumentParts(c.type, c.part1, c.part2, c.number, message),
                  c.message.empty());
        EXPECT_EQ(message, c.message);
    }
}

TEST(RomanNumerals, ReadAndWrite) {
    struct Case {
        const char* text;
        int value;
    } cases[] =
        {
            {"XIX", 19}, {"IV", 4},  {"XCIX", 99},      {"IIX", 10}, {"iv", -1},
            {"", 0},     {"I", 1},   {"MCMXCIV", 1994}, {"XL", 40},  {"IX", 9},
            {"I V", -1}, {"0I", -1}, {"ІV", -1},  // Cyrillic І
        };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(RomanToInt(c.text), c.value);
    }
    EXPECT_EQ(RomanToInt(std::string(100000, 'M')), 100000000);

    struct Back {
        int n;
        const char* text;
    } backs[] = {{0, ""},      {-5, ""},          {1, "I"},           {4, "IV"},
                 {9, "IX"},    {14, "XIV"},       {19, "XIX"},        {40, "XL"},
                 {99, "XCIX"}, {1994, "MCMXCIV"}, {3999, "MMMCMXCIX"}};
    for (const auto& b : backs) {
        SCOPED_TRACE(b.n);
        EXPECT_EQ(IntToRoman(b.n), b.text);
    }
    for (int n = 1; n <= 100; ++n) EXPECT_EQ(RomanToInt(IntToRoman(n)), n) << n;
}

TEST(DocumentKey, FromText) {
    struct Case {
        std::string doc;
        int64_t key;
    } cases[] = {
        {"П.40.05.1234567", 140051234567},
        {"С.04.АК.1234567", 20401111234567},
        {"П.00.ИИ.0000001", 10009090000001},
        {"С.IV.АК.1234567", 201111234567},  // Latin letters do not enter the key
        {"З.  .70.1234567", 3701234567},
        {"У.00.ВП.1234567", 40003161234567},
        {"п.40.05.1234567", 140051234567},  // upper-cased first
        {"с.04.ак.1234567", 20401111234567},
        {"С.04.ЯЁ.1", 204321},  // Ё is skipped, Я is 32
        {"Х.12.34.5", 12345},   // no type digit for other letters
        {"", 0},
        {"П", 1},
        {"...", 0},
        {"П.99.99.9999999999999999", 0},              // key text too long for 64 bits
        {"9223372036854775807", 223372036854775807},  // first character is no type
        {"X9223372036854775807", 9223372036854775807},
        {"X9223372036854775808", 0},
        {"X0000000000000000000000001", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.doc);
        EXPECT_EQ(DocumentKey(c.doc), c.key);
    }
}

TEST(DocumentKey, FromRecordField) {
    StudentRecord r = EmptyRecord();
    SetFieldText(r.DOC, "С.04.АК.1234567");
    EXPECT_EQ(DocumentKeyOfField(r.DOC), 20401111234567);

    // A full field has no terminator: all 16 bytes count, nothing after them.
    std::memcpy(r.DOC, "\xCF.40.05.12345678", 16);
    EXPECT_EQ(DocumentKeyOfField(r.DOC), 1400512345678);

    // Reading stops at the first zero byte.
    std::memcpy(r.DOC,
                "\xCF.40\0"
                "05.1234567",
                16);
    EXPECT_EQ(DocumentKeyOfField(r.DOC), 140);

    std::memset(r.DOC, 0, 16);
    EXPECT_EQ(DocumentKeyOfField(r.DOC), 0);
}

TEST(DocumentKey, HashesStayInsideTheTable) {
    struct Case {
        int64_t key;
        uint32_t primary;
        uint32_t step;
    } cases[] = {
        {140051234567, 56027, 29351},
        {0, 0, 1},
        {65535, 0, 21555},
        {43981, 43981, 1},
        {-1, 65534, 43981},
        {INT64_MAX, static_cast<uint32_t>(INT64_MAX % 65535),
         static_cast<uint32_t>(INT64_MAX % 43981 + 1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(HashPrimary(c.key), c.primary);
        EXPECT_EQ(HashStep(c.key), c.step);
    }
    EXPECT_LT(HashPrimary(INT64_MIN), 65535u);
    EXPECT_GE(HashStep(INT64_MIN), 1u);
    EXPECT_LE(HashStep(INT64_MIN), 43981u);

    const int64_t k = 140051234567;
    EXPECT_EQ((HashPrimary(k) + 1 * HashStep(k)) % 65535, 19843u);  // first slot tried
}

}  // namespace
}  // namespace vrklad
