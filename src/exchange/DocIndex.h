#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "exchange/LookupIndex.h"
#include "register/StudentRecord.h"

namespace vrklad {

// The register's records by the DocumentKey of their DOC field. Every record
// is entered, deleted ones included, so a document keeps finding its record
// until compaction removes it. Lives for the whole run (its longest probe
// never shrinks) and is rebuilt by each operation that needs it.
class DocIndex {
  public:
    static constexpr uint16_t kNoRecord = LookupIndex::kNoRecord;

    // All entries emptied, then every record entered in file order. Only the
    // first 65,535 records have an index.
    void Rebuild(const std::vector<StudentRecord>& records);
    // The same in steps: Clear with room for `expected` records, then Enter
    // the KeyOf every record with its index, in file order (Prefetch a key
    // some records ahead: the table does not fit the cache).
    void Clear(size_t expected) { m_table.Clear(expected); }
    static std::optional<int64_t> KeyOf(const StudentRecord& record);
    void Enter(int64_t key, uint16_t index) { m_table.Insert(key, index); }
    void Prefetch(int64_t key) const { m_table.Prefetch(key); }

    void Insert(int64_t key, uint16_t record) { m_table.Insert(key, record); }
    // DocLookup: the document, then, when not found and altDoc is not blank,
    // altDoc. The record index found may be kNoRecord (an empty slot matched
    // a document without a key): a hit that names no record.
    std::optional<uint16_t> Lookup(const char (&doc)[16], const char (&altDoc)[16]) const;
    // DocRemove: empties the entry that Lookup(doc, doc) finds.
    void Remove(const char (&doc)[16]);

    uint16_t LongestProbe() const { return m_table.LongestProbe(); }
    const LookupIndex& Table() const { return m_table; }

  private:
    LookupIndex m_table;
};

}  // namespace vrklad
