#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "exchange/IncomingFixtures.h"
#include "exchange/RecordUpdate.h"
#include "support/TimeLimit.h"

namespace vrklad::test {
namespace {

constexpr uint32_t kSender = 87654321;
constexpr uint16_t kSenderAgency = 7;
constexpr uint32_t kOther = 11111111;

template <size_t N>
std::string Text(const char (&field)[N]) {
    return FieldText(field);
}

std::string BytesOf(const std::vector<StudentRecord>& records) {
    return std::string(reinterpret_cast<const char*>(records.data()),
                       records.size() * sizeof(StudentRecord));
}

StudentRecord With(StudentRecord r, const std::function<void(StudentRecord&)>& change) {
    change(r);
    return r;
}

// A district office takes in its organization's actual records: every verdict
// of the merge, the details copied, and the learners the file no longer
// lists deleted.
TEST(ProcessRecordFile, DistrictOfficeMergesAndDeletesWhatTheFileNoLongerLists) {
    const StudentRecord a = Pupil(1, kSender, kSenderAgency);
    const StudentRecord b = With(Pupil(2, kSender, kSenderAgency), [](StudentRecord& r) {
        r.ChangeDate = {2024, 3, 1};
    });
    const StudentRecord c = Pupil(3, kSender, kSenderAgency);
    const StudentRecord d = Pupil(4, kOther, 3);
    const StudentRecord e = Pupil(5, kSender, kSenderAgency);
    const StudentRecord f =
        With(Pupil(6, kSender, kSenderAgency), [](StudentRecord& r) { r.LastChange = Deleted; });
    const StudentRecord g =
        With(Pupil(7, kSender, kSenderAgency), [](StudentRecord& r) { r.LastChange = Deleted; });
    const StudentRecord i = Pupil(9, kSender, kSenderAgency);
    Installation inst(Mode::District, {a, b, c, d, e, f, g, i},
                      {{static_cast<int32_t>(kSender), kSenderAgency}, {kOther, 3}}, true);
    ASSERT_TRUE(inst.details.InsertDoc(DocOf(1), SomeDetails("ОВД 1")));
    ASSERT_TRUE(inst.details.InsertDoc(DocOf(3), SomeDetails("ОВД 3")));

    const fs::path in = inst.dir / "in";
    fs::create_directories(in);
    MakeDetailsDatabase(in, {{DocOf(8), SomeDetails("ОВД 8")}, {DocOf(9), SomeDetails("ОВД 9")}});
    const StudentRecord h = Pupil(8, kSender, kSenderAgency);
    WriteExchangeFile(in / "87654321.act",
                      {
                          a,
                          With(b,
                               [](StudentRecord& r) {  // changed in the register since
                                   SetFieldText(r.BILET, "999");
                                   r.ChangeDate = {2024, 2, 1};
                               }),
                          With(e, [](StudentRecord& r) { r.LastChange = Deleted; }),
                          With(f, [](StudentRecord& r) { r.LastChange = Added; }),
                          With(h, [](StudentRecord& r) { SetFieldText(r.DOC, "П.40.05.000008"); }),
                          With(i,
                               [](StudentRecord& r) {
                                   SetFieldText(r.BILET, "777");
                                   r.ChangeDate = {2024, 2, 1};
                               }),
                      });

    const IncomingResult result = inst.RecordFile(in / "87654321.act");

    EXPECT_TRUE(result.completed);
    const IncomingCounters expected{1, 2, 1, 2, 2};
    EXPECT_EQ(result.counters, expected);
    EXPECT_EQ(result.protocol, inst.Prcssd() / "87654321.txt");
    EXPECT_EQ(inst.Protocol("87654321"),
              ExpectedProtocol(
                  "87654321", 6,
                  {PrefixOf(2, 2) + " - запись не обработана: Запись в БД имеет более позднюю "
                                    "дату изменения, чем запись в файле.",
                   PrefixOf(4, 6) + " - восстановление удаленной записи"},
                  expected));
    EXPECT_TRUE(inst.op.shown.empty()) << inst.op.Texts().front();
    EXPECT_EQ(inst.op.viewed, std::vector<std::string>{result.protocol.string()});
    ASSERT_FALSE(inst.op.progress.empty());
    EXPECT_EQ(inst.op.progress.front(), std::make_pair(0, true));
    EXPECT_EQ(inst.op.progress.back(), std::make_pair(0, false));

    const std::vector<StudentRecord> after = inst.Records();
    ASSERT_EQ(after.size(), 9u);
    EXPECT_TRUE(SameBytes(after[0], a));
    EXPECT_TRUE(SameBytes(after[1], b)) << "a refused record with a target is kept";
    const auto deleted = [](StudentRecord r) {
        r.LastChange = Deleted;
        r.ChangeDate = kToday;
        return r;
    };
    EXPECT_TRUE(SameBytes(after[2], deleted(c))) << "not in the file";
    EXPECT_TRUE(SameBytes(after[3], d)) << "another organization";
    EXPECT_TRUE(SameBytes(after[4], deleted(e))) << "marked deleted in the file";
    EXPECT_TRUE(SameBytes(after[5], With(f, [](StudentRecord& r) { r.LastChange = 0; })));
    EXPECT_TRUE(SameBytes(after[6], g)) << "deleted before";
    EXPECT_EQ(Text(after[7].BILET), "777");
    EXPECT_EQ(after[7].LastChange, BiletChanged);
    EXPECT_EQ(after[7].ChangeDate, (RecordDate{2024, 2, 1}));
    EXPECT_EQ(Text(after[8].DOC), DocOf(8)) << "the document in canonical form";
    EXPECT_EQ(after[8].LastChange, Added);
    EXPECT_EQ(after[8].ChangeDate, h.ChangeDate);

    EXPECT_EQ(inst.details.FindDoc(DocOf(1)), SomeDetails("ОВД 1"));
    EXPECT_EQ(inst.details.FindDoc(DocOf(3)), std::nullopt) << "removed with the learner";
    EXPECT_EQ(inst.details.FindDoc(DocOf(8)), SomeDetails("ОВД 8"));
    EXPECT_EQ(inst.details.FindDoc(DocOf(9)), SomeDetails("ОВД 9"));

    const ProgramConfig saved = inst.Saved();
    EXPECT_EQ(saved.RecordCount, 9);
    EXPECT_EQ(saved.TotalLearners, 6);
    ASSERT_EQ(saved.OrgCount, 2);
    EXPECT_EQ(saved.OrgOKPO[0], static_cast<int32_t>(kSender));
    EXPECT_EQ(saved.OrgLearners[0], 5);
    EXPECT_EQ(saved.OrgOKPO[1], static_cast<int32_t>(kOther));
    EXPECT_EQ(saved.OrgLearners[1], 1);
}

// Another organization's register file: its learners become the own
// organization's, and nothing of the own register is deleted.
TEST(ProcessRecordFile, OtherOrganizationsRegisterIsTakenOverWithoutDeletion) {
    const StudentRecord k = Pupil(1, kOwnOkpo, kOwnAgency);
    const StudentRecord n = Pupil(3, kOwnOkpo, kOwnAgency);
    Installation inst(Mode::School, {k, n});
    const fs::path in = inst.dir / "in";
    fs::create_directories(in);
    const fs::path file = in / "other.SCH";  // the extension in any letter case
    WriteExchangeFile(file, {Pupil(1, 99999999, 9), Pupil(2, 99999999, 9)});

    const IncomingResult result = inst.RecordFile(file);

    EXPECT_TRUE(result.completed);
    const IncomingCounters expected{1, 0, 0, 1, 0};
    EXPECT_EQ(result.counters, expected);
    EXPECT_EQ(inst.Protocol("other"), ExpectedProtocol("other", 2, {}, expected));
    const std::vector<StudentRecord> after = inst.Records();
    ASSERT_EQ(after.size(), 3u);
    EXPECT_TRUE(SameBytes(after[0], k));
    EXPECT_TRUE(SameBytes(after[1], n));
    EXPECT_TRUE(SameBytes(after[2], Pupil(2, kOwnOkpo, kOwnAgency)));
}

TEST(ProcessRecordFile, ProtocolThatCannotBeShownIsReported) {
    Installation inst(Mode::School);
    const fs::path file = inst.dir / "87654321.act";
    WriteExchangeFile(file, {Pupil(1, kSender, kSenderAgency)});
    inst.op.viewerWorks = false;

    EXPECT_TRUE(inst.RecordFile(file).completed);

    ASSERT_EQ(inst.op.shown.size(), 1u);
    EXPECT_EQ(inst.op.shown[0].icon, Operator::Icon::Warning);
    EXPECT_EQ(inst.op.shown[0].text, "Не удалось открыть файл протокола обработки записей\n" +
                                         inst.ProgramDir() + "PRCSSD/87654321");
    EXPECT_TRUE(fs::exists(inst.Prcssd() / "87654321.txt"));
}

// Files that must not reach the register: each is refused with a message
// before anything changes, the deletion pass included.
TEST(ProcessRecordFile, RefusesFilesBeforeAnythingChanges) {
    struct Case {
        const char* what;
        Mode mode;
        std::string file;  // under ProgramDir/in
        enum { Records, Missing, Directory } kind;
        Operator::Icon icon;
        std::string message;  // "%" stands for the file's full path
    };
    const std::vector<Case> cases = {
        {"district, name no OKPO", Mode::District, "SCHOOL.R_N", Case::Records,
         Operator::Icon::Warning,
         "Имя файла \"SCHOOL\" не является кодом ОКПО организации. Обработка файла не возможна."},
        {"district, OKPO past 32 bits", Mode::District, "2147483648.act", Case::Records,
         Operator::Icon::Warning,
         "Код ОКПО \"2147483648\" в имени файла слишком велик. Обработка файла не возможна."},
        {"district, missing file", Mode::District, "87654321.act", Case::Missing,
         Operator::Icon::Error, "Не удалось прочитать файл \"%\". Обработка файла не возможна."},
        {"district, a directory", Mode::District, "87654321.act", Case::Directory,
         Operator::Icon::Error, "Не удалось прочитать файл \"%\". Обработка файла не возможна."},
        {"school, missing file", Mode::School, "99999999.sch", Case::Missing, Operator::Icon::Error,
         "Не удалось прочитать файл \"%\". Обработка файла не возможна."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<StudentRecord> records = {Pupil(1, kSender, kSenderAgency)};
        Installation inst(c.mode, records, {{static_cast<int32_t>(kSender), kSenderAgency}});
        const std::string configBefore = ReadFile(inst.dir / ConfigFile::kFileName);
        const fs::path file = inst.dir / "in" / c.file;
        fs::create_directories(file.parent_path());
        if (c.kind == Case::Records) WriteExchangeFile(file, {});
        if (c.kind == Case::Directory) fs::create_directories(file);

        const IncomingResult result = inst.RecordFile(file);

        EXPECT_FALSE(result.completed);
        EXPECT_TRUE(result.protocol.empty());
        std::string message = c.message;
        if (const size_t at = message.find('%'); at != std::string::npos) {
            message.replace(at, 1, file.string());
        }
        ASSERT_EQ(inst.op.shown.size(), 1u);
        EXPECT_EQ(inst.op.shown[0].icon, c.icon);
        EXPECT_EQ(inst.op.shown[0].text, message);
        EXPECT_EQ(BytesOf(inst.Records()), BytesOf(records));
        EXPECT_EQ(ReadFile(inst.dir / ConfigFile::kFileName), configBefore);
        EXPECT_TRUE(fs::is_empty(inst.Prcssd()));
        EXPECT_TRUE(inst.op.viewed.empty());
    }
}

std::vector<StudentRecord> Pupils(uint32_t from, uint32_t to) {
    std::vector<StudentRecord> records;
    records.reserve(to - from + 1);
    for (uint32_t n = from; n <= to; ++n) records.push_back(Pupil(n, kSender, kSenderAgency));
    return records;
}

// More records than the register can take: all are looked at, those that
// find no room are refused in the protocol, and the count is the real one.
TEST(ProcessRecordFile, FileLongerThanTheRegisterCanTake) {
    Installation inst(Mode::School, Pupils(1, 65533));
    const fs::path file = inst.dir / "87654321.act";
    WriteExchangeFile(file, Pupils(1, 65536));

    const IncomingResult result = inst.RecordFile(file);

    EXPECT_TRUE(result.completed);
    const IncomingCounters expected{2, 0, 1, 65533, 0};
    EXPECT_EQ(result.counters, expected);
    EXPECT_EQ(inst.reg.CountRecords(), 65535u);
    EXPECT_EQ(inst.Protocol("87654321"),
              ExpectedProtocol(
                  "87654321", 65536,
                  {PrefixOf(65536, 65536) + " - запись не обработана: " + kRegisterFullMessage},
                  expected));
}

// A full register brought up to date from a full file: every record is
// updated, in well under the guard's time.
TEST(ProcessRecordFile, FullFileIntoFullRegisterIsFast) {
    Installation inst(Mode::District, Pupils(1, 65535),
                      {{static_cast<int32_t>(kSender), kSenderAgency}});
    std::vector<StudentRecord> incoming = Pupils(1, 65535);
    for (StudentRecord& r : incoming) {
        SetFieldText(r.BILET, "7654321");
        r.ChangeDate = {2024, 2, 1};
    }
    const fs::path file = inst.dir / "87654321.act";
    WriteExchangeFile(file, incoming);

    const auto start = std::chrono::steady_clock::now();
    const IncomingResult result = inst.RecordFile(file);
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);

    std::cout << "65,535 records into a register of 65,535: " << elapsed.count() << " ms\n";
    EXPECT_LT(elapsed.count(), 5000 * kTimeLimitScale);
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(result.counters, (IncomingCounters{0, 65535, 0, 0, 0}));
    const std::vector<StudentRecord> after = inst.Records();
    ASSERT_EQ(after.size(), 65535u);
    EXPECT_EQ(Text(after[65534].BILET), "7654321");
    EXPECT_EQ(inst.Saved().TotalLearners, 65535);
}

}  // namespace
}  // namespace vrklad::test
