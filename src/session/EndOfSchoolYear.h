#pragma once

#include <cstdint>

namespace vrklad {

// The month and day the end-of-school-year dialog opens with.
struct MonthDay {
    int month = 6;
    int day = 1;
    friend constexpr bool operator==(const MonthDay&, const MonthDay&) = default;
};

// The year whose calendar the dialog shows and counts days in: a common
// year, so February has 28 days.
constexpr int kEndOfSchoolYearCalendarYear = 2018;

// A month outside 1..12 shows June; a day the month does not have shows 1.
MonthDay InitialEndOfSchoolYear(uint8_t monthEndAllow, uint8_t dayEndAllow);

}  // namespace vrklad
