#pragma once

#include <cstdint>

namespace vrklad {

#pragma pack(push, 1)
// A date as records store it: year, then month and day as one byte each.
struct RecordDate {
    uint16_t year = 0;
    uint8_t month = 0;
    uint8_t day = 0;

    // Dates are compared through this number everywhere.
    constexpr int32_t Number() const { return year * 10000 + month * 100 + day; }
    constexpr bool IsZero() const { return year == 0 && month == 0 && day == 0; }
    friend constexpr bool operator==(const RecordDate&, const RecordDate&) = default;
};
#pragma pack(pop)
static_assert(sizeof(RecordDate) == 4);

}  // namespace vrklad
