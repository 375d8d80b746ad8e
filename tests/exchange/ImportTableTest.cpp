#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "details/CreateDetailsDatabase.h"
#include "details/DetailsStore.h"
#include "exchange/DbfWriter.h"
#include "exchange/ImportRow.h"
#include "exchange/ImportTable.h"
#include "exchange/ImportedTable.h"
#include "exchange/MergeFixtures.h"
#include "exchange/RecordUpdate.h"
#include "exchange/RegisterIndexes.h"
#include "register/ChangeCodes.h"
#include "register/Clock.h"
#include "register/Cp1251.h"
#include "register/ProgramConfig.h"
#include "register/RegisterFile.h"
#include "register/SettingsIni.h"
#include "support/ScriptedOperator.h"
#include "support/TempDir.h"

namespace vrklad::test {
namespace {

const char* const kSchema = VRKLAD_SOURCE_DIR "/db/Additional.sql";
const RecordDate kToday{2024, 3, 1};
const RecordDate kFileDay{2024, 2, 20};

const std::string kNine = "ORG;DOC;FIO;DBIRTH;BILET;KLASS;DATEEND;SNILS;PersSex";
const std::string kFifteen = kNine + ";IssueDate;Issuer;IssuerCode;PlaceOfBirth;OLDDOC;OLDFIO";
const std::string kFioFailure =
    "  - ФИО должно быть заполнено и начинаться с заглавной буквы алфавита, может содержать "
    "символы дефис и пробел;";

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    return text;
}

// A row of the fifteen columns for a new learner of class 10-А.
std::string Row15(const std::string& doc, const std::string& fio,
                  const std::string& details = "10.06.2022;ОВД района;770001;г. Москва") {
    return "5;" + doc + ";" + fio + ";01.05.2008;0012345;10-А;30.09.2026;;М;" + details + ";;";
}

void SetFileDay(const std::filesystem::path& path, RecordDate day) {
    std::tm tm{};
    tm.tm_year = day.year - 1900;
    tm.tm_mon = day.month - 1;
    tm.tm_mday = day.day;
    tm.tm_hour = 12;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    const timespec times[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

class ImportTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetNowForTesting(LocalDateTime{2024, 3, 1, 10, 0, 0});
        ASSERT_TRUE(m_config.Load(m_program.Dir()));
        ProgramConfig& c = m_config.Data();
        c.OrgType = 1;
        c.OrgCount = 1;
        c.OrgOKPO[0] = 12345678;
        c.OrgAgency[0] = 5;
        c.OwnAgency = 5;
        std::string error;
        ASSERT_TRUE(CreateDetailsDatabase(m_program / kDetailsFileName, kSchema, &error)) << error;
        ASSERT_TRUE(m_details.Open(m_program.Path()));
        UseRegister({});
    }
    void TearDown() override { SetNowForTesting(std::nullopt); }

    void UseRegister(const std::vector<StudentRecord>& records) {
        m_reg.Close();
        const auto path = m_program / "12345678.sch";
        WriteFile(path, std::string(reinterpret_cast<const char*>(records.data()),
                                    records.size() * sizeof(StudentRecord)));
        ASSERT_EQ(m_reg.Open(path), RegisterFile::OpenResult::Ok);
    }

    // A table file in its own directory, written on kFileDay; text in UTF-8
    // goes to the file as cp1251.
    std::filesystem::path Table(const std::string& name, const std::string& text,
                                bool utf8Bytes = false) {
        const auto path = m_files / name;
        WriteFile(path, utf8Bytes ? text : Utf8ToCp1251(text));
        SetFileDay(path, kFileDay);
        return path;
    }

    ImportTableResult Import(const std::filesystem::path& path) {
        return ImportTable(path, m_program.Path(), m_reg, m_config, m_settings, 12, m_details,
                           *m_indexes, m_op);
    }

    std::string Protocol() const { return Cp1251ToUtf8(ReadFile(m_program / kImportProtocolName)); }
    // The protocol's lines between its head and its counters.
    std::vector<std::string> RowLines() const {
        std::vector<std::string> lines;
        const std::string text = Protocol();
        size_t at = 0;
        while (at < text.size()) {
            const size_t end = text.find("\r\n", at);
            lines.push_back(text.substr(at, end - at));
            at = end + 2;
        }
        return std::vector<std::string>(lines.begin() + 3, lines.end() - 5);
    }
    std::vector<StudentRecord> Records() const { return m_reg.ReadAll(); }
    std::string RegisterBytes() const { return ReadFile(m_program / "12345678.sch"); }

    TempDir m_program;
    TempDir m_files;
    RegisterFile m_reg;
    ConfigFile m_config;
    Settings m_settings;
    ScriptedOperator m_op;
    DetailsStore m_details{m_op};
    std::unique_ptr<RegisterIndexes> m_indexes = std::make_unique<RegisterIndexes>();
};

TEST_F(ImportTableTest, NineColumnsImportWithoutDetailsAndWriteTheProtocol) {
    WriteFile(m_files / "schema.ini", "the user's own");
    const auto path = Table(
        "list.csv", Lines({kNine,
                           "5;П.40.05.1234567;Иванов Иван Иванович;01.05.2008;0012345;10-"
                           "А;30.09.2026;11223344595;М",
                           "5;П.40.05.123456;петров;01.01.2010;1;9;30.09.2027;;М",
                           "005;П.40.05.7654321;Петрова Анна;2.6.2013;12;5-Б;30.09.2031;;Ж"}));
    ASSERT_TRUE(m_details.InsertDoc("П.40.05.1234567", {{2020, 1, 1}, "Старый", 1, "Тула"}));

    const ImportTableResult result = Import(path);

    EXPECT_TRUE(result.imported);
    EXPECT_EQ(result.rows, 3u);
    EXPECT_EQ(result.added, 2u);
    EXPECT_EQ(result.erroneous, 1u);
    EXPECT_EQ(result.updated + result.unchanged, 0u);
    EXPECT_EQ(ReadFile(m_program / "ImpotrData.txt"),
              Utf8ToCp1251(Lines({
                  "Загрузка данных из файла list.csv в файл данных.",
                  "Записей в файле -  3",
                  "",
                  "5;П.40.05.123456;петров;30.09.2027" + kFioFailure,
                  "",
                  "Добавлено новых записей: 2",
                  "Обновлено записей : 0",
                  "Ошибочных записей : 1",
                  "Записей без изменений  : 0",
              })));
    EXPECT_EQ(result.protocol, m_program / "ImpotrData.txt");
    EXPECT_EQ(m_op.viewed, (std::vector<std::string>{(m_program / "ImpotrData.txt").string()}));
    EXPECT_TRUE(m_op.shown.empty());
    ASSERT_FALSE(m_op.progress.empty());
    EXPECT_EQ(m_op.progress.front(), (std::pair<int, bool>{0, true}));
    EXPECT_EQ(m_op.progress.back(), (std::pair<int, bool>{0, false}));
    EXPECT_FALSE(std::filesystem::exists(m_files / "schema.ini"));

    const auto records = Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(FieldText(records[0].DOC), "П.40.05.1234567");
    EXPECT_EQ(records[0].LastChange, Added);
    EXPECT_EQ(records[0].ChangeDate, kToday);
    EXPECT_EQ(records[0].OKPO, 12345678u);
    EXPECT_EQ(FieldText(records[1].FIO), "Петрова Анна");
    EXPECT_EQ(records[1].ORG, 5);
    EXPECT_EQ(records[1].JuniorFlag, 1);
    // No details columns: the details kept stay as they were.
    EXPECT_EQ(m_details.FindDoc("П.40.05.1234567")->issuer, "Старый");
    EXPECT_FALSE(m_details.FindDoc("П.40.05.7654321"));
}

TEST_F(ImportTableTest, FifteenColumnsWriteDetailsOfEveryAppliedRow) {
    StudentRecord same = Learner();  // the first row, byte for byte
    StudentRecord later = Learner("П.40.05.2222222", "Сидоров Сидор", 0);
    SetFieldText(later.BILET, "999");
    later.ChangeDate = {2024, 2, 25};  // changed after the file was written
    StudentRecord older = Learner("П.40.05.3333333", "Кузнецов Кузьма", 0);
    older.KlassNumber = 9;
    StudentRecord gone = Learner("П.40.05.4444444", "Старый Владелец", 0);
    gone.LastChange = Deleted;
    UseRegister({same, later, older, gone});

    const auto path = Table(
        "list.txt",
        Lines({kFifteen,
               "5;П.40.05.1234567;Иванов Иван Иванович;01.05.2008;0012345;10-А;30.09.2026;"
               "11223344595;М;10.06.2022;ОВД района;770001;г. Москва;;",
               Row15("П.40.05.2222222", "Сидоров Сидор"),
               Row15("П.40.05.3333333", "Кузнецов Кузьма"),
               Row15("П.40.05.4444444", "Новый Владелец"), Row15("П.40.05.5555555", "Новиков Нил"),
               Row15("П.40.05.6666666", "Без Сведений", ";;;"),
               Row15("П.40.05.7777777", "Плохая Дата", "2022-06-10;ОВД;1;Тула")}));

    const ImportTableResult result = Import(path);

    EXPECT_EQ(result.rows, 7u);
    EXPECT_EQ(result.added, 4u);  // the take-over and three new
    EXPECT_EQ(result.updated, 1u);
    EXPECT_EQ(result.unchanged, 1u);
    EXPECT_EQ(result.erroneous, 1u);
    EXPECT_EQ(RowLines(),
              (std::vector<std::string>{
                  "5;П.40.05.2222222;Сидоров Сидор;30.09.2026 - Ошибка: Запись в БД имеет более "
                  "позднюю дату изменения, чем запись в файле.",
                  "5;П.40.05.7777777;Плохая Дата;30.09.2026 - дата выдачи документа указана "
                  "неверно, сведения о документе не записаны;",
              }));

    const DocumentDetails given{{2022, 6, 10}, "ОВД района", 770001, "г. Москва"};
    for (const char* doc :
         {"П.40.05.1234567", "П.40.05.3333333", "П.40.05.4444444", "П.40.05.5555555"}) {
        SCOPED_TRACE(doc);
        EXPECT_EQ(m_details.FindDoc(doc), given);
    }
    for (const char* doc : {"П.40.05.2222222", "П.40.05.6666666", "П.40.05.7777777"}) {
        SCOPED_TRACE(doc);
        EXPECT_FALSE(m_details.FindDoc(doc));
    }

    const auto records = Records();
    ASSERT_EQ(records.size(), 7u);
    EXPECT_TRUE(SameBytes(records[0], same));
    EXPECT_TRUE(SameBytes(records[1], later));
    EXPECT_EQ(records[2].KlassNumber, 10);
    EXPECT_EQ(records[2].LastChange, KlassChanged);
    EXPECT_EQ(records[2].ChangeDate, kToday);
    EXPECT_EQ(FieldText(records[3].FIO), "Новый Владелец");
    EXPECT_EQ(records[3].LastChange, Added);
    EXPECT_EQ(FieldText(records[6].FIO), "Плохая Дата");  // written, without its details
}

TEST_F(ImportTableTest, ColumnsInAnyOrderAndCaseAndExtensionsInAnyCase) {
    const std::string text = Lines({"persSEX;oldfio;Snils;dateend;klass;bilet;dbirth;fio;doc;org",
                                    "Ж;;;30.09.2026;10-Б;77;01.05.2008;Орлова Ольга;П.40.05.1;5"});
    for (const char* name : {"a.TXT", "b.Csv", "c.dbf.csv"}) {
        SCOPED_TRACE(name);
        UseRegister({});
        const ImportTableResult result = Import(Table(name, text));
        EXPECT_EQ(result.added, 1u);
        ASSERT_EQ(Records().size(), 1u);
        EXPECT_EQ(FieldText(Records()[0].DOC), "П.40.05.0000001");
        EXPECT_EQ(Records()[0].PersSex, kSexFemale);
    }
    EXPECT_TRUE(m_op.shown.empty());
}

TEST_F(ImportTableTest, RefusedFilesChangeNothing) {
    UseRegister({Learner()});
    const std::string before = RegisterBytes();
    const std::string bad = kImportBadFormat;
    const std::string row = "5;П.40.05.7654321;Петрова Анна;01.05.2008;1;10-А;30.09.2026;;Ж";
    const struct {
        const char* name;
        std::string file;
        std::string text;
        std::string message;
        bool whole = true;  // else the message starts so
    } cases[] = {
        {"no PersSex", "a.csv", Lines({"ORG;DOC;FIO;DBIRTH;BILET;KLASS;DATEEND;SNILS", row}), bad},
        {"no ORG", "a.csv", Lines({"DOC;FIO;DBIRTH;BILET;KLASS;DATEEND;SNILS;PersSex", row}), bad},
        {"no SNILS", "a.txt", Lines({"ORG;DOC;FIO;DBIRTH;BILET;KLASS;DATEEND;PersSex", row}), bad},
        {"empty file", "a.csv", "", bad},
        {"another extension", "a.xls", Lines({kNine, row}), bad},
        {"no extension", "list", Lines({kNine, row}), bad},
        {"quote not closed", "a.csv", Lines({kNine, row, "5;\"П.40"}),
         bad + "\nСтрока 3: значение в кавычках не закрыто."},
        {"not a dBase file", "a.dbf", Lines({kNine, row}), bad + "\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_op.shown.clear();
        const ImportTableResult result = Import(Table(c.file, c.text));
        EXPECT_FALSE(result.imported);
        ASSERT_EQ(m_op.shown.size(), 1u);
        EXPECT_EQ(m_op.shown[0].icon, Operator::Icon::Error);
        EXPECT_EQ(c.whole ? m_op.shown[0].text : m_op.shown[0].text.substr(0, c.message.size()),
                  c.message);
        EXPECT_EQ(RegisterBytes(), before);
        EXPECT_FALSE(std::filesystem::exists(m_program / kImportProtocolName));
        EXPECT_FALSE(std::filesystem::exists(m_files / kSchemaIniName));
        EXPECT_TRUE(m_op.viewed.empty());
    }

    m_op.shown.clear();
    Import(m_files / "missing.csv");
    ASSERT_EQ(m_op.shown.size(), 1u);
    EXPECT_EQ(m_op.shown[0].text.rfind("Не удалось прочитать файл ", 0), 0u);
    EXPECT_EQ(RegisterBytes(), before);
}

TEST_F(ImportTableTest, DbaseTableImportsWithoutDetails) {
    WriteFile(m_files / "schema.ini", "the user's own");
    const std::vector<DbfField> fields = {
        {"ORG", 'N', 3, 0},        {"DOC", 'C', 15, 0},     {"FIO", 'C', 46, 0},
        {"DBIRTH", 'D', 8, 0},     {"BILET", 'C', 10, 0},   {"KLASS", 'C', 10, 0},
        {"DATEEND", 'D', 8, 0},    {"SNILS", 'N', 15, 0},   {"PERSSEX", 'C', 1, 0},
        {"ISSUEDATE", 'C', 10, 0}, {"ISSUER", 'C', 100, 0}, {"ISSUERCODE", 'N', 10, 0},
    };
    const auto path = m_files / "LIST.DBF";
    WriteDbf(
        path, fields,
        {{"5", "П.40.05.1234567", "Иванов Иван Иванович", "20080501", "0012345", "10-А", "20260930",
          "11223344595", "М", "10.06.2022", "ОВД", "770001"},
         {"5", "П.40.05.2", "Удалённая Запись", "20080501", "1", "10-А", "20260930", "", "Ж", "",
          "", ""},
         {"5", "П.40.05.3", "Ёлкина Анна", "20090101", "", "9", "20270930", "", "Ж", "", "", ""},
         {"5", "П.40.05.4", "Ёлкин Пётр", "", "", "9", "20270930", "", "М", "", "", ""}},
        {1});
    SetFileDay(path, kFileDay);

    const ImportTableResult result = Import(path);

    EXPECT_EQ(result.rows, 3u);
    EXPECT_EQ(result.added, 2u);
    EXPECT_EQ(result.erroneous, 1u);
    EXPECT_EQ(RowLines(), (std::vector<std::string>{"5;П.40.05.4;Ёлкин Пётр;30.09.2027  - ошибка: "
                                                    "неверный формат даты рождения;"}));
    const auto records = Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(FieldText(records[0].FIO), "Иванов Иван Иванович");
    EXPECT_EQ(records[0].DBIRTH, (RecordDate{2008, 5, 1}));
    EXPECT_EQ(records[0].SNILS, 11223344595);
    EXPECT_EQ(FieldText(records[1].DOC), "П.40.05.0000003");
    EXPECT_FALSE(m_details.FindDoc("П.40.05.1234567"));  // dBase carries no PlaceOfBirth
    // Only a schema file of its own making is removed.
    EXPECT_EQ(ReadFile(m_files / "schema.ini"), "the user's own");
}

TEST_F(ImportTableTest, SameDocumentTwiceInOneFileIsAddedTwice) {
    const std::string row = "5;П.40.05.1234567;Иванов Иван;01.05.2008;1;10-А;30.09.2026;;М";
    const ImportTableResult result = Import(Table("a.csv", Lines({kNine, row, row})));
    EXPECT_EQ(result.added, 2u);
    EXPECT_EQ(Records().size(), 2u);
}

TEST_F(ImportTableTest, SpreadsheetQuotingAndStraySeparators) {
    // As python's csv module writes with delimiter ";": a value with ";", a
    // quote or a line break is quoted, quotes doubled, lines end in CR LF.
    const std::string text =
        kFifteen + "\r\n" +
        "5;П.40.05.1111111;Иванов Иван;01.05.2008;\"12\"\"3\";10-А;30.09.2026;;М;10.06.2022;"
        "\"ОВД \"\"Центральный\"\"; отдел 2\";770001;\"г. Москва\r\nул. Ленина\";;\r\n"
        // the learner list export does not quote: a ";" in a value shifts the row
        "5;П.40.05.2222222;Петров Пётр;01.05.2008;1;10-А;30.09.2026;;М;10.06.2022;ОВД; отдел "
        "2;770001;Тула;;\r\n"
        "\"5\";\"П.40.05.3333333\";\"Сидоров Сидор\";01.05.2008;1;10-А;30.09.2026;;М;;;;;;\r\n";
    const ImportTableResult result = Import(Table("python.csv", text));

    EXPECT_EQ(result.added, 2u);
    EXPECT_EQ(result.erroneous, 1u);
    EXPECT_EQ(RowLines(),
              (std::vector<std::string>{"5;П.40.05.2222222;Петров Пётр;30.09.2026  - ошибка: в "
                                        "строке 4 файла значений 16, а столбцов в заголовке 15;"}));
    EXPECT_EQ(FieldText(Records()[0].BILET), "12\"3");
    EXPECT_EQ(
        m_details.FindDoc("П.40.05.1111111"),
        (DocumentDetails{
            {2022, 6, 10}, "ОВД \"Центральный\"; отдел 2", 770001, "г. Москва\r\nул. Ленина"}));
}

TEST_F(ImportTableTest, NulBytesAndHugeValuesGiveProtocolLines) {
    const std::string nulFio("Ив\0ан", 9);
    const std::string hugeBilet(1 << 20, '7');
    const std::string text =
        Lines({kNine, "5;П.40.05.1;" + nulFio + ";01.05.2008;1;10-А;30.09.2026;;М",
               "5;П.40.05.2;Петров Пётр;01.05.2008;" + hugeBilet + ";10-А;30.09.2026;;М"});
    const ImportTableResult result = Import(Table("a.csv", text));
    EXPECT_EQ(result.added, 1u);
    EXPECT_EQ(result.erroneous, 1u);
    EXPECT_EQ(RowLines(), (std::vector<std::string>{"5;П.40.05.1;Ив ан;30.09.2026" + kFioFailure}));
    EXPECT_EQ(FieldText(Records().at(0).BILET), "7777777777");
}

TEST_F(ImportTableTest, ViewerFailureIsReportedWithCode) {
    m_op.viewerWorks = false;
    Import(Table("a.csv", Lines({kNine})));
    ASSERT_EQ(m_op.shown.size(), 1u);
    EXPECT_EQ(m_op.shown[0].icon, Operator::Icon::Warning);
    EXPECT_EQ(m_op.shown[0].text, "Не удалось открыть файл протокола. Код ошибки 0");
    EXPECT_TRUE(std::filesystem::exists(m_program / kImportProtocolName));
}

TEST_F(ImportTableTest, WholeRegisterFromOneFileAndNoRecordBeyond) {
    // 65,536 rows with all fifteen columns: more than a 16-bit signed count,
    // one more than the register holds.
    constexpr int kRows = 65536;
    std::string text = kFifteen + "\r\n";
    text.reserve(kRows * 110);
    for (int i = 1; i <= kRows; ++i) {
        std::string number = std::to_string(i);
        number.insert(0, 7 - number.size(), '0');
        text += Row15("П.40.05." + number, "Иванов Иван") + "\r\n";
    }
    const auto path = Table("big.csv", text);

    const auto start = std::chrono::steady_clock::now();
    const ImportTableResult result = Import(path);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << "65,536 rows imported in " << seconds << " s\n";
    RecordProperty("seconds", std::to_string(seconds));

    EXPECT_EQ(result.rows, 65536u);
    EXPECT_EQ(result.added, 65535u);
    EXPECT_EQ(result.erroneous, 1u);
    EXPECT_EQ(Records().size(), 65535u);
    EXPECT_EQ(RowLines(), (std::vector<std::string>{"5;П.40.05.0065536;Иванов Иван;30.09.2026 - "
                                                    "Ошибка: " +
                                                    std::string(kRegisterFullMessage)}));
    EXPECT_TRUE(m_details.FindDoc("П.40.05.0065535"));
    EXPECT_FALSE(m_details.FindDoc("П.40.05.0065536"));
    EXPECT_LE(m_op.progress.size(), 102u);
    // Generous for a shared machine; the point is that nothing grows
    // quadratically with the rows.
    EXPECT_LT(seconds, 20.0);
}

TEST(SchemaIni, TwoStages) {
    EXPECT_EQ(
        SchemaIniLines("list.csv"),
        (std::vector<std::string>{"[list.csv]", "ColNameHeader=True", "Format=Delimited(;)"}));
    ImportedTable table;
    table.columns = {"pLACEofbirth", "ORG", "OLDFIO", "x", "IssueDate"};
    const ImportColumns found = ImportColumns::Find(table);
    EXPECT_EQ(SchemaIniLines("Список.txt", &found),
              (std::vector<std::string>{"[Список.txt]", "ColNameHeader=True", "Format=Delimited(;)",
                                        "Col1=ORG integer", "Col10=IssueDate Text Width 10",
                                        "Col13=PlaceOfBirth  Text Width 255",
                                        "Col15=OLDFIO Text Width 46"}));
}

}  // namespace
}  // namespace vrklad::test
