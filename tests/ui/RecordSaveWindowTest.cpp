#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTreeWidget>

#include "CorrectionWindowFixture.h"
#include "details/DetailsStore.h"

using namespace vrklad;
using namespace vrklad::test;

namespace {

const std::string kNotSaved = " Сохранение не возможно!";

// Values that pass every check of "Сохранить" for a school in March 2024.
void FillValid(TForm2& form) {
    Child<QComboBox>(form, "ComboBoxNSeria")->setEditText(Q("40"));
    Edit(form, "EditSeria")->setText(Q("05"));
    Edit(form, "EditNum")->setText(Q("7654321"));
    Edit(form, "EditFIO")->setText(Q("Новиков Николай"));
    Edit(form, "EditKlass")->setText(Q("7"));
    Edit(form, "EditLetter")->setText(Q("А"));
    Edit(form, "EditBilet")->setText(Q("0012345"));
    Child<QDateEdit>(form, "DateTimePickerBirth")->setDate(QDate(2010, 5, 1));
    Child<QDateEdit>(form, "DateTimePickerEnd")->setDate(QDate(2026, 9, 30));
}

StudentRecord Stored(const char* fio, const char* doc) {
    StudentRecord r = Learner(fio, doc);
    r.JuniorFlag = 1;  // class 7 of a school, as a new record gets it
    return r;
}

uint32_t Count(Installation& inst) { return inst.GetSession().Register().CountRecords(); }

}  // namespace

