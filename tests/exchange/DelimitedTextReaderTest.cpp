#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exchange/DelimitedTextReader.h"
#include "register/Cp1251.h"
#include "support/TempDir.h"

namespace vrklad {
namespace {

using Rows = std::vector<std::pair<uint32_t, std::vector<std::string>>>;

struct ParseCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> columns;
    Rows rows;
};

Rows RowsOf(const ImportedTable& table) {
    Rows rows;
    for (const auto& row : table.rows) rows.emplace_back(row.source, row.values);
    return rows;
}

TEST(DelimitedTextReader, ReadsSpreadsheetText) {
    const std::string nul("a\0b", 3);
    const std::vector<ParseCase> cases = {
        {"CR LF",
         Utf8ToCp1251("ORG;DOC\r\n5;П\r\n6;С\r\n"),
         {"ORG", "DOC"},
         {{2, {"5", "П"}}, {3, {"6", "С"}}}},
        {"LF, no final line end",
         "ORG;DOC\n5;x\n6;y",
         {"ORG", "DOC"},
         {{2, {"5", "x"}}, {3, {"6", "y"}}}},
        {"values kept as written, blanks too", "A;B\n 5 ; x\n", {"A", "B"}, {{2, {" 5 ", " x"}}}},
        {"empty values and a trailing separator",
         "A;B;\n;;\n",
         {"A", "B", ""},
         {{2, {"", "", ""}}}},
        {"empty lines skipped, lines still counted",
         "\r\nA\r\n\r\n1\n\n2\n",
         {"A"},
         {{4, {"1"}}, {6, {"2"}}}},
        {"quoted header", "\"ORG\";\"DOC\"\n5;6\n", {"ORG", "DOC"}, {{2, {"5", "6"}}}},
        {"quoted semicolon and doubled quotes",
         Utf8ToCp1251("A;B\n\"x;y\";\"ОВД \"\"Центр\"\"\"\n"),
         {"A", "B"},
         {{2, {"x;y", "ОВД \"Центр\""}}}},
        {"line breaks inside quotes",
         "A;B\n\"1\r\n2\n3\";z\n4;w\n",
         {"A", "B"},
         {{2, {"1\r\n2\n3", "z"}}, {5, {"4", "w"}}}},
        {"empty quoted value", "A;B\n\"\";\"\"\r\n", {"A", "B"}, {{2, {"", ""}}}},
        {"quote inside an unquoted value is a character",
         Utf8ToCp1251("A\nОВД \"Центр\"\n"),
         {"A"},
         {{2, {"ОВД \"Центр\""}}}},
        {"lone CR is a character", "A\nx\ry\n", {"A"}, {{2, {"x\ry"}}}},
        {"rows of another width come as they are",
         "A;B\n1\n1;2;3\n",
         {"A", "B"},
         {{2, {"1"}}, {3, {"1", "2", "3"}}}},
        {"NUL bytes are characters", "A\n" + nul + "\n", {"A"}, {{2, {nul}}}},
        {"cp1251", Utf8ToCp1251("FIO\nИванов Ёж\n"), {"FIO"}, {{2, {"Иванов Ёж"}}}},
        {"UTF-8 after the byte-order mark",
         "\xEF\xBB\xBF"
         "FIO\nИванов €\n",
         {"FIO"},
         {{2, {"Иванов €"}}}},
        {"header only", "A;B\r\n", {"A", "B"}, {}},
        {"empty file", "", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TableReadResult read = ParseDelimitedText(c.bytes);
        ASSERT_TRUE(read.ok()) << read.error;
        EXPECT_EQ(read.table.columns, c.columns);
        EXPECT_EQ(RowsOf(read.table), c.rows);
    }
}

TEST(DelimitedTextReader, RefusesBrokenQuotingWithTheLine) {
    const struct {
        const char* name;
        std::string bytes;
        std::string error;
    } cases[] = {
        {"quote never closed, named where it opens", "A;B\n1;2\n3;\"x\n\ny\n",
         "Строка 3: значение в кавычках не закрыто."},
        {"text after the closing quote", "A;B\n1;2\n\"a\nb\"c;d\n",
         "Строка 4: после закрывающей кавычки допустимы только \";\" и конец строки."},
        {"blank after the closing quote", "A\n\"a\" \n",
         "Строка 2: после закрывающей кавычки допустимы только \";\" и конец строки."},
        {"in the header", "\"A;B\n", "Строка 1: значение в кавычках не закрыто."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TableReadResult read = ParseDelimitedText(c.bytes);
        EXPECT_EQ(read.status, TableReadResult::Status::Malformed);
        EXPECT_EQ(read.error, c.error);
    }
}

TEST(DelimitedTextReader, MegabyteLineIsOneValue) {
    const std::string big(1 << 20, 'x');
    const TableReadResult read = ParseDelimitedText("A;B\n" + big + ";\"" + big + "\"\n1;2\n");
    ASSERT_TRUE(read.ok());
    ASSERT_EQ(read.table.rows.size(), 2u);
    EXPECT_EQ(read.table.rows[0].values, (std::vector<std::string>{big, big}));
    EXPECT_EQ(read.table.rows[1].source, 3u);
}

TEST(DelimitedTextReader, ReadsFilesAndReportsUnreadableOnes) {
    test::TempDir dir;
    test::WriteFile(dir / "list.csv", Utf8ToCp1251("ORG;FIO\r\n5;Петров\r\n"));
    const TableReadResult read = ReadDelimitedText(dir / "list.csv");
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.table.rows.at(0).values, (std::vector<std::string>{"5", "Петров"}));

    EXPECT_EQ(ReadDelimitedText(dir / "missing.csv").status, TableReadResult::Status::Unreadable);
    EXPECT_EQ(ReadDelimitedText(dir.Dir()).status, TableReadResult::Status::Unreadable);
}

TEST(DelimitedTextReader, FindsColumnsWithoutRegardToCase) {
    ImportedTable table;
    table.columns = {"org", " PersSex ", "DOC", "doc"};
    EXPECT_EQ(table.FindColumn("ORG"), 0);
    EXPECT_EQ(table.FindColumn("PERSSEX"), 1);
    EXPECT_EQ(table.FindColumn("Doc"), 2);  // the first of two
    EXPECT_EQ(table.FindColumn("FIO"), -1);
}

}  // namespace
}  // namespace vrklad
