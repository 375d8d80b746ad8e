#include <set>

#include "details/CreateDetailsDatabase.h"
#include "support/ScriptedOperator.h"
#include "support/TempDir.h"
#include "session/Session.h"
#include "session/SessionFixture.h"

namespace vrklad::test {
namespace {

using Result = Session::StartupResult;
using State = Session::RegisterState;

std::set<std::string> DisabledItems(const MainMenuState& menu) {
    std::set<std::string> names;
    for (const auto& [name, enabled] : menu.Items()) {
        if (!enabled) names.emplace(name);
    }
    return names;
}

const std::set<std::string> kRestricted = {
    "MenuButtonSave",    "MenuButtonCorrect", "MenuButtonOrg",  "MenuButtonRep",
    "MenuButtonActFile", "MenuButtonCorFile", "MenuButtonLoad", "MenuButtonDelOrg"};

class Startup : public SessionFixture {};

TEST_F(Startup, FirstStartInSingleModeAsksTheCodesAndCreatesAnEmptyRegister) {
    WriteIni(3);
    m_op.codes = {12345678, 123};
    Session session(Dir());

    ASSERT_EQ(session.Startup(m_op), Result::Ready);

    EXPECT_TRUE(m_op.codes.empty());
    EXPECT_TRUE(m_op.shown.empty());
    EXPECT_EQ(session.RegisterName(), "12345678.ptu");
    EXPECT_EQ(session.State(), State::Open);
    ASSERT_TRUE(Exists("12345678.ptu"));
    EXPECT_EQ(std::filesystem::file_size(File("12345678.ptu")), 0u);
    for (const char* dir : {"Export", "Export/ARH", "PRCSSD"}) {
        EXPECT_TRUE(std::filesystem::is_directory(File(dir))) << dir;
    }
    EXPECT_EQ(DisabledItems(session.Menu()), std::set<std::string>{"MenuButtonDelOrg"});

    // The configuration is on disk at once, complete.
    const ProgramConfig stored = ReadConfig();
    EXPECT_EQ(stored.OrgType, 3);
    EXPECT_EQ(stored.OrgCount, 1);
    EXPECT_EQ(stored.OrgOKPO[0], 12345678);
    EXPECT_EQ(stored.OrgAgency[0], 123);
    EXPECT_EQ(stored.OwnAgency, 123);
    EXPECT_EQ(stored.DistrictMode, 0);
    EXPECT_EQ(stored.LastExchangeDate, (RecordDate{2024, 2, 29}));

    session.Exit(m_op);
    EXPECT_EQ(std::filesystem::file_size(File("12345678.ptu")), 0u);
    EXPECT_EQ(ReadConfig().OrgType, 3);
}

TEST_F(Startup, FirstStartInDistrictModeAsksNoCodes) {
    WriteIni(0);
    ProgramConfig config = EmptyConfig();
    config.DistrictMode = 1;
    WriteConfig(config);
    m_op.codes = {111111, 1};
    Session session(Dir());

    ASSERT_EQ(session.Startup(m_op), Result::Ready);

    EXPECT_EQ(m_op.codes.size(), 2u);
    EXPECT_EQ(session.Config().OrgType, 1);
    EXPECT_EQ(session.RegisterName(), "SCHOOL.R_N");
    EXPECT_TRUE(Exists("SCHOOL.R_N"));
    EXPECT_EQ(DisabledItems(session.Menu()), (std::set<std::string>{"N11", "N20"}));
    session.Exit(m_op);
    EXPECT_EQ(ReadConfig().OrgType, 1);
    EXPECT_EQ(ReadConfig().DistrictMode, 1);
}

TEST_F(Startup, CancelledFirstStartEndsTheProgramAndAsksAgainNextTime) {
    const struct {
        const char* what;
        std::deque<uint32_t> codes;
    } cases[] = {
        {"OKPO cancelled", {0}},
        {"agency code cancelled", {12345678, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        WriteFile(dir / "VR_KLAD.INI", "[Options]\r\nTypeOrganization=1\r\n");
        ScriptedOperator op;
        op.codes = c.codes;
        {
            Session session(dir.Dir());
            EXPECT_EQ(session.Startup(op), Result::Quit);
            session.Exit(op);
        }
        EXPECT_TRUE(op.shown.empty());
        EXPECT_FALSE(std::filesystem::exists(dir / "12345678.sch"));
        EXPECT_EQ(ReadFile(dir / "vrklad.cnf"), std::string(sizeof(ProgramConfig), '\0'));
    }
}

TEST_F(Startup, FirstStartKeepsARegisterThatIsAlreadyThere) {
    WriteIni(1);
    WriteRegister("12345678.sch", 2, "12345678.sch");
    const std::string before = ReadFile(File("12345678.sch"));
    m_op.codes = {12345678, 7};
    Session session(Dir());

    ASSERT_EQ(session.Startup(m_op), Result::Ready);

    EXPECT_TRUE(m_op.shown.empty());
    EXPECT_EQ(session.Register().CountRecords(), 2u);
    EXPECT_EQ(ReadFile(File("12345678.sch")), before);
}

TEST_F(Startup, FirstStartWithoutAnOrganizationTypeEndsBeforeAskingCodes) {
    WriteIni(0);
    m_op.codes = {12345678, 7};
    Session session(Dir());

    EXPECT_EQ(session.Startup(m_op), Result::Quit);

    EXPECT_EQ(m_op.codes.size(), 2u);
    ASSERT_EQ(m_op.shown.size(), 1u);
    EXPECT_EQ(m_op.shown[0].icon, Operator::Icon::Error);
    EXPECT_EQ(ReadConfig().OrgType, 0);
}

TEST_F(Startup, MissingSettingsFileEndsTheProgram) {
    Session session(Dir());

    EXPECT_EQ(session.Startup(m_op), Result::Quit);

    EXPECT_EQ(m_op.Texts(), std::vector<std::string>{
                                "Файл VR_KLAD.INI не найден. Продолжение работы не возможно"});
    EXPECT_FALSE(Exists("vrklad.cnf"));
    session.Exit(m_op);
    EXPECT_FALSE(Exists("vrklad.cnf"));
}

TEST_F(Startup, WorkingDirectoryThatCannotBeMadeStopsBeforeLoading) {
    WriteIni(1);
    WriteFile(File("PRCSSD"), "a file where the folder belongs");
    Session session(Dir());

    EXPECT_EQ(session.Startup(m_op), Result::Stopped);

    EXPECT_EQ(m_op.Texts(), std::vector<std::string>{"Ошибка доступа к диску."});
    EXPECT_EQ(m_op.shown[0].icon, Operator::Icon::Error);
    EXPECT_FALSE(Exists("vrklad.cnf"));
    EXPECT_EQ(DisabledItems(session.Menu()), kRestricted);
    session.Exit(m_op);
    EXPECT_FALSE(Exists("vrklad.cnf"));
}

TEST_F(Startup, MissingRegisterRestrictsTheMenu) {
    WriteIni(1);
    WriteConfig(SchoolConfig());
    Session session(Dir());

    ASSERT_EQ(session.Startup(m_op), Result::Restricted);

    ASSERT_EQ(m_op.shown.size(), 1u);
    EXPECT_EQ(m_op.shown[0].icon, Operator::Icon::Information);
    EXPECT_EQ(m_op.shown[0].caption, "Внимание!");
    EXPECT_EQ(m_op.shown[0].text,
              "Не обнаружен файл данных. Если файл был утерян, выполните восстановление из "
              "резервной копии");
    EXPECT_EQ(session.State(), State::Missing);
    EXPECT_EQ(DisabledItems(session.Menu()), kRestricted);
    EXPECT_FALSE(Exists("123.sch"));

    // Exit still recounts (nothing) and saves.
    session.Exit(m_op);
    EXPECT_FALSE(Exists("123.sch"));
    EXPECT_EQ(ReadConfig().OrgType, 1);
}

TEST_F(Startup, SingleModeFillsTheOwnAgencyCodeIntoRowZero) {
    WriteIni(1);
    ProgramConfig config = SchoolConfig();
    config.OrgAgency[0] = 0;
    WriteConfig(config);
    WriteRegister("123.sch", 0, "");
    Session session(Dir());

    ASSERT_EQ(session.Startup(m_op), Result::Ready);
    EXPECT_EQ(session.Config().OrgAgency[0], 45);
}

TEST_F(Startup, RegisterIsVerifiedWhenLongerThanSixBytes) {
    const struct {
        const char* what;
        int records;
        std::string sealName;
        std::string tail;  // bytes written after the records
        bool warned;
    } cases[] = {
        {"sealed under its name", 2, "123.sch", "", false},
        {"sealed under another name", 2, "124.sch", "", true},
        {"extension case does not count", 2, "123.SCH", "", false},
        {"no trailer", 2, "", "", true},
        {"empty", 0, "", "", false},
        {"six bytes only", 0, "", "abcdef", false},
        {"seven bytes", 0, "", "abcdefg", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        WriteFile(dir / "VR_KLAD.INI", "[Options]\r\nTypeOrganization=1\r\n");
        const ProgramConfig config = SchoolConfig();
        WriteFile(dir / "vrklad.cnf",
                  std::string(reinterpret_cast<const char*>(&config), sizeof config));
        {
            RegisterFile file;
            ASSERT_EQ(file.Create(dir / "123.sch"), RegisterFile::OpenResult::Ok);
            for (int i = 0; i < c.records; ++i) file.Append(Record(123, 45));
            if (!c.sealName.empty()) SealRegister(file, c.sealName);
            if (!c.tail.empty()) file.WriteAt(file.FileSize(), c.tail.data(), c.tail.size());
        }
        ScriptedOperator op;
        Session session(dir.Dir());

        ASSERT_EQ(session.Startup(op), Result::Ready);

        if (c.warned) {
            ASSERT_EQ(op.shown.size(), 1u);
            EXPECT_EQ(op.shown[0].icon, Operator::Icon::Warning);
            EXPECT_EQ(op.shown[0].caption, "Предупреждение о нарушении целостности файла данных");
            EXPECT_EQ(op.shown[0].text, "Контрольная сумма не совпадает с расчетной");
            // The counts are rebuilt at once.
            EXPECT_EQ(session.Config().RecordCount, c.records);
        } else {
            EXPECT_TRUE(op.shown.empty());
            EXPECT_EQ(session.Config().RecordCount, 0);
        }
        EXPECT_TRUE(session.Menu().MenuButtonSave);
    }
}

TEST_F(Startup, UnreadableRegisterIsReportedAndNotUsed) {
    WriteIni(1);
    WriteConfig(SchoolConfig());
    std::filesystem::create_directory(File("123.sch"));
    Session session(Dir());

    ASSERT_EQ(session.Startup(m_op), Result::Restricted);

    ASSERT_EQ(m_op.shown.size(), 1u);
    EXPECT_EQ(m_op.shown[0].icon, Operator::Icon::Error);
    EXPECT_NE(m_op.shown[0].text.find("Файл данных 123.sch не удаётся открыть"), std::string::npos);
    EXPECT_EQ(session.State(), State::Unreadable);
    EXPECT_EQ(DisabledItems(session.Menu()), kRestricted);
}

TEST_F(Startup, ConfigurationWithNoRegisterNameIsReported) {
    WriteIni(1);
    ProgramConfig config = EmptyConfig();
    config.OrgType = 4;
    config.DistrictMode = 1;
    WriteConfig(config);
    Session session(Dir());

    ASSERT_EQ(session.Startup(m_op), Result::Restricted);
    ASSERT_EQ(m_op.shown.size(), 1u);
    EXPECT_NE(m_op.shown[0].text.find("невозможно определить имя файла данных"), std::string::npos);
}

TEST_F(Startup, MaxKlassIsSetWhenTheWindowIsFirstShown) {
    const std::pair<int, int> cases[] = {{1, 12}, {2, 5}, {3, 4}, {4, 8}};
    for (const auto& [type, maxKlass] : cases) {
        SCOPED_TRACE(type);
        TempDir dir;
        WriteFile(dir / "VR_KLAD.INI", "[Options]\r\nTypeOrganization=1\r\n");
        ProgramConfig config = SchoolConfig();
        config.OrgType = static_cast<uint8_t>(type);
        WriteFile(dir / "vrklad.cnf",
                  std::string(reinterpret_cast<const char*>(&config), sizeof config));
        ScriptedOperator op;
        Session session(dir.Dir());
        session.Startup(op);
        EXPECT_EQ(session.MaxKlass(), 0);

        session.OnFirstShown(op);

        EXPECT_EQ(session.MaxKlass(), maxKlass);
        EXPECT_FALSE(session.DetailsAvailable());
    }
}

}  // namespace
}  // namespace vrklad::test

namespace vrklad {
namespace {

TEST(FirstShown, OpensTheDetailsDatabaseWhenPresent) {
    struct Case {
        const char* what;
        bool makeDatabase;
        const char* garbage;
        bool available;
        size_t messages;
    } cases[] = {
        {"no file", false, nullptr, false, 0},
        {"empty database from the schema", true, nullptr, true, 0},
        {"a file that is no database", false, "not a database at all, just text", false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        test::WriteFile(dir / "VR_KLAD.INI", "[Options]\r\nTypeOrganization=1\r\n");
        ProgramConfig config = EmptyConfig();
        config.DistrictMode = 1;
        config.OrgType = 1;
        test::WriteFile(dir / "vrklad.cnf",
                        std::string(reinterpret_cast<const char*>(&config), sizeof config));
        test::WriteFile(dir / "SCHOOL.R_N", "");
        if (c.makeDatabase) {
            std::string error;
            ASSERT_TRUE(CreateDetailsDatabase(dir / "Additional.db",
                                              VRKLAD_SOURCE_DIR "/db/Additional.sql", &error))
                << error;
        }
        if (c.garbage) test::WriteFile(dir / "Additional.db", c.garbage);
        test::ScriptedOperator op;
        Session session(dir.Dir());
        ASSERT_EQ(session.Startup(op), Session::StartupResult::Ready);
        session.OnFirstShown(op);
        EXPECT_EQ(session.DetailsAvailable(), c.available);
        EXPECT_EQ(op.shown.size(), c.messages);
        session.Exit(op);
    }
}

}  // namespace
}  // namespace vrklad
