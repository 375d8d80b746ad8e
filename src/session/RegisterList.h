#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "register/StudentRecord.h"

namespace vrklad {

// One row of the record correction list: the record's index in the register
// and the copy of the record read when the list was filled.
struct ListedRecord {
    uint16_t index = 0;
    StudentRecord record = EmptyRecord();
};

// The columns of the list, in their order on screen.
enum ListColumn : int {
    ColRecordNo,  // "№записи"
    ColDoc,       // "Документ"
    ColSnils,     // "СНИЛС"
    ColFio,       // "ФИО"
    ColBirth,     // "Дата рождения"
    ColBilet,     // "№билета"
    ColKlass,     // "Класс"
    ColDateEnd,   // "Окончание льготы"
    kListColumns
};

// "05.09.2004": day and month with two digits, the year as it is.
std::string ListDateText(RecordDate date);

// The text of one cell, UTF-8; text fields up to their first zero byte,
// untrimmed.
std::string ListCellText(const ListedRecord& row, int column);

// The caption of an organization in the filter menu and in the
// "Код организации" list: OKPO "(" agency ")".
std::string OrgCaption(uint32_t okpo, uint16_t agency);

// Which organizations the list shows. Codes from 99,999,999 up cannot be
// filtered, and a record without a code (0) belongs to no organization:
// both are always shown.
class OrgFilter {
public:
    static constexpr uint32_t kUnfilteredFrom = 99999999;

    // An entry of the filter menu; when two entries name the same code the
    // later one decides.
    void Set(uint32_t okpo, bool checked);
    bool Shows(uint32_t okpo) const;

private:
    std::unordered_map<uint32_t, bool> m_checked;
};

// The rows of the list: every record that is neither deleted nor excluded
// (bit test) and whose organization the filter shows, in file order.
// `progress` gets the percentage done whenever a listed record's index is a
// multiple of 500.
bool IsListed(const StudentRecord& record, const OrgFilter& filter);
std::vector<ListedRecord> ListRecords(const std::vector<StudentRecord>& records,
                                      const OrgFilter& filter,
                                      const std::function<void(int percent)>& progress = {});

// Orders `order` (positions into `rows`) by one column: direction 1
// ascending, -1 descending; equal keys keep their order. Texts compare by
// character code, the SNILS as a number, dates by their value (a date that is
// no real date counts as the earliest), the class by number, then letter.
void SortListRows(const std::vector<ListedRecord>& rows, std::vector<uint32_t>& order, int column,
                  int direction);

}  // namespace vrklad
