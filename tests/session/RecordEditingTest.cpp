#include <gtest/gtest.h>

#include <functional>

#include "register/ChangeCodes.h"
#include "register/Clock.h"
#include "session/RecordEditing.h"

namespace vrklad {
namespace {

class RecordEditingTest : public testing::Test {
protected:
    void SetUp() override { SetNowForTesting(LocalDateTime{2024, 3, 1, 10, 0, 0}); }
    void TearDown() override { SetNowForTesting(std::nullopt); }

    // A school of OKPO 123 (agency 45) that also lists OKPO 777 (agency 8).
    static ProgramConfig Config() {
        ProgramConfig c = EmptyConfig();
        c.OrgType = 1;
        c.OrgCount = 2;
        c.OrgOKPO[0] = 123;
        c.OrgAgency[0] = 45;
        c.OrgOKPO[1] = 777;
        c.OrgAgency[1] = 8;
        return c;
    }

    static SchoolYear School() { return {1, 12, 9, 30}; }

    // Values that pass every check, matching Stored().
    static EnteredRecord Entered() {
        EnteredRecord e;
        e.type = DocPassport;
        e.seriesNumber = "40";
        e.series = "05";
        e.number = "1234567";
        e.fio = "Иванов Иван";
        e.snils = "11223344595";
        e.bilet = "A12";
        e.klass = "10";
        e.letter = "Б";
        e.birth = {2008, 5, 1};
        e.dateEnd = {2026, 9, 30};
        e.orgText = "123(45)";
        e.orgOkpo = 123;
        return e;
    }