class RecordSaveWindowTest : public QObject {
    Q_OBJECT
private slots:
    void saveChecks_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, const char* field, const char* value,
                            const char* message) {
            QTest::newRow(name) << Q(field) << Q(value) << Q(message);
        };
        const char* incomplete = "Не полностью заполнен номер документа";
        row("series number", "ComboBoxNSeria", " ", incomplete);
        row("series", "EditSeria", "", incomplete);
        row("number", "EditNum", "", incomplete);
        row("short name", "EditFIO", "Иво", "Поле ФИО является обязательным для заполнения");
        row("name", "EditFIO", "новиков Николай",
            "ФИО должно быть заполнено и начинаться с заглавной буквы алфавита, может "
            "содержать символы дефис и пробел");
        row("short snils", "MaskEditSNILS", "12345678", "СНИЛС должен быть минимум из 9 знаков");
        row("snils", "MaskEditSNILS", "11223344594", "СНИЛС указан не верно!");
        row("class", "EditKlass", "", "Поле Класс\\курс должно быть заполнено");
        row("benefit end", "DateTimePickerEnd", "2031-10-01",
            "Дата окончания льготы превышает максимально допустимую: 30-9-2030");
        row("benefit end today", "DateTimePickerEnd", "2024-03-01",
            "Дата окончания льготы должна быть больше текущей!");
    }

    void saveChecks() {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, message);
        Installation inst(SchoolConfig(), {Stored("Иванов Иван", "П.40.05.1234567")});
        TForm2& form = inst.Open();
        Button(form, "ButtonAdd")->click();
        QCOMPARE(form.FormMode(), fmAdd);
        FillValid(form);
        if (field == QStringLiteral("ComboBoxNSeria")) {
            Child<QComboBox>(form, "ComboBoxNSeria")->setEditText(value);
        } else if (field.startsWith(QStringLiteral("DateTimePicker"))) {
            Child<QDateEdit>(form, qPrintable(field))
                ->setDate(QDate::fromString(value, Qt::ISODate));
        } else {
            Edit(form, qPrintable(field))->setText(value);
        }
        Button(form, "ButtonSave")->click();
        QCOMPARE(inst.op.Texts(), std::vector<std::string>{message.toStdString()});
        QCOMPARE(inst.op.shown[0].icon, Operator::Icon::None);
        QCOMPARE(Count(inst), 1u);
        QCOMPARE(form.FormMode(), fmAdd);
        QCOMPARE(Edit(form, "EditFIO")->text().isEmpty(), false);
        // Only the SNILS length message empties its field.
        const bool cleared = message.startsWith(Q("СНИЛС должен"));
        QCOMPARE(Edit(form, "MaskEditSNILS")->displayText() == Q("___-___-___-__"),
                 cleared || field != QStringLiteral("MaskEditSNILS"));
    }

    void addingANewLearner() {
        Installation inst(SchoolConfig(), {Stored("Иванов Иван", "П.40.05.1234567")}, true);
        TForm2& form = inst.Open();
        Button(form, "ButtonAdd")->click();
        FillValid(form);
        Edit(form, "EditNum")->setText(Q("123456"));
        Edit(form, "MaskEditSNILS")->setText(Q("11223344595"));
        Child<QComboBox>(form, "ComboBoxSex")->setCurrentIndex(1);
        Child<QPlainTextEdit>(form, "MemoIssuer")->setPlainText(Q("ОВД района"));
        Child<QDateEdit>(form, "DateTimePickerIssue")->setDate(QDate(2020, 2, 3));
        Edit(form, "EditIssuerCode")->setText(Q("770001"));
        Edit(form, "EditBirthPlace")->setText(Q("Москва"));
        Button(form, "ButtonSave")->click();

        QCOMPARE(inst.op.Texts(), std::vector<std::string>{"Изменения сохранены!"});
        QCOMPARE(inst.op.shown[0].icon, Operator::Icon::Information);
        QCOMPARE(Count(inst), 2u);
        const StudentRecord r = inst.At(1);
        QCOMPARE(FieldText(r.DOC), std::string("П.40.05.0123456"));
        QCOMPARE(FieldText(r.FIO), std::string("Новиков Николай"));
        QCOMPARE(r.SNILS, int64_t{11223344595});
        QCOMPARE(r.PersSex, kSexFemale);
        QCOMPARE(r.OKPO, 12345678u);
        QCOMPARE(r.ORG, uint16_t{5});
        QCOMPARE(r.LastChange, uint16_t{Added});
        QCOMPARE(r.AllChanges, uint16_t{0});
        QCOMPARE(r.JuniorFlag, uint8_t{1});
        QCOMPARE(r.KlassLetter, uint8_t{0xC0});
        QCOMPARE(r.ChangeDate, (RecordDate{2024, 3, 1}));
        const auto details = inst.GetSession().Details().FindDoc("П.40.05.0123456");
        QVERIFY(details.has_value());
        QCOMPARE(*details, (DocumentDetails{{2020, 2, 3}, "ОВД района", 770001, "Москва"}));
        // The saved learner is selected and shown; counts and indexes are current.
        QCOMPARE(form.FormMode(), fmOneSel);
        QCOMPARE(form.SelectedRecordIndexes(), std::vector<uint16_t>{1});
        QCOMPARE(Edit(form, "EditNum")->text(), Q("0123456"));
        QCOMPARE(inst.GetSession().Config().RecordCount, uint16_t{2});
        QCOMPARE(inst.GetSession().Config().TotalLearners, uint16_t{2});
        QVERIFY(inst.GetSession().Indexes().snils.Lookup(11223344595).has_value());
    }

    void addingTheSameLearnerIsRefused() {
        StudentRecord same = Stored("Новиков Николай", "П.40.05.7654321");
        Installation inst(SchoolConfig(), {same});
        TForm2& form = inst.Open();
        Button(form, "ButtonAdd")->click();
        FillValid(form);
        Button(form, "ButtonSave")->click();
        QCOMPARE(inst.op.Texts(), std::vector<std::string>{kNotSaved});
        QCOMPARE(inst.op.shown[0].icon, Operator::Icon::Error);
        QCOMPARE(Count(inst), 1u);
        QVERIFY(SameBytes(inst.At(0), same));
        QCOMPARE(form.FormMode(), fmAdd);
    }

    void addingADocumentOfAnotherLearnerIsRefused() {
        Installation inst(SchoolConfig(), {Stored("Иванов Иван", "П.40.05.7654321")});
        TForm2& form = inst.Open();
        Button(form, "ButtonAdd")->click();
        FillValid(form);
        Button(form, "ButtonSave")->click();
        QCOMPARE(inst.op.Texts(),
                 std::vector<std::string>{
                     "Такой документ принадлежит \"Иванов Иван\" (ОКПО:12345678)" + kNotSaved});
        QCOMPARE(Count(inst), 1u);
    }

    void addingOverADeletedLearnerAsks_data() {
        QTest::addColumn<bool>("replace");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }

    void addingOverADeletedLearnerAsks() {
        QFETCH(bool, replace);
        StudentRecord deleted = Stored("Иванов Иван", "П.40.05.7654321");
        deleted.LastChange = Deleted;
        Installation inst(SchoolConfig(), {deleted, Stored("Петров Пётр", "П.40.05.1111111")});
        TForm2& form = inst.Open();
        Button(form, "ButtonAdd")->click();
        FillValid(form);
        inst.op.answers = {replace ? Operator::Answer::Yes : Operator::Answer::No};
        Button(form, "ButtonSave")->click();
        QCOMPARE(inst.op.shown[0].text, std::string(" Продолжить и заменить?"));
        QCOMPARE(inst.op.shown[0].icon, Operator::Icon::Warning);
        QCOMPARE(inst.op.shown[0].buttons, Operator::Buttons::YesNo);
        QCOMPARE(Count(inst), 2u);
        if (replace) {
            QCOMPARE(inst.op.shown.size(), size_t(2));
            QCOMPARE(inst.op.shown[1].text, std::string("Изменения сохранены!"));
            QCOMPARE(FieldText(inst.At(0).FIO), std::string("Новиков Николай"));
            QCOMPARE(inst.At(0).LastChange, uint16_t{Added});
            QCOMPARE(form.SelectedRecordIndexes(), std::vector<uint16_t>{0});
            QCOMPARE(form.FormMode(), fmOneSel);
        } else {
            QCOMPARE(inst.op.shown.size(), size_t(1));
            QVERIFY(SameBytes(inst.At(0), deleted));
            // The deleted record is not listed: nothing to show.
            QCOMPARE(form.FormMode(), fmView);
            QVERIFY(form.SelectedRecordIndexes().empty());
        }
    }

    void addingToAFullRegisterIsRefused() {
        std::vector<StudentRecord> records(RegisterFile::kMaxRecords,
                                           Stored("Иванов Иван", "П.40.05.1234567"));
        for (size_t i = 0; i < records.size(); ++i) {
            SetFieldText(records[i].DOC, "П.41.05." + std::to_string(1000000 + i));
        }
        Installation inst(SchoolConfig(), records);
        TForm2& form = inst.Open();
        Button(form, "ButtonAdd")->click();
        FillValid(form);
        Button(form, "ButtonSave")->click();
        QCOMPARE(inst.op.Texts(),
                 std::vector<std::string>{"Превышено допустимое число записей в файле данных." +
                                          kNotSaved});
        QCOMPARE(Count(inst), RegisterFile::kMaxRecords);
        QCOMPARE(form.FormMode(), fmAdd);
    }

    void changingALearner() {
        StudentRecord stored = Stored("Иванов Иван", "П.40.05.1234567");
        stored.AllChanges = 0x0080;
        stored.LastChange = 0x0100;
        Installation inst(SchoolConfig(), {Stored("Петров Пётр", "П.40.05.1111111"), stored}, true);
        TForm2& form = inst.Open();
        SelectRows(form, {1});
        Button(form, "ButtonChange")->click();
        QCOMPARE(form.FormMode(), fmEdit);
        QCOMPARE(Edit(form, "EditFIO")->text(), Q("Иванов Иван"));
        Edit(form, "EditFIO")->setText(Q("Иванов-Петров Иван"));
        Edit(form, "EditNum")->setText(Q("7654321"));
        Edit(form, "EditBirthPlace")->setText(Q("Тверь"));
        Button(form, "ButtonSave")->click();

        QCOMPARE(inst.op.Texts(), std::vector<std::string>{"Изменения сохранены!"});
        QCOMPARE(Count(inst), 2u);
        const StudentRecord r = inst.At(1);
        QCOMPARE(r.LastChange, uint16_t{FioChanged | DocChanged});
        QCOMPARE(r.AllChanges, uint16_t{0x0180});
        QCOMPARE(FieldText(r.OLDFIO), std::string("Иванов Иван"));
        QCOMPARE(FieldText(r.OLDDOC), std::string("П.40.05.1234567"));
        QCOMPARE(FieldText(r.DOC), std::string("П.40.05.7654321"));
        QCOMPARE(r.ChangeDate, (RecordDate{2024, 3, 1}));
        QCOMPARE(inst.GetSession().Details().FindDoc("П.40.05.7654321")->placeOfBirth,
                 std::string("Тверь"));
        QCOMPARE(form.FormMode(), fmOneSel);
        QCOMPARE(form.SelectedRecordIndexes(), std::vector<uint16_t>{1});
        QCOMPARE(Edit(form, "EditFIO")->text(), Q("Иванов-Петров Иван"));
    }

    void changingOnlyTheSex() {
        Installation inst(SchoolConfig(), {Stored("Иванов Иван", "П.40.05.1234567")});
        TForm2& form = inst.Open();
        SelectRows(form, {0});
        Button(form, "ButtonChange")->click();
        Child<QComboBox>(form, "ComboBoxSex")->setCurrentIndex(1);
        Button(form, "ButtonSave")->click();
        QCOMPARE(inst.op.Texts(), std::vector<std::string>{"Изменения сохранены!"});
        QCOMPARE(inst.At(0).LastChange, uint16_t{0});
        QCOMPARE(inst.At(0).AllChanges, uint16_t{Added});
        QCOMPARE(inst.At(0).PersSex, kSexFemale);
        QCOMPARE(inst.At(0).ChangeDate, (RecordDate{2024, 3, 1}));
    }

    void changingToTheSnilsOfAnotherLearnerIsRefused() {
        StudentRecord other = Stored("Петров Пётр", "П.40.05.1111111");
        other.SNILS = 11223344595;
        const StudentRecord stored = Stored("Иванов Иван", "П.40.05.1234567");
        Installation inst(SchoolConfig(), {other, stored});
        TForm2& form = inst.Open();
        SelectRows(form, {1});
        Button(form, "ButtonChange")->click();
        Edit(form, "MaskEditSNILS")->setText(Q("11223344595"));
        Button(form, "ButtonSave")->click();
        QCOMPARE(inst.op.Texts(),
                 std::vector<std::string>{
                     "Такой СНИЛС уже есть в БД и принадлежит:  П.40.05.1111111 Петров Пётр "
                     "(ОКПО:12345678)" +
                     kNotSaved});
        QCOMPARE(inst.op.shown[0].icon, Operator::Icon::Error);
        QVERIFY(SameBytes(inst.At(1), stored));
        QCOMPARE(form.FormMode(), fmEdit);
    }

    void changingALearnerOfAnotherAgency() {
        StudentRecord stored = Stored("Иванов Иван", "П.40.05.1234567");
        stored.ORG = 9;  // not the installation's agency: no list entry stands for it
        Installation inst(SchoolConfig(), {stored});
        TForm2& form = inst.Open();
        SelectRows(form, {0});
        Button(form, "ButtonChange")->click();
        Button(form, "ButtonSave")->click();
        QCOMPARE(inst.op.Texts(),
                 std::vector<std::string>{"Код агентства или ОКПО записи отличен от кода в "
                                          "настройках программы. Сохранение не возможно!"});
        QCOMPARE(inst.op.shown[0].icon, Operator::Icon::Error);
        QVERIFY(SameBytes(inst.At(0), stored));
    }

    void movingALearnerToAnotherOrganization() {
        Installation inst(DistrictConfig({{111, 1}, {222, 2}}),
                          {Learner("Иванов Иван", "П.40.05.1234567", 111, 1)});
        TForm2& form = inst.Open();
        SelectRows(form, {0});
        Button(form, "ButtonChange")->click();
        auto* orgs = Child<QComboBox>(form, "sComboBox1");
        QCOMPARE(orgs->currentText(), Q("111(1)"));
        orgs->setCurrentIndex(orgs->findText(Q("222(2)")));
        Button(form, "ButtonSave")->click();
        QCOMPARE(inst.At(0).LastChange, uint16_t{OrgChanged});
        QCOMPARE(inst.At(0).OKPO, 222u);
        QCOMPARE(inst.At(0).ORG, uint16_t{2});
    }

    void savingAnUnpickedCertificateSeries() {
        Installation inst(SchoolConfig(), {Stored("Петров Пётр", "С.0I.АК.1234567")});
        TForm2& form = inst.Open();
        SelectRows(form, {0});
        Button(form, "ButtonChange")->click();
        Button(form, "ButtonSave")->click();
        QCOMPARE(inst.op.Texts(),
                 std::vector<std::string>{"Не полностью заполнен номер документа"});
    }

    void cancelAndClear() {
        StudentRecord stored = Stored("Иванов Иван", "С.04.АК.1234567");
        stored.SNILS = 11223344595;
        Installation inst(SchoolConfig(), {stored});
        TForm2& form = inst.Open();
        SelectRows(form, {0});
        Button(form, "ButtonChange")->click();
        Edit(form, "EditFIO")->setText(Q("Другой Человек"));
        Button(form, "ButtonClear")->click();
        QVERIFY(Child<QRadioButton>(form, "RadioDocType0")->isChecked());
        QCOMPARE(Edit(form, "EditFIO")->text(), QString());
        QCOMPARE(Child<QDateEdit>(form, "DateTimePickerBirth")->date(), QDate(2006, 3, 1));
        QCOMPARE(Child<QDateEdit>(form, "DateTimePickerEnd")->date(), QDate(2024, 3, 1));
        QCOMPARE(form.FormMode(), fmEdit);

        Button(form, "ButtonCancel")->click();
        QCOMPARE(form.FormMode(), fmOneSel);
        QCOMPARE(Edit(form, "EditFIO")->text(), Q("Иванов Иван"));
        QVERIFY(Child<QRadioButton>(form, "RadioDocType3")->isChecked());
        QCOMPARE(Edit(form, "MaskEditSNILS")->displayText(), Q("112-233-445-95"));
        QVERIFY(SameBytes(inst.At(0), stored));

        // Cancelled adding with no learner selected: nothing to show or change.
        List(form)->selectionModel()->clearSelection();
        form.SetFormMode(fmView);
        Button(form, "ButtonAdd")->click();
        Button(form, "ButtonCancel")->click();
        QCOMPARE(form.FormMode(), fmView);
        QVERIFY(!Button(form, "ButtonChange")->isEnabled());
    }

    void deletingLearners() {
        std::vector<StudentRecord> records = {Stored("Иванов Иван", "П.40.05.1000001"),
                                              Stored("Петров Пётр", "П.40.05.1000002"),
                                              Stored("Сидоров Сидор", "П.40.05.1000003")};
        records[2].LastChange = FioChanged;
        Installation inst(SchoolConfig(), records, true);
        inst.GetSession().Details().InsertDoc("П.40.05.1000003", {{2020, 1, 1}, "ОВД", 1, ""});
        TForm2& form = inst.Open();
        SelectRows(form, {0, 2});
        QCOMPARE(form.FormMode(), fmMultiSel);

        Button(form, "ButtonDelete")->click();  // the default answer is No
        QCOMPARE(inst.op.Texts(), std::vector<std::string>{"Удалить выбранные записи?"});
        QCOMPARE(inst.op.shown[0].buttons, Operator::Buttons::YesNo);
        QVERIFY(SameBytes(inst.At(0), records[0]));
        inst.op.shown.clear();

        inst.op.answers = {Operator::Answer::Yes};
        Button(form, "ButtonDelete")->click();
        QCOMPARE(inst.op.Texts(),
                 (std::vector<std::string>{"Удалить выбранные записи?", "Записи удалены"}));
        QCOMPARE(inst.op.shown[1].icon, Operator::Icon::None);
        QCOMPARE(inst.At(0).LastChange, uint16_t{Deleted});
        QCOMPARE(inst.At(0).AllChanges, uint16_t{Added});
        QCOMPARE(inst.At(2).LastChange, uint16_t{Deleted});
        QCOMPARE(inst.At(2).AllChanges, uint16_t{FioChanged});
        QCOMPARE(inst.At(2).ChangeDate, (RecordDate{2024, 3, 1}));
        QVERIFY(SameBytes(inst.At(1), records[1]));
        QVERIFY(!inst.GetSession().Details().FindDoc("П.40.05.1000003").has_value());
        QCOMPARE(inst.GetSession().Config().TotalLearners, uint16_t{1});
        QCOMPARE(form.FormMode(), fmView);
        QVERIFY(form.TimerLoad()->isActive());
        QTRY_COMPARE(form.Model()->rowCount(), 1);
    }

    void nextClass_data() {
        QTest::addColumn<int>("answer");  // Operator::Answer
        QTest::addColumn<int>("klass5");
        QTest::addColumn<QDate>("end5");
        QTest::addColumn<int>("klass11");
        QTest::addColumn<QDate>("end11");
        QTest::newRow("yes") << int(Operator::Answer::Yes) << 6 << QDate(2021, 9, 30) << 12
                             << QDate(2020, 9, 30);
        QTest::newRow("no") << int(Operator::Answer::No) << 6 << QDate(2020, 9, 30) << 12
                            << QDate(2020, 9, 30);
        QTest::newRow("cancel") << int(Operator::Answer::Cancel) << 5 << QDate(2020, 9, 30) << 11
                                << QDate(2020, 9, 30);
    }

    void nextClass() {
        QFETCH(int, answer);
        QFETCH(int, klass5);
        QFETCH(QDate, end5);
        QFETCH(int, klass11);
        QFETCH(QDate, end11);
        std::vector<StudentRecord> records = {Stored("Иванов Иван", "П.40.05.1000001"),
                                              Stored("Петров Пётр", "П.40.05.1000002"),
                                              Stored("Сидоров Сидор", "П.40.05.1000003")};
        const uint8_t classes[] = {5, 11, 12};
        for (size_t i = 0; i < records.size(); ++i) {
            records[i].KlassNumber = classes[i];
            records[i].DATEEND = {2020, 9, 30};
        }
        Installation inst(SchoolConfig(), records);
        SetNowForTesting(LocalDateTime{2019, 6, 1, 10, 0, 0});
        TForm2& form = inst.Open();
        SelectRows(form, {0, 1, 2});
        inst.op.answers = {static_cast<Operator::Answer>(answer)};
        Button(form, "ButtonNextClass")->click();
        QCOMPARE(inst.op.Texts(),
                 std::vector<std::string>{
                     "Увеличить дату окончания льготы? Для отмены действия нажмите Cancel."});
        QCOMPARE(inst.op.shown[0].buttons, Operator::Buttons::YesNoCancel);
        const auto date = [](RecordDate d) { return QDate(d.year, d.month, d.day); };
        QCOMPARE(int(inst.At(0).KlassNumber), klass5);
        QCOMPARE(date(inst.At(0).DATEEND), end5);
        QCOMPARE(int(inst.At(1).KlassNumber), klass11);
        QCOMPARE(date(inst.At(1).DATEEND), end11);
        QVERIFY(SameBytes(inst.At(2), records[2]));  // already in the last class
        if (answer == int(Operator::Answer::Cancel)) {
            QVERIFY(SameBytes(inst.At(0), records[0]));
            QCOMPARE(form.FormMode(), fmMultiSel);
            return;
        }
        const uint16_t code =
            answer == int(Operator::Answer::Yes) ? KlassChanged | DateEndChanged : KlassChanged;
        QCOMPARE(inst.At(0).LastChange, code);
        QCOMPARE(inst.At(0).AllChanges, uint16_t{Added});
        QCOMPARE(inst.At(0).ChangeDate, (RecordDate{2019, 6, 1}));
        QCOMPARE(form.FormMode(), fmView);
        QVERIFY(form.TimerLoad()->isActive());
        QTRY_COMPARE(form.Model()->CellText(0, ColKlass), Q("6-А"));
    }

    void serviceInformation_data() {
        QTest::addColumn<bool>("erase");
        QTest::newRow("erase") << true;
        QTest::newRow("close") << false;
    }

    void serviceInformation() {
        QFETCH(bool, erase);
        StudentRecord stored = Stored("Иванов Иван", "П.40.05.1234567");
        stored.AllChanges = 0x0848;
        stored.LastChange = 0x0040;
        stored.ChangeDate = {2019, 3, 7};
        SetFieldText(stored.OLDFIO, "Иванов Иоанн");
        SetFieldText(stored.OLDDOC, "П.40.05.7654321");
        Installation inst(SchoolConfig(), {stored});
        TForm2& form = inst.Open();
        Child<QAction>(form, "N_ServiceInfo")->trigger();  // nothing selected: nothing happens
        SelectRows(form, {0});
        QStringList shown;
        WhenModal("Form3", [&](QWidget* dialog) {
            auto* list = dialog->findChild<QTreeWidget*>(QStringLiteral("ListView1"));
            for (int c = 0; c < 7; ++c) shown << list->topLevelItem(0)->text(c);
            dialog
                ->findChild<QPushButton*>(erase ? QStringLiteral("ButtonErase")
                                                : QStringLiteral("ButtonClose"))
                ->click();
        });
        Child<QAction>(form, "N_ServiceInfo")->trigger();
        QCOMPARE(shown, (QStringList{Q("2019-03-07"), Q("848"), Q("40"), Q("Иванов Иоанн"),
                                     Q("П.40.05.7654321"), Q("12345678"), Q("5")}));
        const StudentRecord r = inst.At(0);
        if (!erase) {
            QVERIFY(SameBytes(r, stored));
            return;
        }
        QCOMPARE(r.AllChanges, uint16_t{0});
        QCOMPARE(r.LastChange, uint16_t{ChangesErased});
        QCOMPARE(FieldBytes(r.OLDFIO), std::string());
        QCOMPARE(FieldBytes(r.OLDDOC), std::string());
        QCOMPARE(r.ChangeDate, (RecordDate{2019, 3, 7}));
        QCOMPARE(FieldText(r.FIO), std::string("Иванов Иван"));
    }
};

QTEST_MAIN(RecordSaveWindowTest)
#include "RecordSaveWindowTest.moc"
