#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "details/CreateDetailsDatabase.h"
#include "details/DetailsStore.h"
#include "exchange/ActualExport.h"
#include "exchange/CorrectionsExport.h"
#include "exchange/LearnerList.h"
#include "exchange/ProcessRecordFile.h"
#include "maintenance/Backup.h"
#include "maintenance/Compaction.h"
#include "maintenance/OrgMaintenance.h"
#include "maintenance/RegisterCopy.h"
#include "register/Cp1251.h"
#include "register/FaultInjection.h"
#include "session/LoadFile.h"
#include "session/Session.h"
#include "session/SessionFixture.h"

namespace vrklad::test {
namespace {

namespace fs = std::filesystem;

// Every operation that writes the files of an installation runs once to
// count the points of the fault seam it passes (each write, flush, rename,
// removal and truncation, the details database's too), then once more for
// every point n with point n failing, and once with every write from point
// n on failing, as a disk that fills up. A failure must be told to the
// user, and a run that tells none must have done all of its work. Either
// way the next start finds every file whole: the register (its checksum
// verifying), the configuration and the details database each as before
// the operation or as a run without failure leaves them, and the exchange
// files and copies each whole or not there.

constexpr const char* kSchool = "123.sch";
constexpr uint32_t kSender = 1001;  // the district's organization that sends its file
constexpr uint32_t kOther = 1002;

// A stand-in for the archiver: "a -e -2d -- ARCHIVE FILES..." makes an
// empty ARCHIVE. The exports only look for the archive.
constexpr const char* kFakeArchiver =
    "#!/bin/sh\n"
    "[ \"$1\" = a ] && : > \"$5\"\n"
    "exit 0\n";

const char* const kNames[] = {"Иванов Иван",    "Петров Пётр",   "Сидоров Сидор", "Кузнецов Кузьма",
                              "Новиков Нил",    "Смирнов Семён", "Попов Павел",   "Волков Виктор",
                              "Соколов Сергей", "Лебедев Лев",   "Козлов Кирилл", "Морозов Максим"};

std::string DocOf(int n) { return "П.40.05." + std::to_string(1000000 + n); }

StudentRecord Learner(int n, uint32_t okpo, uint16_t org, uint16_t lastChange = Added) {
    StudentRecord r = EmptyRecord();
    r.OKPO = okpo;
    r.ORG = org;
    SetFieldText(r.DOC, DocOf(n));
    SetFieldText(r.FIO, kNames[n % std::size(kNames)]);
    SetFieldText(r.BILET, "0012345");
    r.PersSex = kSexMale;
    r.DBIRTH = {2008, 5, 1};
    r.DATEEND = {2026, 9, 30};
    r.KlassNumber = 10;
    r.KlassLetter = 0xC0;  // А
    r.LastChange = lastChange;
    r.ChangeDate = {2024, 2, 15};
    return r;
}

std::string Bytes(const ProgramConfig& config) {
    return std::string(reinterpret_cast<const char*>(&config), sizeof config);
}

void WriteRegisterFile(const fs::path& path, const std::vector<StudentRecord>& records) {
    RegisterFile file;
    ASSERT_EQ(file.Create(path), RegisterFile::OpenResult::Ok);
    for (const StudentRecord& r : records)
        ASSERT_EQ(file.Append(r), RegisterFile::AppendResult::Ok);
    ASSERT_TRUE(SealRegister(file, path.filename().string()));
}

void MakeDetails(const fs::path& dir, const std::vector<int>& learners) {
    std::string error;
    ASSERT_TRUE(CreateDetailsDatabase(dir / kDetailsFileName,
                                      VRKLAD_SOURCE_DIR "/db/Additional.sql", &error))
        << error;
    ScriptedOperator op;
    DetailsStore details(op);
    ASSERT_TRUE(details.Open(dir.string()));
    for (int n : learners) {
        ASSERT_TRUE(
            details.InsertDoc(DocOf(n), {{2020, 1, 2}, "ОВД " + std::to_string(n), n, "г. Город"}));
    }
}

// The rows of a details database, as the next open finds them (a journal
// left by a failed write is rolled back first, as the program's open does).
std::vector<std::string> DetailsRows(const fs::path& file) {
    std::vector<std::string> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return {"<cannot open>"};
    }
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT DOC, D_ISSUE_DATE, D_ISSUER, D_ISSUER_CODE, D_PLACE_OF_BIRTH "
                           "FROM DocDetails ORDER BY DOC",
                           -1, &s, nullptr) != SQLITE_OK) {
        rows.push_back(std::string("<") + sqlite3_errmsg(db) + ">");
    }
    int rc = SQLITE_DONE;
    while (s != nullptr && (rc = sqlite3_step(s)) == SQLITE_ROW) {
        std::string row;
        for (int c = 0; c < 5; ++c) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, c));
            row += (text != nullptr ? text : "<null>") + std::string("|");
        }
        rows.push_back(row);
    }
    if (rc != SQLITE_DONE) rows.push_back(std::string("<") + sqlite3_errmsg(db) + ">");
    sqlite3_finalize(s);
    sqlite3_close(db);
    return rows;
}

