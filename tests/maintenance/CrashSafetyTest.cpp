#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <iostream>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "details/CreateDetailsDatabase.h"
#include "details/DetailsStore.h"
#include "maintenance/Backup.h"
#include "maintenance/Compaction.h"
#include "maintenance/OrgMaintenance.h"
#include "register/FaultInjection.h"
#include "register/ReplacementJournal.h"
#include "session/Session.h"
#include "session/SessionFixture.h"

namespace vrklad::test {
namespace {

namespace fs = std::filesystem;

// Every whole-file replacement is run in a child process that is killed at
// each write, flush, rename and removal it makes (and at a few moments
// chosen by the clock). A start on what is left must then find the
// configuration whole and a register under the name it gives, holding the
// records from before the operation or those from after it, and nothing
// left over.

// What a start finds: the configuration's bytes, the register's name and
// its records (without the trailer, whose seed is drawn afresh at each seal).
struct Installation {
    std::string config;
    std::string registerName;
    std::string records;
    friend bool operator==(const Installation&, const Installation&) = default;
};

std::string RecordsOf(const fs::path& file) {
    const std::string bytes = ReadFile(file);
    return bytes.substr(0, bytes.size() / kRecordSize * kRecordSize);
}

Installation Read(const fs::path& dir) {
    Installation found;
    found.config = ReadFile(dir / ConfigFile::kFileName);
    ProgramConfig config = EmptyConfig();
    std::memcpy(&config, found.config.data(), std::min(found.config.size(), sizeof config));
    found.registerName = RegisterFileName(config);
    found.records = RecordsOf(dir / found.registerName);
    return found;
}

void CopyDirectory(const fs::path& from, const fs::path& to) {
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

using Operation = std::function<void(Session&, Operator&)>;

struct Case {
    const char* name;
    // Changes the installation the operation starts from; may be empty.
    std::function<void(const fs::path&)> prepare;
    Operation run;
    // The names the register may go by; only the one in use may remain.
    std::vector<std::string> otherNames;
};

class CrashSafety : public SessionFixture {
protected:
    static constexpr const char* kRegister = "123.sch";
    static constexpr int kRecords = 30;

    void SetUp() override {
        SessionFixture::SetUp();
        // Processes the children leave behind become ours, to be waited for.
        ::prctl(PR_SET_CHILD_SUBREAPER, 1);
        BuildTemplate();
    }
    void TearDown() override {
        ::prctl(PR_SET_CHILD_SUBREAPER, 0);
        SessionFixture::TearDown();
    }

    static StudentRecord Learner(int n, uint16_t lastChange) {
        StudentRecord r = Record(123, 45);
        r.SNILS = n;
        r.LastChange = lastChange;
        r.ChangeDate = RecordDate{2024, 2, 15};
        // Every third document is in the short spelling the repair mends.
        SetFieldText(r.DOC, n % 3 == 0 ? "П.40.05." + std::to_string(1000 + n)
                                       : "П.40.05." + std::to_string(1000000 + n));
        return r;
    }

    static void Install(const fs::path& dir, const ProgramConfig& config, int count, int shift) {
        WriteFile(dir / "VR_KLAD.INI",
                  "[Options]\r\nTypeOrganization=1\r\n[Other]\r\nRepareDocFormat=0\r\n");
        WriteFile(dir / ConfigFile::kFileName,
                  std::string(reinterpret_cast<const char*>(&config), sizeof config));
        const std::string name = RegisterFileName(config);
        RegisterFile file;
        ASSERT_EQ(file.Create(dir / name), RegisterFile::OpenResult::Ok);
        for (int i = 0; i < count; ++i) {
            StudentRecord r = Learner(i + shift, i % 4 == 1 ? Deleted : Added);
            r.OKPO = static_cast<uint32_t>(config.OrgOKPO[0]);
            file.Append(r);
        }
        ASSERT_TRUE(SealRegister(file, name));
        std::string error;
        ASSERT_TRUE(CreateDetailsDatabase(dir / kDetailsFileName,
                                          VRKLAD_SOURCE_DIR "/db/Additional.sql", &error))
            << error;
    }

    // A backup of an installation, made by the program itself with the
    // real archiver.
    static void MakeBackup(const fs::path& dir, const fs::path& archive) {
        ScriptedOperator op;
        Session session(dir);
        ASSERT_EQ(session.Startup(op), Session::StartupResult::Ready);
        session.OnFirstShown(op);
        ASSERT_TRUE(CreateBackup(session, op, dir / "VR_KLAD.INI"));
        session.Exit(op);
        const fs::path made = dir / kBackupDir / BackupArchiveName(Now());
        fs::create_directories(archive.parent_path());
        fs::copy_file(made, archive, fs::copy_options::overwrite_existing);
    }

    void BuildTemplate() {
        ProgramConfig school = SchoolConfig();
        school.LastExchangeDate = RecordDate{2024, 2, 1};
        // The backups: the school as it was a while ago, and another school.
        {
            TempDir earlier;
            Install(earlier.Dir(), school, kRecords - 8, 500);
            MakeBackup(earlier.Dir(), m_template / kBackupDir / "same.BKP");
        }
        {
            TempDir other;
            ProgramConfig config = school;
            config.OrgOKPO[0] = 777;
            Install(other.Dir(), config, kRecords - 5, 900);
            MakeBackup(other.Dir(), m_template / kBackupDir / "other.BKP");
        }
        Install(m_template.Dir(), school, kRecords, 0);
        // Details of a document the repair respells.
        ScriptedOperator op;
        DetailsStore details(op);
        ASSERT_TRUE(details.Open(m_template.Path()));
        ASSERT_TRUE(details.InsertDoc("П.40.05.1003", {{2020, 1, 2}, "ОВД", 123, "г. Город"}));
        details.Close();
        // The working directories a start makes, so that copies start alike.
        for (const char* sub : {"Export", "Export/ARH", "PRCSSD"}) {
            fs::create_directories(m_template / sub);
        }
    }

    // A session started on `dir` as the program starts, answering Yes.
    static std::unique_ptr<Session> Started(const fs::path& dir, ScriptedOperator& op) {
        op.defaultAnswer = Operator::Answer::Yes;
        auto session = std::make_unique<Session>(dir);
        if (session->Startup(op) != Session::StartupResult::Ready) return nullptr;
        session->OnFirstShown(op);
        return session;
    }

    // Runs the operation in a child process on `dir`. With `armAt` the seam
    // kills the child at that point; otherwise the parent kills it `delay`
    // after the operation began. True when the child was killed.
    static bool KilledInChild(const fs::path& dir, const Operation& run, uint64_t armAt,
                              std::chrono::microseconds delay) {
        int ready[2];
        if (::pipe(ready) != 0) return false;
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(ready[0]);
            ScriptedOperator op;
            std::unique_ptr<Session> session = Started(dir, op);
            if (!session) ::_exit(3);
            if (armAt != 0) fault::Arm(fault::Mode::Crash, armAt);
            (void)!::write(ready[1], "x", 1);
            run(*session, op);
            ::_exit(0);
        }
        ::close(ready[1]);
        char byte;
        const bool started = ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
        if (started && armAt == 0) {
            std::this_thread::sleep_for(delay);
            ::kill(pid, SIGKILL);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        // An archiver the child had started runs on for a moment and holds
        // the child's files until it has replaced itself; the next start
        // comes after it.
        while (::waitpid(-1, nullptr, 0) > 0) {
        }
        return started && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }

    static int FailuresSoFar() {
        return ::testing::UnitTest::GetInstance()
            ->current_test_info()
            ->result()
            ->total_part_count();
    }

    // The start after the crash, and what it found.
    static void CheckAfterCrash(const fs::path& dir, const Installation& before,
                                const Installation& after, const Case& c) {
        ScriptedOperator op;
        {
            Session session(dir);
            ASSERT_EQ(session.Startup(op), Session::StartupResult::Ready)
                << ::testing::PrintToString(op.Texts());
            EXPECT_FALSE(session.ChecksumMismatch());
            EXPECT_EQ(op.Texts(), std::vector<std::string>{});
            EXPECT_EQ(fs::file_size(dir / ConfigFile::kFileName), sizeof(ProgramConfig));
            const Installation found = Read(dir);
            EXPECT_TRUE(found == before || found == after)
                << "register " << found.registerName << ", " << found.records.size() / kRecordSize
                << " records; before: " << before.registerName << ", "
                << before.records.size() / kRecordSize << "; after: " << after.registerName << ", "
                << after.records.size() / kRecordSize;
            // Nothing left over: no journal, no temporary files, no staging
            // directory, no second register.
            EXPECT_FALSE(fs::exists(dir / ReplacementJournal::kFileName));
            for (const auto& entry : fs::directory_iterator(dir)) {
                const std::string name = entry.path().filename().string();
                EXPECT_TRUE(name[0] != '.' || name.rfind(".VR_KLAD.INI.", 0) == 0) << name;
            }
            for (const std::string& name : c.otherNames) {
                if (name != found.registerName) {
                    EXPECT_FALSE(fs::exists(dir / name)) << name;
                }
            }
        }
    }

    TempDir m_template;
};

TEST_F(CrashSafety, EveryReplacementLeavesTheOldOrTheNewInstallation) {
    const auto everyRecordDeleted = [](const fs::path& dir) {
        RegisterFile file;
        ASSERT_EQ(file.Open(dir / kRegister), RegisterFile::OpenResult::Ok);
        for (uint32_t i = 0; i < file.CountRecords(); ++i) {
            StudentRecord r;
            ASSERT_TRUE(file.Read(i, r));
            r.LastChange = Deleted;
            ASSERT_TRUE(file.Write(i, r));
        }
        ASSERT_TRUE(SealRegister(file, kRegister));
    };
    const Case cases[] = {
        {"compaction", {}, [](Session& s, Operator& op) { CompactRegister(s, op); }, {}},
        {"compaction that drops every record",
         everyRecordDeleted,
         [](Session& s, Operator& op) { CompactRegister(s, op); },
         {}},
        {"document repair", {}, [](Session& s, Operator& op) { RepairDocumentFormat(s, op); }, {}},
        {"restore of the same school",
         {},
         [](Session& s, Operator& op) { RestoreBackup(s, op, "BACKUP/same.BKP"); },
         {}},
        // The other school's register joins the school's own, which stays.
        {"restore of another school",
         {},
         [](Session& s, Operator& op) { RestoreBackup(s, op, "BACKUP/other.BKP"); },
         {}},
        {"replacing the OKPO",
         {},
         [](Session& s, Operator& op) { ReplaceOkpo(s, op, 456); },
         {"123.sch", "456.sch"}},
        {"changing the organization type to vocational school",
         {},
         [](Session& s, Operator& op) { s.ChangeOrgType(op, 3); },
         {"123.sch", "123.ptu"}},
        {"changing the organization type to university",
         {},
         [](Session& s, Operator& op) { s.ChangeOrgType(op, 4); },
         {"123.sch", "123.stu"}},
    };

    uint64_t seamTried = 0, seamSurvived = 0, clockTried = 0, clockKilled = 0, clockSurvived = 0;
    std::mt19937 random(20240301);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir start;
        CopyDirectory(m_template.Dir(), start.Dir());
        if (c.prepare) c.prepare(start.Dir());
        const Installation before = Read(start.Dir());

        // A whole run, counting the points and giving the installation after.
        Installation after;
        uint64_t points = 0;
        std::chrono::steady_clock::duration took{};
        {
            TempDir dir;
            CopyDirectory(start.Dir(), dir.Dir());
            ScriptedOperator op;
            std::unique_ptr<Session> session = Started(dir.Dir(), op);
            ASSERT_NE(session, nullptr);
            const auto start = std::chrono::steady_clock::now();
            fault::Arm(fault::Mode::Count);
            c.run(*session, op);
            points = fault::Points();
            fault::Disarm();
            took = std::chrono::steady_clock::now() - start;
            session.reset();
            after = Read(dir.Dir());
        }
        ASSERT_NE(after, before) << "the operation changed nothing";
        ASSERT_GT(points, 0u);

        for (uint64_t n = 1; n <= points; ++n) {
            SCOPED_TRACE("killed at point " + std::to_string(n) + " of " + std::to_string(points));
            TempDir dir;
            CopyDirectory(start.Dir(), dir.Dir());
            const int failures = FailuresSoFar();
            EXPECT_TRUE(KilledInChild(dir.Dir(), c.run, n, {}));
            ++seamTried;
            CheckAfterCrash(dir.Dir(), before, after, c);
            if (FailuresSoFar() == failures) ++seamSurvived;
        }

        // A few kills at moments the clock chooses, as a power cut would come.
        const auto span = std::chrono::duration_cast<std::chrono::microseconds>(took).count();
        std::uniform_int_distribution<long> at(0, std::max<long>(span * 3 / 2, 1));
        for (int i = 0; i < 4; ++i) {
            const std::chrono::microseconds delay(at(random));
            SCOPED_TRACE("killed after " + std::to_string(delay.count()) + " us");
            TempDir dir;
            CopyDirectory(start.Dir(), dir.Dir());
            const int failures = FailuresSoFar();
            clockKilled += KilledInChild(dir.Dir(), c.run, 0, delay) ? 1 : 0;
            ++clockTried;
            CheckAfterCrash(dir.Dir(), before, after, c);
            if (FailuresSoFar() == failures) ++clockSurvived;
        }
    }

    std::cout << "Kill points at the seam: " << seamTried << " tried, " << seamSurvived
              << " survived; kills by the clock: " << clockTried << " tried (" << clockKilled
              << " before the operation ended), " << clockSurvived << " survived" << std::endl;
    RecordProperty("seam_kill_points", std::to_string(seamTried));
    EXPECT_GE(seamTried, 100u);
    EXPECT_EQ(seamSurvived, seamTried);
    EXPECT_EQ(clockSurvived, clockTried);
}

}  // namespace
}  // namespace vrklad::test
