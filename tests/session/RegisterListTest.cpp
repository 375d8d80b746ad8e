#include <gtest/gtest.h>

#include <numeric>

#include "register/ChangeCodes.h"
#include "session/RegisterList.h"

namespace vrklad {
namespace {

ListedRecord Row(uint16_t index) {
    ListedRecord row;
    row.index = index;
    return row;
}

std::vector<uint16_t> Sorted(const std::vector<ListedRecord>& rows, int column, int direction) {
    std::vector<uint32_t> order(rows.size());
    std::iota(order.begin(), order.end(), 0u);
    SortListRows(rows, order, column, direction);
    std::vector<uint16_t> indexes;
    for (const uint32_t i : order) indexes.push_back(rows[i].index);
    return indexes;
}

TEST(RegisterList, CellTexts) {
    ListedRecord row = Row(17);
    SetFieldText(row.record.DOC, "П.40.05.1234567");
    SetFieldText(row.record.FIO, "Иванов Иван ");
    SetFieldText(row.record.BILET, "A12");
    row.record.DBIRTH = {2004, 9, 5};
    row.record.DATEEND = {2026, 12, 31};
    row.record.KlassNumber = 7;
    row.record.KlassLetter = 0xC1;
    const struct {
        int column;
        const char* text;
    } cases[] = {
        {ColRecordNo, "17"},      {ColDoc, "П.40.05.1234567"}, {ColSnils, "0"},
        {ColFio, "Иванов Иван "}, {ColBirth, "05.09.2004"},    {ColBilet, "A12"},
        {ColKlass, "7-Б"},        {ColDateEnd, "31.12.2026"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.column);
        EXPECT_EQ(ListCellText(row, c.column), c.text);
    }
    row.record.KlassLetter = 0;
    row.record.SNILS = 11223344595;
    EXPECT_EQ(ListCellText(row, ColKlass), "7");
    EXPECT_EQ(ListCellText(row, ColSnils), "11223344595");
    EXPECT_EQ(ListDateText({}), "00.00.0");
}

TEST(RegisterList, FilterByOrganization) {
    OrgFilter filter;
    filter.Set(111, true);
    filter.Set(222, false);
    filter.Set(333, true);
    filter.Set(333, false);  // the later entry of a code decides
    const struct {
        uint32_t okpo;
        bool shown;
    } cases[] = {
        {0, true},    {111, true},       {222, false},     {333, false},
        {444, false}, {99999998, false}, {99999999, true}, {4000000000u, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.okpo);
        EXPECT_EQ(filter.Shows(c.okpo), c.shown);
    }
}

TEST(RegisterList, ListsActiveRecordsInFileOrder) {
    const struct {
        uint16_t lastChange;
        bool listed;
    } cases[] = {
        {0x0000, true},  {0x0001, true},  {0x0010, true},  {0x0800, true},
        {0x0004, false}, {0x0008, false}, {0x0808, false}, {0x0014, false},
    };
    std::vector<StudentRecord> records;
    std::vector<uint16_t> expected;
    for (const auto& c : cases) {
        StudentRecord r = EmptyRecord();
        r.LastChange = c.lastChange;
        if (c.listed) expected.push_back(static_cast<uint16_t>(records.size()));
        records.push_back(r);
    }
    std::vector<uint16_t> listed;
    for (const ListedRecord& row : ListRecords(records, OrgFilter{})) listed.push_back(row.index);
    EXPECT_EQ(listed, expected);
}

TEST(RegisterList, ProgressAtEvery500thRecord) {
    std::vector<StudentRecord> records(1200, EmptyRecord());
    records[500].LastChange = Deleted;  // not listed: no progress step
    std::vector<int> steps;
    ListRecords(records, OrgFilter{}, [&](int percent) { steps.push_back(percent); });
    EXPECT_EQ(steps, (std::vector<int>{0, 83}));
}

TEST(RegisterList, SortByColumn) {
    std::vector<ListedRecord> rows;
    const struct {
        uint8_t klass;
        uint8_t letter;
        int64_t snils;
        const char* fio;
        RecordDate birth;
    } data[] = {
        {10, 0, 9, "Яковлев", {2005, 1, 2}},
        {9, 0, 10, "аксенов", {0, 0, 0}},
        {7, 0xC1, 100, "Борисов", {2004, 12, 31}},
        {7, 0xC0, 2, "Ёжиков", {2005, 2, 30}},
    };
    uint16_t index = 0;
    for (const auto& d : data) {
        ListedRecord row = Row(index++);
        row.record.KlassNumber = d.klass;
        row.record.KlassLetter = d.letter;
        row.record.SNILS = d.snils;
        SetFieldText(row.record.FIO, d.fio);
        row.record.DBIRTH = d.birth;
        rows.push_back(row);
    }
    const struct {
        int column;
        int direction;
        std::vector<uint16_t> order;
    } cases[] = {
        {ColKlass, 1, {3, 2, 1, 0}},
        {ColKlass, -1, {0, 1, 2, 3}},
        {ColSnils, 1, {3, 0, 1, 2}},
        // By character code: Ё (U+0401) before Б, capitals before small letters.
        {ColFio, 1, {3, 2, 0, 1}},
        // Dates that are no real dates come first, in their order.
        {ColBirth, 1, {1, 3, 2, 0}},
        {ColBirth, -1, {0, 2, 1, 3}},
        {ColRecordNo, -1, {3, 2, 1, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.column << "/" << c.direction);
        EXPECT_EQ(Sorted(rows, c.column, c.direction), c.order);
    }
}

}  // namespace
}  // namespace vrklad
