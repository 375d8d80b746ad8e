#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <cctype>
#include <chrono>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "cli/CliFixture.h"
#include "cli/PathRewriteBuffer.h"
#include "cli/RegisterChanges.h"
#include "exchange/Archiver.h"
#include "exchange/DbfWriter.h"
#include "exchange/IncomingFixtures.h"
#include "register/ChangeCodes.h"
#include "register/Cp1251.h"

namespace vrklad::test {
namespace {

namespace fs = std::filesystem;

// Every entry under a folder with its kind, bytes and modification time:
// what must stay as it was.
std::map<std::string, std::string> StateOf(const fs::path& root) {
    std::map<std::string, std::string> state;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        struct stat st {};
        lstat(it->path().c_str(), &st);
        std::string value = std::to_string(st.st_mtim.tv_sec) + "." +
                            std::to_string(st.st_mtim.tv_nsec) + " " + std::to_string(st.st_mode) +
                            " ";
        if (S_ISREG(st.st_mode)) value += ReadFile(it->path());
        state[it->path().lexically_relative(root).generic_string()] = value;
    }
    return state;
}

// The entries that differ between two states of a folder.
std::vector<std::string> Differences(const std::map<std::string, std::string>& before,
                                     const std::map<std::string, std::string>& after) {
    std::vector<std::string> paths;
    for (const auto& [path, value] : after) {
        const auto it = before.find(path);
        if (it == before.end() || it->second != value) paths.push_back(path);
    }
    for (const auto& [path, value] : before) {
        if (after.count(path) == 0) paths.push_back(path);
    }
    return paths;
}

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool HasLine(const std::string& text, const std::string& line) {
    for (const std::string& l : LinesOf(text)) {
        if (l == line) return true;
    }
    return false;
}

// The dry run's report: what follows its heading.
std::string ReportOf(const std::string& out) {
    const std::string heading = "--- Пробный запуск: ничего не изменено.";
    const size_t at = out.find(heading);
    return at == std::string::npos ? std::string() : out.substr(at);
}

class DryRunFixture : public CliFixture {
public:
    // For the cases' set-ups.
    void Settings(int typeOrganization) { WriteIni(typeOrganization); }
    void School(int records) { Configure(records); }
    const fs::path& Incoming() const { return m_incoming.Dir(); }
    fs::path ProgramFile(const std::string& name) const { return File(name); }
    using SessionFixture::WriteConfig;
    ProgramConfig SchoolConfigFor() const { return SchoolConfig(); }
    CliRun Tool(const std::vector<std::string>& args) { return Run(args); }
    // The register `name` holding these records, sealed under its name.
    void Records(const std::string& name, const std::vector<StudentRecord>& records) {
        RegisterFile reg;
        ASSERT_EQ(reg.Create(File(name)), RegisterFile::OpenResult::Ok);
        for (const StudentRecord& r : records) reg.Append(r);
        ASSERT_TRUE(SealRegister(reg, name));
    }

protected:
    void SetUp() override {
        CliFixture::SetUp();
        setenv("TMPDIR", m_tmp.Dir().c_str(), 1);
    }
    void TearDown() override {
        unsetenv("TMPDIR");
        CliFixture::TearDown();
    }

    // Nothing of the dry run's copy is left.
    void ExpectCopyRemoved() { EXPECT_TRUE(fs::is_empty(m_tmp.Dir())); }

