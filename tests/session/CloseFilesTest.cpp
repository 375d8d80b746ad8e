#include "session/Session.h"
#include "session/SessionFixture.h"

namespace vrklad::test {
namespace {

using State = Session::RegisterState;

class CloseFiles : public SessionFixture {
protected:
    Session& Start(int records) {
        WriteIni(1);
        WriteConfig(SchoolConfig());
        WriteRegister("123.sch", records, "123.sch");
        m_session = std::make_unique<Session>(Dir());
        EXPECT_EQ(m_session->Startup(m_op), Session::StartupResult::Ready);
        m_session->OnFirstShown(m_op);
        return *m_session;
    }

    std::unique_ptr<Session> m_session;
};

TEST_F(CloseFiles, BringingToRestRecountsSavesSealsAndLetsGo) {
    Session& session = Start(2);
    ASSERT_EQ(session.Register().Append(Record(123, 45)), RegisterFile::AppendResult::Ok);

    ASSERT_TRUE(session.CloseFiles(m_op, true));
    EXPECT_FALSE(session.RegisterUsable());
    EXPECT_EQ(session.State(), State::Closed);
    EXPECT_EQ(ReadConfig().TotalLearners, 3);
    RegisterFile file;  // no longer locked by the session
    ASSERT_EQ(file.Open(File("123.sch")), RegisterFile::OpenResult::Ok);
    EXPECT_TRUE(VerifyRegister(file, "123.sch"));
}

TEST_F(CloseFiles, WithoutRestNothingIsWritten) {
    Session& session = Start(2);
    ASSERT_EQ(session.Register().Append(Record(123, 45)), RegisterFile::AppendResult::Ok);
    session.Config().TotalLearners = 99;
    const std::string config = ReadFile(File("vrklad.cnf"));
    const std::string records = ReadFile(File("123.sch"));

    ASSERT_TRUE(session.CloseFiles(m_op, false));
    EXPECT_EQ(ReadFile(File("vrklad.cnf")), config);
    EXPECT_EQ(ReadFile(File("123.sch")), records);
}

TEST_F(CloseFiles, ConfigurationThatCannotBeSavedKeepsEverythingOpen) {
    Session& session = Start(1);
    std::filesystem::remove(File("vrklad.cnf"));
    std::filesystem::create_directory(File("vrklad.cnf"));
    EXPECT_FALSE(session.CloseFiles(m_op, true));
    EXPECT_EQ(m_op.shown.size(), 1u);
    EXPECT_TRUE(session.RegisterUsable());
}

TEST_F(CloseFiles, ReopenTakesTheConfigurationOnDisk) {
    const struct {
        const char* name;
        int32_t okpo;
        uint8_t orgType;
        bool registerThere;
        State state;
        uint8_t maxKlass;
    } cases[] = {
        {"same organization", 123, 1, true, State::Open, 12},
        {"another organization and type", 555, 3, true, State::Open, 4},
        {"register not there", 777, 1, false, State::Missing, 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_session.reset();
        m_op = ScriptedOperator{};
        Session& session = Start(1);
        ASSERT_TRUE(session.CloseFiles(m_op, false));
        ProgramConfig config = SchoolConfig();
        config.OrgOKPO[0] = c.okpo;
        config.OrgType = c.orgType;
        WriteConfig(config);
        const std::string name = RegisterFileName(config);
        if (c.registerThere && name != "123.sch") WriteRegister(name, 2, "");

        EXPECT_EQ(session.ReopenFiles(m_op), c.state);
        EXPECT_EQ(session.RegisterName(), name);
        EXPECT_EQ(session.Config().OrgOKPO[0], c.okpo);
        EXPECT_EQ(session.MaxKlass(), c.maxKlass);
        EXPECT_EQ(session.Menu().MenuButtonSave, c.registerThere);
        EXPECT_EQ(m_op.shown.size(), c.registerThere ? 0u : 1u);
    }
}

TEST_F(CloseFiles, ReopenRegisterPicksUpTheReplacedFile) {
    Session& session = Start(3);
    WriteRegister("new.tmp", 1, "");
    std::filesystem::rename(File("new.tmp"), File("123.sch"));
    EXPECT_EQ(session.Register().CountRecords(), 3u);  // still the old file
    EXPECT_EQ(session.ReopenRegister(m_op), State::Open);
    EXPECT_EQ(session.Register().CountRecords(), 1u);
}

}  // namespace
}  // namespace vrklad::test
