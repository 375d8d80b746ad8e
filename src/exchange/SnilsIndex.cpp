#include "exchange/SnilsIndex.h"

#include <algorithm>

#include "register/ChangeCodes.h"

namespace vrklad {

void SnilsIndex::Rebuild(const std::vector<StudentRecord>& records) {
    const size_t count = std::min<size_t>(records.size(), LookupIndex::kSlots);
    m_table.Clear(count);
    for (size_t i = 0; i < count; ++i) {
        const StudentRecord& r = records[i];
        if (r.SNILS != 0 && (r.LastChange & Deleted) == 0) {
            m_table.Insert(r.SNILS, static_cast<uint16_t>(i));
        }
    }
}

}  // namespace vrklad