    TempDir m_tmp;       // the dry run's temporary folder
    TempDir m_incoming;  // a folder outside ProgramDir
};

// A path with every digit as "#": archives are named by the minute they
// were made in.
fs::path Masked(const fs::path& path) {
    std::string text = path.lexically_normal().string();
    if (!text.empty() && text.back() == '/') text.pop_back();
    for (char& c : text) {
        if (c >= '0' && c <= '9') c = '#';
    }
    return text;
}

// The date and time in the names of exchange archives, masked.
std::string StampsMasked(const std::string& text) {
    static const std::regex stamp(R"(_\d{12}\.ARJ)", std::regex::icase);
    return std::regex_replace(text, stamp, "_############.ARJ");
}

// The files the report names, with their folders, masked.
std::set<fs::path> NamedFiles(const std::string& report) {
    static const std::regex heading(R"(--- Файлы: каталог (программы )?(.*) ---)");
    static const std::regex entry(R"([^:]+: (.*))");
    std::set<fs::path> named;
    fs::path folder;
    for (const std::string& line : LinesOf(report)) {
        std::smatch m;
        if (std::regex_match(line, m, heading)) {
            folder = m[2].str();
        } else if (line.starts_with("---")) {
            folder.clear();
        } else if (!folder.empty() && std::regex_match(line, m, entry)) {
            named.insert(Masked(folder / m[1].str()));
        }
    }
    return named;
}

// The protocols, logs and reports a run writes for the user to read.
bool IsProtocol(const std::string& path) {
    static const std::regex protocol(
        R"(PRCSSD/[^/]+\.txt|ImpotrData\.txt|Export/(Actual|Correct)\.log|Export/Rep\w+\.txt)");
    return std::regex_match(path, protocol);
}

// One command run dry and then for real on the same installation.
struct Case {
    const char* name;
    std::function<void(DryRunFixture&)> setUp;
    std::vector<std::string> args;  // "{in}" stands for the folder outside ProgramDir
    int status;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class DryThenReal : public DryRunFixture, public testing::WithParamInterface<Case> {
protected:
    std::vector<std::string> Args() const {
        std::vector<std::string> args;
        for (std::string a : GetParam().args) {
            const size_t at = a.find("{in}");
            if (at != std::string::npos) a.replace(at, 4, m_incoming.Dir().string());
            args.push_back(a);
        }
        return args;
    }
};

TEST_P(DryThenReal, ChangesNothingAndForetellsTheRealRun) {
    const Case& c = GetParam();
    c.setUp(*this);
    const auto programBefore = StateOf(Dir());
    const auto incomingBefore = StateOf(m_incoming.Dir());
    std::vector<std::string> dryArgs = {"--dry-run"};
    for (const std::string& a : Args()) dryArgs.push_back(a);

    const CliRun dry = Run(dryArgs);

    EXPECT_EQ(dry.status, c.status) << dry.err;
    EXPECT_EQ(Differences(programBefore, StateOf(Dir())), std::vector<std::string>{});
    EXPECT_EQ(Differences(incomingBefore, StateOf(m_incoming.Dir())), std::vector<std::string>{});
    ExpectCopyRemoved();
    const std::string report = ReportOf(dry.out);
    ASSERT_FALSE(report.empty()) << dry.out;

    const CliRun real = Run(Args());

    EXPECT_EQ(real.status, dry.status) << real.err;
    // Every message of the real run, paths included, in the dry run's; an
    // archive's name carries the second it was made, which the two runs
    // need not share.
    const std::string dryText = StampsMasked(dry.out + dry.err);
    const std::string dryReport = StampsMasked(report);
    for (const std::string& line : LinesOf(StampsMasked(real.out + real.err))) {
        EXPECT_TRUE(Has(dryText, line)) << line;
        EXPECT_TRUE(HasLine(dryReport, line)) << line;
    }
    const std::set<fs::path> named = NamedFiles(report);
    // A stamp of the time the protocol was written.
    const std::regex stamp(R"(\d\d:\d\d)");
    for (const auto& [before, dir] :
         {std::pair(programBefore, Dir()), std::pair(incomingBefore, m_incoming.Dir())}) {
        for (const std::string& path : Differences(before, StateOf(dir))) {
            SCOPED_TRACE(path);
            // A folder's own time moves with what is put in it.
            if (before.count(path) != 0 && fs::is_directory(dir / path)) continue;
            EXPECT_EQ(named.count(Masked(dir / path)), 1u) << report;
            if (dir == Dir() && IsProtocol(path) && fs::exists(dir / path)) {
                for (const std::string& line : LinesOf(Cp1251ToUtf8(ReadFile(dir / path)))) {
                    if (std::regex_search(line, stamp)) continue;
                    EXPECT_TRUE(HasLine(report, line)) << line;
                }
            }
        }
    }
}

void School(DryRunFixture& f) { f.School(3); }

// The year after next, for benefit end dates that stay valid.
std::string LaterYear() { return std::to_string(Today().year + 2); }

// A district office of schools that knows organization 11111111, with two of
// its learners, and the archive an organization it does not know sent it.
void DistrictWithArchive(DryRunFixture& f) {
    f.Settings(1);
    ProgramConfig config = EmptyConfig();
    config.OrgType = 1;
    config.DistrictMode = 1;
    config.OrgCount = 1;
    config.OrgOKPO[0] = 11111111;
    config.OrgAgency[0] = 3;
    config.LastExchangeDate = {2024, 1, 1};
    f.WriteConfig(config);
    std::vector<StudentRecord> known = {Pupil(1, 11111111, 3), Pupil(2, 11111111, 3)};
    WriteFile(f.ProgramFile("SCHOOL.R_N"),
              std::string(reinterpret_cast<const char*>(known.data()), known.size() * kRecordSize));

    std::vector<StudentRecord> sent = {Pupil(3, 22222222, 4), Pupil(4, 22222222, 4)};
    for (StudentRecord& r : sent) r.DATEEND = {static_cast<uint16_t>(Today().year + 2), 6, 30};
    const fs::path act = f.Incoming() / "22222222.act";
    WriteExchangeFile(act, sent);
    const RunResult packed =
        AddToArchive(f.Incoming().string(), (f.Incoming() / "ACTUAL.ARJ").string(), {act.string()});
    ASSERT_EQ(packed.exitCode, 0) << packed.output;
    fs::remove(act);
}

// The school with a table to take in: two good rows and one the checks refuse.
const std::vector<std::vector<std::string>> kTableRows = {
    {"45", "П.40.05.1234567", "Иванов Иван Иванович", "01.05.2008", "0012345", "10-А",
     "30.09." + LaterYear(), "", "М"},
    {"45", "П.40.05.7654321", "Петрова Анна", "02.06.2013", "12", "5-Б", "30.09." + LaterYear(), "",
     "Ж"},
    {"45", "П.40.05.1111111", "петров", "01.01.2010", "1", "9", "30.09." + LaterYear(), "", "М"},
};

void SchoolWithText(DryRunFixture& f) {
    f.School(2);
    std::string text = "ORG;DOC;FIO;DBIRTH;BILET;KLASS;DATEEND;SNILS;PersSex\r\n";
    for (const auto& row : kTableRows) {
        for (size_t i = 0; i < row.size(); ++i) text += (i ? ";" : "") + row[i];
        text += "\r\n";
    }
    WriteFile(f.Incoming() / "Список.txt", Utf8ToCp1251(text));
}

void SchoolWithDbase(DryRunFixture& f) {
    f.School(2);
    const std::vector<DbfField> fields = {
        {"ORG", 'N', 3, 0},     {"DOC", 'C', 15, 0},   {"FIO", 'C', 46, 0},
        {"DBIRTH", 'D', 8, 0},  {"BILET", 'C', 10, 0}, {"KLASS", 'C', 10, 0},
        {"DATEEND", 'D', 8, 0}, {"SNILS", 'N', 15, 0}, {"PERSSEX", 'C', 1, 0}};
    std::vector<std::vector<std::string>> records;
    for (std::vector<std::string> row : kTableRows) {
        for (const size_t date : {3u, 6u}) {
            const std::string d = row[date];  // dd.mm.yyyy
            row[date] = d.substr(6, 4) + d.substr(3, 2) + d.substr(0, 2);
        }
        records.push_back(row);
    }
    WriteDbf(f.Incoming() / "LIST.DBF", fields, records);
}

// A school whose learners changed since the last exchange, and a folder of
// removable media.
void SchoolToExport(DryRunFixture& f) {
    f.Settings(1);
    ProgramConfig config = f.SchoolConfigFor();
    config.LastExchangeDate = {2024, 1, 1};
    f.WriteConfig(config);
    std::vector<StudentRecord> records = {Pupil(1, 123, 45), Pupil(2, 123, 45)};
    for (StudentRecord& r : records) {
        r.DATEEND = {static_cast<uint16_t>(Today().year + 2), 6, 30};
        r.ChangeDate = Today();
    }
    WriteFile(f.ProgramFile("123.sch"), std::string(reinterpret_cast<const char*>(records.data()),
                                                    records.size() * kRecordSize));
    fs::create_directories(f.Incoming() / "usb");
}

// A district office of schools with two organizations, two learners each.
void District(DryRunFixture& f) {
    f.Settings(1);
    ProgramConfig config = EmptyConfig();
    config.OrgType = 1;
    config.DistrictMode = 1;
    config.OrgCount = 2;
    config.OrgOKPO[0] = 111111;
    config.OrgAgency[0] = 3;
    config.OrgOKPO[1] = 222222;
    config.OrgAgency[1] = 4;
    f.WriteConfig(config);
    f.Records("SCHOOL.R_N",
              {Pupil(1, 111111, 3), Pupil(2, 222222, 4), Pupil(3, 111111, 3), Pupil(4, 222222, 4)});
}

// A school whose register holds learners deleted before the last exchange.
void SchoolWithDeleted(DryRunFixture& f) {
    f.Settings(1);
    ProgramConfig config = f.SchoolConfigFor();
    config.LastExchangeDate = {2024, 2, 1};
    f.WriteConfig(config);
    StudentRecord deleted = Pupil(2, 123, 45);
    deleted.LastChange = Deleted;
    deleted.ChangeDate = {2024, 1, 10};
    f.Records("123.sch", {Pupil(1, 123, 45), deleted, Pupil(3, 123, 45), deleted});
}

// A school with a backup outside ProgramDir, taken before two more learners came.
void SchoolWithBackup(DryRunFixture& f) {
    f.School(2);
    const CliRun backup = f.Tool({"backup"});
    ASSERT_EQ(backup.status, 0) << backup.err;
    for (const auto& e : fs::directory_iterator(f.ProgramFile("BACKUP"))) {
        if (e.path().extension() == ".BKP") fs::rename(e.path(), f.Incoming() / "copy.BKP");
    }
    f.School(4);
}

const Case kCases[] = {
    {"init",
     [](DryRunFixture& f) { f.Settings(1); },
     {"init", "--okpo", "12345678", "--agency", "12"},
     0},
    {"check", School, {"check"}, 0},
    {"list into a folder outside", School, {"list", "--out", "{in}/list.txt"}, 0},
    {"process an archive from another organization",
     DistrictWithArchive,
     {"--yes", "process", "{in}/ACTUAL.ARJ"},
     0},
    {"process a delimited text file", SchoolWithText, {"process", "{in}/Список.txt"}, 0},
    {"process a dBase table", SchoolWithDbase, {"process", "{in}/LIST.DBF"}, 0},
    {"export-actual", SchoolToExport, {"export-actual", "--to", "{in}/usb"}, 0},
    {"export-corrections", SchoolToExport, {"export-corrections"}, 0},
    {"compact", SchoolWithDeleted, {"compact"}, 0},
    {"delete-org", District, {"delete-org", "222222"}, 0},
    {"replace-okpo", School, {"replace-okpo", "12345678"}, 0},
    {"restore", SchoolWithBackup, {"--yes", "restore", "{in}/copy.BKP"}, 0},
    {"backup", School, {"backup"}, 0},
    {"copy-org into a new folder", District, {"copy-org", "222222", "{in}/new/copy"}, 0},
};

INSTANTIATE_TEST_SUITE_P(Commands, DryThenReal, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) {
                             std::string name;
                             for (const char ch : std::string(info.param.name)) {
                                 name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             }
                             return name;
                         });

class DryRun : public DryRunFixture {};

TEST_F(DryRun, RegisterHeldByARunningCopyIsRefusedAsEver) {
    Configure(2);
    for (const char* dir : {"Export/ARH", "PRCSSD"}) fs::create_directories(File(dir));
    RegisterFile held;
    ASSERT_EQ(held.Open(File("123.sch")), RegisterFile::OpenResult::Ok);
    const auto before = StateOf(Dir());

    const CliRun dry = Run({"--dry-run", "check"});
    EXPECT_EQ(Differences(before, StateOf(Dir())), std::vector<std::string>{});
    ExpectCopyRemoved();
    const CliRun real = Run({"check"});

    EXPECT_NE(real.status, 0);
    EXPECT_EQ(dry.status, real.status);
    EXPECT_FALSE(real.err.empty());
    EXPECT_TRUE(Has(dry.err, real.err)) << dry.err;
    EXPECT_TRUE(HasLine(dry.out, "--- Файлы: ни один файл не изменился бы ---")) << dry.out;
}

TEST_F(DryRun, ReportsTheRegisterAndTheFilesOfATargetFolder) {
    Configure(4);
    const fs::path list = m_incoming / "Список.txt";
    WriteFile(list, "old");
    const auto before = StateOf(m_incoming.Dir());

    const CliRun run = Run({"--dry-run", "list", "--out", list.string()});

    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Differences(before, StateOf(m_incoming.Dir())), std::vector<std::string>{});
    const std::string report = ReportOf(run.out);
    EXPECT_TRUE(HasLine(report, "--- Файлы: каталог " + m_incoming.Dir().string() + " ---"))
        << report;
    EXPECT_TRUE(HasLine(report, "изменён: Список.txt")) << report;
    // The exit seals the register anew.
    EXPECT_TRUE(HasLine(report, "--- Файл данных 123.sch ---")) << report;
    EXPECT_TRUE(HasLine(report, "записей было 4, стало бы 4; новых 0, изменённых 0, удалённых 0"))
        << report;
    EXPECT_FALSE(Has(run.out + run.err, m_tmp.Dir().string())) << run.out << run.err;
}

