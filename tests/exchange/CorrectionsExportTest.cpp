#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "exchange/CorrectionsExport.h"
#include "exchange/ExportFixtures.h"
#include "register/ChangeCodes.h"
#include "support/TimeLimit.h"

namespace vrklad {
namespace {

namespace fs = std::filesystem;
using test::ExportFixture;
using test::kToday;
using test::kYesterday;
using test::ReadFile;
using test::RecordBytes;
using test::WriteFile;
using Icon = Operator::Icon;
using Answer = Operator::Answer;

const char* const kCreateQuestion = "Создать файл с откорректированными записями?";
const char* const kMoveQuestion =
    "Файл корректировок сформирован. Желаете выгрузить файл на сменный носитель?";
const char* const kFolderTitle =
    "Выбор носителя на который будет перенесен файл откорректированных записей";
const char* const kArchiveName = "CORRECT_240315140533.ARJ";  // at the fixed moment
constexpr RecordDate kBefore{2024, 3, 13};

StudentRecord Rec(const std::string& doc, const std::string& fio, RecordDate changed,
                  uint16_t lastChange = Added) {
    StudentRecord r = test::Learner(doc, fio);
    r.ChangeDate = changed;
    r.LastChange = lastChange;
    return r;
}

class CorrectionsExportTest : public ExportFixture {
protected:
    // Yes to the export, No to the move.
    ExportResult Run() {
        m_op.answers = {Answer::Yes, Answer::No};
        return ExportCorrections(m_dir.Path(), m_reg, m_config, m_indexes, m_op);
    }
    fs::path CorPath() const { return ExportPath("12345678.cor"); }
    std::vector<StudentRecord> CorRecords(bool* verified = nullptr) const {
        return test::ReadExchangeFile(CorPath(), "12345678.cor", verified);
    }
    // A pending file from an earlier export, with its (stale) trailer.
    void MakePending(const std::vector<StudentRecord>& records) {
        WriteFile(CorPath(), RecordBytes(records) + std::string("\x01\x00\x02\x03\x04\x05", 6));
    }

    RegisterIndexes m_indexes;
};

void ExpectSameRecords(const std::vector<StudentRecord>& got,
                       const std::vector<StudentRecord>& expected) {
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "record " << i);
        EXPECT_TRUE(SameBytes(got[i], expected[i])) << FieldText(got[i].DOC);
    }
}

TEST_F(CorrectionsExportTest, AddsRecordsChangedAfterTheLastExchangeAndNewSameDayOnes) {
    struct Case {
        RecordDate changed;
        bool copyPending;  // the pending file already holds an identical copy
        bool added;
    };
    const std::vector<Case> cases = {
        {kBefore, false, false},   {kBefore, true, false},     // before the last exchange
        {kYesterday, false, true}, {kYesterday, true, false},  // on its day
        {kToday, false, true},     {kToday, true, true},       // after it
    };
    std::vector<StudentRecord> records;
    std::vector<StudentRecord> pending;
    std::vector<StudentRecord> added;
    for (size_t i = 0; i < cases.size(); ++i) {
        const StudentRecord r = Rec("П.40.05.100000" + std::to_string(i),
                                    "Ученик " + std::to_string(i), cases[i].changed);
        records.push_back(r);
        if (cases[i].copyPending) pending.push_back(r);
        if (cases[i].added) added.push_back(r);
    }
    // A same-day record the register holds twice goes in once.
    const StudentRecord twice = Rec("П.40.05.2000000", "Дважды", kYesterday);
    records.push_back(twice);
    records.push_back(twice);
    added.push_back(twice);
    MakeRegister(records);
    MakePending(pending);

    const ExportResult result = Run();

    EXPECT_EQ(result.stop, ExportStop::NotMoved);
    EXPECT_EQ(result.added, added.size());
    std::vector<StudentRecord> expected = pending;
    expected.insert(expected.end(), added.begin(), added.end());
    bool verified = false;
    ExpectSameRecords(CorRecords(&verified), expected);
    EXPECT_TRUE(verified);
    EXPECT_EQ(fs::file_size(CorPath()), expected.size() * 192 + 6);
    for (const ProgramConfig& cfg : {m_config.Data(), StoredConfig()}) {
        EXPECT_EQ(cfg.LastExchangeDate, kToday);
        EXPECT_EQ(cfg.LastActualDate, (RecordDate{2024, 1, 1}));
    }
}

