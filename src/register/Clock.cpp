#include "register/Clock.h"

#include <chrono>
#include <ctime>

namespace vrklad {
namespace {

std::optional<LocalDateTime>& FixedNow() {
    static std::optional<LocalDateTime> fixed;
    return fixed;
}

}  // namespace

LocalDateTime Now() {
    if (FixedNow()) return *FixedNow();
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

RecordDate Today() { return DateOf(Now()); }

void SetNowForTesting(std::optional<LocalDateTime> fixed) { FixedNow() = fixed; }

int64_t ToSeconds(const LocalDateTime& t) {
    using namespace std::chrono;
    const sys_days days{year{t.year} / month{static_cast<unsigned>(t.month)} /
                        day{static_cast<unsigned>(t.day)}};
    return int64_t{days.time_since_epoch().count()} * 86400 + t.hour * 3600 + t.minute * 60 +
           t.second;
}

LocalDateTime FromSeconds(int64_t seconds) {
    using namespace std::chrono;
    int64_t dayCount = seconds / 86400;
    int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --dayCount;
    }
    const year_month_day ymd{sys_days{days{dayCount}}};
    return {int(ymd.year()), int(unsigned(ymd.month())), int(unsigned(ymd.day())),
            int(rest / 3600), int(rest / 60 % 60), int(rest % 60)};
}

LocalDateTime AddHours(const LocalDateTime& t, int64_t hours) {
    return FromSeconds(ToSeconds(t) + hours * 3600);
}

RecordDate DateOf(const LocalDateTime& t) {
    return {static_cast<uint16_t>(t.year), static_cast<uint8_t>(t.month),
            static_cast<uint8_t>(t.day)};
}

LocalDateTime StartOfDay(const RecordDate& d) { return {d.year, d.month, d.day, 0, 0, 0}; }

bool IsValidDate(int y, int m, int d) {
    using namespace std::chrono;
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31) return false;
    return year_month_day{year{y}, month{unsigned(m)}, day{unsigned(d)}}.ok();
}

std::string TwoDigits(int value) {
    return (value >= 0 && value < 10 ? "0" : "") + std::to_string(value);
}

}  // namespace vrklad
