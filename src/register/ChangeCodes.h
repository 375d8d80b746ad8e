#pragma once

#include <cstdint>

namespace vrklad {

// The change-code bits kept in LastChange and AllChanges.
enum ChangeCode : uint16_t {
    ChangesErased = 0x0001,
    ExcludedOther = 0x0004,
    Deleted = 0x0008,
    Added = 0x0010,
    DocChanged = 0x0020,
    OrgChanged = 0x0040,
    BiletChanged = 0x0080,
    KlassChanged = 0x0100,
    BirthChanged = 0x0200,
    DateEndChanged = 0x0400,
    FioChanged = 0x0800,
};

// Two exclusion tests are in use on purpose: the bit test (record list, merge
// rules, compaction) and the equality test (recount, actual-records export).
constexpr bool IsExcludedByBits(uint16_t lastChange) { return (lastChange & 0x000C) != 0; }
constexpr bool IsExcludedByValue(uint16_t lastChange) {
    return lastChange == Deleted || lastChange == ExcludedOther;
}

}  // namespace vrklad
