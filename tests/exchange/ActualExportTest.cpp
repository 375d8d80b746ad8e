#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "exchange/ActualExport.h"
#include "exchange/ExportFixtures.h"
#include "register/ChangeCodes.h"

namespace vrklad {
namespace {

namespace fs = std::filesystem;
using test::ExportFixture;
using test::kToday;
using test::ReadFile;
using test::WriteFile;
using Icon = Operator::Icon;
using Answer = Operator::Answer;

const char* const kCreateQuestion = "Создать файл с актуальными записями?";
const char* const kMoveQuestion =
    "Файл актуальных записей сформирован. Желаете выгрузить файл на сменный носитель?";
const char* const kFolderTitle =
    "Выбор носителя на который будет перенесен файл актуальных записей";

StudentRecord Rec(const std::string& doc, const std::string& fio, uint16_t lastChange = Added,
                  uint8_t klass = 10, RecordDate dateEnd = {2026, 9, 30}) {
    StudentRecord r = test::Learner(doc, fio);
    r.LastChange = lastChange;
    r.KlassNumber = klass;
    r.DATEEND = dateEnd;
    return r;
}

class ActualExportTest : public ExportFixture {
protected:
    // Yes to the export, No to the move.
    ExportResult Run() {
        m_op.answers = {Answer::Yes, Answer::No};
        return ExportActual(m_dir.Path(), m_reg, m_config, m_op);
    }
    std::string ActPath() const { return ExportPath("12345678.act").string(); }
};

TEST_F(ActualExportTest, WritesEveryRecordButDeletedAndExcludedOnes) {
    struct Case {
        uint16_t lastChange;
        bool written;
    };
    const std::vector<Case> cases = {
        {Added, true},
        {Deleted, false},
        {ExcludedOther, false},
        {0x0820, true},
        {Deleted | FioChanged, true},  // equality test, not bits
        {0x000C, true},
        {ChangesErased, true},
    };
    std::vector<StudentRecord> records;
    std::vector<StudentRecord> expected;
    for (size_t i = 0; i < cases.size(); ++i) {
        StudentRecord r =
            Rec("П.40.05.000000" + std::to_string(i + 1), "Ученик", cases[i].lastChange);
        records.push_back(r);
        if (cases[i].written) expected.push_back(r);
    }
    MakeRegister(records);
    const std::string registerBefore = ReadFile(m_dir / "12345678.sch");

    const ExportResult result = Run();

    EXPECT_EQ(result.stop, ExportStop::NotMoved);
    EXPECT_EQ(result.records, expected.size());
    bool verified = false;
    const std::vector<StudentRecord> got =
        test::ReadExchangeFile(ActPath(), "12345678.act", &verified);
    EXPECT_TRUE(verified);
    EXPECT_EQ(fs::file_size(ActPath()), expected.size() * 192 + 6);
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(SameBytes(got[i], expected[i]));
    }
    EXPECT_EQ(ReadFile(m_dir / "12345678.sch"), registerBefore);
}

TEST_F(ActualExportTest, TrailerIsBoundToTheFileName) {
    MakeRegister({Rec("П.40.05.1234567", "Иванов Иван")});
    Run();
    bool underOwnName = false;
    bool underOtherName = true;
    test::ReadExchangeFile(ActPath(), "12345678.act", &underOwnName);
    test::ReadExchangeFile(ActPath(), "12345678.cor", &underOtherName);
    EXPECT_TRUE(underOwnName);
    EXPECT_FALSE(underOtherName);
}

TEST_F(ActualExportTest, JuniorFlagIsComputedAgainForEveryRecord) {
    struct Case {
        uint8_t orgType;
        uint8_t klass;
        uint8_t flag;
    };
    const std::vector<Case> cases = {
        {1, 1, 1}, {1, 8, 1}, {1, 9, 0}, {1, 11, 0}, {2, 1, 0}, {2, 8, 0}, {4, 3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "OrgType " << int(c.orgType) << " class " << int(c.klass));
        m_config.Data().OrgType = c.orgType;
        StudentRecord r = Rec("П.40.05.1234567", "Иванов Иван", Added, c.klass);
        r.JuniorFlag = c.flag == 1 ? 0 : 1;  // the stored value must not matter
        MakeRegister({r});
        Run();
        const std::vector<StudentRecord> got = test::ReadExchangeFile(ActPath(), "12345678.act");
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].JuniorFlag, c.flag);
        r.JuniorFlag = c.flag;
        EXPECT_TRUE(SameBytes(got[0], r));
    }
}

