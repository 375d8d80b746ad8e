#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "exchange/ImportRow.h"
#include "exchange/ImportedTable.h"
#include "register/Clock.h"
#include "register/ProgramConfig.h"

namespace vrklad {
namespace {

const std::vector<std::string> kHeader = {
    "ORG",     "DOC",       "FIO",    "DBIRTH",     "BILET",        "KLASS",  "DATEEND", "SNILS",
    "PersSex", "IssueDate", "Issuer", "IssuerCode", "PlaceOfBirth", "OLDDOC", "OLDFIO"};

// A row that passes every step: school, class 10-А, today 1 March 2024.
std::vector<std::string> GoodRow() {
    return {"5",
            "П.40.05.123456",
            "Иванов Иван Иванович",
            "01.05.2008",
            "0012345",
            "10-А",
            "30.09.2026",
            "11223344595",
            "М",
            "10.06.2022",
            "ОВД района",
            "770001",
            "г. Москва",
            "",
            ""};
}

class ImportRowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetNowForTesting(LocalDateTime{2024, 3, 1, 10, 0, 0});
        m_config.OrgType = 1;
        m_config.OrgCount = 2;
        m_config.OrgOKPO[0] = 12345678;
        m_config.OrgAgency[0] = 5;
        m_config.OrgOKPO[1] = 87654321;
        m_config.OrgAgency[1] = 6;
        ImportedTable table;
        table.columns = kHeader;
        m_columns = ImportColumns::Find(table);
    }
    void TearDown() override { SetNowForTesting(std::nullopt); }

    ImportedRow Run(const std::vector<std::string>& values) {
        const ImportRules rules{m_config, SchoolYear{1, 12, 9, 30}, RecordDate{2024, 2, 20}};
        return ImportRow(values, m_columns, rules, 7);
    }

    ProgramConfig m_config = EmptyConfig();
    ImportColumns m_columns;
};

// Changes of the good row and the protocol text each must give, after the
// prefix ORG;DOC;FIO;DATEEND of the changed row.
struct BadRow {
    const char* name;
    std::function<void(std::vector<std::string>&)> change;
    std::string failure;
};

