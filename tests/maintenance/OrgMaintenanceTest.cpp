#include "maintenance/OrgMaintenance.h"
#include "maintenance/OrgSessionFixture.h"
#include "session/OrganizationItems.h"

namespace vrklad::test {
namespace {

constexpr RecordDate kToday{2024, 3, 1};

class OrgMaintenance : public OrgSessionFixture {};

TEST_F(OrgMaintenance, ReplaceOkpoMovesTheRegisterAndMarksEveryRecord) {
    Start(SchoolConfig(),
          {Learner(123, 45), Learner(123, 45, 7, 0, Deleted), Learner(123, 45, 9, 0, 0x0080)});
    m_op.codes = {456};

    EXPECT_TRUE(ReplaceOkpo(m_session, m_op));

    EXPECT_EQ(m_op.Texts(), std::vector<std::string>{"Обновлено записей: 3"});
    EXPECT_FALSE(Exists("123.sch"));
    EXPECT_EQ(m_session.RegisterName(), "456.sch");
    EXPECT_EQ(m_session.Register().Path(), File("456.sch"));
    EXPECT_EQ(ReadConfig().OrgOKPO[0], 456);
    const std::vector<StudentRecord> records = Records();
    ASSERT_EQ(records.size(), 3u);
    const uint16_t lastChanges[] = {OrgChanged, Deleted, OrgChanged};
    for (size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE(i);
        const StudentRecord& r = records[i];
        EXPECT_EQ(r.OKPO, 456u);
        // The deleted learner stays deleted rather than coming back.
        EXPECT_EQ(r.LastChange, lastChanges[i]);
        EXPECT_EQ(r.AllChanges, 0x0100 | OrgChanged);
        EXPECT_EQ(r.ChangeDate, kToday);
        EXPECT_EQ(r.ORG, 45);
    }
    // Sealed over the changed records under the new name.
    EXPECT_TRUE(VerifyRegister(m_session.Register(), "456.sch"));
}

TEST_F(OrgMaintenance, ReplaceOkpoWithoutAChangeDoesNothing) {
    const struct {
        const char* name;
        uint32_t code;
    } cases[] = {{"cancelled", 0}, {"same code", 123}};
    Start(SchoolConfig(), {Learner(123, 45)});
    const std::string before = ReadFile(File("123.sch"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_op.codes = {c.code};
        EXPECT_FALSE(ReplaceOkpo(m_session, m_op));
        EXPECT_TRUE(m_op.shown.empty());
        EXPECT_EQ(m_session.RegisterName(), "123.sch");
        EXPECT_EQ(ReadFile(File("123.sch")), before);
    }
}

TEST_F(OrgMaintenance, ReplaceOkpoOntoAnExistingFileIsRefusedBeforeAnyRecordChanges) {
    Start(SchoolConfig(), {Learner(123, 45), Learner(123, 45)});
    WriteFile(File("456.sch"), "another register");
    const std::string before = ReadFile(File("123.sch"));
    m_op.codes = {456};

    EXPECT_FALSE(ReplaceOkpo(m_session, m_op));

    ASSERT_EQ(m_op.shown.size(), 1u);
    EXPECT_EQ(m_op.shown[0].icon, Operator::Icon::Error);
    EXPECT_EQ(m_op.shown[0].text,
              "Файл данных 456.sch уже существует. Код ОКПО не заменён, изменения не внесены.");
    EXPECT_EQ(ReadFile(File("123.sch")), before);
    EXPECT_EQ(ReadFile(File("456.sch")), "another register");
    EXPECT_EQ(m_session.Config().OrgOKPO[0], 123);
    EXPECT_EQ(m_session.RegisterName(), "123.sch");
    EXPECT_TRUE(m_session.Register().IsOpen());
}

TEST_F(OrgMaintenance, ReplaceAgencyChangesTheRecordsOfAnotherCode) {
    const struct {
        const char* name;
        uint32_t code;
        std::vector<std::string> texts;
        std::vector<uint16_t> orgs;       // ORG of the three records afterwards
        std::vector<uint16_t> lastCodes;  // their LastChange
        uint16_t ownAgency;
    } cases[] = {
        {"new code", 77, {"Обновлено записей: 2"}, {77, 77, 77}, {0x40, 0x10, 0x08}, 77},
        {"the code all records carry",
         77,
         {"Обновлено записей: 0"},
         {77, 77, 77},
         {0x40, 0x10, 0x08},
         77},
        {"cancelled", 0, {}, {77, 77, 77}, {0x40, 0x10, 0x08}, 77},
    };
    Start(SchoolConfig(), {Learner(123, 45), Learner(123, 77), Learner(123, 45, 7, 0, Deleted)});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_op.shown.clear();
        m_op.codes = {c.code};
        ReplaceAgency(m_session, m_op);
        EXPECT_EQ(m_op.Texts(), c.texts);
        const std::vector<StudentRecord> records = Records();
        ASSERT_EQ(records.size(), 3u);
        for (size_t i = 0; i < records.size(); ++i) {
            EXPECT_EQ(records[i].ORG, c.orgs[i]);
            EXPECT_EQ(records[i].LastChange, c.lastCodes[i]);
            EXPECT_EQ(records[i].OKPO, 123u);
        }
        EXPECT_EQ(m_session.Config().OwnAgency, c.ownAgency);
        EXPECT_EQ(m_session.Config().OrgAgency[0], c.ownAgency);
        EXPECT_EQ(ReadConfig().OwnAgency, c.ownAgency);
    }
    const std::vector<StudentRecord> records = Records();
    EXPECT_EQ(records[0].AllChanges, 0x0100 | OrgChanged);
    EXPECT_EQ(records[0].ChangeDate, kToday);
    EXPECT_EQ(records[1].ChangeDate, (RecordDate{2023, 9, 1}));
}

TEST_F(OrgMaintenance, DeleteOrganizationMarksItsRecordsAndRecountsTheTable) {
    StudentRecord earlier = Learner(111, 1, 5, 0, Deleted);
    earlier.AllChanges = 0x0010;
    Start(DistrictConfig(),
          {Learner(222, 2), Learner(111, 1, 5, 0, 0x0080), earlier, Learner(333, 3)}, 0);
    RecountOrganizations(m_session.Config(), m_session.Register(), 0);
    ASSERT_EQ(m_session.Config().OrgCount, 3);
    m_op.organizations = {Operator::OrgItem{"111(1)", 111}};
    m_op.answers = {Operator::Answer::Yes};

    EXPECT_TRUE(DeleteOrganization(m_session, m_op));

    ASSERT_EQ(m_op.organizationLists.size(), 1u);
    EXPECT_EQ(m_op.organizationLists[0].size(), 3u);
    ASSERT_EQ(m_op.shown.size(), 1u);
    EXPECT_EQ(m_op.shown[0].icon, Operator::Icon::Question);
    EXPECT_EQ(m_op.shown[0].buttons, Operator::Buttons::YesNo);
    EXPECT_EQ(m_op.shown[0].text,
              "Вы действительно желаете удалить данные из БД по организации 111(1) ?");

    const std::vector<StudentRecord> records = Records();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].LastChange, Added);
    EXPECT_EQ(records[0].ChangeDate, (RecordDate{2023, 9, 1}));
    EXPECT_EQ(records[1].LastChange, Deleted);
    EXPECT_EQ(records[1].AllChanges, 0x0100 | 0x0080);
    EXPECT_EQ(records[1].ChangeDate, kToday);
    // Deleted again: today's date, and its earlier deletion joins the history.
    EXPECT_EQ(records[2].LastChange, Deleted);
    EXPECT_EQ(records[2].AllChanges, 0x0010 | Deleted);
    EXPECT_EQ(records[2].ChangeDate, kToday);
    EXPECT_EQ(records[3].LastChange, Added);