TEST_F(ActualExportTest, ProtocolListsEveryWrittenRecordAndCountsTheExpired) {
    StudentRecord fullDoc =
        Rec("П.40.05.1234567", "Иванов Иван Иванович", Added, 10, {2024, 3, 14});
    SetFieldBytes(fullDoc.DOC, Utf8ToCp1251("П.40.05.12345678"));  // all 16 bytes, no zero
    fullDoc.OKPO = 4000000000u;
    fullDoc.ORG = 999;
    const StudentRecord dueToday =
        Rec("С.IV.АК.0000042", "Петрова Анна", FioChanged | DocChanged, 3, kToday);
    const StudentRecord deleted = Rec("П.40.05.7654321", "Сидоров Пётр", Deleted, 5, {2023, 1, 1});
    const StudentRecord later = Rec("П.40.05.1111111", "Кузнецов Олег", Added, 9, {2030, 12, 1});
    MakeRegister({fullDoc, dueToday, deleted, later});

    const ExportResult result = Run();

    EXPECT_EQ(result.records, 3u);
    EXPECT_EQ(result.expired, 1u);
    const std::vector<std::string> expected = {
        "\tПротокол от 15-03-2024 14:05:33",
        "Формирование актуальных записей БД для проведения коррекций.",
        "Количество записей в БД - 3.",
        "",
        "В файл занесены следующие записи:",
        "П.40.05.12345678;4000000000(999);2024-03-14;Иванов Иван Иванович",
        "С.IV.АК.0000042;12345678(5);2024-03-15;Петрова Анна",
        "П.40.05.1111111;12345678(5);2030-12-01;Кузнецов Олег",
        "",
        "Количество сформированных записей в файле 12345678.act - 3.",
        "Количество записей в файле БД с истекшим сроком действия льготы - 1.",
    };
    EXPECT_EQ(test::ReadTextLines(ExportPath("Actual.log")), expected);
    // cp1251 on disk: "П" is 0xCF.
    EXPECT_EQ(ReadFile(ExportPath("Actual.log")).substr(0, 3), "\t\xCF\xF0");
}

TEST_F(ActualExportTest, SetsBothDatesToTodayAndSavesTheConfiguration) {
    MakeRegister({Rec("П.40.05.1234567", "Иванов Иван")});
    Run();
    for (const ProgramConfig& cfg : {m_config.Data(), StoredConfig()}) {
        EXPECT_EQ(cfg.LastActualDate, kToday);
        EXPECT_EQ(cfg.LastExchangeDate, kToday);
    }
}

TEST_F(ActualExportTest, ArchiveHoldsTheFileItsLogAndTheDetailsDatabaseWhenThere) {
    for (const bool withDetails : {true, false}) {
        SCOPED_TRACE(withDetails ? "with details database" : "without details database");
        fs::remove(m_dir / "Additional.db");
        fs::remove(ExportPath("ACTUAL.ARJ"));
        if (withDetails) MakeDetailsFile();
        MakeRegister({Rec("П.40.05.1234567", "Иванов Иван")});

        const ExportResult result = Run();

        EXPECT_EQ(result.archive, ExportPath("ACTUAL.ARJ"));
        std::map<std::string, std::string> expected = {
            {"12345678.act", ReadFile(ExportPath("12345678.act"))},
            {"Actual.log", ReadFile(ExportPath("Actual.log"))},
        };
        if (withDetails) expected["Additional.db"] = ReadFile(m_dir / "Additional.db");
        EXPECT_EQ(test::ArchiveContents(ExportPath("ACTUAL.ARJ")), expected);
    }
}

