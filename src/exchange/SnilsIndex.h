#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "exchange/LookupIndex.h"
#include "register/StudentRecord.h"

namespace vrklad {

// The register's active records by SNILS: records with a SNILS other than 0
// and without the Deleted bit. Never changed between rebuilds, so records
// added during a run stay out of it. Lives for the whole run (its longest
// probe never shrinks).
class SnilsIndex {
  public:
    static constexpr uint16_t kNoRecord = LookupIndex::kNoRecord;

    void Rebuild(const std::vector<StudentRecord>& records);
    // The same in steps: Clear with room for `expected` records, then Enter
    // the KeyOf every record that has one with its index, in file order
    // (Prefetch a key some records ahead: the table does not fit the cache).
    void Clear(size_t expected) { m_table.Clear(expected); }
    // Nothing for a record that is not entered.
    static std::optional<int64_t> KeyOf(const StudentRecord& record);
    void Enter(int64_t key, uint16_t index) { m_table.Insert(key, index); }
    void Prefetch(int64_t key) const { m_table.Prefetch(key); }
    // SnilsLookup. For SNILS 0 the answer is an empty slot (kNoRecord) or
    // nothing, since no record is entered with 0.
    std::optional<uint16_t> Lookup(int64_t snils) const { return m_table.Lookup(snils); }

    uint16_t LongestProbe() const { return m_table.LongestProbe(); }
    const LookupIndex& Table() const { return m_table; }

  private:
    LookupIndex m_table;
};

}  // namespace vrklad
