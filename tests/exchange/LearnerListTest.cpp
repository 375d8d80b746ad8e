#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "details/CreateDetailsDatabase.h"
#include "exchange/LearnerList.h"
#include "register/ChangeCodes.h"
#include "support/ScriptedOperator.h"
#include "support/TempDir.h"

namespace vrklad {
namespace {

using test::ReadFile;
using test::ScriptedOperator;
using test::TempDir;

const char* const kHeader =
    "ORG;DOC;FIO;DBIRTH;BILET;KLASS;DATEEND;SNILS;PersSex;IssueDate;Issuer;IssuerCode;"
    "PlaceOfBirth;OLDDOC;OLDFIO";

StudentRecord Learner(const std::string& doc, const std::string& fio) {
    StudentRecord r = EmptyRecord();
    r.OKPO = 123;
    r.ORG = 45;
    r.LastChange = Added;
    SetFieldText(r.DOC, doc);
    SetFieldText(r.FIO, fio);
    r.DBIRTH = {2010, 3, 5};
    SetFieldText(r.BILET, "0012345");
    r.KlassNumber = 7;
    r.KlassLetter = 0xC1;  // "Б"
    r.DATEEND = {2025, 6, 30};
    r.SNILS = 11223344595;
    r.PersSex = kSexMale;
    SetFieldText(r.OLDDOC, "II-АБ 654321");
    SetFieldText(r.OLDFIO, "Иванов Иван");
    return r;
}

class LearnerList : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(m_reg.Create(m_dir / "123.sch"), RegisterFile::OpenResult::Ok);
    }

    void ConnectDetails(const std::vector<std::pair<std::string, DocumentDetails>>& rows) {
        std::string error;
        ASSERT_TRUE(CreateDetailsDatabase(m_dir / kDetailsFileName,
                                          VRKLAD_SOURCE_DIR "/db/Additional.sql", &error))
            << error;
        ASSERT_TRUE(m_details.Open(m_dir.Path()));
        for (const auto& [doc, details] : rows) ASSERT_TRUE(m_details.InsertDoc(doc, details));
    }

    TempDir m_dir;
    RegisterFile m_reg;
    ScriptedOperator m_op;
    DetailsStore m_details{m_op};
};

TEST_F(LearnerList, LineHoldsFifteenFieldsAsStored) {
    StudentRecord plain = Learner("1234 567890", "Петров Пётр");
    plain.KlassLetter = 0;
    plain.SNILS = 0;
    plain.PersSex = 0;
    SetFieldText(plain.OLDDOC, "");
    SetFieldText(plain.OLDFIO, "");
    plain.DBIRTH = {987, 12, 31};

    StudentRecord full = Learner("IV-АБ 123456", "Сидорова Анна Сергеевна  ");  // not trimmed
    std::string fortySix;
    for (int i = 0; i < 46; ++i) fortySix += "Ж";
    StudentRecord wide = Learner("IV-АБ 123456", fortySix);  // fills the field, no zero byte

    const struct {
        const char* name;
        StudentRecord record;
        std::string line;
    } cases[] = {
        {"every field", full,
         "45;IV-АБ 123456;Сидорова Анна Сергеевна  ;05.03.2010;0012345;7-Б;30.06.2025;"
         "11223344595;М;;;;;II-АБ 654321;Иванов Иван"},
        {"no letter, SNILS, sex, previous data", plain,
         "45;1234 567890;Петров Пётр;31.12.987;0012345;7;30.06.2025;0;" + std::string(1, '\0') +
             ";;;;;;"},
        {"full name of 46 characters", wide,
         "45;IV-АБ 123456;" + fortySix +
             ";05.03.2010;0012345;7-Б;30.06.2025;11223344595;М;;;;;II-АБ 654321;Иванов Иван"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string line = LearnerListLine(c.record, m_details);
        EXPECT_EQ(line, c.line);
        size_t separators = 0;
        for (const char ch : line) separators += ch == ';';
        EXPECT_EQ(separators, 14u);
    }
}

TEST_F(LearnerList, DetailsFillTheirColumnsWhenTheStoreHoldsThem) {
    ConnectDetails({
        {"IV-АБ 123456", {{2020, 1, 2}, "ОВД района Южный", 770001, "г. Москва"}},
        {"1234 567890", {{}, "УФМС", 0, ""}},
    });
    const struct {
        const char* name;
        std::string doc;
        std::string columns;
    } cases[] = {
        {"all details", "IV-АБ 123456", "02.01.2020;ОВД района Южный;770001;г. Москва;"},
        {"no issue date", "1234 567890", ";УФМС;0;;"},
        {"none kept", "5555 555555", ";;;;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LearnerListLine(Learner(c.doc, "Иванов Иван"), m_details),
                  "45;" + c.doc + ";Иванов Иван;05.03.2010;0012345;7-Б;30.06.2025;11223344595;М;" +
                      c.columns + "II-АБ 654321;Иванов Иван");
    }
}

TEST_F(LearnerList, LinesFollowTheRowsInTheirOrder) {
    for (const char* fio : {"Первый", "Второй", "Третий"}) {
        ASSERT_EQ(m_reg.Append(Learner("1", fio)), RegisterFile::AppendResult::Ok);
    }
    const std::vector<uint16_t> rows = {2, 0, 7};  // 7 is past the end

    const std::vector<std::string> lines = LearnerListLines(m_reg, rows, m_details);

    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], kHeader);
    EXPECT_NE(lines[1].find(";Третий;"), std::string::npos);
    EXPECT_NE(lines[2].find(";Первый;"), std::string::npos);
}

TEST_F(LearnerList, FileIsCp1251WithCrLfAfterEveryLine) {
    StudentRecord r = Learner("1", "Ёжиков");
    r.PersSex = 0;
    ASSERT_EQ(m_reg.Append(r), RegisterFile::AppendResult::Ok);
    const std::vector<uint16_t> rows = {0};

    ASSERT_TRUE(ExportLearnerList(m_dir / "list.txt", m_reg, rows, m_details, m_op));

    const std::string expected =
        std::string(kHeader) + "\r\n" +
        "45;1;\xA8\xE6\xE8\xEA\xEE\xE2;05.03.2010;0012345;7-\xC1;30.06.2025;"
        "11223344595;" +
        std::string(1, '\0') +
        ";;;;;II-\xC0\xC1 654321;\xC8\xE2\xE0\xED\xEE\xE2 \xC8\xE2\xE0\xED"
        "\r\n";
    EXPECT_EQ(ReadFile(m_dir / "list.txt"), expected);
    EXPECT_TRUE(m_op.shown.empty());
}

TEST_F(LearnerList, FileThatCannotBeWrittenIsReported) {
    const std::vector<uint16_t> rows;
    EXPECT_FALSE(ExportLearnerList(m_dir / "missing" / "list.txt", m_reg, rows, m_details, m_op));
    ASSERT_EQ(m_op.shown.size(), 1u);
    EXPECT_EQ(m_op.shown[0].icon, Operator::Icon::Error);
    EXPECT_FALSE(std::filesystem::exists(m_dir / "missing"));
}

}  // namespace
}  // namespace vrklad