TEST_F(ActualExportTest, EmptyOrAllDeletedRegisterGivesAnEmptyFileAndStillAnArchive) {
    for (const bool allDeleted : {false, true}) {
        SCOPED_TRACE(allDeleted ? "deleted records only" : "no record");
        MakeRegister(allDeleted
                         ? std::vector<StudentRecord>{Rec("П.40.05.1234567", "Иванов", Deleted)}
                         : std::vector<StudentRecord>{});
        const ExportResult result = Run();
        EXPECT_EQ(result.stop, ExportStop::NotMoved);
        EXPECT_EQ(result.records, 0u);
        EXPECT_EQ(fs::file_size(ActPath()), 0u);
        const std::vector<std::string> lines = test::ReadTextLines(ExportPath("Actual.log"));
        const std::vector<std::string> expected = {
            "\tПротокол от 15-03-2024 14:05:33",
            "Формирование актуальных записей БД для проведения коррекций.",
            "Количество записей в БД - 0.",
            "",
            "В файл занесены следующие записи:",
            "",
            "Количество сформированных записей в файле 12345678.act - 0.",
            "Количество записей в файле БД с истекшим сроком действия льготы - 0.",
        };
        EXPECT_EQ(lines, expected);
        const auto contents = test::ArchiveContents(ExportPath("ACTUAL.ARJ"));
        ASSERT_EQ(contents.count("12345678.act"), 1u);
        EXPECT_EQ(contents.at("12345678.act"), "");
    }
}

TEST_F(ActualExportTest, NoToTheFirstQuestionChangesNothing) {
    MakeRegister({Rec("П.40.05.1234567", "Иванов Иван")});
    m_op.answers = {Answer::No};
    const ExportResult result = ExportActual(m_dir.Path(), m_reg, m_config, m_op);
    EXPECT_EQ(result.stop, ExportStop::Declined);
    ASSERT_EQ(m_op.shown.size(), 1u);
    EXPECT_EQ(m_op.shown[0].text, kCreateQuestion);
    EXPECT_EQ(m_op.shown[0].icon, Icon::None);
    EXPECT_EQ(m_op.shown[0].buttons, Operator::Buttons::YesNo);
    EXPECT_FALSE(fs::exists(ExportPath("12345678.act")));
    EXPECT_EQ(StoredConfig().LastExchangeDate, test::kYesterday);
}

TEST_F(ActualExportTest, MovesTheArchiveToTheChosenFolderAndDropsPendingCorrections) {
    const fs::path media = m_dir / "media";
    fs::create_directories(media);
    test::OtherFileSystemDir other;
    struct Case {
        std::string label;
        std::string folder;  // as chosen
        bool moves;
        std::string oldTarget;  // bytes of an archive already there, if any
    };
    std::vector<Case> cases = {
        {"folder without separator", media.string(), true, ""},
        {"folder with separator", media.string() + "/", true, ""},
        {"older archive in the folder", media.string(), true, "old archive"},
        {"folder that does not exist", (m_dir / "no-such").string(), false, ""},
        {"a file in place of the folder", (m_dir / "12345678.sch").string(), false, ""},
    };
    if (!other.Path().empty()) {
        cases.push_back({"other file system", other.Path().string(), true, ""});
    }
    if (geteuid() != 0) {
        const fs::path readOnly = m_dir / "read-only";
        fs::create_directories(readOnly);
        fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_exec);
        cases.push_back({"read-only folder", readOnly.string(), false, ""});
    }
    MakeRegister({Rec("П.40.05.1234567", "Иванов Иван")});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove(media / "ACTUAL.ARJ");
        if (!c.oldTarget.empty()) WriteFile(media / "ACTUAL.ARJ", c.oldTarget);
        WriteFile(ExportPath("12345678.cor"), "pending");
        m_op = {};
        m_op.answers = {Answer::Yes, Answer::Yes};
        m_op.folders = {c.folder};

        const ExportResult result = ExportActual(m_dir.Path(), m_reg, m_config, m_op);

        ASSERT_EQ(m_op.shown.size(), 3u);
        EXPECT_EQ(m_op.shown[1].text, kMoveQuestion);
        EXPECT_EQ(m_op.shown[1].icon, Icon::Question);
        EXPECT_EQ(m_op.dialogTitles, std::vector<std::string>{kFolderTitle});
        const fs::path target = fs::path(c.folder) / "ACTUAL.ARJ";
        if (c.moves) {
            EXPECT_EQ(result.stop, ExportStop::Moved);
            EXPECT_EQ(result.archive, target);
            EXPECT_EQ(m_op.shown[2].icon, Icon::Information);
            EXPECT_EQ(m_op.shown[2].text, "Файл успешно перенесен на " + c.folder);
            EXPECT_FALSE(fs::exists(ExportPath("ACTUAL.ARJ")));
            EXPECT_FALSE(fs::exists(ExportPath("12345678.cor")));
            EXPECT_EQ(test::ArchiveContents(target).count("12345678.act"), 1u);
        } else {
            EXPECT_EQ(result.stop, ExportStop::MoveFailed);
            EXPECT_EQ(result.archive, ExportPath("ACTUAL.ARJ"));
            EXPECT_EQ(m_op.shown[2].icon, Icon::Error);
            EXPECT_EQ(m_op.shown[2].text, "Ошибка переноса файла" + m_dir.Path() +
                                              "Export/ACTUAL.ARJс актуальными записями на " +
                                              c.folder + "/ACTUAL.ARJ");
            EXPECT_TRUE(fs::exists(ExportPath("ACTUAL.ARJ")));
            EXPECT_EQ(ReadFile(ExportPath("12345678.cor")), "pending");
        }
    }
}

