#include <cstring>

#include "register/FaultInjection.h"
#include "register/SettingsIni.h"
#include "session/Session.h"
#include "session/SessionFixture.h"

namespace vrklad::test {
namespace {

using Result = Session::StartupResult;

class RenameRegister : public SessionFixture {
protected:
    void StartSchool() {
        WriteIni(1);
        WriteConfig(SchoolConfig());
        WriteRegister("123.sch", 2, "123.sch");
        ASSERT_EQ(m_session.Startup(m_op), Result::Ready);
    }
    Session m_session{Dir()};
};

TEST_F(RenameRegister, TypeChangeMovesTheRegisterAndKeepsItOpen) {
    const struct {
        uint8_t type;
        const char* name;
    } cases[] = {{3, "123.ptu"}, {4, "123.stu"}, {2, "123.stu"}, {1, "123.sch"}};
    StartSchool();
    const std::string records = ReadFile(File("123.sch")).substr(0, 2 * kRecordSize);
    std::string previous = "123.sch";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(m_session.ChangeOrgType(m_op, c.type));
        EXPECT_EQ(m_session.Config().OrgType, c.type);
        EXPECT_EQ(m_session.RegisterName(), c.name);
        EXPECT_TRUE(m_session.Register().IsOpen());
        EXPECT_EQ(m_session.Register().Path(), File(c.name));
        EXPECT_TRUE(Exists(c.name));
        if (previous != c.name) {
            EXPECT_FALSE(Exists(previous));
        }
        EXPECT_EQ(ReadFile(File(c.name)).substr(0, 2 * kRecordSize), records);
        // Sealed under the new name, so the next start finds it intact.
        EXPECT_TRUE(VerifyRegister(m_session.Register(), c.name));
        previous = c.name;
    }
    EXPECT_TRUE(m_op.shown.empty());
}

TEST_F(RenameRegister, MoveOntoAnExistingFileIsRefusedBeforeAnythingChanges) {
    StartSchool();
    WriteFile(File("123.ptu"), "somebody else's register");
    const std::string before = ReadFile(File("123.sch"));

    EXPECT_FALSE(m_session.ChangeOrgType(m_op, 3));

    ASSERT_EQ(m_op.shown.size(), 1u);
    EXPECT_EQ(m_op.shown[0].icon, Operator::Icon::Error);
    EXPECT_EQ(m_op.shown[0].text,
              "Файл данных 123.ptu уже существует. Файл данных 123.sch не переименован, "
              "изменения не внесены.");
    EXPECT_EQ(m_session.Config().OrgType, 1);
    EXPECT_EQ(m_session.RegisterName(), "123.sch");
    EXPECT_TRUE(m_session.Register().IsOpen());
    EXPECT_EQ(ReadFile(File("123.sch")), before);
    EXPECT_EQ(ReadFile(File("123.ptu")), "somebody else's register");

    // The register still works and is sealed under its own name at exit.
    EXPECT_EQ(m_session.Register().CountRecords(), 2u);
    m_session.Exit(m_op);
    EXPECT_EQ(ReadConfig().OrgType, 1);
}

TEST_F(RenameRegister, FailedMoveLeavesTheRegisterOpenUnderItsName) {
    StartSchool();
    const std::string before = ReadFile(File("123.sch"));
    fault::Arm(fault::Mode::DiskFull, 1);
    const bool changed = m_session.ChangeOrgType(m_op, 3);
    fault::Disarm();

    EXPECT_FALSE(changed);
    EXPECT_EQ(m_op.Texts(), std::vector<std::string>{
                                "Не удалось переименовать файл данных 123.sch в 123.ptu (" +
                                std::string(std::strerror(ENOSPC)) + "). Изменения не внесены."});
    EXPECT_EQ(m_session.RegisterName(), "123.sch");
    EXPECT_EQ(m_session.Config().OrgType, 1);
    EXPECT_TRUE(m_session.Register().IsOpen());
    EXPECT_EQ(ReadFile(File("123.sch")), before);
    EXPECT_FALSE(Exists("123.ptu"));
    EXPECT_EQ(ReadConfig().OrgType, 1);
}

TEST_F(RenameRegister, WithTheRegisterMissingOnlyTheNameChanges) {
    WriteIni(1);
    WriteConfig(SchoolConfig());
    ASSERT_EQ(m_session.Startup(m_op), Result::Restricted);
    m_op.shown.clear();

    EXPECT_TRUE(m_session.ChangeOrgType(m_op, 3));

    EXPECT_EQ(m_session.Config().OrgType, 3);
    EXPECT_EQ(m_session.RegisterName(), "123.ptu");
    EXPECT_FALSE(Exists("123.ptu"));
    EXPECT_TRUE(m_op.shown.empty());
}

TEST_F(RenameRegister, DistrictSubModeIsStoredAndTheNameStays) {
    WriteIni(1);
    ProgramConfig config = EmptyConfig();
    config.DistrictMode = 1;
    config.OrgType = 1;
    WriteConfig(config);
    WriteRegister("SCHOOL.R_N", 0, "");
    ASSERT_EQ(m_session.Startup(m_op), Result::Ready);

    m_session.ChangeDistrictSubMode(0);

    EXPECT_EQ(m_session.IniSettings().TypeOrganization, 0);
    Settings stored;
    ASSERT_TRUE(ReadSettings(Dir(), stored));
    EXPECT_EQ(stored.TypeOrganization, 0);
    EXPECT_EQ(m_session.RegisterName(), "SCHOOL.R_N");
    EXPECT_TRUE(m_session.Register().IsOpen());
}

TEST_F(RenameRegister, EndOfSchoolYearIsStored) {
    StartSchool();

    m_session.SetEndOfSchoolYear(6, 25);

    EXPECT_EQ(m_session.IniSettings().MonthEndAllow, 6);
    EXPECT_EQ(m_session.IniSettings().DayEndAllow, 25);
    Settings stored;
    ASSERT_TRUE(ReadSettings(Dir(), stored));
    EXPECT_EQ(stored.MonthEndAllow, 6);
    EXPECT_EQ(stored.DayEndAllow, 25);
    EXPECT_EQ(stored.TypeOrganization, 1);
}

}  // namespace
}  // namespace vrklad::test