TEST_F(CorrectionsExportTest, ProtocolListsEachDocumentOnceNewestFirstAsTheRegisterHoldsIt) {
    // Gone from the register (compacted away): listed from the file.
    const StudentRecord gone = Rec("П.40.05.9999999", "Ушедший Ученик", kBefore);
    // Exported with a document that was later corrected back: found through
    // the old document, shown as the register holds it now.
    StudentRecord exportedEarlier = Rec("П.40.05.2222222", "Старая Фамилия", kBefore, DocChanged);
    SetFieldText(exportedEarlier.OLDDOC, "П.40.05.1111111");
    exportedEarlier.DATEEND = {2024, 1, 31};  // expired: counted from the file's record
    StudentRecord current = Rec("П.40.05.1111111", "Новая Фамилия", kBefore, FioChanged);
    current.DATEEND = {2026, 9, 30};
    // Deleted today: exported, marked, not counted among the register's records.
    StudentRecord deleted = Rec("П.40.05.3333333", "Удалённый Ученик", kToday, Deleted);
    deleted.OKPO = 87654321;
    deleted.ORG = 12;
    deleted.DATEEND = {2025, 6, 5};
    StudentRecord excluded = Rec("П.40.05.4444444", "Исключённый Ученик", kBefore, ExcludedOther);
    StudentRecord changedToday = Rec("П.40.05.5555555", "Сегодняшний Ученик", kToday, FioChanged);
    changedToday.DATEEND = kYesterday;
    MakeRegister({current, deleted, excluded, changedToday});
    MakePending({gone, exportedEarlier});

    const ExportResult result = Run();

    EXPECT_EQ(result.records, 4u);
    EXPECT_EQ(result.expired, 2u);
    const std::vector<std::string> expected = {
        "\tПротокол от 15-03-2024 14:05:33",
        "Формирование актуальных записей БД для проведения коррекций.",
        " Количество записей в БД - 3.",
        "",
        "В файл коррекций занесены следующие записи:",
        "П.40.05.5555555;12345678(5);2024-03-14;Сегодняшний Ученик",
        "П.40.05.3333333;87654321(12);2025-06-05;Удалённый Ученик(Удаление)",
        "П.40.05.1111111;12345678(5);2026-09-30;Новая Фамилия",
        "П.40.05.9999999;12345678(5);2026-09-30;Ушедший Ученик",
        "",
        "Количество сформированных записей в файле 12345678.cor - 4.",
        "Количество записей в файле БД с истекшим сроком действия льготы - 2.",
    };
    EXPECT_EQ(test::ReadTextLines(ExportPath("Correct.log")), expected);
}

TEST_F(CorrectionsExportTest, SecondExportOnTheSameDayAddsOnlyWhatChangedInBetween) {
    for (const bool changeInBetween : {false, true}) {
        SCOPED_TRACE(changeInBetween ? "a change in between" : "no change in between");
        m_config.Data().LastExchangeDate = kYesterday;
        fs::remove(CorPath());
        const StudentRecord first = Rec("П.40.05.1234567", "Иванов Иван", kToday);
        const StudentRecord other = Rec("П.40.05.7654321", "Петров Пётр", kToday);
        MakeRegister({first, other});
        ASSERT_EQ(Run().added, 2u);

        StudentRecord edited = first;
        if (changeInBetween) {
            edited.AllChanges = first.LastChange;
            edited.LastChange = FioChanged;
            SetFieldText(edited.OLDFIO, "Иванов Иван");
            SetFieldText(edited.FIO, "Иванов Иван Петрович");
            ASSERT_TRUE(m_reg.Write(0, edited));
        }
        m_op = {};
        const ExportResult second = Run();

        std::vector<StudentRecord> expected = {first, other};
        if (changeInBetween) expected.push_back(edited);
        EXPECT_EQ(second.added, changeInBetween ? 1u : 0u);
        ExpectSameRecords(CorRecords(), expected);
        const std::vector<std::string> lines = test::ReadTextLines(ExportPath("Correct.log"));
        // Newest first; the edited document once, as the register holds it now.
        const std::vector<std::string> listed =
            changeInBetween
                ? std::vector<std::string>{"П.40.05.1234567;12345678(5);2026-09-30;Иванов Иван "
                                           "Петрович",
                                           "П.40.05.7654321;12345678(5);2026-09-30;Петров Пётр"}
                : std::vector<std::string>{"П.40.05.7654321;12345678(5);2026-09-30;Петров Пётр",
                                           "П.40.05.1234567;12345678(5);2026-09-30;Иванов Иван"};
        ASSERT_EQ(lines.size(), 10u);
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 5, lines.begin() + 7), listed);
        EXPECT_EQ(lines[8], "Количество сформированных записей в файле 12345678.cor - 2.");
    }
}

