#include "exchange/DocIndex.h"

#include <algorithm>

#include "rules/Documents.h"
#include "rules/TrimBlanks.h"

namespace vrklad {

void DocIndex::Rebuild(const std::vector<StudentRecord>& records) {
    const size_t count = std::min<size_t>(records.size(), LookupIndex::kSlots);
    Clear(count);
    for (size_t i = 0; i < count; ++i) Enter(*KeyOf(records[i]), static_cast<uint16_t>(i));
}

std::optional<int64_t> DocIndex::KeyOf(const StudentRecord& record) {
    return DocumentKeyOfField(record.DOC);
}

std::optional<uint16_t> DocIndex::Lookup(const char (&doc)[16], const char (&altDoc)[16]) const {
    if (auto found = m_table.Lookup(DocumentKeyOfField(doc))) return found;
    if (TrimBlanks(FieldBytes(altDoc)).empty()) return std::nullopt;
    return m_table.Lookup(DocumentKeyOfField(altDoc));
}

void DocIndex::Remove(const char (&doc)[16]) {
    // Lookup(doc, doc) can only ever find what the first key finds.
    m_table.Remove(DocumentKeyOfField(doc));
}

}  // namespace vrklad
