#include "session/RegisterList.h"

#include <algorithm>

#include "register/ChangeCodes.h"
#include "register/Clock.h"

namespace vrklad {
namespace {

// A date that is no real date sorts before every real one.
int64_t DateKey(RecordDate d) {
    return IsValidDate(d.year, d.month, d.day) ? int64_t{d.Number()} : -1;
}

template <typename Key>
void SortBy(const std::vector<ListedRecord>& rows, std::vector<uint32_t>& order, int direction,
            Key key) {
    using Value = decltype(key(rows.front()));
    std::vector<Value> keys;
    keys.reserve(rows.size());
    for (const ListedRecord& row : rows) keys.push_back(key(row));
    if (direction >= 0) {
        std::stable_sort(order.begin(), order.end(),
                         [&](uint32_t a, uint32_t b) { return keys[a] < keys[b]; });
    } else {
        std::stable_sort(order.begin(), order.end(),
                         [&](uint32_t a, uint32_t b) { return keys[b] < keys[a]; });
    }
}

}  // namespace

std::string ListDateText(RecordDate d) {
    return TwoDigits(d.day) + "." + TwoDigits(d.month) + "." + std::to_string(d.year);
}

std::string ListCellText(const ListedRecord& row, int column) {
    const StudentRecord& r = row.record;
    switch (column) {
        case ColRecordNo:
            return std::to_string(row.index);
        case ColDoc:
            return FieldText(r.DOC);
        case ColSnils:
            return std::to_string(r.SNILS);
        case ColFio:
            return FieldText(r.FIO);
        case ColBirth:
            return ListDateText(r.DBIRTH);
        case ColBilet:
            return FieldText(r.BILET);
        case ColKlass:
            return KlassText(r);
        case ColDateEnd:
            return ListDateText(r.DATEEND);
        default:
            return {};
    }
}

std::string OrgCaption(uint32_t okpo, uint16_t agency) {
    return std::to_string(okpo) + "(" + std::to_string(agency) + ")";
}

void OrgFilter::Set(uint32_t okpo, bool checked) {
    if (okpo < kUnfilteredFrom) m_checked[okpo] = checked;
}

bool OrgFilter::Shows(uint32_t okpo) const {
    if (okpo == 0 || okpo >= kUnfilteredFrom) return true;
    const auto it = m_checked.find(okpo);
    return it != m_checked.end() && it->second;
}

bool IsListed(const StudentRecord& record, const OrgFilter& filter) {
    return !IsExcludedByBits(record.LastChange) && filter.Shows(record.OKPO);
}

std::vector<ListedRecord> ListRecords(const std::vector<StudentRecord>& records,
                                      const OrgFilter& filter,
                                      const std::function<void(int percent)>& progress) {
    std::vector<ListedRecord> rows;
    rows.reserve(records.size());
    const auto n = static_cast<uint32_t>(records.size());
    for (uint32_t i = 0; i < n; ++i) {
        if (!IsListed(records[i], filter)) continue;
        rows.push_back({static_cast<uint16_t>(i), records[i]});
        if (progress && i % 500 == 0) progress(static_cast<int>(uint64_t{i} * 100 / n));
    }
    return rows;
}

void SortListRows(const std::vector<ListedRecord>& rows, std::vector<uint32_t>& order, int column,
                  int direction) {
    if (rows.empty()) return;
    switch (column) {
        case ColRecordNo:
            SortBy(rows, order, direction, [](const ListedRecord& r) { return r.index; });
            break;
        case ColSnils:
            SortBy(rows, order, direction, [](const ListedRecord& r) { return r.record.SNILS; });
            break;
        case ColBirth:
            SortBy(rows, order, direction,
                   [](const ListedRecord& r) { return DateKey(r.record.DBIRTH); });
            break;
        case ColDateEnd:
            SortBy(rows, order, direction,
                   [](const ListedRecord& r) { return DateKey(r.record.DATEEND); });
            break;
        case ColKlass:
            SortBy(rows, order, direction, [](const ListedRecord& r) {
                return (r.record.KlassNumber << 8) | r.record.KlassLetter;
            });
            break;
        case ColDoc:
        case ColFio:
        case ColBilet:
            // UTF-8 bytes compare in the order of the characters' codes.
            SortBy(rows, order, direction,
                   [column](const ListedRecord& r) { return ListCellText(r, column); });
            break;
        default:
            break;
    }
}

}  // namespace vrklad