TEST_F(CorrectionsExportTest, OlderArchivesMoveAsideAndTheNewOneHoldsFileLogAndDatabase) {
    MakeDetailsFile();
    WriteFile(ExportPath("CORRECT_240101000000.ARJ"), "older");
    WriteFile(ExportPath("correct_old.arj"), "older, lower case");
    WriteFile(ExportPath("ACTUAL.ARJ"), "not a corrections archive");
    MakeRegister({Rec("П.40.05.1234567", "Иванов Иван", kToday)});

    const ExportResult result = Run();

    EXPECT_EQ(result.archive, ExportPath(kArchiveName));
    EXPECT_EQ(ReadFile(ExportPath("ARH") / "CORRECT_240101000000.ARJ"), "older");
    EXPECT_EQ(ReadFile(ExportPath("ARH") / "correct_old.arj"), "older, lower case");
    EXPECT_FALSE(fs::exists(ExportPath("CORRECT_240101000000.ARJ")));
    EXPECT_TRUE(fs::exists(ExportPath("ACTUAL.ARJ")));
    const std::map<std::string, std::string> expected = {
        {"12345678.cor", ReadFile(CorPath())},
        {"Correct.log", ReadFile(ExportPath("Correct.log"))},
        {"Additional.db", ReadFile(m_dir / "Additional.db")},
    };
    EXPECT_EQ(test::ArchiveContents(ExportPath(kArchiveName)), expected);
}

TEST_F(CorrectionsExportTest, NothingPendingGivesAnEmptyFileAndStillAnArchive) {
    MakeRegister({Rec("П.40.05.1234567", "Иванов Иван", kBefore)});
    const ExportResult result = Run();
    EXPECT_EQ(result.stop, ExportStop::NotMoved);
    EXPECT_EQ(result.records, 0u);
    EXPECT_EQ(fs::file_size(CorPath()), 0u);
    const std::vector<std::string> expected = {
        "\tПротокол от 15-03-2024 14:05:33",
        "Формирование актуальных записей БД для проведения коррекций.",
        " Количество записей в БД - 1.",
        "",
        "В файл коррекций занесены следующие записи:",
        "",
        "Количество сформированных записей в файле 12345678.cor - 0.",
        "Количество записей в файле БД с истекшим сроком действия льготы - 0.",
    };
    EXPECT_EQ(test::ReadTextLines(ExportPath("Correct.log")), expected);
    const auto contents = test::ArchiveContents(ExportPath(kArchiveName));
    ASSERT_EQ(contents.size(), 2u);
    EXPECT_EQ(contents.at("12345678.cor"), "");
}

TEST_F(CorrectionsExportTest, NoToTheFirstQuestionChangesNothing) {
    MakeRegister({Rec("П.40.05.1234567", "Иванов Иван", kToday)});
    m_op.answers = {Answer::No};
    const ExportResult result = ExportCorrections(m_dir.Path(), m_reg, m_config, m_indexes, m_op);
    EXPECT_EQ(result.stop, ExportStop::Declined);
    ASSERT_EQ(m_op.shown.size(), 1u);
    EXPECT_EQ(m_op.shown[0].text, kCreateQuestion);
    EXPECT_EQ(m_op.shown[0].icon, Icon::None);
    EXPECT_EQ(m_op.shown[0].buttons, Operator::Buttons::YesNo);
    EXPECT_FALSE(fs::exists(CorPath()));
    EXPECT_EQ(StoredConfig().LastExchangeDate, kYesterday);
}

