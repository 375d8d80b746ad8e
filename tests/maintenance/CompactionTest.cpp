#include <unistd.h>

#include "maintenance/Compaction.h"
#include "maintenance/MaintenanceFixture.h"
#include "register/IniFile.h"

namespace vrklad::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kReminder =
    "Сжатие БД выполнялось более 30 дней назад. Рекомендуется выполнить!";
constexpr const char* kPending =
    "Перед выполнением данной операции, необходимо сформировать файл корректировок\n"
    "чтобы записи, помеченные на удаление, были обновлены в БД Корвалена.\n"
    "Если файл уже был сформирован нажмите \"Yes\".";

std::string Bytes(const std::vector<StudentRecord>& records) {
    std::string bytes;
    for (const StudentRecord& r : records) {
        bytes.append(reinterpret_cast<const char*>(&r), sizeof r);
    }
    return bytes;
}

class Compaction : public MaintenanceFixture {
protected:
    // The records of the register file, which a compaction leaves sealed.
    std::string RegisterRecords() const {
        const std::string bytes = ReadFile(File(kRegister));
        const size_t records = bytes.size() / kRecordSize * kRecordSize;
        EXPECT_EQ(bytes.size(), records == 0 ? 0 : records + 6);
        return bytes.substr(0, records);
    }

    // The school's register holding exactly these records, no trailer, and a
    // started session on it. Earlier sessions let go of their register first.
    Session& StartWith(const std::vector<StudentRecord>& records, const std::string& ini = {}) {
        m_session.reset();
        Install(0, ini);
        WriteFile(File(kRegister), Bytes(records));
        m_op = ScriptedOperator{};
        return Start();
    }

    static StudentRecord Learner(int n, uint16_t lastChange = Added,
                                 RecordDate changed = {2024, 1, 15}) {
        StudentRecord r = Record(123, 45);
        r.SNILS = n;
        r.LastChange = lastChange;
        r.ChangeDate = changed;
        return r;
    }

    std::optional<std::string> IniValue(const char* key) const {
        return IniFile(ReadFile(File("VR_KLAD.INI"))).Value("Other", key);
    }
};

TEST_F(Compaction, DropsMarkedRecordsAndReportsTheShare) {
    // Deletions dated before the last exchange (1 February) ask nothing.
    const struct {
        int records;
        std::vector<int> dropped;
        uint16_t mark;
        const char* message;
    } cases[] = {
        {10, {0, 4, 9}, Deleted, "Сжатие выполнено на 30%."},
        {3, {1}, Deleted, "Сжатие выполнено на 33%."},
        {3, {2}, ExcludedOther, "Сжатие выполнено на 33%."},
        {4, {0, 1}, 0x0808, "Сжатие выполнено на 50%."},
        {4, {3}, 0x000C, "Сжатие выполнено на 25%."},
        {2, {0, 1}, Deleted, "Сжатие выполнено на 100%."},
        {5, {}, Deleted, "Сжатие выполнено на 0%."},
        {0, {}, Deleted, "Сжатие выполнено на 0%."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.records) + " records, " + std::to_string(c.dropped.size()) +
                     " dropped");
        std::vector<StudentRecord> records, kept;
        for (int i = 0; i < c.records; ++i) {
            const bool drop = std::find(c.dropped.begin(), c.dropped.end(), i) != c.dropped.end();
            records.push_back(Learner(i, drop ? c.mark : uint16_t{Added}));
            if (!drop) kept.push_back(records.back());
        }
        Session& session = StartWith(records);
        // A link to the old file shows that the register was replaced, not
        // rewritten in place.
        fs::create_hard_link(File(kRegister), File("old"));

        EXPECT_EQ(CompactRegister(session, m_op), CompactionResult::Compacted);
        EXPECT_EQ(m_op.Texts(), std::vector<std::string>{c.message});
        EXPECT_EQ(RegisterRecords(), Bytes(kept));
        EXPECT_TRUE(kept.empty() || VerifyRegister(session.Register(), kRegister));
        EXPECT_EQ(ReadFile(File("NewDataFile")), Bytes(kept));
        EXPECT_EQ(ReadFile(File("old")), Bytes(records));
        EXPECT_EQ(session.Register().CountRecords(), kept.size());
        EXPECT_EQ(session.State(), Session::RegisterState::Open);
        fs::remove(File("old"));
    }
}