    static StudentRecord Stored() {
        StudentRecord r = EmptyRecord();
        r.OKPO = 123;
        r.ORG = 45;
        SetFieldText(r.DOC, "П.40.05.1234567");
        SetFieldText(r.FIO, "Иванов Иван");
        SetFieldText(r.BILET, "A12");
        r.SNILS = 11223344595;
        r.PersSex = kSexMale;
        r.KlassNumber = 10;
        r.KlassLetter = 0xC1;  // Б
        r.JuniorFlag = 1;      // left as stored by a change
        r.DBIRTH = {2008, 5, 1};
        r.DATEEND = {2026, 9, 30};
        r.AllChanges = 0x0100;
        r.LastChange = 0x0080;
        r.ChangeDate = {2023, 1, 2};
        return r;
    }
};

TEST_F(RecordEditingTest, DocumentStringFromTheFields) {
    const struct {
        DocumentType type;
        bool visible;
        const char* seriesNumber;
        const char* series;
        const char* number;
        const char* doc;
    } cases[] = {
        {DocPassport, true, "40", "05", "1234567", "П.40.05.1234567"},
        {DocPassport, true, "40", "05", "123456", "П.40.05.0123456"},
        {DocPassport, true, "40", "05", "12345", "П.40.05.012345"},  // one zero only
        {DocPassport, true, "4", "05", "1234567", "П.04.05.1234567"},
        {DocForeignPassport, false, "", "70", "1234567", "З.  .70.1234567"},
        {DocCertificate, true, "00", "ВП", "1234567", "У.00.ВП.1234567"},
        {DocBirthCertificate, true, "IV", "АК", "1234567", "С.04.АК.1234567"},
        {DocBirthCertificate, true, "LV", "АК", "1234567", "С.55.АК.1234567"},
        {DocBirthCertificate, true, "00", "АК", "1234567", "С.00.АК.1234567"},
        {DocAlienPassport, true, "00", "ИИ", "7", "П.00.ИИ.07"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.doc);
        EnteredRecord e;
        e.type = c.type;
        e.seriesNumberVisible = c.visible;
        e.seriesNumber = c.seriesNumber;
        e.series = c.series;
        e.number = c.number;
        EXPECT_EQ(BuildDocumentString(e), c.doc);
    }
}

TEST_F(RecordEditingTest, DocumentPartsOfAStoredRecord) {
    const struct {
        const char* doc;
        DocumentType type;
        const char* seriesNumber;
        const char* series;
        const char* number;
    } cases[] = {
        {"П.40.05.1234567", DocPassport, "40", "05", "1234567"},
        {"П.12.ИИ.1234567", DocAlienPassport, "12", "ИИ", "1234567"},
        {"П,12.ИИ.1234567", DocPassport, "12", "ИИ", "1234567"},
        {"З.  .70.1234567", DocForeignPassport, "  ", "70", "1234567"},
        {"У.00.ВП.1234567", DocCertificate, "00", "ВП", "1234567"},
        {"С.04.АК.1234567", DocBirthCertificate, "04", "АК", "1234567"},
        {"X.40.05.1", DocPassport, "40", "05", "1"},
        {"П.4", DocPassport, "4", "", ""},
        {"", DocPassport, "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.doc);
        StudentRecord r = EmptyRecord();
        SetFieldText(r.DOC, c.doc);
        const DocumentParts parts = DocumentPartsOf(r);
        EXPECT_EQ(parts.type, c.type);
        EXPECT_EQ(parts.seriesNumber, c.seriesNumber);
        EXPECT_EQ(parts.series, c.series);
        EXPECT_EQ(parts.number, c.number);
    }
}

TEST_F(RecordEditingTest, SeriesNumeralOfAStoredCertificate) {
    const struct {
        const char* stored;
        const char* shown;
    } cases[] = {
        {"04", "IV"}, {"11", "XI"}, {"55", "LV"}, {"00", "00"},
        {"IV", "IV"}, {"0I", "0I"}, {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(SeriesNumeralOf(c.stored), c.shown);
    }
}

TEST_F(RecordEditingTest, SaveChecksInOrder) {
    const char* incomplete = "Не полностью заполнен номер документа";
    const char* fioInvalid =
        "ФИО должно быть заполнено и начинаться с заглавной буквы алфавита, может содержать "
        "символы дефис и пробел";
    const struct {
        const char* name;
        std::function<void(EnteredRecord&)> change;
        std::optional<SaveProblem> problem;
    } cases[] = {
        {"valid", [](EnteredRecord&) {}, std::nullopt},
        {"no series number", [](EnteredRecord& e) { e.seriesNumber = " "; },
         SaveProblem{incomplete}},
        {"hidden series number",
         [](EnteredRecord& e) {
             e.seriesNumber = "";
             e.seriesNumberVisible = false;
         },
         std::nullopt},
        {"no series", [](EnteredRecord& e) { e.series = ""; }, SaveProblem{incomplete}},
        {"no number", [](EnteredRecord& e) { e.number = "  "; }, SaveProblem{incomplete}},
        {"document before name",
         [](EnteredRecord& e) {
             e.number = "";
             e.fio = "";
         },
         SaveProblem{incomplete}},
        {"three letters", [](EnteredRecord& e) { e.fio = " Ива "; },
         SaveProblem{"Поле ФИО является обязательным для заполнения"}},
        {"lower case", [](EnteredRecord& e) { e.fio = "иванов"; }, SaveProblem{fioInvalid}},
        {"two spaces", [](EnteredRecord& e) { e.fio = "Иванов  Иван"; }, SaveProblem{fioInvalid}},
        {"latin", [](EnteredRecord& e) { e.fio = "Ivanov"; }, SaveProblem{fioInvalid}},
        {"double name", [](EnteredRecord& e) { e.fio = "Иванов-Петров Иван"; }, std::nullopt},
        {"yo", [](EnteredRecord& e) { e.fio = "Ёлкин Пётр"; }, std::nullopt},
        {"short snils", [](EnteredRecord& e) { e.snils = "12345678"; },
         SaveProblem{"СНИЛС должен быть минимум из 9 знаков", true}},
        {"wrong snils", [](EnteredRecord& e) { e.snils = "11223344594"; },
         SaveProblem{"СНИЛС указан не верно!"}},
        {"nine digits", [](EnteredRecord& e) { e.snils = "123456789"; },
         SaveProblem{"СНИЛС указан не верно!"}},
        {"gap in snils", [](EnteredRecord& e) { e.snils = "1122 3344595"; },
         SaveProblem{"СНИЛС указан не верно!"}},
        {"no snils", [](EnteredRecord& e) { e.snils = ""; }, std::nullopt},
        {"no class", [](EnteredRecord& e) { e.klass = ""; },
         SaveProblem{"Поле Класс\\курс должно быть заполнено"}},
        {"end too late",
         [](EnteredRecord& e) {
             e.dateEnd = {2027, 10, 1};
         },
         SaveProblem{"Дата окончания льготы превышает максимально допустимую: 30-9-2027"}},
        {"end today",
         [](EnteredRecord& e) {
             e.dateEnd = {2024, 3, 1};
         },
         SaveProblem{"Дата окончания льготы должна быть больше текущей!"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EnteredRecord e = Entered();
        c.change(e);
        EXPECT_EQ(CheckEnteredRecord(e, School()), c.problem);
    }
}

TEST_F(RecordEditingTest, NewRecordOfTheOwnOrganization) {
    const struct {
        uint8_t orgType;
        const char* klass;
        uint8_t junior;
    } cases[] = {{1, "8", 1}, {1, "9", 0}, {2, "3", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.klass);
        ProgramConfig config = Config();
        config.OrgType = c.orgType;
        EnteredRecord e = Entered();
        e.klass = c.klass;
        e.fio = "  Иванов Иван ";
        e.bilet = " A12 ";
        e.female = true;
        e.orgText = "777(8)";  // not consulted when adding
        e.orgOkpo = 777;
        const StudentRecord r = NewRecordFromEntered(e, config);
        EXPECT_EQ(r.OKPO, 123u);
        EXPECT_EQ(r.ORG, 45);
        EXPECT_EQ(r.AllChanges, 0);
        EXPECT_EQ(r.LastChange, Added);
        EXPECT_EQ(FieldText(r.DOC), "П.40.05.1234567");
        EXPECT_EQ(FieldText(r.FIO), "Иванов Иван");
        EXPECT_EQ(FieldText(r.BILET), "A12");
        EXPECT_EQ(r.SNILS, 11223344595);
        EXPECT_EQ(r.PersSex, kSexFemale);
        EXPECT_EQ(r.KlassLetter, 0xC1);
        EXPECT_EQ(r.JuniorFlag, c.junior);
        EXPECT_EQ(r.DBIRTH, (RecordDate{2008, 5, 1}));
        EXPECT_EQ(r.DATEEND, (RecordDate{2026, 9, 30}));
        EXPECT_EQ(r.ChangeDate, (RecordDate{2024, 3, 1}));
        EXPECT_EQ(FieldBytes(r.OLDFIO), "");
        EXPECT_EQ(FieldBytes(r.OLDDOC), "");
    }
}

TEST_F(RecordEditingTest, ChangeTracksEveryField) {
    const struct {
        const char* name;
        std::function<void(EnteredRecord&)> change;
        uint16_t lastChange;
        std::function<void(const StudentRecord&)> check;
    } cases[] = {
        {"nothing", [](EnteredRecord&) {}, 0, [](const StudentRecord&) {}},
        {"only the sex", [](EnteredRecord& e) { e.female = true; }, 0,
         [](const StudentRecord& r) { EXPECT_EQ(r.PersSex, kSexFemale); }},
        {"name", [](EnteredRecord& e) { e.fio = "Петров Иван"; }, FioChanged,
         [](const StudentRecord& r) {
             EXPECT_EQ(FieldText(r.FIO), "Петров Иван");
             EXPECT_EQ(FieldText(r.OLDFIO), "Иванов Иван");
         }},
        {"name padded", [](EnteredRecord& e) { e.fio = " Иванов Иван "; }, 0,
         [](const StudentRecord&) {}},
        {"ticket", [](EnteredRecord& e) { e.bilet = "B7"; }, BiletChanged,
         [](const StudentRecord& r) { EXPECT_EQ(FieldText(r.BILET), "B7"); }},
        {"class", [](EnteredRecord& e) { e.klass = "11"; }, KlassChanged,
         [](const StudentRecord& r) {
             EXPECT_EQ(r.KlassNumber, 11);
             EXPECT_EQ(r.JuniorFlag, 1);
         }},
        {"letter dropped", [](EnteredRecord& e) { e.letter = ""; }, KlassChanged,
         [](const StudentRecord& r) { EXPECT_EQ(r.KlassLetter, 0); }},
        {"document", [](EnteredRecord& e) { e.number = "7654321"; }, DocChanged,
         [](const StudentRecord& r) {
             EXPECT_EQ(FieldText(r.DOC), "П.40.05.7654321");
             EXPECT_EQ(FieldText(r.OLDDOC), "П.40.05.1234567");
         }},
        {"snils", [](EnteredRecord& e) { e.snils = ""; }, DocChanged,
         [](const StudentRecord& r) { EXPECT_EQ(r.SNILS, 0); }},
        {"birth",
         [](EnteredRecord& e) {
             e.birth = {2008, 5, 2};
         },
         BirthChanged,
         [](const StudentRecord& r) {
             EXPECT_EQ(r.DBIRTH, (RecordDate{2008, 5, 2}));
         }},
        {"benefit end",
         [](EnteredRecord& e) {
             e.dateEnd = {2025, 9, 30};
         },
         DateEndChanged,
         [](const StudentRecord& r) {
             EXPECT_EQ(r.DATEEND, (RecordDate{2025, 9, 30}));
         }},
        {"organization",
         [](EnteredRecord& e) {
             e.orgText = "777(8)";
             e.orgOkpo = 777;
         },
         OrgChanged,
         [](const StudentRecord& r) {
             EXPECT_EQ(r.OKPO, 777u);
             EXPECT_EQ(r.ORG, 8);
         }},
        {"name and document",
         [](EnteredRecord& e) {
             e.fio = "Петров Иван";
             e.series = "06";
         },
         FioChanged | DocChanged, [](const StudentRecord&) {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EnteredRecord e = Entered();
        c.change(e);
        StudentRecord r = Stored();
        std::string message;
        ASSERT_TRUE(ChangeRecordFromEntered(r, e, Config(), message));
        EXPECT_EQ(r.LastChange, c.lastChange);
        EXPECT_EQ(r.AllChanges, 0x0180);
        EXPECT_EQ(r.ChangeDate, (RecordDate{2024, 3, 1}));
        c.check(r);
    }
}

TEST_F(RecordEditingTest, LetterlessClassUnchangedGetsNoBit) {
    StudentRecord r = Stored();
    r.KlassLetter = 0;
    EnteredRecord e = Entered();
    e.letter = "";
    std::string message;
    ASSERT_TRUE(ChangeRecordFromEntered(r, e, Config(), message));
    EXPECT_EQ(r.LastChange, 0);
}

TEST_F(RecordEditingTest, SecondDocumentChangeKeepsTheOneJustBefore) {
    StudentRecord r = Stored();
    EnteredRecord e = Entered();
    std::string message;
    e.number = "1111111";
    ASSERT_TRUE(ChangeRecordFromEntered(r, e, Config(), message));
    e.number = "2222222";
    ASSERT_TRUE(ChangeRecordFromEntered(r, e, Config(), message));
    EXPECT_EQ(FieldText(r.OLDDOC), "П.40.05.1111111");
    EXPECT_EQ(FieldText(r.DOC), "П.40.05.2222222");
    EXPECT_EQ(r.AllChanges, 0x0180 | DocChanged);
}

TEST_F(RecordEditingTest, ChangeWithoutOrganizationIsRefused) {
    StudentRecord r = Stored();
    const StudentRecord before = r;
    EnteredRecord e = Entered();
    e.orgText.reset();
    e.fio = "Петров Иван";
    std::string message;
    EXPECT_FALSE(ChangeRecordFromEntered(r, e, Config(), message));
    EXPECT_EQ(message, kNoOrganizationMessage);
    EXPECT_TRUE(SameBytes(r, before));
}

}  // namespace
}  // namespace vrklad