TEST_F(CorrectionsExportTest, MoveToTheChosenFolderDropsThePendingFile) {
    const fs::path media = m_dir / "media";
    fs::create_directories(media);
    struct Case {
        std::string label;
        std::string folder;
        bool moves;
    };
    std::vector<Case> cases = {
        {"folder", media.string(), true},
        {"folder with separator", media.string() + "/", true},
        {"folder that does not exist", (m_dir / "no-such").string(), false},
    };
    test::OtherFileSystemDir other;
    if (!other.Path().empty()) cases.push_back({"other file system", other.Path().string(), true});
    if (geteuid() != 0) {
        const fs::path readOnly = m_dir / "read-only";
        fs::create_directories(readOnly);
        fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_exec);
        cases.push_back({"read-only folder", readOnly.string(), false});
    }
    MakeRegister({Rec("П.40.05.1234567", "Иванов Иван", kToday)});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        m_config.Data().LastExchangeDate = kYesterday;
        fs::remove(media / kArchiveName);
        m_op = {};
        m_op.answers = {Answer::Yes, Answer::Yes};
        m_op.folders = {c.folder};

        const ExportResult result =
            ExportCorrections(m_dir.Path(), m_reg, m_config, m_indexes, m_op);

        ASSERT_EQ(m_op.shown.size(), 3u);
        EXPECT_EQ(m_op.shown[1].text, kMoveQuestion);
        EXPECT_EQ(m_op.shown[1].icon, Icon::Question);
        EXPECT_EQ(m_op.dialogTitles, std::vector<std::string>{kFolderTitle});
        if (c.moves) {
            EXPECT_EQ(result.stop, ExportStop::Moved);
            EXPECT_EQ(m_op.shown[2].icon, Icon::Information);
            EXPECT_EQ(m_op.shown[2].text, "Файл успешно перенесен на " + c.folder);
            EXPECT_EQ(test::ArchiveContents(fs::path(c.folder) / kArchiveName).size(), 2u);
            EXPECT_FALSE(fs::exists(ExportPath(kArchiveName)));
            EXPECT_FALSE(fs::exists(CorPath()));
        } else {
            EXPECT_EQ(result.stop, ExportStop::MoveFailed);
            EXPECT_EQ(m_op.shown[2].icon, Icon::Error);
            EXPECT_EQ(m_op.shown[2].text, "Ошибка переноса файла с корректированными записями из " +
                                              m_dir.Path() + "Export/" + kArchiveName + " на " +
                                              c.folder + "/" + kArchiveName);
            EXPECT_TRUE(fs::exists(ExportPath(kArchiveName)));
            EXPECT_EQ(CorRecords().size(), 1u);
        }
    }
}

TEST_F(CorrectionsExportTest, FailingArchiverIsReportedAndThePendingFileStays) {
    MakeRegister({Rec("П.40.05.1234567", "Иванов Иван", kToday)});
    ExportResult result;
    {
        test::ScopedPath noArchiver((m_dir / "empty").string());
        result = Run();
    }
    EXPECT_EQ(result.stop, ExportStop::ArchiveFailed);
    EXPECT_EQ(m_op.Texts(),
              (std::vector<std::string>{kCreateQuestion, "Ошибка создания файла " + m_dir.Path() +
                                                             "Export/" + kArchiveName}));
    EXPECT_EQ(CorRecords().size(), 1u);
    EXPECT_TRUE(fs::exists(ExportPath("Correct.log")));
    EXPECT_EQ(StoredConfig().LastExchangeDate, kToday);
}

