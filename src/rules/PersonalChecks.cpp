#include "rules/PersonalChecks.h"

#include <string>

#include "register/Clock.h"
#include "register/Cp1251.h"
#include "register/ProgramConfig.h"
#include "rules/TrimBlanks.h"

namespace vrklad {
namespace {

constexpr char kKlassTooHigh[] = "Номер класса\\курса не должен быть больше  ";
constexpr char kKlassZero[] = "Номер класса\\курса не может быть равен 0";
constexpr char kAgencyNotDigits[] = "Код агентства содержит недопустимые символы";
constexpr char kAgencyRange[] =
    "Агентский код организации указан неверно. Код агенства выдается Корваленом и принимает "
    "значение от 1 до 999 ";
constexpr char kAgencyUnknown[] = "Код организации отсутствует в файле данных";
constexpr char kEndTooLate[] = "Дата окончания льготы превышает максимально допустимую: ";
constexpr char kEndNotFuture[] = "Дата окончания льготы должна быть больше текущей!";

constexpr unsigned char kCapitalYo = 0xA8;  // Ё
constexpr unsigned char kSmallYo = 0xB8;    // ё

bool IsCapitalLetter(unsigned char c) { return (c >= 0xC0 && c <= 0xDF) || c == kCapitalYo; }
bool IsLetter(unsigned char c) { return c >= 0xC0 || c == kCapitalYo || c == kSmallYo; }
bool IsSeparator(unsigned char c) { return c == ' ' || c == '-'; }

}  // namespace

bool AllDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

bool CheckSnils(int64_t snils) {
    // A negative number is no insurance number (it can only come from a
    // damaged file).
    if (snils < 0) return false;
    int64_t body = snils / 100;
    const int64_t control = snils % 100;
    int64_t sum = 0;
    for (int weight = 1; body > 0; ++weight, body /= 10) sum += (body % 10) * weight;
    int64_t r = sum;
    if (sum == 100 || sum == 101) {
        r = 0;
    } else if (sum > 101) {
        r = sum % 101;
        if (r == 100) r = 0;
    }
    return r == control;
}

bool IsFioValid(std::string_view fio) {
    const std::string bytes = Utf8ToCp1251(fio);
    const std::string_view text = TrimBlanks(bytes);
    if (text.empty() || !IsCapitalLetter(static_cast<unsigned char>(text.front()))) return false;
    bool afterSeparator = false;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsSeparator(c)) {
            if (afterSeparator) return false;
            afterSeparator = true;
        } else if (IsLetter(c)) {
            afterSeparator = false;
        } else {
            return false;
        }
    }
    return true;
}

bool CheckKlass(int16_t number, uint8_t maxKlass, std::string& message) {
    if (number > maxKlass) {
        message = kKlassTooHigh + std::to_string(maxKlass);
        return false;
    }
    if (number <= 0) {
        message = kKlassZero;
        return false;
    }
    message.clear();
    return true;
}

bool CheckAgencyCode(std::string_view text, const ProgramConfig& config, std::string& message) {
    if (!AllDigits(text)) {
        message = kAgencyNotDigits;
        return false;
    }
    // Leading zeros do not count ("007" is 7); more than three significant
    // digits is out of range however long the text, so nothing can wrap.
    const size_t first = text.find_first_not_of('0');
    const std::string_view significant =
        first == std::string_view::npos ? std::string_view() : text.substr(first);
    int code = 0;
    if (significant.size() <= 3)
        for (char c : significant) code = code * 10 + (c - '0');
    if (significant.size() > 3 || code < 1 || code > 999) {
        message = kAgencyRange;
        return false;
    }
    for (int i = 0; i < ProgramConfig::kMaxOrgs; ++i) {
        if (config.OrgAgency[i] == code) {
            message.clear();
            return true;
        }
    }
    message = kAgencyUnknown;
    return false;
}

bool CheckBenefitEnd(std::string& message, uint8_t klass, RecordDate end, const SchoolYear& year) {
    const LocalDateTime now = Now();
    const int extra = year.orgType == 4 && klass == 8 ? 2 : 0;
    const int latestYear = now.year + year.maxKlass - klass + 1 + extra;
    const int64_t latest =
        int64_t{latestYear} * 10000 + year.monthEndAllow * 100 + year.dayEndAllow;
    if (end.Number() > latest) {
        message = kEndTooLate + std::to_string(year.dayEndAllow) + "-" +
                  std::to_string(year.monthEndAllow) + "-" + std::to_string(latestYear);
        return false;
    }
    // The end date has no time of day: it is later than the current moment
    // only from the next day on.
    if (end.Number() <= DateOf(now).Number()) {
        message = kEndNotFuture;
        return false;
    }
    message.clear();
    return true;
}

}  // namespace vrklad
