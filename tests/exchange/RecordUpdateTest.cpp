#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "exchange/DocIndex.h"
#include "exchange/MergeFixtures.h"
#include "exchange/RecordUpdate.h"
#include "register/Clock.h"
#include "rules/Documents.h"

namespace vrklad::test {
namespace {

const std::string kDoc = "П.40.05.1234567";
const std::string kNewDoc = "П.40.05.7654321";
const std::string kFio = "Иванов Иван Иванович";
const RecordDate kToday = {2024, 3, 1};

class FixedToday {
  public:
    FixedToday() { SetNowForTesting(LocalDateTime{2024, 3, 1, 10, 0, 0}); }
    ~FixedToday() { SetNowForTesting(std::nullopt); }
};

StudentRecord Stored() {
    StudentRecord r = Learner(kDoc, kFio);
    r.AllChanges = Added;
    r.LastChange = FioChanged;
    SetFieldText(r.OLDFIO, "Старое Имя");
    SetFieldText(r.OLDDOC, "П.11.11.1111111");
    return r;
}

StudentRecord From(const StudentRecord& r, const std::function<void(StudentRecord&)>& change) {
    StudentRecord in = r;
    in.AllChanges = 0x0005;
    in.LastChange = DocChanged;
    in.ChangeDate = {2024, 2, 1};
    change(in);
    return in;
}

// The field groups an update may take from the incoming record.
enum Taken : unsigned {
    kTakeFio = 1 << 0,
    kTakeBilet = 1 << 1,
    kTakeKlass = 1 << 2,  // number, letter and JuniorFlag together
    kTakeDoc = 1 << 3,
    kTakeSnils = 1 << 4,
    kTakeBirth = 1 << 5,
    kTakeEnd = 1 << 6,
    kTakeOrg = 1 << 7,  // OKPO and ORG together
};

template <size_t N>
bool Same(const char (&a)[N], const char (&b)[N]) {
    return std::memcmp(a, b, N) == 0;
}

// Every field of `after` comes from `in` when its group is taken, else from
// `r`; the old name and document keep the replaced values. Sex is always taken,
// the reserved bytes never.
void ExpectTaken(const StudentRecord& r, const StudentRecord& in, const StudentRecord& after,
                 unsigned taken) {
    const auto& fio = taken & kTakeFio ? in : r;
    EXPECT_TRUE(Same(after.FIO, fio.FIO));
    EXPECT_TRUE(Same(after.OLDFIO, taken & kTakeFio ? r.FIO : r.OLDFIO));
    EXPECT_TRUE(Same(after.BILET, (taken & kTakeBilet ? in : r).BILET));
    const auto& klass = taken & kTakeKlass ? in : r;
    EXPECT_EQ(after.KlassNumber, klass.KlassNumber);
    EXPECT_EQ(after.KlassLetter, klass.KlassLetter);
    EXPECT_EQ(after.JuniorFlag, klass.JuniorFlag);
    EXPECT_TRUE(Same(after.DOC, (taken & kTakeDoc ? in : r).DOC));
    EXPECT_TRUE(Same(after.OLDDOC, taken & kTakeDoc ? r.DOC : r.OLDDOC));
    EXPECT_EQ(after.SNILS, (taken & kTakeSnils ? in : r).SNILS);
    EXPECT_EQ(after.DBIRTH, (taken & kTakeBirth ? in : r).DBIRTH);
    EXPECT_EQ(after.DATEEND, (taken & kTakeEnd ? in : r).DATEEND);
    EXPECT_EQ(after.OKPO, (taken & kTakeOrg ? in : r).OKPO);
    EXPECT_EQ(after.ORG, (taken & kTakeOrg ? in : r).ORG);
    EXPECT_EQ(after.PersSex, in.PersSex);
    EXPECT_EQ(std::memcmp(after.Reserved1, r.Reserved1, sizeof r.Reserved1), 0);
    EXPECT_EQ(std::memcmp(after.Reserved2, r.Reserved2, sizeof r.Reserved2), 0);
    EXPECT_EQ(after.AllChanges, r.AllChanges | r.LastChange);
}

TEST(RecordUpdate, FileAndImportUpdates) {
    FixedToday today;
    struct Case {
        const char* name;
        std::function<void(StudentRecord&)> change;
        uint16_t fileCode;
        unsigned fileTaken;
        uint16_t importCode;
        unsigned importTaken;
    };
    const std::vector<Case> cases = {
        {"nothing differs", [](StudentRecord&) {}, 0, 0, 0, 0},
        {"name", [](StudentRecord& in) { SetFieldText(in.FIO, "Петров Иван Иванович"); },
         FioChanged, kTakeFio, FioChanged, kTakeFio},
        {"name with a trailing blank", [](StudentRecord& in) { SetFieldText(in.FIO, kFio + " "); },
         FioChanged, kTakeFio, 0, 0},
        {"ticket", [](StudentRecord& in) { SetFieldText(in.BILET, "999"); }, BiletChanged,
         kTakeBilet, BiletChanged, kTakeBilet},
        {"ticket with a leading blank",
         [](StudentRecord& in) { SetFieldText(in.BILET, " 0012345"); }, BiletChanged, kTakeBilet, 0,
         0},
        {"class letter brings JuniorFlag along",
         [](StudentRecord& in) {
             in.KlassLetter = 0xC1;  // Б
             in.JuniorFlag = 1;
         },
         KlassChanged, kTakeKlass, KlassChanged, kTakeKlass},
        {"class number", [](StudentRecord& in) { in.KlassNumber = 11; }, KlassChanged, kTakeKlass,
         KlassChanged, kTakeKlass},
        {"JuniorFlag alone is not taken", [](StudentRecord& in) { in.JuniorFlag = 1; }, 0, 0, 0, 0},
        {"document", [](StudentRecord& in) { SetFieldText(in.DOC, kNewDoc); }, DocChanged, kTakeDoc,
         DocChanged, kTakeDoc},
        {"document with a trailing blank",
         [](StudentRecord& in) { SetFieldText(in.DOC, kDoc + " "); }, DocChanged, kTakeDoc, 0, 0},
        {"SNILS", [](StudentRecord& in) { in.SNILS = 0; }, DocChanged, kTakeSnils, DocChanged,
         kTakeSnils},
        {"sex is copied without a change bit", [](StudentRecord& in) { in.PersSex = kSexFemale; },
         0, 0, 0, 0},
        {"birth date", [](StudentRecord& in) { in.DBIRTH.day = 2; }, BirthChanged, kTakeBirth,
         BirthChanged, kTakeBirth},
        {"benefit end", [](StudentRecord& in) { in.DATEEND.year = 2027; }, DateEndChanged, kTakeEnd,
         DateEndChanged, kTakeEnd},
        {"OKPO: the import leaves the organization alone",
         [](StudentRecord& in) { in.OKPO = 87654321; }, OrgChanged, kTakeOrg, 0, 0},
        {"agency code", [](StudentRecord& in) { in.ORG = 6; }, OrgChanged, kTakeOrg, 0, 0},
        {"reserved bytes are never copied",
         [](StudentRecord& in) {
             in.Reserved1[0] = 7;
             in.Reserved2[3] = 9;
         },
         0, 0, 0, 0},
        {"several fields at once",
         [](StudentRecord& in) {
             SetFieldText(in.FIO, "Петров Иван Иванович");
             SetFieldText(in.DOC, kNewDoc);
             in.KlassNumber = 11;
             in.ORG = 6;
         },
         FioChanged | DocChanged | KlassChanged | OrgChanged,
         kTakeFio | kTakeDoc | kTakeKlass | kTakeOrg, FioChanged | DocChanged | KlassChanged,
         kTakeFio | kTakeDoc | kTakeKlass},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const StudentRecord r = Stored();
        const StudentRecord in = From(r, c.change);
        {
            SCOPED_TRACE("file update");
            StudentRecord after = r;
            DocIndex docs;
            docs.Rebuild({r});
            FileUpdate(after, in, 0, docs);
            EXPECT_EQ(after.LastChange, c.fileCode);
            EXPECT_EQ(after.ChangeDate, in.ChangeDate);
            ExpectTaken(r, in, after, c.fileTaken);
            // The index follows the document that the record now holds.
            EXPECT_EQ(docs.Lookup(after.DOC, after.OLDDOC), 0);
            if (c.fileTaken & kTakeDoc && DocumentKeyOfField(in.DOC) != DocumentKeyOfField(r.DOC)) {
                EXPECT_EQ(docs.Lookup(r.DOC, in.OLDDOC), std::nullopt);
            }
        }
        {
            SCOPED_TRACE("import update");
            StudentRecord after = r;
            ImportUpdate(after, in);
            EXPECT_EQ(after.LastChange, c.importCode);
            EXPECT_EQ(after.ChangeDate, kToday);
            ExpectTaken(r, in, after, c.importTaken);
        }
    }
}

TEST(RecordUpdate, ApplyingVerdicts) {
    FixedToday today;
    const std::string refusal =
        "Запись в БД имеет более позднюю дату изменения, чем запись в файле.";
    // Register: 0 active, 1 deleted (with an earlier change kept in the code).
    StudentRecord deleted = Learner("П.22.22.2222222", "Петрова Мария Ивановна", 0);
    deleted.LastChange = Deleted | FioChanged;
    deleted.AllChanges = Added;

    const StudentRecord update = From(Stored(), [](StudentRecord& in) {
        SetFieldText(in.DOC, kDoc + " ");
        SetFieldText(in.BILET, "999");
    });
    const StudentRecord sameAsDeleted = From(deleted, [](StudentRecord&) {});
    StudentRecord fresh = From(Learner(kNewDoc, "Сидоров Петр Ильич", 0), [](StudentRecord& in) {
        SetFieldText(in.OLDFIO, "Сидоров Пётр");
        SetFieldText(in.OLDDOC, "П.33.33.3333333");
    });
    StudentRecord takeOver = fresh;
    SetFieldText(takeOver.DOC, "П.22.22.2222222");

    struct Case {
        const char* name;
        bool import;
        MatchResult match;
        StudentRecord in;
        MergeOutcome expect;
        std::function<void(TestRegister&)> check;
    };
    auto outcome = [](bool added, bool updated, bool unchanged, bool erroneous, int32_t processed,
                      int32_t written, std::string suffix, std::optional<std::string> details) {
        MergeOutcome o;
        o.added = added;
        o.updated = updated;
        o.unchanged = unchanged;
        o.erroneous = erroneous;
        o.processed = processed;
        o.written = written;
        o.protocolSuffix = std::move(suffix);
        o.detailsDoc = std::move(details);
        return o;
    };
    // The record written as new: change history and old values cleared.
    auto expectNew = [](const StudentRecord& in, RecordDate changeDate, uint16_t allChanges) {
        return [=](const StudentRecord& w) {
            EXPECT_TRUE(Same(w.FIO, in.FIO));
            EXPECT_TRUE(Same(w.DOC, in.DOC));
            EXPECT_EQ(w.AllChanges, allChanges);
            EXPECT_EQ(w.LastChange, Added);
            EXPECT_EQ(w.ChangeDate, changeDate);
            EXPECT_EQ(FieldBytes(w.OLDFIO), "");
            EXPECT_EQ(FieldBytes(w.OLDDOC), "");
        };
    };
    const std::vector<Case> cases = {
        {"file: new record appended and entered into DocIndex",
         false,
         {MatchNew, -1, {}},
         fresh,
         outcome(true, false, false, false, 2, 2, "", kNewDoc),
         [&](TestRegister& reg) {
             ASSERT_EQ(reg.Reg().CountRecords(), 3u);
             expectNew(fresh, fresh.ChangeDate, 0)(reg.At(2));
             EXPECT_EQ(reg.Indexes().docs.Lookup(fresh.DOC, fresh.OLDDOC), 2);
         }},
        {"file: update",
         false,
         {MatchUpdate, 0, {}},
         update,
         outcome(false, true, false, false, 0, 0, "", kDoc + " "),
         [&](TestRegister& reg) {
             EXPECT_EQ(reg.At(0).LastChange, BiletChanged | DocChanged);
             EXPECT_EQ(reg.At(0).ChangeDate, update.ChangeDate);
         }},
        {"file: same, active",
         false,
         {MatchSame, 0, {}},
         Stored(),
         outcome(false, false, true, false, 0, -1, "", std::nullopt),
         [&](TestRegister& reg) { EXPECT_TRUE(SameBytes(reg.At(0), Stored())); }},
        {"file: same, deleted: only the Deleted bit goes",
         false,
         {MatchSame, 1, {}},
         sameAsDeleted,
         outcome(false, true, true, false, 1, 1, " - восстановление удаленной записи",
                 "П.22.22.2222222"),
         [&](TestRegister& reg) {
             StudentRecord expected = deleted;
             expected.LastChange = FioChanged;
             EXPECT_TRUE(SameBytes(reg.At(1), expected));
         }},
        {"file: take-over keeps the file's change date",
         false,
         {MatchTakeOver, 1, {}},
         takeOver,
         outcome(true, false, false, false, 1, 1, "", "П.22.22.2222222"),
         [&](TestRegister& reg) {
             EXPECT_EQ(reg.Reg().CountRecords(), 2u);
             expectNew(takeOver, takeOver.ChangeDate, 0)(reg.At(1));
         }},
        {"file: refused with a target marks it",
         false,
         {MatchRefused, 0, refusal},
         update,
         outcome(false, false, false, true, 0, -1, " - запись не обработана: " + refusal,
                 std::nullopt),
         [&](TestRegister& reg) { EXPECT_TRUE(SameBytes(reg.At(0), Stored())); }},
        {"file: refused without a target",
         false,
         {MatchRefused, -1, "x"},
         update,
         outcome(false, false, false, true, -1, -1, " - запись не обработана: x", std::nullopt),
         [](TestRegister&) {}},
        {"import: new record with today's date, indexes untouched",
         true,
         {MatchNew, -1, {}},
         fresh,
         outcome(true, false, false, false, -1, 2, "", kNewDoc),
         [&](TestRegister& reg) {
             ASSERT_EQ(reg.Reg().CountRecords(), 3u);
             expectNew(fresh, kToday, 0)(reg.At(2));
             EXPECT_EQ(reg.Indexes().docs.Lookup(fresh.DOC, fresh.OLDDOC), std::nullopt);
         }},
        {"import: update; details under the register's document",
         true,
         {MatchUpdate, 0, {}},
         update,
         outcome(false, true, false, false, -1, 0, "", kDoc),
         [&](TestRegister& reg) {
             EXPECT_EQ(reg.At(0).LastChange, BiletChanged);
             EXPECT_EQ(reg.At(0).ChangeDate, kToday);
         }},
        {"import: same, active: details written all the same",
         true,
         {MatchSame, 0, {}},
         Stored(),
         outcome(false, false, true, false, -1, -1, "", kDoc),
         [&](TestRegister& reg) { EXPECT_TRUE(SameBytes(reg.At(0), Stored())); }},
        {"import: same, deleted: an import update restores it",
         true,
         {MatchSame, 1, {}},
         sameAsDeleted,
         outcome(false, true, false, false, -1, 1, "", "П.22.22.2222222"),
         [&](TestRegister& reg) {
             EXPECT_EQ(reg.At(1).LastChange, 0);
             EXPECT_EQ(reg.At(1).AllChanges, Added | Deleted | FioChanged);
             EXPECT_EQ(reg.At(1).ChangeDate, kToday);
         }},
        {"import: take-over keeps the row's AllChanges",
         true,
         {MatchTakeOver, 1, {}},
         takeOver,
         outcome(true, false, false, false, -1, 1, "", "П.22.22.2222222"),
         [&](TestRegister& reg) { expectNew(takeOver, kToday, takeOver.AllChanges)(reg.At(1)); }},
        {"import: refused",
         true,
         {MatchRefused, 0, refusal},
         update,
         outcome(false, false, false, true, -1, -1, " - Ошибка: " + refusal, std::nullopt),
         [&](TestRegister& reg) { EXPECT_TRUE(SameBytes(reg.At(0), Stored())); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestRegister reg({Stored(), deleted});
        const MergeOutcome o = c.import
                                   ? ApplyImportVerdict(reg.Reg(), c.match, c.in)
                                   : ApplyFileVerdict(reg.Reg(), reg.Indexes().docs, c.match, c.in);
        EXPECT_EQ(o.added, c.expect.added);
        EXPECT_EQ(o.updated, c.expect.updated);
        EXPECT_EQ(o.unchanged, c.expect.unchanged);
        EXPECT_EQ(o.erroneous, c.expect.erroneous);
        EXPECT_EQ(o.processed, c.expect.processed);
        EXPECT_EQ(o.written, c.expect.written);
        EXPECT_EQ(o.protocolSuffix, c.expect.protocolSuffix);
        EXPECT_EQ(o.detailsDoc, c.expect.detailsDoc);
        c.check(reg);
    }
}

TEST(RecordUpdate, FullRegisterTakesNoNewRecord) {
    TestRegister reg(std::vector<StudentRecord>(RegisterFile::kMaxRecords, EmptyRecord()));
    const StudentRecord in = Learner();
    const MergeOutcome file =
        ApplyFileVerdict(reg.Reg(), reg.Indexes().docs, {MatchNew, -1, {}}, in);
    EXPECT_FALSE(file.added);
    EXPECT_TRUE(file.erroneous);
    EXPECT_EQ(file.protocolSuffix,
              " - запись не обработана: Превышено допустимое число записей в файле данных.");
    EXPECT_EQ(file.detailsDoc, std::nullopt);
    const MergeOutcome import = ApplyImportVerdict(reg.Reg(), {MatchNew, -1, {}}, in);
    EXPECT_TRUE(import.erroneous);
    EXPECT_EQ(import.protocolSuffix,
              " - Ошибка: Превышено допустимое число записей в файле данных.");
    EXPECT_EQ(reg.Reg().CountRecords(), RegisterFile::kMaxRecords);
    EXPECT_EQ(reg.Indexes().docs.Lookup(in.DOC, in.OLDDOC), std::nullopt);
}

}  // namespace
}  // namespace vrklad::test
