#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "exchange/DbfTableReader.h"
#include "exchange/DbfWriter.h"
#include "register/Cp1251.h"
#include "support/TempDir.h"

namespace vrklad {
namespace {

using test::DbfField;
using test::TempDir;
using test::WriteDbf;

const std::vector<DbfField> kFields = {
    {"ORG", 'N', 3, 0},    {"FIO", 'C', 46, 0}, {"DBIRTH", 'D', 8, 0},
    {"SNILS", 'N', 11, 0}, {"SUM", 'N', 8, 2},  {"PERSSEX", 'C', 1, 0},
};

TEST(DbfTableReader, ReadsFieldsByTypeUnderAnyName) {
    TempDir dir;
    const auto path = dir / "List.Dbf";  // shapelib alone opens only .dbf and .DBF
    WriteDbf(path, kFields,
             {{"5", "Иванов Иван", "20080501", "11223344595", "5", "М"},
              {"6", "Удалённый", "20080502", "", "1.5", "Ж"},
              {"", "Ёлкина Анна", "", "", "2.25", "Ж"}},
             {1});

    const TableReadResult read = ReadDbfTable(path);
    ASSERT_TRUE(read.ok()) << read.error;
    EXPECT_EQ(read.table.columns,
              (std::vector<std::string>{"ORG", "FIO", "DBIRTH", "SNILS", "SUM", "PERSSEX"}));
    ASSERT_EQ(read.table.rows.size(), 2u);  // the deleted record is skipped
    EXPECT_EQ(read.table.rows[0].source, 1u);
    EXPECT_EQ(read.table.rows[0].values, (std::vector<std::string>{"5", "Иванов Иван", "01.05.2008",
                                                                   "11223344595", "5", "М"}));
    EXPECT_EQ(read.table.rows[1].source, 3u);
    EXPECT_EQ(read.table.rows[1].values,
              (std::vector<std::string>{"", "Ёлкина Анна", "", "", "2.25", "Ж"}));
}

TEST(DbfTableReader, RefusesDamagedFilesWithoutCrashing) {
    TempDir dir;
    WriteDbf(dir / "good.dbf", kFields, {{"5", "Иванов", "20080501", "1", "1", "М"}});
    const std::string good = test::ReadFile(dir / "good.dbf");
    ASSERT_GT(good.size(), 200u);

    std::string manyRecords = good;
    manyRecords[4] = '\x7F';  // the header claims millions of records
    std::string badHeader = good;
    badHeader[8] = '\xFF';  // header length beyond the file
    badHeader[9] = '\xFF';
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"text", "ORG;DOC\r\n5;x\r\n"},
        {"header cut", good.substr(0, 40)},
        {"records cut", good.substr(0, good.size() - 30)},
        {"record count", manyRecords},
        {"header length", badHeader},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::WriteFile(dir / "bad.dbf", c.bytes);
        const TableReadResult read = ReadDbfTable(dir / "bad.dbf");
        EXPECT_EQ(read.status, TableReadResult::Status::Malformed);
        EXPECT_FALSE(read.error.empty());
    }
    EXPECT_EQ(ReadDbfTable(dir / "missing.dbf").status, TableReadResult::Status::Unreadable);
    EXPECT_EQ(ReadDbfTable(dir.Dir()).status, TableReadResult::Status::Unreadable);
}

}  // namespace
}  // namespace vrklad
