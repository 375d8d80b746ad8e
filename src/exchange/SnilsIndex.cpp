#include "exchange/SnilsIndex.h"

#include <algorithm>

#include "register/ChangeCodes.h"

namespace vrklad {

void SnilsIndex::Rebuild(const std::vector<StudentRecord>& records) {
    const size_t count = std::min<size_t>(records.size(), LookupIndex::kSlots);
    Clear(count);
    for (size_t i = 0; i < count; ++i) {
        if (const auto key = KeyOf(records[i])) Enter(*key, static_cast<uint16_t>(i));
    }
}

std::optional<int64_t> SnilsIndex::KeyOf(const StudentRecord& record) {
    if (record.SNILS == 0 || (record.LastChange & Deleted) != 0) return std::nullopt;
    // A copy: the packed field is not aligned for the optional to bind to.
    return int64_t{record.SNILS};
}

}  // namespace vrklad