TEST_F(ActualExportTest, CancelledFolderChoiceLeavesTheArchiveInExport) {
    MakeRegister({Rec("П.40.05.1234567", "Иванов Иван")});
    WriteFile(ExportPath("12345678.cor"), "pending");
    m_op.answers = {Answer::Yes, Answer::Yes};
    const ExportResult result = ExportActual(m_dir.Path(), m_reg, m_config, m_op);
    EXPECT_EQ(result.stop, ExportStop::FolderCancelled);
    EXPECT_TRUE(result.Succeeded());
    EXPECT_EQ(m_op.shown.size(), 2u);
    EXPECT_TRUE(fs::exists(ExportPath("ACTUAL.ARJ")));
    EXPECT_TRUE(fs::exists(ExportPath("12345678.cor")));
}

TEST_F(ActualExportTest, UnwritableExportDirectoryIsReportedAndChangesNoDate) {
    MakeRegister({Rec("П.40.05.1234567", "Иванов Иван")});
    fs::remove_all(m_dir / "Export");
    WriteFile(m_dir / "Export", "");  // no directory can be made here
    const ExportResult result = Run();
    EXPECT_EQ(result.stop, ExportStop::WriteFailed);
    ASSERT_EQ(m_op.shown.size(), 2u);
    EXPECT_EQ(m_op.shown[1].icon, Icon::Error);
    EXPECT_EQ(m_op.shown[1].text.rfind("Не удалось записать файл " + ActPath() + " (", 0), 0u)
        << m_op.shown[1].text;
    for (const ProgramConfig& cfg : {m_config.Data(), StoredConfig()}) {
        EXPECT_EQ(cfg.LastExchangeDate, test::kYesterday);
        EXPECT_EQ(cfg.LastActualDate, (RecordDate{2024, 1, 1}));
    }
}

TEST_F(ActualExportTest, OldFileThatCannotBeDeletedStopsTheExport) {
    MakeRegister({Rec("П.40.05.1234567", "Иванов Иван")});
    fs::create_directories(ExportPath("12345678.act") / "inside");
    const ExportResult result = Run();
    EXPECT_EQ(result.stop, ExportStop::WriteFailed);
    EXPECT_EQ(m_op.Texts(),
              (std::vector<std::string>{kCreateQuestion,
                                        "Ошибка удаления старого файла с актуальными записями"}));
    EXPECT_EQ(StoredConfig().LastExchangeDate, test::kYesterday);
}

TEST_F(ActualExportTest, FailingArchiverIsReported) {
    MakeRegister({Rec("П.40.05.1234567", "Иванов Иван")});
    ExportResult result;
    {
        test::ScopedPath noArchiver((m_dir / "empty").string());
        result = Run();
    }
    EXPECT_EQ(result.stop, ExportStop::ArchiveFailed);
    EXPECT_TRUE(result.archive.empty());
    EXPECT_EQ(m_op.Texts(),
              (std::vector<std::string>{
                  kCreateQuestion, "Ошибка создания файла " + m_dir.Path() + "Export/ACTUAL.ARJ"}));
    EXPECT_EQ(m_op.shown[1].icon, Icon::Error);
    // The files and the dates are there: the archive can be made again.
    EXPECT_TRUE(fs::exists(ExportPath("12345678.act")));
    EXPECT_EQ(StoredConfig().LastExchangeDate, kToday);
}

}  // namespace
}  // namespace vrklad