TEST_F(Compaction, AsksOnlyForDeletionsSinceTheLastExchange) {
    const RecordDate lastExchange{2024, 2, 1};
    const struct {
        const char* name;
        RecordDate changed;
        Operator::Answer answer;
        bool asked;
        CompactionResult result;
    } cases[] = {
        {"deleted the day before",
         {2024, 1, 31},
         Operator::Answer::No,
         false,
         CompactionResult::Compacted},
        {"deleted on the day, No", lastExchange, Operator::Answer::No, true,
         CompactionResult::Declined},
        {"deleted after, No",
         {2024, 2, 20},
         Operator::Answer::No,
         true,
         CompactionResult::Declined},
        {"deleted after, Yes",
         {2024, 2, 20},
         Operator::Answer::Yes,
         true,
         CompactionResult::Compacted},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<StudentRecord> records = {Learner(1), Learner(2, Deleted, {2023, 12, 1}),
                                                    Learner(3, Deleted, c.changed)};
        Session& session = StartWith(records);
        ASSERT_EQ(session.Config().LastExchangeDate, lastExchange);
        m_op.answers = {c.answer};

        EXPECT_EQ(CompactRegister(session, m_op), c.result);
        ASSERT_FALSE(m_op.shown.empty());
        EXPECT_EQ(m_op.shown[0].text == kPending, c.asked);
        if (c.asked) {
            EXPECT_EQ(m_op.shown[0].buttons, Operator::Buttons::YesNo);
        }
        const bool compacted = c.result == CompactionResult::Compacted;
        EXPECT_EQ(compacted ? RegisterRecords() : ReadFile(File(kRegister)),
                  compacted ? Bytes({records[0]}) : Bytes(records));
        EXPECT_EQ(m_op.Texts().back() == "Сжатие выполнено на 66%.", compacted);
        EXPECT_TRUE(session.RegisterUsable());
    }
}

TEST_F(Compaction, WorkFileThatCannotBeWrittenLeavesTheRegister) {
    const std::vector<StudentRecord> records = {Learner(1), Learner(2, Deleted)};
    Session& session = StartWith(records);
    fs::create_directory(File("NewDataFile"));
    EXPECT_EQ(CompactRegister(session, m_op), CompactionResult::Failed);
    ASSERT_EQ(m_op.shown.size(), 1u);
    EXPECT_EQ(m_op.shown[0].text.rfind("Не удалось записать файл NewDataFile (", 0), 0u)
        << m_op.shown[0].text;
    EXPECT_EQ(ReadFile(File(kRegister)), Bytes(records));
    EXPECT_TRUE(session.RegisterUsable());
}

TEST(CompactionDue, SevenHundredTwentyHours) {
    // Written on 1 February (at any hour), read back as its midnight.
    const LocalDateTime written{2024, 2, 1, 0, 0, 0};
    const struct {
        LocalDateTime now;
        bool due;
    } cases[] = {
        {{2024, 3, 1, 23, 59, 59}, false},  // 719:59:59 later
        {{2024, 3, 2, 0, 0, 1}, true},      // 720:00:01 later
        {{2024, 5, 1, 12, 0, 0}, true},
        {{2024, 2, 1, 14, 0, 0}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.now.month) + "/" + std::to_string(c.now.day));
        EXPECT_EQ(CompactionDue(written, c.now), c.due);
    }
    // The default of a missing key, "720 hours before the settings were
    // read", is due at once.
    const LocalDateTime now{2024, 3, 1, 10, 0, 0};
    EXPECT_TRUE(CompactionDue(AddHours(now, -720), now));
}

