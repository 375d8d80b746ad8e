#include <sys/wait.h>
#include <unistd.h>

#include "session/Session.h"
#include "session/SessionFixture.h"

namespace vrklad::test {
namespace {

using Result = Session::StartupResult;

class Exit : public SessionFixture {};

TEST_F(Exit, RecountsSavesAndSealsTheRegister) {
    WriteIni(1);
    WriteConfig(SchoolConfig());
    WriteRegister("123.sch", 2, "123.sch");
    Session session(Dir());
    ASSERT_EQ(session.Startup(m_op), Result::Ready);
    ASSERT_EQ(session.Register().Append(Record(123, 45)), RegisterFile::AppendResult::Ok);
    ASSERT_EQ(std::filesystem::file_size(File("123.sch")), 3 * kRecordSize);

    session.Exit(m_op);

    EXPECT_FALSE(session.Register().IsOpen());
    EXPECT_EQ(std::filesystem::file_size(File("123.sch")), 3 * kRecordSize + 6);
    RegisterFile reopened;
    ASSERT_EQ(reopened.Open(File("123.sch")), RegisterFile::OpenResult::Ok);
    EXPECT_TRUE(VerifyRegister(reopened, "123.sch"));
    const ProgramConfig stored = ReadConfig();
    EXPECT_EQ(stored.RecordCount, 3);
    EXPECT_EQ(stored.TotalLearners, 3);
    EXPECT_EQ(stored.OrgLearners[0], 3);

    // A second call (window closed, then destroyed) does nothing more.
    session.Exit(m_op);
    EXPECT_TRUE(m_op.shown.empty());
}

// Holds a register open from a child process until told to let go.
class OtherCopy {
public:
    explicit OtherCopy(const std::filesystem::path& path) {
        int ready[2];
        EXPECT_EQ(::pipe(ready), 0);
        EXPECT_EQ(::pipe(m_release), 0);
        m_pid = ::fork();
        if (m_pid == 0) {
            RegisterFile file;
            const char ok = file.Open(path) == RegisterFile::OpenResult::Ok ? '1' : '0';
            (void)!::write(ready[1], &ok, 1);
            char c;
            (void)!::read(m_release[0], &c, 1);
            ::_exit(0);
        }
        char ok = 0;
        EXPECT_EQ(::read(ready[0], &ok, 1), 1);
        EXPECT_EQ(ok, '1');
        ::close(ready[0]);
        ::close(ready[1]);
    }
    ~OtherCopy() {
        (void)!::write(m_release[1], "x", 1);
        ::waitpid(m_pid, nullptr, 0);
        ::close(m_release[0]);
        ::close(m_release[1]);
    }

private:
    pid_t m_pid = -1;
    int m_release[2] = {-1, -1};
};

TEST_F(Exit, RegisterHeldByAnotherCopyIsNeverWritten) {
    for (const bool otherProcess : {false, true}) {
        SCOPED_TRACE(otherProcess ? "held by another process" : "held by another handle");
        TempDir dir;
        WriteFile(dir / "VR_KLAD.INI", "[Options]\r\nTypeOrganization=1\r\n");
        ProgramConfig config = SchoolConfig();
        config.RecordCount = 2;
        config.TotalLearners = 2;
        WriteFile(dir / "vrklad.cnf",
                  std::string(reinterpret_cast<const char*>(&config), sizeof config));
        {
            RegisterFile file;
            ASSERT_EQ(file.Create(dir / "123.sch"), RegisterFile::OpenResult::Ok);
            file.Append(Record(123, 45));
            file.Append(Record(123, 45));
            // Stale trailer, as in a copy that is still running.
        }
        const std::string registerBefore = ReadFile(dir / "123.sch");
        const std::string configBefore = ReadFile(dir / "vrklad.cnf");

        RegisterFile holder;
        std::optional<OtherCopy> process;
        if (otherProcess) {
            process.emplace(dir / "123.sch");
        } else {
            ASSERT_EQ(holder.Open(dir / "123.sch"), RegisterFile::OpenResult::Ok);
        }

        ScriptedOperator op;
        Session session(dir.Dir());
        ASSERT_EQ(session.Startup(op), Result::Restricted);
        EXPECT_EQ(session.State(), Session::RegisterState::Locked);
        ASSERT_EQ(op.shown.size(), 1u);
        EXPECT_EQ(op.shown[0].text,
                  "Файл данных 123.sch занят другой запущенной копией программы. Работа с ним "
                  "невозможна до её закрытия.");
        EXPECT_EQ(op.shown[0].caption, "Внимание!");
        EXPECT_FALSE(session.Menu().MenuButtonCorrect);
        EXPECT_TRUE(session.Menu().MenuButtonRestore);

        // The type dialog cannot move it either.
        EXPECT_FALSE(session.ChangeOrgType(op, 3));
        EXPECT_EQ(session.Config().OrgType, 1);

        session.Exit(op);
        EXPECT_EQ(ReadFile(dir / "123.sch"), registerBefore);
        EXPECT_EQ(ReadFile(dir / "vrklad.cnf"), configBefore);
        EXPECT_FALSE(std::filesystem::exists(dir / "123.ptu"));
    }
}

TEST_F(Exit, WithTheRegisterMissingTheCountsAreZeroed) {
    WriteIni(1);
    ProgramConfig config = SchoolConfig();
    config.RecordCount = 5;
    config.TotalLearners = 4;
    WriteConfig(config);
    Session session(Dir());
    ASSERT_EQ(session.Startup(m_op), Result::Restricted);

    session.Exit(m_op);

    EXPECT_EQ(ReadConfig().RecordCount, 0);
    EXPECT_EQ(ReadConfig().TotalLearners, 0);
    EXPECT_FALSE(Exists("123.sch"));
}

}  // namespace
}  // namespace vrklad::test