TEST_F(DryRun, HelpTellsOfIt) {
    const CliRun run = Run({"--help"});
    EXPECT_TRUE(Has(run.out, "  --dry-run      пробный запуск")) << run.out;
}

// SIGTERM while the command works on the copy: the tool ends by it as it
// would without --dry-run, after removing the copy and stopping what the
// command started. The command is held at work by a standard output that
// nobody reads, or by an archiver that waits.
TEST_F(DryRun, TerminatedRunLeavesProgramDirAsItWasAndRemovesItsCopy) {
    const fs::path marker = "arj-running";
    // The archiver's process id once it runs in the copy of ProgramDir.
    const auto archiverPid = [&]() -> pid_t {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(m_tmp.Dir(), ec)) {
            const std::string pid = ReadFile(e.path() / "prog" / marker);
            if (!pid.empty() && pid.back() == '\n') return std::stoi(pid);
        }
        return 0;
    };
    const struct {
        const char* name;
        std::vector<std::string> command;
        int records;
        bool waitingArchiver;
    } cases[] = {
        {"writing to a full pipe", {"list"}, 3000, false},
        {"while the archiver runs", {"export-actual"}, 2, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Configure(c.records);
        if (c.waitingArchiver) {
            WriteFile(File("arj"), "#!/bin/sh\necho $$ > " + marker.string() + "\nexec sleep 20\n");
            fs::permissions(File("arj"), fs::perms::owner_all);
        }
        const auto before = StateOf(Dir());
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        std::vector<std::string> all = {VRKLAD_CLI, "--dir", Dir().string(), "--dry-run"};
        all.insert(all.end(), c.command.begin(), c.command.end());
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, VRKLAD_CLI, &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);

        pid_t archiver = 0;
        int queued = 0;
        for (int i = 0; i < 1000; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ioctl(fds[0], FIONREAD, &queued);
            archiver = archiverPid();
            if (c.waitingArchiver ? archiver != 0 : queued >= 65536) break;
        }
        EXPECT_TRUE(c.waitingArchiver ? archiver != 0 : queued >= 65536);
        kill(pid, SIGTERM);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        close(fds[0]);

        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
        EXPECT_EQ(Differences(before, StateOf(Dir())), std::vector<std::string>{});
        ExpectCopyRemoved();
        if (archiver != 0) {
            EXPECT_NE(kill(archiver, 0), 0) << "the archiver still runs";
        }
    }
}

