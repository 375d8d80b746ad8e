#include "session/Session.h"
#include "session/SessionFixture.h"

namespace vrklad::test {
namespace {

using Policy = Session::FirstStartPolicy;
using Result = Session::StartupResult;

class StartupPolicy : public SessionFixture {};

TEST_F(StartupPolicy, DecidesWhetherTheFirstStartRuns) {
    const struct {
        const char* name;
        Policy policy;
        bool configured;
        Result result;
        bool stoppedByPolicy;
    } cases[] = {
        {"ask, not configured", Policy::Ask, false, Result::Ready, false},
        {"ask, configured", Policy::Ask, true, Result::Ready, false},
        {"refuse, not configured", Policy::Refuse, false, Result::Quit, true},
        {"refuse, configured", Policy::Refuse, true, Result::Ready, false},
        {"only, not configured", Policy::Only, false, Result::Ready, false},
        {"only, configured", Policy::Only, true, Result::Quit, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WriteFile(dir / "VR_KLAD.INI", "[Options]\r\nTypeOrganization=1\r\n");
        if (c.configured) {
            const ProgramConfig config = SchoolConfig();
            WriteFile(dir / "vrklad.cnf",
                      std::string(reinterpret_cast<const char*>(&config), sizeof config));
            RegisterFile reg;
            ASSERT_EQ(reg.Create(dir / "123.sch"), RegisterFile::OpenResult::Ok);
        }
        const std::string configBefore = ReadFile(dir / "vrklad.cnf");
        ScriptedOperator op;
        op.codes = {12345678, 12};
        Session session(dir.Dir());
        session.SetFirstStartPolicy(c.policy);

        EXPECT_EQ(session.Startup(op), c.result);
        EXPECT_EQ(session.StoppedByFirstStartPolicy(), c.stoppedByPolicy);
        session.Exit(op);

        if (c.stoppedByPolicy) {
            // Nothing asked, nothing shown, no register made, the configuration
            // as it was (zero-filled when there was none).
            EXPECT_EQ(op.codes.size(), 2u);
            EXPECT_TRUE(op.shown.empty());
            EXPECT_FALSE(std::filesystem::exists(dir / "12345678.sch"));
            EXPECT_EQ(ReadFile(dir / "vrklad.cnf"),
                      c.configured ? configBefore : std::string(sizeof(ProgramConfig), '\0'));
        }
    }
}

TEST_F(StartupPolicy, RegisterKeptUnsealedAfterAMismatchWhenAsked) {
    for (const bool seal : {true, false}) {
        SCOPED_TRACE(seal);
        WriteIni(1);
        WriteConfig(SchoolConfig());
        WriteRegister("123.sch", 2, "other.sch");
        const std::string before = ReadFile(File("123.sch"));
        Session session(Dir());
        ASSERT_EQ(session.Startup(m_op), Result::Ready);
        EXPECT_TRUE(session.ChecksumMismatch());
        session.SetSealOnExit(seal);

        session.Exit(m_op);

        EXPECT_EQ(ReadFile(File("123.sch")) == before, !seal);
        // The exit sequence still recounts and saves the configuration.
        EXPECT_EQ(ReadConfig().RecordCount, 2);
    }
}

TEST_F(StartupPolicy, VerifiedRegisterIsNoMismatch) {
    WriteIni(1);
    WriteConfig(SchoolConfig());
    WriteRegister("123.sch", 2, "123.sch");
    Session session(Dir());
    ASSERT_EQ(session.Startup(m_op), Result::Ready);
    EXPECT_FALSE(session.ChecksumMismatch());
    session.Exit(m_op);
}

}  // namespace
}  // namespace vrklad::test