// What a start finds of an installation.
struct State {
    std::string config;
    std::string registerName;
    std::string records;  // without the trailer, whose seed each seal draws afresh
    std::vector<std::string> details;
    friend bool operator==(const State&, const State&) = default;
};

State Read(const fs::path& dir) {
    State found;
    found.config = ReadFile(dir / ConfigFile::kFileName);
    ProgramConfig config = EmptyConfig();
    std::memcpy(&config, found.config.data(), std::min(found.config.size(), sizeof config));
    found.registerName = RegisterFileName(config);
    const std::string bytes = ReadFile(dir / found.registerName);
    found.records = bytes.substr(0, bytes.size() / kRecordSize * kRecordSize);
    found.details = DetailsRows(dir / kDetailsFileName);
    return found;
}

void CopyDirectory(const fs::path& from, const fs::path& to) {
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

// Runs the operation on a started session; true when it says it succeeded.
using Operation = std::function<bool(Session&, Operator&)>;

struct Case {
    const char* name;
    bool district;
    Operation run;
    // Changes the installation the operation starts from; may be empty.
    std::function<void(const fs::path&)> prepare = {};
    // Once its journal is written, a failed run is carried through by the
    // next start (a restore).
    bool finishedByNextStart = false;
    // Files (under ProgramDir) that a failed run leaves byte for byte.
    std::vector<std::string> keptOnFailure = {};
};

class FailingWrites : public SessionFixture {
protected:
    void SetUp() override {
        SessionFixture::SetUp();
        // Hundreds of runs on throwaway copies: no run needs its flushes
        // on the disk, only to pass their points.
        fault::SetFlushesReachDisk(false);
        BuildSchool(m_school.Dir());
        BuildDistrict(m_district.Dir());
    }
    void TearDown() override {
        fault::SetFlushesReachDisk(true);
        SessionFixture::TearDown();
    }

    static void Common(const fs::path& dir, int typeOrganization) {
        WriteFile(dir / "VR_KLAD.INI",
                  "[Options]\r\nTypeOrganization=" + std::to_string(typeOrganization) +
                      "\r\n[Other]\r\nRepareDocFormat=1\r\n");
        for (const char* sub : {"Export", "Export/ARH", "PRCSSD", "in"}) {
            fs::create_directories(dir / sub);
        }
        WriteFile(dir / "arj", kFakeArchiver);
        ASSERT_EQ(::chmod((dir / "arj").c_str(), 0755), 0);
    }

    // A school (OKPO 123, agency 45) with ten learners, two of them
    // deleted since the last exchange, details of some, a backup of an
    // earlier state, a table and another school's register to take in.
    static void BuildSchool(const fs::path& dir) {
        Common(dir, 1);
        ProgramConfig config = SchoolConfig();
        config.LastExchangeDate = {2024, 2, 1};
        WriteFile(dir / ConfigFile::kFileName, Bytes(config));
        std::vector<StudentRecord> records;
        for (int n = 0; n < 10; ++n)
            records.push_back(Learner(n, 123, 45, n % 4 == 1 ? Deleted : Added));
        WriteRegisterFile(dir / kSchool, records);
        MakeDetails(dir, {0, 2, 3});

        // The backup holds the school with its first six learners.
        {
            TempDir earlier;
            CopyDirectory(dir, earlier.Dir());
            fs::remove(earlier / "arj");  // the real archiver makes the backup
            records.resize(6);
            WriteRegisterFile(earlier / kSchool, records);
            ScriptedOperator op;
            Session session(earlier.Dir());
            ASSERT_EQ(session.Startup(op), Session::StartupResult::Ready);
            session.OnFirstShown(op);
            ASSERT_TRUE(CreateBackup(session, op, earlier / "VR_KLAD.INI"));
            session.Exit(op);
            fs::create_directories(dir / kBackupDir);
            fs::copy_file(earlier / kBackupDir / BackupArchiveName(Now()),
                          dir / kBackupDir / "earlier.BKP");
        }

        // Two learners updated (a new ticket), two new, with their details.
        const auto row = [](int n, const std::string& ticket) {
            return "45;" + DocOf(n) + ";" + kNames[n % std::size(kNames)] + ";01.05.2008;" +
                   ticket + ";10-А;30.09.2026;;М;10.06.2022;ОВД района " + std::to_string(n) +
                   ";770001;г. Москва;;\r\n";
        };
        WriteFile(dir / "in" / "list.txt",
                  Utf8ToCp1251("ORG;DOC;FIO;DBIRTH;BILET;KLASS;DATEEND;SNILS;PersSex;IssueDate;"
                               "Issuer;IssuerCode;PlaceOfBirth;OLDDOC;OLDFIO\r\n" +
                               row(0, "0099990") + row(2, "0099992") + row(10, "0012345") +
                               row(11, "0012345")));

        // Another school's register: one learner known here, two new.
        std::vector<StudentRecord> other = {Learner(3, 777, 7), Learner(10, 777, 7),
                                            Learner(11, 777, 7)};
        SetFieldText(other[0].BILET, "0077777");
        other[0].ChangeDate = {2024, 2, 20};
        WriteRegisterFile(dir / "in" / "777.sch", other);
    }

    // A district office of schools told apart by OKPO, with two
    // organizations, and the actual-records file of one of them unpacked
    // into PRCSSD with its details database: one learner changed, one new,
    // one no longer listed.
    static void BuildDistrict(const fs::path& dir) {
        Common(dir, 0);
        ProgramConfig config = EmptyConfig();
        config.OrgType = 1;
        config.DistrictMode = 1;
        config.OrgCount = 2;
        config.OrgOKPO[0] = kSender;
        config.OrgAgency[0] = 11;
        config.OrgOKPO[1] = kOther;
        config.OrgAgency[1] = 12;
        config.LastExchangeDate = {2024, 2, 1};
        WriteFile(dir / ConfigFile::kFileName, Bytes(config));
        std::vector<StudentRecord> records;
        for (int n = 0; n < 8; ++n) {
            records.push_back(n < 5 ? Learner(n, kSender, 11) : Learner(n, kOther, 12));
        }
        WriteRegisterFile(dir / "SCHOOL.R_N", records);
        MakeDetails(dir, {0, 5});

        std::vector<StudentRecord> sent(records.begin(), records.begin() + 4);  // 4 is gone
        SetFieldText(sent[1].BILET, "0055555");
        sent[1].ChangeDate = {2024, 2, 28};
        sent.push_back(Learner(9, kSender, 11));
        WriteRegisterFile(dir / "PRCSSD" / (std::to_string(kSender) + ".act"), sent);
        MakeDetails(dir / "PRCSSD", {1, 9});
    }

    static std::unique_ptr<Session> Started(const fs::path& dir, ScriptedOperator& op) {
        op.defaultAnswer = Operator::Answer::Yes;
        auto session = std::make_unique<Session>(dir);
        if (session->Startup(op) != Session::StartupResult::Ready) return nullptr;
        session->OnFirstShown(op);
        op.shown.clear();
        return session;
    }

    // Files that hold records outside the register: each must be whole,
    // records and a trailer verifying under its own name.
    static void ExpectExchangeFilesWhole(const fs::path& dir) {
        for (const char* sub : {"Export", "copy"}) {
            if (!fs::is_directory(dir / sub)) continue;
            for (const auto& entry : fs::directory_iterator(dir / sub)) {
                const std::string name = entry.path().filename().string();
                EXPECT_NE(name[0], '.') << "left behind: " << entry.path();
                const std::string ext = entry.path().extension().string();
                if (ext != ".act" && ext != ".cor" && ext != ".sch") continue;
                const uintmax_t size = fs::file_size(entry.path());
                if (size == 0) continue;
                EXPECT_EQ(size % kRecordSize, 6u) << entry.path();
                RegisterFile file;
                ASSERT_EQ(file.Open(entry.path()), RegisterFile::OpenResult::Ok);
                EXPECT_TRUE(VerifyRegister(file, name)) << entry.path();
            }
            const fs::path config = dir / sub / ConfigFile::kFileName;
            if (fs::exists(config)) {
                EXPECT_EQ(fs::file_size(config), sizeof(ProgramConfig)) << config;
            }
        }
    }

    TempDir m_school;
    TempDir m_district;
};

size_t Errors(const ScriptedOperator& op) {
    size_t errors = 0;
    for (const ScriptedOperator::Shown& s : op.shown) errors += s.icon == Operator::Icon::Error;
    return errors;
}

TEST_F(FailingWrites, EveryFailedWriteIsToldAndLeavesEveryFileWhole) {
    const auto incomingFile = [](Session& s, Operator& op) {
        const IncomingResult result = ProcessRecordFile(
            s.ProgramDir() / "PRCSSD" / (std::to_string(kSender) + ".act"), s.ProgramDir().string(),
            s.Register(), s.Configuration(), s.IniSettings(), s.Details(), s.Indexes(), op);
        return result.completed;
    };
    const Case cases[] = {
        {"incoming actual-records file with details and deletions", true, incomingFile},
        {"another school's register file", false,
         [](Session& s, Operator& op) {
             return LoadFile(s, op, s.ProgramDir() / "in" / "777.sch").completed;
         }},
        {"import of a table with details", false,
         [](Session& s, Operator& op) {
             return LoadFile(s, op, s.ProgramDir() / "in" / "list.txt").completed;
         }},
        {"OKPO replacement", false,
         [](Session& s, Operator& op) { return ReplaceOkpo(s, op, 456); }},
        {"agency code replacement", false,
         [](Session& s, Operator& op) { return ReplaceAgency(s, op, 46); }},
        {"organization deletion", true,
         [](Session& s, Operator& op) { return DeleteOrganization(s, op, kOther); }},
        {"actual-records export", false,
         [](Session& s, Operator& op) {
             static_cast<ScriptedOperator&>(op).answers = {Operator::Answer::Yes,
                                                           Operator::Answer::No};
             return ExportActual(s.ProgramDir().string(), s.Register(), s.Configuration(), op)
                 .Succeeded();
         }},
        {"corrections export onto a pending file",
         false,
         [](Session& s, Operator& op) {
             static_cast<ScriptedOperator&>(op).answers = {Operator::Answer::Yes,
                                                           Operator::Answer::No};
             return ExportCorrections(s.ProgramDir().string(), s.Register(), s.Configuration(),
                                      s.Indexes(), op)
                 .Succeeded();
         },
         [](const fs::path& dir) {
             std::vector<StudentRecord> pending = {Learner(20, 123, 45)};
             WriteRegisterFile(dir / "Export" / "123.cor", pending);
         },
         false,
         // Else the next export, from the same date, would add the same
         // records again.
         {"Export/123.cor"}},
        {"learner list", false,
         [](Session& s, Operator& op) {
             const std::vector<uint16_t> rows = {0, 2, 3, 4};
             return ExportLearnerList(s.ProgramDir() / "Export" / "list.txt", s.Register(), rows,
                                      s.Details(), op);
         }},
        {"register copy of an organization", true,
         [](Session& s, Operator& op) {
             return WriteRegisterCopy(s, op, OrganizationRows(s.Register(), kSender), kSender,
                                      s.ProgramDir() / "copy", false, {});
         }},
        {"compaction", false,
         [](Session& s, Operator& op) {
             return CompactRegister(s, op) == CompactionResult::Compacted;
         }},
        {"backup", false,
         [](Session& s, Operator& op) {
             return CreateBackup(s, op, s.ProgramDir() / "VR_KLAD.INI");
         },
         [](const fs::path& dir) { fs::remove(dir / "arj"); }},
        {"restore", false,
         [](Session& s, Operator& op) { return RestoreBackup(s, op, "BACKUP/earlier.BKP"); },
         [](const fs::path& dir) { fs::remove(dir / "arj"); }, true},
        // The organizations recounted and the configuration saved, the
        // register sealed.
        {"exit", false, [](Session& s, Operator& op) { return s.Exit(op); }},
    };

    const auto began = std::chrono::steady_clock::now();
    uint64_t runs = 0, failed = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto caseBegan = std::chrono::steady_clock::now();
        TempDir start;
        CopyDirectory(c.district ? m_district.Dir() : m_school.Dir(), start.Dir());
        if (c.prepare) c.prepare(start.Dir());
        const State before = Read(start.Dir());

        // A run without failure, counting the points and giving the state after.
        State after;
        uint64_t points = 0;
        {
            TempDir dir;
            CopyDirectory(start.Dir(), dir.Dir());
            ScriptedOperator op;
            std::unique_ptr<Session> session = Started(dir.Dir(), op);
            ASSERT_NE(session, nullptr);
            fault::Arm(fault::Mode::Count);
            const bool ok = c.run(*session, op);
            points = fault::Points();
            fault::Disarm();
            ASSERT_TRUE(ok) << ::testing::PrintToString(op.Texts());
            ASSERT_EQ(Errors(op), 0u) << ::testing::PrintToString(op.Texts());
            session.reset();
            after = Read(dir.Dir());
        }
        ASSERT_GT(points, 0u);

        uint64_t caseFailed = 0;
        for (const fault::Mode mode : {fault::Mode::FailOnce, fault::Mode::DiskFull}) {
            for (uint64_t n = 1; n <= points; ++n) {
                SCOPED_TRACE(
                    std::string(mode == fault::Mode::FailOnce ? "point " : "disk full from ") +
                    std::to_string(n) + " of " + std::to_string(points));
                TempDir dir;
                CopyDirectory(start.Dir(), dir.Dir());
                ScriptedOperator op;
                std::unique_ptr<Session> session = Started(dir.Dir(), op);
                ASSERT_NE(session, nullptr);
                fault::Arm(mode, n);
                const bool ok = c.run(*session, op);
                fault::Disarm();
                session.reset();
                ++runs;

                // The next start opens the register without a complaint, and
                // settles what a replacement of several files left to it.
                ScriptedOperator next;
                Session again(dir.Dir());
                EXPECT_EQ(again.Startup(next), Session::StartupResult::Ready);
                EXPECT_FALSE(again.ChecksumMismatch());
                EXPECT_EQ(next.Texts(), std::vector<std::string>{});
                const State found = Read(dir.Dir());

                // Told, once, or done: never a failure passed over in silence.
                const bool told = Errors(op) != 0;
                EXPECT_LE(Errors(op), 1u) << ::testing::PrintToString(op.Texts());
                caseFailed += told ? 1 : 0;
                if (!told) {
                    EXPECT_TRUE(ok) << ::testing::PrintToString(op.Texts());
                    EXPECT_TRUE(found == after) << "a failure that was not told";
                } else {
                    EXPECT_FALSE(ok) << ::testing::PrintToString(op.Texts());
                    // The configuration of a failed run stays as it was: its dates
                    // do not move, its organizations do not change.
                    if (!c.finishedByNextStart) {
                        EXPECT_TRUE(found.config == before.config)
                            << ::testing::PrintToString(op.Texts());
                    }
                    for (const std::string& name : c.keptOnFailure) {
                        EXPECT_EQ(ReadFile(dir / name), ReadFile(start / name)) << name;
                    }
                }
                // A configuration that would no longer match the register is never saved.
                if (found.config != before.config) {
                    EXPECT_TRUE(found.records == after.records && found.details == after.details);
                }
                EXPECT_EQ(found.config.size(), sizeof(ProgramConfig));
                EXPECT_TRUE(found.config == before.config || found.config == after.config);
                EXPECT_TRUE(found.registerName == before.registerName ||
                            found.registerName == after.registerName);
                EXPECT_TRUE(found.records == before.records || found.records == after.records)
                    << found.records.size() / kRecordSize << " records; before "
                    << before.records.size() / kRecordSize << ", after "
                    << after.records.size() / kRecordSize;
                EXPECT_TRUE(found.details == before.details || found.details == after.details)
                    << ::testing::PrintToString(found.details);
                for (const auto& entry : fs::directory_iterator(dir.Dir())) {
                    const std::string name = entry.path().filename().string();
                    EXPECT_NE(name[0], '.') << "left behind: " << name;
                }
                ExpectExchangeFilesWhole(dir.Dir());
            }
        }
        failed += caseFailed;
        std::cout << c.name << ": " << points << " points, " << caseFailed << " of " << 2 * points
                  << " runs told of a failure, "
                  << std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now() - caseBegan)
                         .count()
                  << " ms" << std::endl;
        // The seam reaches the operation's own writes.
        EXPECT_GT(caseFailed, 0u);
    }
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - began);
    std::cout << "Failing writes: " << runs << " runs, " << failed << " told of a failure, in "
              << took.count() << " ms" << std::endl;
    RecordProperty("failing_write_runs", std::to_string(runs));
}

}  // namespace
}  // namespace vrklad::test