TEST(RegisterChanges, EveryRecordCountsOnce) {
    auto record = [](uint32_t okpo, uint16_t lastChange) {
        StudentRecord r = EmptyRecord();
        r.OKPO = okpo;
        r.LastChange = lastChange;
        return r;
    };
    const StudentRecord a = record(1, Added);
    const StudentRecord b = record(2, Added);
    const StudentRecord c = record(3, Added);
    const StudentRecord aChanged = record(1, BiletChanged);
    const StudentRecord aDeleted = record(1, Deleted);
    const StudentRecord aDeletedAgain = record(1, Deleted | FioChanged);
    const StudentRecord bExcluded = record(2, ExcludedOther);
    const struct {
        const char* name;
        std::vector<StudentRecord> before;
        std::vector<StudentRecord> after;
        RegisterChanges expected;
    } cases[] = {
        {"same", {a, b}, {a, b}, {2, 2, 0, 0, 0}},
        {"changed in place", {a, b}, {aChanged, b}, {2, 2, 0, 1, 0}},
        {"marked deleted", {a, b}, {aDeleted, b}, {2, 2, 0, 0, 1}},
        {"deleted one changed again", {aDeleted, b}, {aDeletedAgain, b}, {2, 2, 0, 1, 0}},
        {"appended", {a}, {aChanged, b, c}, {1, 3, 2, 1, 0}},
        {"compacted", {aDeleted, b, bExcluded, c}, {b, c}, {4, 2, 0, 0, 2}},
        {"replaced by a shorter one", {a, b, c}, {c}, {3, 1, 0, 1, 2}},
        {"created", {}, {a}, {0, 1, 1, 0, 0}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        const RegisterChanges got = CompareRegisters(t.before, t.after);
        EXPECT_EQ(got.before, t.expected.before);
        EXPECT_EQ(got.after, t.expected.after);
        EXPECT_EQ(got.added, t.expected.added);
        EXPECT_EQ(got.changed, t.expected.changed);
        EXPECT_EQ(got.deleted, t.expected.deleted);
    }
}

TEST(PathRewriteBuffer, ShowsTheOriginalPathsAndCapturesWhatATerminalShows) {
    const PathRewriter rewriter({{"/t/d/prog", "/home/k/vrklad"},
                                 {"/t/d/dir.1/usb", "/media/usb"},
                                 {"/t/d/dir.10/in", "/srv/in"}});
    std::ostringstream target;
    std::ostringstream capture;
    {
        PathRewriteBuffer buffer(target.rdbuf(), rewriter, &capture);
        std::ostream out(&buffer);
        out << "\rОбработано 5%" << std::flush << "\rОбработано 9%" << std::flush << "\r\033[K"
            << std::flush;
        out << "Протокол /t/d/prog/PRCSSD/1.txt" << std::endl;
        out << "Файл /t/d/dir.10/in/1.act и /t/d/dir.1/usb/" << std::endl << "без конца";
    }
    EXPECT_EQ(target.str(),
              "\rОбработано 5%\rОбработано 9%\r\033[KПротокол /home/k/vrklad/PRCSSD/1.txt\n"
              "Файл /srv/in/1.act и /media/usb/\nбез конца");
    EXPECT_EQ(capture.str(),
              "Протокол /home/k/vrklad/PRCSSD/1.txt\nФайл /srv/in/1.act и /media/usb/\n");
}

}  // namespace
}  // namespace vrklad::test