TEST_F(ImportRowTest, EachStepRefusesWithItsProtocolText) {
    const std::string klass =
        "  - ошибка: в написании номера класса\\курса(допустимые варианты написания: XX-A или XX, "
        "где XX-номер класса/курса, A-буква кириллицы или цифра, например 10-А,10-Б,10-1,10-2);";
    const std::string fio =
        "  - ФИО должно быть заполнено и начинаться с заглавной буквы алфавита, может содержать "
        "символы дефис и пробел;";
    const std::string range =
        " - Агентский код организации указан неверно. Код агенства выдается Корваленом и "
        "принимает значение от 1 до 999 ;";
    const std::vector<BadRow> cases = {
        {"a: letters in ORG", [](auto& v) { v[0] = "5a"; },
         "  - ошибка: код организации содержит не цифровые символы;"},
        {"a: a sign is no digit", [](auto& v) { v[0] = "-5"; },
         "  - ошибка: код организации содержит не цифровые символы;"},
        {"a before d", [](auto& v) { v[0] = "x", v[2] = "иванов"; },
         "  - ошибка: код организации содержит не цифровые символы;"},
        {"b: check digits", [](auto& v) { v[7] = "11223344594"; },
         "  - ошибка: Указан не коректный СНИЛС"},
        {"b before c", [](auto& v) { v[7] = "11223344594", v[8] = ""; },
         "  - ошибка: Указан не коректный СНИЛС"},
        {"c: no sex", [](auto& v) { v[8] = ""; },
         "  - ошибка: поле PersSex обязательно для заполнения!"},
        {"c: blanks only", [](auto& v) { v[8] = "  "; },
         "  - ошибка: поле PersSex обязательно для заполнения!"},
        {"d: lower-case name", [](auto& v) { v[2] = "иванов иван"; }, fio},
        {"d: empty name", [](auto& v) { v[2] = ""; }, fio},
        {"d: two blanks", [](auto& v) { v[2] = "Иванов  Иван"; }, fio},
        {"d: Latin", [](auto& v) { v[2] = "Ivanov"; }, fio},
        {"e: previous name", [](auto& v) { v[14] = "петров"; },
         "  - поле OLDFIO: ФИО должно начинаться с заглавной буквы алфавита, может содержать "
         "символы дефис и пробел;"},
        {"d before e", [](auto& v) { v[2] = "x", v[14] = "y"; }, fio},
        {"f: ISO date", [](auto& v) { v[3] = "2008-05-01"; },
         "  - ошибка: неверный формат даты рождения;"},
        {"f: no such day", [](auto& v) { v[3] = "30.02.2008"; },
         "  - ошибка: неверный формат даты рождения;"},
        {"f: empty", [](auto& v) { v[3] = ""; }, "  - ошибка: неверный формат даты рождения;"},
        {"h: no year", [](auto& v) { v[6] = "30.09"; },
         "  - ошибка: неверный формат даты окончания льготы;"},
        {"f before h", [](auto& v) { v[3] = "x", v[6] = "y"; },
         "  - ошибка: неверный формат даты рождения;"},
        {"i: letter without hyphen", [](auto& v) { v[5] = "10А"; }, klass},
        {"i: hyphen without letter", [](auto& v) { v[5] = "10-"; }, klass},
        {"i: above MaxKlass", [](auto& v) { v[5] = "13"; }, klass},
        {"i: class 266 is not class 10", [](auto& v) { v[5] = "266-А"; }, klass},
        {"i: zero", [](auto& v) { v[5] = "0"; }, klass},
        {"i: empty", [](auto& v) { v[5] = ""; }, klass},
        {"i: negative", [](auto& v) { v[5] = "-1"; }, klass},
        {"k: end too late", [](auto& v) { v[6] = "01.10.2027"; },
         " - Дата окончания льготы превышает максимально допустимую: 30-9-2027;"},
        {"k: end today", [](auto& v) { v[6] = "01.03.2024"; },
         " - Дата окончания льготы должна быть больше текущей!;"},
        {"i before k", [](auto& v) { v[5] = "10А", v[6] = "01.03.2024"; }, klass},
        {"m: unknown agency", [](auto& v) { v[0] = "7"; },
         " - Код организации отсутствует в файле данных;"},
        {"m: empty ORG reads as 0", [](auto& v) { v[0] = ""; }, range},
        {"m: 1000", [](auto& v) { v[0] = "1000"; }, range},
        {"m: 65541 does not wrap to 5", [](auto& v) { v[0] = "65541"; }, range},
        {"m: very long", [](auto& v) { v[0] = "123456789012345678901234567890"; }, range},
        {"n: document format", [](auto& v) { v[1] = "П.4.05.1234567"; },
         " - не верный формат документа;"},
        {"n: number 0", [](auto& v) { v[1] = "П.40.05.0000000"; },
         " - Номер документа не должен быть равен 0 и состоять из 7 цифр;"},
        {"m before n", [](auto& v) { v[0] = "7", v[1] = "x"; },
         " - Код организации отсутствует в файле данных;"},
        {"o: previous document", [](auto& v) { v[13] = "П.40"; },
         " - поле OLDDOC:не верный формат документа;"},
        {"width: a value too many", [](auto& v) { v.push_back("x"); },
         "  - ошибка: в строке 7 файла значений 16, а столбцов в заголовке 15;"},
        {"width: a value too few", [](auto& v) { v.pop_back(); },
         "  - ошибка: в строке 7 файла значений 14, а столбцов в заголовке 15;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> values = GoodRow();
        c.change(values);
        const ImportedRow row = Run(values);
        EXPECT_EQ(row.failure, c.failure);
        const auto at = [&](size_t i) { return i < values.size() ? values[i] : std::string(); };
        EXPECT_EQ(row.prefix, at(0) + ";" + at(1) + ";" + at(2) + ";" + at(6));
    }
}

TEST_F(ImportRowTest, GoodRowFillsTheRecord) {
    const ImportedRow row = Run(GoodRow());
    ASSERT_TRUE(row.ok()) << row.failure;
    const StudentRecord& r = row.record;
    EXPECT_EQ(FieldText(r.DOC), "П.40.05.0123456");
    EXPECT_EQ(FieldText(r.FIO), "Иванов Иван Иванович");
    EXPECT_EQ(FieldText(r.BILET), "0012345");
    EXPECT_EQ(r.SNILS, 11223344595);
    EXPECT_EQ(r.PersSex, kSexMale);
    EXPECT_EQ(r.DBIRTH, (RecordDate{2008, 5, 1}));
    EXPECT_EQ(r.DATEEND, (RecordDate{2026, 9, 30}));
    EXPECT_EQ(r.KlassNumber, 10);
    EXPECT_EQ(r.KlassLetter, 0xC0);  // А
    EXPECT_EQ(r.JuniorFlag, 0);
    EXPECT_EQ(r.ChangeDate, (RecordDate{2024, 2, 20}));  // the file's date
    EXPECT_EQ(r.ORG, 5);
    EXPECT_EQ(r.OKPO, 12345678u);
    EXPECT_EQ(r.AllChanges, 0);
    EXPECT_EQ(r.LastChange, 0);
    EXPECT_EQ(FieldText(r.OLDFIO), "");
    EXPECT_EQ(FieldText(r.OLDDOC), "");
    EXPECT_EQ(row.prefix, "5;П.40.05.123456;Иванов Иван Иванович;30.09.2026");
}

TEST_F(ImportRowTest, FieldsAreTakenAsTheRulesSay) {
    const struct {
        const char* name;
        std::function<void(std::vector<std::string>&)> change;
        std::function<void(const StudentRecord&)> expect;
    } cases[] = {
        {"SNILS with separators is none", [](auto& v) { v[7] = "112-233-445 95"; },
         [](const auto& r) { EXPECT_EQ(r.SNILS, 0); }},
        {"empty SNILS is none", [](auto& v) { v[7] = ""; },
         [](const auto& r) { EXPECT_EQ(r.SNILS, 0); }},
        {"first character of PersSex", [](auto& v) { v[8] = "Женский"; },
         [](const auto& r) { EXPECT_EQ(r.PersSex, kSexFemale); }},
        {"any PersSex", [](auto& v) { v[8] = "x"; },
         [](const auto& r) { EXPECT_EQ(r.PersSex, 'x'); }},
        {"class without letter", [](auto& v) { v[5] = "10"; },
         [](const auto& r) {
             EXPECT_EQ(r.KlassNumber, 10);
             EXPECT_EQ(r.KlassLetter, 0);
         }},
        {"digit as letter", [](auto& v) { v[5] = " 10-1 "; },
         [](const auto& r) { EXPECT_EQ(r.KlassLetter, '1'); }},
        {"junior class", [](auto& v) { v[5] = "7-Б", v[6] = "30.09.2029"; },
         [](const auto& r) {
             EXPECT_EQ(r.KlassNumber, 7);
             EXPECT_EQ(r.KlassLetter, 0xC1);
             EXPECT_EQ(r.JuniorFlag, 1);
         }},
        {"BILET cut to 10", [](auto& v) { v[4] = " 123456789012 "; },
         [](const auto& r) { EXPECT_EQ(FieldText(r.BILET), "1234567890"); }},
        {"FIO cut to 46 bytes",
         [](auto& v) { v[2] = "Иванов Иван Иванович Иванов Иван Иванович Иванов Иван"; },
         [](const auto& r) {
             EXPECT_EQ(FieldBytes(r.FIO).size(), 46u);
             EXPECT_EQ(FieldText(r.FIO), "Иванов Иван Иванович Иванов Иван Иванович Иван");
         }},
        {"blanks around values",
         [](auto& v) { v[0] = " 005 ", v[2] = " Иванов ", v[3] = " 1.5.2008"; },
         [](const auto& r) {
             EXPECT_EQ(r.ORG, 5);
             EXPECT_EQ(FieldText(r.FIO), "Иванов");
             EXPECT_EQ(r.DBIRTH, (RecordDate{2008, 5, 1}));
         }},
        {"the second organization", [](auto& v) { v[0] = "6"; },
         [](const auto& r) { EXPECT_EQ(r.OKPO, 87654321u); }},
        {"previous name and document", [](auto& v) { v[13] = "С.IV.АК.1", v[14] = "Петров Пётр"; },
         [](const auto& r) {
             EXPECT_EQ(FieldText(r.OLDDOC), "С.IV.АК.0000001");
             EXPECT_EQ(FieldText(r.OLDFIO), "Петров Пётр");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> values = GoodRow();
        c.change(values);
        const ImportedRow row = Run(values);
        ASSERT_TRUE(row.ok()) << row.failure;
        c.expect(row.record);
    }
}

TEST_F(ImportRowTest, PrefixIsOneLine) {
    std::vector<std::string> values = GoodRow();
    values[2] = std::string("Иван\r\nов\0", 15);
    const ImportedRow row = Run(values);
    EXPECT_EQ(row.prefix, "5;П.40.05.123456;Иван  ов ;30.09.2026");
    EXPECT_FALSE(row.ok());
}

TEST_F(ImportRowTest, DetailsOfTheRow) {
    const struct {
        const char* name;
        std::function<void(std::vector<std::string>&)> change;
        bool written;
        std::string failure;
    } cases[] = {
        {"all given", [](auto&) {}, true, ""},
        {"no issue date: nothing to write", [](auto& v) { v[9] = ""; }, false, ""},
        {"issue date not a date", [](auto& v) { v[9] = "32.01.2020"; }, false,
         " - дата выдачи документа указана неверно, сведения о документе не записаны;"},
        {"issuer code not a number", [](auto& v) { v[11] = "770-001"; }, false,
         " - код подразделения, выдавшего документ, указан неверно, сведения о документе не "
         "записаны;"},
        {"issuer code too large", [](auto& v) { v[11] = "99999999999"; }, false,
         " - код подразделения, выдавшего документ, указан неверно, сведения о документе не "
         "записаны;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> values = GoodRow();
        c.change(values);
        const RowDetails d = ImportRowDetails(values, m_columns);
        EXPECT_EQ(d.details.has_value(), c.written);
        EXPECT_EQ(d.failure, c.failure);
    }
    std::vector<std::string> values = GoodRow();
    values[11] = "";
    const RowDetails d = ImportRowDetails(values, m_columns);
    ASSERT_TRUE(d.details);
    EXPECT_EQ(*d.details, (DocumentDetails{{2022, 6, 10}, "ОВД района", 0, "г. Москва"}));
}

TEST(ParseDottedDate, AcceptsCalendarDatesOnly) {
    const struct {
        const char* text;
        std::optional<RecordDate> date;
    } cases[] = {
        {"01.05.2008", RecordDate{2008, 5, 1}},
        {"1.5.2008", RecordDate{2008, 5, 1}},
        {" 29.02.2024 ", RecordDate{2024, 2, 29}},
        {"29.02.2023", std::nullopt},
        {"01.05.08", std::nullopt},
        {"01.13.2008", std::nullopt},
        {"01-05-2008", std::nullopt},
        {"01.05.2008 0:00:00", std::nullopt},
        {"001.05.2008", std::nullopt},
        {"", std::nullopt},
        {"..", std::nullopt},
        {"1.2.3.2008", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseDottedDate(c.text), c.date);
    }
}

}  // namespace
}  // namespace vrklad
