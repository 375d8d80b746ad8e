#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "exchange/MatchIncoming.h"
#include "exchange/MergeFixtures.h"

namespace vrklad::test {
namespace {

const std::string kDoc = "П.40.05.1234567";
const std::string kNewDoc = "П.40.05.7654321";
const std::string kFio = "Иванов Иван Иванович";
const int64_t kSnils = 11223344595;

StudentRecord Stored(uint16_t lastChange = Added) {
    StudentRecord r = Learner(kDoc, kFio, kSnils);
    r.LastChange = lastChange;
    return r;
}

// The stored learner as the incoming file sends it, changed by `change`.
StudentRecord Incoming(const std::function<void(StudentRecord&)>& change) {
    StudentRecord in = Stored();
    in.ChangeDate = {2024, 2, 1};
    change(in);
    return in;
}

TEST(MatchIncoming, CasesInOrder) {
    struct Case {
        const char* name;
        std::vector<StudentRecord> stored;
        StudentRecord in;
        MatchVerdict verdict;
        int32_t target;
        std::string message;
    };
    const std::string laterDate =
        "Запись в БД имеет более позднюю дату изменения, чем запись в файле.";
    const std::string snilsOfStored =
        "Такой СНИЛС уже есть в БД и принадлежит:  " + kDoc + " " + kFio + " (ОКПО:12345678)";
    const StudentRecord second = Learner("П.40.05.2222222", "Петров Пётр Петрович", 22233344455);

    const std::vector<Case> cases = {
        {"a: identical in bytes 0-103 and ORG, other change fields aside",
         {Stored()},
         Incoming([](StudentRecord& in) {
             in.LastChange = 0;
             in.AllChanges = 0x0FFF;
             SetFieldText(in.OLDFIO, "Другое Имя");
             in.ChangeDate = {2020, 1, 1};
         }),
         MatchSame,
         0,
         ""},
        {"a: a deleted register record that is identical",
         {Stored(Deleted)},
         Incoming([](StudentRecord&) {}),
         MatchSame,
         0,
         ""},
        {"a fails on ORG alone: an update",
         {Stored()},
         Incoming([](StudentRecord& in) { in.ORG = 6; }),
         MatchUpdate,
         0,
         ""},
        {"b: register record changed later",
         {Stored()},
         Incoming([](StudentRecord& in) {
             SetFieldText(in.BILET, "999");
             in.ChangeDate = {2024, 1, 9};
         }),
         MatchRefused,
         0,
         laterDate},
        {"b does not hold for a deleted register record: c",
         {Stored(Deleted)},
         Incoming([](StudentRecord& in) {
             SetFieldText(in.BILET, "999");
             in.ChangeDate = {2024, 1, 9};
         }),
         MatchUpdate,
         0,
         ""},
        {"b does not hold for an excluded register record: c",
         {Stored(ExcludedOther)},
         Incoming([](StudentRecord& in) {
             SetFieldText(in.BILET, "999");
             in.ChangeDate = {2024, 1, 9};
         }),
         MatchUpdate,
         0,
         ""},
        {"c: same day is not later",
         {Stored()},
         Incoming([](StudentRecord& in) {
             SetFieldText(in.BILET, "999");
             in.ChangeDate = {2024, 1, 10};
         }),
         MatchUpdate,
         0,
         ""},
        {"c: name equal by similarity (case, hyphen), document equal once trimmed",
         {Stored()},
         Incoming([](StudentRecord& in) {
             SetFieldText(in.FIO, "иванов-иван иванович");
             SetFieldText(in.DOC, " " + kDoc);
         }),
         MatchUpdate,
         0,
         ""},
        {"d: new name, the register's name as OLDFIO",
         {Stored()},
         Incoming([](StudentRecord& in) {
             SetFieldText(in.FIO, "Петрова Мария Ивановна");
             SetFieldText(in.OLDFIO, kFio);
         }),
         MatchUpdate,
         0,
         ""},
        {"e: another name on the document of a deleted record",
         {Stored(Deleted)},
         Incoming([](StudentRecord& in) {
             SetFieldText(in.FIO, "Петрова Мария Ивановна");
             in.SNILS = 0;
         }),
         MatchTakeOver,
         0,
         ""},
        {"e: another name on the document of an excluded record",
         {Stored(ExcludedOther)},
         Incoming([](StudentRecord& in) { SetFieldText(in.FIO, "Петрова Мария Ивановна"); }),
         MatchTakeOver,
         0,
         ""},
        {"f: another name on the document of an active record, incoming OKPO",
         {Stored()},
         Incoming([](StudentRecord& in) {
             SetFieldText(in.FIO, "Петрова Мария Ивановна");
             in.OKPO = 87654321;
         }),
         MatchRefused,
         -1,
         "Такой документ принадлежит \"" + kFio + "\" (ОКПО:87654321)"},
        {"g: new document, old one as OLDDOC, same name",
         {Stored()},
         Incoming([](StudentRecord& in) {
             SetFieldText(in.DOC, kNewDoc);
             SetFieldText(in.OLDDOC, kDoc);
         }),
         MatchUpdate,
         0,
         ""},
        {"h: document and name changed, names similar (66)",
         {Stored()},
         Incoming([](StudentRecord& in) {
             SetFieldText(in.DOC, kNewDoc);
             SetFieldText(in.OLDDOC, kDoc);
             SetFieldText(in.FIO, "Иванов Иван Петрович");
             SetFieldText(in.OLDFIO, kFio);
         }),
         MatchUpdate,
         0,
         ""},
        {"i: as h, names not similar",
         {Stored()},
         Incoming([](StudentRecord& in) {
             SetFieldText(in.DOC, kNewDoc);
             SetFieldText(in.OLDDOC, kDoc);
             SetFieldText(in.FIO, "Петрова Мария Ивановна");
             SetFieldText(in.OLDFIO, kFio);
             in.SNILS = 0;
         }),
         MatchNew,
         -1,
         ""},
        {"j: register name matches neither, FIO and OLDFIO similar",
         {Stored()},
         Incoming([](StudentRecord& in) {
             SetFieldText(in.DOC, kNewDoc);
             SetFieldText(in.OLDDOC, kDoc);
             SetFieldText(in.FIO, "Сидоров Петр Ильич");
             SetFieldText(in.OLDFIO, "Сидоров Пётр Иванович");
             in.SNILS = 0;
         }),
         MatchNew,
         -1,
         ""},
        {"k: register name matches neither, OLDFIO empty",
         {Stored()},
         Incoming([](StudentRecord& in) {
             SetFieldText(in.DOC, kNewDoc);
             SetFieldText(in.OLDDOC, kDoc);
             SetFieldText(in.FIO, "Сидоров Петр Ильич");
             in.SNILS = 0;
         }),
         MatchNew,
         -1,
         ""},
        {"l: document and name changed at once",
         {Stored()},
         Incoming([](StudentRecord& in) {
             SetFieldText(in.DOC, kNewDoc);
             SetFieldText(in.OLDDOC, kDoc);
             SetFieldText(in.FIO, "Сидоров Петр Ильич");
             SetFieldText(in.OLDFIO, "Кузнецов Олег Олегович");
         }),
         MatchRefused,
         -1,
         "Недопустимая операция редактирования:  " + kDoc + " Кузнецов Олег Олегович изменили на " +
             kNewDoc + " Сидоров Петр Ильич."},
        {"m: same key (Latin letters do not count), other document",
         {Learner("С.IV.АК.1234567", kFio, kSnils)},
         Incoming([](StudentRecord& in) {
             SetFieldText(in.DOC, "С.XX.АК.1234567");
             in.SNILS = 0;
         }),
         MatchNew,
         -1,
         ""},
        {"m: no candidate at all",
         {Stored()},
         Incoming([](StudentRecord& in) {
             SetFieldText(in.DOC, kNewDoc);
             in.SNILS = 0;
         }),
         MatchNew,
         -1,
         ""},
        {"step 5: found only through SNILS, documents differ",
         {Stored()},
         Incoming([](StudentRecord& in) { SetFieldText(in.DOC, kNewDoc); }),
         MatchRefused,
         -1,
         snilsOfStored},
        {"step 5: a new record whose SNILS a register record has",
         {Stored()},
         Incoming([](StudentRecord& in) {
             SetFieldText(in.DOC, kNewDoc);
             SetFieldText(in.OLDDOC, kDoc);
             SetFieldText(in.FIO, "Петрова Мария Ивановна");
             SetFieldText(in.OLDFIO, kFio);
         }),
         MatchRefused,
         -1,
         snilsOfStored},
        {"step 5: an update carrying another record's SNILS keeps its target",
         {Stored(), second},
         Incoming([&](StudentRecord& in) {
             SetFieldText(in.BILET, "999");
             in.SNILS = second.SNILS;
         }),
         MatchRefused,
         0,
         "Такой СНИЛС уже есть в БД и принадлежит:  П.40.05.2222222 Петров Пётр Петрович "
         "(ОКПО:12345678)"},
        {"step 5: the SNILS of a deleted record is free",
         {Stored(Deleted)},
         Incoming([](StudentRecord& in) { SetFieldText(in.DOC, kNewDoc); }),
         MatchNew,
         -1,
         ""},
        {"step 5: SNILS 0 is never matched",
         {Learner(kDoc, kFio, 0)},
         Incoming([](StudentRecord& in) {
             SetFieldText(in.DOC, kNewDoc);
             in.SNILS = 0;
         }),
         MatchNew,
         -1,
         ""},
        {"step 5 is skipped after a refusal",
         {Stored(), second},
         Incoming([&](StudentRecord& in) {
             SetFieldText(in.FIO, "Петрова Мария Ивановна");
             in.SNILS = second.SNILS;
         }),
         MatchRefused,
         -1,
         "Такой документ принадлежит \"" + kFio + "\" (ОКПО:12345678)"},
        {"a document without a key hits an empty slot: OLDDOC is not tried",
         {Stored()},
         Incoming([](StudentRecord& in) {
             SetFieldText(in.DOC, "");
             SetFieldText(in.OLDDOC, kDoc);
             in.SNILS = 0;
         }),
         MatchNew,
         -1,
         ""},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestRegister reg(c.stored);
        const MatchResult m = MatchIncoming(reg.Reg(), reg.Indexes(), c.in);
        EXPECT_EQ(m.verdict, c.verdict);
        EXPECT_EQ(m.target, c.target);
        EXPECT_EQ(m.message, c.message);
    }
}

TEST(MatchIncoming, ChangesNothing) {
    TestRegister reg({Stored(Deleted)});
    const StudentRecord before = reg.At(0);
    const StudentRecord in =
        Incoming([](StudentRecord& r) { SetFieldText(r.FIO, "Петрова Мария"); });
    EXPECT_EQ(MatchIncoming(reg.Reg(), reg.Indexes(), in).verdict, MatchTakeOver);
    EXPECT_TRUE(SameBytes(reg.At(0), before));
    EXPECT_EQ(reg.Reg().CountRecords(), 1u);
}

TEST(MatchIncoming, FindsTheFirstOfDuplicateDocuments) {
    StudentRecord other = Stored();
    SetFieldText(other.FIO, "Петрова Мария Ивановна");
    TestRegister reg({other, Stored()});
    // The first record entered holds the document under another name.
    const MatchResult m = MatchIncoming(reg.Reg(), reg.Indexes(), Incoming([](StudentRecord&) {}));
    EXPECT_EQ(m.verdict, MatchRefused);
    EXPECT_EQ(m.message, "Такой документ принадлежит \"Петрова Мария Ивановна\" (ОКПО:12345678)");
}

}  // namespace
}  // namespace vrklad::test