TEST_F(CorrectionsExportTest, UnwritableExportChangesNeitherDateNorPendingFile) {
    const StudentRecord old = Rec("П.40.05.7654321", "Петров Пётр", kBefore);
    MakeRegister({Rec("П.40.05.1234567", "Иванов Иван", kToday)});
    struct Case {
        std::string label;
        std::function<void()> spoil;
        fs::path reported;
    };
    const std::vector<Case> cases = {
        {"log cannot be replaced",
         [&] { fs::create_directories(ExportPath("Correct.log") / "inside"); },
         ExportPath("Correct.log")},
        {"new corrections file cannot be made",  // its temporary name is taken
         [&] { fs::create_directories(ExportPath(".12345678.cor.new") / "inside"); }, CorPath()},
        {"no directory can be made",
         [&] {
             fs::remove_all(m_dir / "Export");
             WriteFile(m_dir / "Export", "");
         },
         ExportPath("Correct.log")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(m_dir / "Export");
        fs::create_directories(m_dir / "Export");
        MakePending({old});
        const std::string pendingBefore = ReadFile(CorPath());
        c.spoil();
        m_op = {};

        const ExportResult result = Run();

        EXPECT_EQ(result.stop, ExportStop::WriteFailed);
        ASSERT_EQ(m_op.shown.size(), 2u);
        EXPECT_EQ(m_op.shown[1].icon, Icon::Error);
        EXPECT_EQ(
            m_op.shown[1].text.rfind("Не удалось записать файл " + c.reported.string() + " (", 0),
            0u)
            << m_op.shown[1].text;
        if (fs::is_directory(m_dir / "Export")) {
            EXPECT_EQ(ReadFile(CorPath()), pendingBefore);
        }
        for (const ProgramConfig& cfg : {m_config.Data(), StoredConfig()}) {
            EXPECT_EQ(cfg.LastExchangeDate, kYesterday);
        }
    }
}

TEST_F(CorrectionsExportTest, PendingFileNeverGrowsPastTheLastRecordIndex) {
    std::vector<StudentRecord> pending(RegisterFile::kMaxRecords,
                                       Rec("П.40.05.1234567", "Иванов Иван", kBefore));
    MakePending(pending);
    const std::string pendingBefore = ReadFile(CorPath());
    MakeRegister({Rec("П.40.05.7654321", "Петров Пётр", kToday)});

    const ExportResult result = Run();

    EXPECT_EQ(result.stop, ExportStop::TooManyRecords);
    ASSERT_EQ(m_op.shown.size(), 2u);
    EXPECT_EQ(m_op.shown[1].icon, Icon::Error);
    EXPECT_EQ(ReadFile(CorPath()), pendingBefore);
    EXPECT_EQ(StoredConfig().LastExchangeDate, kYesterday);
}

// A whole register changed on the day of the exchange: the same-day
// comparison and the protocol must stay linear.
TEST_F(CorrectionsExportTest, FullRegisterChangedOnTheExchangeDayExportsQuickly) {
    std::vector<StudentRecord> records;
    records.reserve(RegisterFile::kMaxRecords);
    for (uint32_t i = 0; i < RegisterFile::kMaxRecords; ++i) {
        std::string number = std::to_string(i + 1);
        number.insert(0, 7 - number.size(), '0');
        records.push_back(Rec("П.40.05." + number, "Ученик", kToday));
    }
    MakeRegister(records);
    m_config.Data().LastExchangeDate = kToday;

    test::ScopedPath noArchiver((m_dir / "empty").string());  // time the export, not the packing
    for (const uint32_t expectAdded : {RegisterFile::kMaxRecords, 0u}) {
        SCOPED_TRACE(expectAdded == 0 ? "second export" : "first export");
        m_op = {};
        const auto start = std::chrono::steady_clock::now();
        const ExportResult result = Run();
        const auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(result.stop, ExportStop::ArchiveFailed);
        EXPECT_EQ(result.added, expectAdded);
        EXPECT_EQ(result.records, RegisterFile::kMaxRecords);
        EXPECT_LT(elapsed, std::chrono::milliseconds(1000) * test::kTimeLimitScale)
            << std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() << " ms";
        EXPECT_EQ(fs::file_size(CorPath()), size_t{RegisterFile::kMaxRecords} * 192 + 6);
    }
}

}  // namespace
}  // namespace vrklad