    const ProgramConfig stored = ReadConfig();
    EXPECT_EQ(stored.OrgCount, 2);
    EXPECT_EQ(stored.OrgOKPO[0], 222);
    EXPECT_EQ(stored.OrgOKPO[1], 333);
    EXPECT_EQ(stored.OrgOKPO[2], 0);
    EXPECT_EQ(stored.OrgAgency[1], 3);
    EXPECT_EQ(stored.TotalLearners, 2);
    std::vector<uint32_t> listed;
    for (const auto& item : OrganizationItems(m_session.Config())) listed.push_back(item.okpo);
    EXPECT_EQ(listed, (std::vector<uint32_t>{222, 333}));
}

TEST_F(OrgMaintenance, DeleteOrganizationCancelledChangesNothing) {
    const struct {
        const char* name;
        std::optional<Operator::OrgItem> choice;
        size_t questions;
    } cases[] = {
        {"selection cancelled", std::nullopt, 0},
        {"question answered No", Operator::OrgItem{"111(1)", 111}, 1},
    };
    Start(DistrictConfig(), {Learner(111, 1), Learner(222, 2)}, 0);
    RecountOrganizations(m_session.Config(), m_session.Register(), 0);
    const std::string before = ReadFile(File("SCHOOL.R_N"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_op.shown.clear();
        m_op.organizations = {c.choice};
        m_op.answers = {Operator::Answer::No};
        EXPECT_FALSE(DeleteOrganization(m_session, m_op));
        EXPECT_EQ(m_op.shown.size(), c.questions);
        EXPECT_EQ(ReadFile(File("SCHOOL.R_N")), before);
        EXPECT_EQ(m_session.Config().OrgCount, 2);
    }
}

TEST_F(OrgMaintenance, DeleteOrganizationByCodeAsksAndRefusesAnUnknownCode) {
    Start(DistrictConfig(), {Learner(111, 1), Learner(222, 2)}, 0);
    RecountOrganizations(m_session.Config(), m_session.Register(), 0);
    m_op.answers = {Operator::Answer::Yes};

    EXPECT_FALSE(DeleteOrganization(m_session, m_op, 999));
    EXPECT_TRUE(DeleteOrganization(m_session, m_op, 222));

    EXPECT_EQ(m_op.Texts(),
              (std::vector<std::string>{
                  "Организация с кодом ОКПО 999 не найдена в таблице организаций. Изменения не "
                  "внесены.",
                  "Вы действительно желаете удалить данные из БД по организации 222(2) ?"}));
    EXPECT_EQ(Records()[1].LastChange, Deleted);
    EXPECT_EQ(Records()[0].LastChange, Added);
}

// The batch tool reaches these in either mode; each belongs to one.
TEST_F(OrgMaintenance, CommandsOfTheOtherModeAreRefused) {
    struct Case {
        const char* name;
        bool district;
        bool (*run)(Session&, Operator&);
        const char* text;
    };
    const Case cases[] = {
        {"replace OKPO", true, [](Session& s, Operator& o) { return ReplaceOkpo(s, o, 456); },
         "Заменить ОКПО можно только в режиме одной организации. Изменения не внесены."},
        {"replace agency", true, [](Session& s, Operator& o) { return ReplaceAgency(s, o, 7); },
         "Заменить код агенства можно только в режиме одной организации. Изменения не внесены."},
        {"delete organization", false,
         [](Session& s, Operator& o) { return DeleteOrganization(s, o, 123); },
         "Удалить организацию можно только в режиме РОНО. Изменения не внесены."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WriteFile(dir / "VR_KLAD.INI", "[Options]\r\nTypeOrganization=1\r\n");
        const ProgramConfig config = c.district ? DistrictConfig() : SchoolConfig();
        WriteFile(dir / "vrklad.cnf",
                  std::string(reinterpret_cast<const char*>(&config), sizeof config));
        WriteFile(dir / RegisterFileName(config), "");
        Session session(dir.Dir());
        ScriptedOperator op;
        ASSERT_EQ(session.Startup(op), Session::StartupResult::Ready);
        op.answers = {Operator::Answer::Yes};
        EXPECT_FALSE(c.run(session, op));
        EXPECT_EQ(op.Texts(), std::vector<std::string>{c.text});
        EXPECT_EQ(session.RegisterName(), RegisterFileName(config));
        session.Exit(op);
    }
}

}  // namespace
}  // namespace vrklad::test
