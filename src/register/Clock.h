#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "register/RecordDate.h"

namespace vrklad {

// A local calendar date and time of day.
struct LocalDateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    friend constexpr bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

// "Now" and "today" for every rule; tests fix them.
LocalDateTime Now();
RecordDate Today();
void SetNowForTesting(std::optional<LocalDateTime> fixed);

// Calendar arithmetic on local times (no time zone changes are involved).
int64_t ToSeconds(const LocalDateTime& t);
LocalDateTime FromSeconds(int64_t seconds);
LocalDateTime AddHours(const LocalDateTime& t, int64_t hours);
RecordDate DateOf(const LocalDateTime& t);
LocalDateTime StartOfDay(const RecordDate& d);

// A real calendar date (no 31 April, 29 February only in leap years).
bool IsValidDate(int year, int month, int day);

// Two-digit form with a leading zero below 10.
std::string TwoDigits(int value);

}  // namespace vrklad
