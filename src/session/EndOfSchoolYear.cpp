#include "session/EndOfSchoolYear.h"

#include <chrono>

namespace vrklad {

MonthDay InitialEndOfSchoolYear(uint8_t monthEndAllow, uint8_t dayEndAllow) {
    using namespace std::chrono;
    MonthDay shown;
    shown.month = monthEndAllow >= 1 && monthEndAllow <= 12 ? monthEndAllow : 6;
    const year_month_day_last last{year{kEndOfSchoolYearCalendarYear} /
                                   month{static_cast<unsigned>(shown.month)} / std::chrono::last};
    const int days = static_cast<int>(unsigned(last.day()));
    shown.day = dayEndAllow >= 1 && dayEndAllow <= days ? dayEndAllow : 1;
    return shown;
}

}  // namespace vrklad