TEST_F(Compaction, ReminderOnTheFirstTick) {
    const std::string done = "[Other]\r\nRepareDocFormat=1\r\n";
    const struct {
        const char* name;
        std::string ini;
        LocalDateTime now;
        std::vector<Operator::Answer> answers;
        bool reminded;
        bool compacted;
        std::optional<std::string> stored;  // LastDateCompress afterwards
    } cases[] = {
        {"key missing, No",
         done,
         {2024, 3, 1, 10, 0, 0},
         {Operator::Answer::No},
         true,
         false,
         std::nullopt},
        {"key missing, Yes",
         done,
         {2024, 3, 1, 10, 0, 0},
         {Operator::Answer::Yes, Operator::Answer::Yes},
         true,
         true,
         "01.03.2024"},
        {"Yes, then No at the compaction's question",
         done,
         {2024, 3, 1, 10, 0, 0},
         {Operator::Answer::Yes, Operator::Answer::No},
         true,
         false,
         "01.03.2024"},
        {"compacted 720 hours and a second ago",
         done + "LastDateCompress=01.02.2024\r\n",
         {2024, 3, 2, 0, 0, 1},
         {Operator::Answer::Yes, Operator::Answer::Yes},
         true,
         true,
         "02.03.2024"},
        {"compacted a second short of 720 hours",
         done + "LastDateCompress=01.02.2024\r\n",
         {2024, 3, 1, 23, 59, 59},
         {},
         false,
         false,
         "01.02.2024"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetNowForTesting(c.now);
        // One deletion since the last exchange, so that the compaction asks.
        const std::vector<StudentRecord> records = {Learner(1), Learner(2, Deleted, {2024, 2, 5})};
        Session& session = StartWith(records, c.ini);
        m_op.answers.assign(c.answers.begin(), c.answers.end());

        StartupMaintenance(session, m_op);
        const std::vector<std::string> texts = m_op.Texts();
        EXPECT_EQ(!texts.empty() && texts[0] == kReminder, c.reminded);
        EXPECT_EQ(c.compacted ? RegisterRecords() : ReadFile(File(kRegister)),
                  c.compacted ? Bytes({records[0]}) : Bytes(records));
        EXPECT_EQ(IniValue("LastDateCompress"), c.stored);
    }
}

TEST_F(Compaction, RepairMakesEveryValidDocumentCanonical) {
    const struct {
        const char* before;
        const char* after;
        uint16_t lastChange;
    } cases[] = {
        {"П.40.05.123456", "П.40.05.0123456", Added},
        {"С.04.АК.12", "С.04.АК.0000012", Deleted},  // deleted records too
        {"п.40.05.7", "п.40.05.0000007", Added},     // the type letter keeps its case
        {"П.12.ИИ.1234567", "П.12.ИИ.1234567", Added},
        {"С.IV.АК.1234567", "С.IV.АК.1234567", Added},
        {"П.4.05.1234567", "П.4.05.1234567", Added},    // not a document string
        {"П.40.05.0000000", "П.40.05.0000000", Added},  // number 0
        {"З.  .70.1234567", "З.  .70.1234567", Added},  // type not accepted
        {"", "", Added},
    };
    std::vector<StudentRecord> records, expected;
    for (const auto& c : cases) {
        StudentRecord r = Learner(int(records.size()), c.lastChange);
        SetFieldText(r.DOC, c.before);
        records.push_back(r);
        SetFieldText(r.DOC, c.after);
        expected.push_back(r);
    }
    Session& session = StartWith(records, "[Other]\r\nLastDateCompress=01.03.2024\r\n");
    MakeDetails();
    session.OnFirstShown(m_op);
    ASSERT_TRUE(session.DetailsAvailable());
    const DocumentDetails details{{2020, 1, 2}, "ОВД района", 123, "г. Город"};
    ASSERT_TRUE(session.Details().InsertDoc("П.40.05.123456", details));

    StartupMaintenance(session, m_op);
    EXPECT_EQ(m_op.Texts(), std::vector<std::string>{});
    const std::vector<StudentRecord> stored = RecordsOf(kRegister);
    ASSERT_EQ(stored.size(), expected.size());
    for (size_t i = 0; i < stored.size(); ++i) {
        SCOPED_TRACE(cases[i].before);
        EXPECT_EQ(FieldText(stored[i].DOC), cases[i].after);
        EXPECT_TRUE(SameBytes(stored[i], expected[i]));
    }
    EXPECT_EQ(IniValue("RepareDocFormat"), "1");
    EXPECT_EQ(session.IniSettings().RepareDocFormat, 1);
    EXPECT_EQ(session.Register().CountRecords(), records.size());
    // The details follow the document to its new spelling.
    EXPECT_EQ(session.Details().FindDoc("П.40.05.0123456"), details);
    EXPECT_FALSE(session.Details().FindDoc("П.40.05.123456").has_value());

    // Once done, it is not run again.
    m_session.reset();
    WriteFile(File(kRegister), Bytes(records));
    m_op = ScriptedOperator{};
    Session& again = Start();
    StartupMaintenance(again, m_op);
    EXPECT_EQ(ReadFile(File(kRegister)), Bytes(records));
}

TEST_F(Compaction, FailedRepairIsTriedAgainNextTime) {
    StudentRecord r = Learner(1);
    SetFieldText(r.DOC, "П.40.05.123456");
    Session& session = StartWith({r}, "[Other]\r\nLastDateCompress=01.03.2024\r\n");
    fs::create_directory(File("NewDataFile"));

    EXPECT_FALSE(RepairDocumentFormat(session, m_op));
    ASSERT_EQ(m_op.shown.size(), 1u);
    EXPECT_EQ(m_op.shown[0].icon, Operator::Icon::Warning);
    EXPECT_EQ(ReadFile(File(kRegister)), Bytes({r}));
    EXPECT_EQ(IniValue("RepareDocFormat"), std::nullopt);
    EXPECT_EQ(session.IniSettings().RepareDocFormat, 0);
    EXPECT_TRUE(session.RegisterUsable());
}

}  // namespace
}  // namespace vrklad::test
