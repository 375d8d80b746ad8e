#include "maintenance/OrgSessionFixture.h"
#include "maintenance/Reports.h"
#include "register/TextFile.h"

namespace vrklad::test {
namespace {

using Lines = std::vector<std::string>;

constexpr uint8_t kA = 0xC0;        // "А"
constexpr uint8_t kSmallA = 0xE0;   // "а"
constexpr uint8_t kB = 0xC1;        // "Б"
constexpr uint8_t kYa = 0xDF;       // "Я"
constexpr uint8_t kSmallYa = 0xFF;  // "я"
constexpr uint8_t kYo = 0xA8;       // "Ё"

class Reports : public OrgSessionFixture {
protected:
    // Two organizations of a district office, with their counts as a recount
    // left them.
    static ProgramConfig TwoOrganizations() {
        ProgramConfig config = DistrictConfig();
        config.OrgCount = 2;
        config.OrgOKPO[0] = 111;
        config.OrgAgency[0] = 1;
        config.OrgLearners[0] = 3;
        config.OrgOKPO[1] = 222;
        config.OrgAgency[1] = 2;
        config.OrgLearners[1] = 2;
        config.TotalLearners = 5;
        return config;
    }
};

TEST_F(Reports, OrganizationReportLines) {
    ProgramConfig three = EmptyConfig();
    three.OrgCount = 3;
    three.OrgOKPO[0] = 12345678;
    three.OrgAgency[0] = 123;
    three.OrgLearners[0] = 456;
    three.OrgOKPO[1] = 1;
    three.OrgAgency[1] = 7;
    three.OrgOKPO[2] = 99999999;
    three.OrgAgency[2] = 999;
    three.OrgLearners[2] = 65535;
    three.TotalLearners = 1000;
    const struct {
        const char* name;
        ProgramConfig config;
        Lines lines;
    } cases[] = {
        {"three organizations",
         three,
         {"Код ОКПО; Орг.; Кол-во", "12345678; 123 ; 456", "1; 7 ; 0", "99999999; 999 ; 65535",
          "Всего организаций 3, 1000 человек(а)"}},
        {"no organizations",
         EmptyConfig(),
         {"Код ОКПО; Орг.; Кол-во", "Всего организаций 0, 0 человек(а)"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(OrganizationReportLines(c.config), c.lines);
    }
}

TEST_F(Reports, ClassReportCountsByClassAndLetter) {
    const struct {
        const char* name;
        std::vector<StudentRecord> records;
        Lines classLines;  // between the heading and the total line
    } cases[] = {
        {"empty register", {}, {}},
        {"letters and classes in order",
         {Learner(123, 45, 10, 0), Learner(123, 45, 5, kB), Learner(123, 45, 5, kA),
          Learner(123, 45, 5, 0), Learner(123, 45, 1, kYa), Learner(123, 45, 12, kA)},
         {"1  'Я';1", "5  ' ';1", "5  'А';1", "5  'Б';1", "10  ' ';1", "12  'А';1"}},
        {"lower case counts with its capital",
         {Learner(123, 45, 5, kSmallA), Learner(123, 45, 5, kA), Learner(123, 45, 5, kSmallYa)},
         {"5  'А';2", "5  'Я';1"}},
        {"deleted and excluded records do not count, changed ones do",
         {Learner(123, 45, 7, kB, Deleted), Learner(123, 45, 7, kB, ExcludedOther),
          Learner(123, 45, 7, kB, OrgChanged), Learner(123, 45, 7, kB, 0x0808)},
         {"7  'Б';2"}},
        {"records outside the table are counted as others",
         {Learner(123, 45, 0, 0), Learner(123, 45, 13, kA), Learner(123, 45, 255, 0),
          Learner(123, 45, 3, kYo), Learner(123, 45, 3, '1'), Learner(123, 45, 3, 'q'),
          Learner(123, 45, 3, kA), Learner(123, 45, 0, 0, Deleted)},
         {"3  'А';1", "Прочие;6"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        RegisterFile reg;
        ASSERT_EQ(reg.Create(dir / "123.sch"), RegisterFile::OpenResult::Ok);
        for (const StudentRecord& r : c.records) reg.Append(r);
        ProgramConfig config = SchoolConfig();
        config.OrgLearners[0] = 42;  // as the last recount left it
        Lines expected{"Класс ;Кол-во"};
        expected.insert(expected.end(), c.classLines.begin(), c.classLines.end());
        expected.push_back("Всего в организации '123' : 42 человек(а)");
        EXPECT_EQ(ClassReportLines(config, reg, std::nullopt), expected);
    }
}

TEST_F(Reports, ReportByOrganizationsIsWrittenAndOpened) {
    Start(SchoolConfig(), {Learner(123, 45)});
    m_session.Config().OrgLearners[0] = 1;
    m_session.Config().TotalLearners = 1;

    EXPECT_TRUE(ReportByOrganizations(m_session, m_op));

    EXPECT_EQ(ReadFile(File("Export/RepOrg.txt")),
              "\xCA\xEE\xE4 \xCE\xCA\xCF\xCE; \xCE\xF0\xE3.; \xCA\xEE\xEB-\xE2\xEE\r\n"
              "123; 45 ; 1\r\n" +
                  TextFileBytes({"Всего организаций 1, 1 человек(а)"}));
    EXPECT_EQ(m_op.viewed, std::vector<std::string>{File("Export/RepOrg.txt").string()});
    EXPECT_TRUE(m_op.shown.empty());
}

TEST_F(Reports, ViewerFailureIsReportedAndTheFileStays) {
    Start(SchoolConfig(), {Learner(123, 45)});
    m_op.viewerWorks = false;

    EXPECT_TRUE(ReportByClasses(m_session, m_op));

    ASSERT_EQ(m_op.shown.size(), 1u);
    EXPECT_EQ(m_op.shown[0].icon, Operator::Icon::Warning);
    EXPECT_EQ(m_op.shown[0].text, "Не удалось открыть файл. Код ошибки 31");
    EXPECT_EQ(
        ReadFile(File("Export/RepKlass.txt")),
        TextFileBytes({"Класс ;Кол-во", "5  ' ';1", "Всего в организации '123' : 0 человек(а)"}));
}

TEST_F(Reports, ClassReportOfOneOrganizationChosenFromTheTable) {
    Start(TwoOrganizations(),
          {Learner(111, 1, 2, kA), Learner(222, 2, 2, kA), Learner(222, 2, 3, 0),
           Learner(111, 1, 4, kB)},
          0);
    m_op.organizations = {Operator::OrgItem{"222(2)", 222}};

    EXPECT_TRUE(ReportByClasses(m_session, m_op));

    ASSERT_EQ(m_op.organizationLists.size(), 1u);
    EXPECT_EQ(m_op.organizationLists[0].size(), 2u);
    EXPECT_EQ(ReadFile(File("Export/RepKlass.txt")),
              TextFileBytes({"Класс ;Кол-во", "2  'А';1", "3  ' ';1",
                             "Всего в организации '222' : 2 человек(а)"}));
    EXPECT_EQ(m_op.viewed, std::vector<std::string>{File("Export/RepKlass.txt").string()});
}

TEST_F(Reports, CancelledChoiceWritesNoReport) {
    Start(TwoOrganizations(), {Learner(111, 1)}, 0);
    m_op.organizations = {std::nullopt};

    EXPECT_FALSE(ReportByClasses(m_session, m_op));

    EXPECT_FALSE(Exists("Export/RepKlass.txt"));
    EXPECT_TRUE(m_op.viewed.empty());
    EXPECT_TRUE(m_op.shown.empty());
}

TEST_F(Reports, BatchClassReportTakesTheOrganizationWithoutAsking) {
    Start(TwoOrganizations(), {Learner(111, 1, 2, kA), Learner(222, 2, 3, 0)}, 0);

    EXPECT_FALSE(ReportByClasses(m_session, m_op, 333u));
    EXPECT_TRUE(ReportByClasses(m_session, m_op, 111u));

    EXPECT_TRUE(m_op.organizationLists.empty());
    EXPECT_EQ(m_op.Texts(),
              Lines{"Организация с кодом ОКПО 333 не найдена в таблице организаций."});
    EXPECT_EQ(
        ReadFile(File("Export/RepKlass.txt")),
        TextFileBytes({"Класс ;Кол-во", "2  'А';1", "Всего в организации '111' : 3 человек(а)"}));
}

}  // namespace
}  // namespace vrklad::test
