#include <QElapsedTimer>
#include <QGroupBox>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QToolButton>

#include "CorrectionWindowFixture.h"
#include "details/DetailsStore.h"
#include "ui/SortArrowHeader.h"

using namespace vrklad;
using namespace vrklad::test;

Q_DECLARE_METATYPE(vrklad::TFormModes)

namespace {

QStringList Column(TForm2& form, int column) {
    QStringList texts;
    for (int row = 0; row < form.Model()->rowCount(); ++row) {
        texts << form.Model()->CellText(row, column);
    }
    return texts;
}

QAction* FilterEntry(TForm2& form, const QString& caption) {
    for (QAction* action : form.FilterMenu()->actions()) {
        if (action->text() == caption) return action;
    }
    return nullptr;
}

QStringList FilterCaptions(TForm2& form) {
    QStringList captions;
    for (QAction* action : form.FilterMenu()->actions()) {
        if (!action->isSeparator()) captions << action->text();
    }
    return captions;
}

std::vector<StudentRecord> Learners(const std::vector<const char*>& names) {
    std::vector<StudentRecord> records;
    int n = 1;
    for (const char* name : names) {
        records.push_back(Learner(name, "П.40.05." + std::to_string(1000000 + n++)));
    }
    return records;
}

}  // namespace

class CorrectionWindowTest : public QObject {
    Q_OBJECT
private slots:
    void opensFreshFromTheMainMenu() {
        Installation inst(SchoolConfig(), Learners({"Иванов Иван"}));
        TForm2* first = nullptr;
        WhenModal("Form2", [&](QWidget* w) {
            first = qobject_cast<TForm2*>(w);
            QCOMPARE(first->FormMode(), fmView);
            QCOMPARE(first->windowTitle(), Q("Коррекция записей"));
            QCOMPARE(first->size(), QSize(1031, 691));
            QVERIFY(first->TimerLoad()->isActive());
            QCOMPARE(first->TimerLoad()->interval(), 250);
            first->ListView1ColumnClick(3);
            w->close();
        });
        inst.Main().MenuButtonCorrectClick();
        QVERIFY(first != nullptr);
        QPointer<TForm2> previous = first;
        WhenModal("Form2", [&](QWidget* w) {
            auto* second = qobject_cast<TForm2*>(w);
            QVERIFY(second != previous.data());
            QCOMPARE(second->SortState(3), 0);
            w->close();
        });
        inst.Main().MenuButtonCorrectClick();
        QVERIFY(previous.isNull());
    }

    void theListIsLoadedAQuarterSecondAfterShowing() {
        Installation inst(SchoolConfig(), Learners({"Иванов Иван", "Петров Пётр"}));
        TForm2 form(inst.GetSession(), inst.op);
        form.SetFormMode(fmView);
        form.show();
        QCOMPARE(form.Model()->rowCount(), 0);
        QCOMPARE(Child<QLabel>(form, "LabelCount")->text(), Q("Количество записей"));
        QTRY_COMPARE_WITH_TIMEOUT(form.Model()->rowCount(), 2, 2000);
        QCOMPARE(Child<QLabel>(form, "LabelCount")->text(), Q("Показано записей: 2"));
        QVERIFY(!form.TimerLoad()->isActive());
        QVERIFY(Child<QWidget>(form, "Gauge1")->isHidden());
    }

    void modeTable_data() {
        QTest::addColumn<int>("district");
        QTest::addColumn<int>("agency");
        QTest::addColumn<TFormModes>("mode");
        QTest::addColumn<QString>("enabled");  // list,change,add,delete,panel,editing
        // A: single organization with an agency code; C: district or agency code.
        const struct {
            const char* name;
            int district;
            int agency;
        } installs[] = {{"single", 0, 5}, {"single without agency", 0, 0}, {"district", 1, 5}};
        for (const auto& i : installs) {
            const bool a = i.district == 0 && i.agency != 0;
            const bool c = i.district == 1 || i.agency != 0;
            const auto row = [&](const char* mode, TFormModes m, QString enabled) {
                QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(Q(i.name), Q(mode))))
                    << i.district << i.agency << m << enabled;
            };
            const QString A = a ? QStringLiteral("1") : QStringLiteral("0");
            const QString C = c ? QStringLiteral("1") : QStringLiteral("0");
            row("view", fmView, QStringLiteral("10") + A + QStringLiteral("000"));
            row("one", fmOneSel, QStringLiteral("1") + C + A + QStringLiteral("110"));
            row("multi", fmMultiSel, QStringLiteral("100100"));
            row("edit", fmEdit, QStringLiteral("000011"));
            row("add", fmAdd, QStringLiteral("000011"));
        }
    }

    void modeTable() {
        QFETCH(int, district);
        QFETCH(int, agency);
        QFETCH(TFormModes, mode);
        QFETCH(QString, enabled);
        ProgramConfig config = district ? DistrictConfig({{12345678, 5}}) : SchoolConfig();
        config.OrgAgency[0] = static_cast<uint16_t>(agency);
        config.OwnAgency = static_cast<uint16_t>(agency);
        Installation inst(config, Learners({"Иванов Иван"}));
        TForm2& form = inst.Open();
        Edit(form, "EditFIO")->setText(Q("Петров"));
        form.SetFormMode(mode);
        QCOMPARE(form.FormMode(), mode);
        const bool editing = enabled.at(5) == QLatin1Char('1');
        const QString actual =
            QString::number(Child<QWidget>(form, "PanelList")->isEnabled()) +
            QString::number(Button(form, "ButtonChange")->isEnabled()) +
            QString::number(Button(form, "ButtonAdd")->isEnabled()) +
            QString::number(Button(form, "ButtonDelete")->isEnabled() &&
                            Button(form, "ButtonNextClass")->isEnabled()) +
            QString::number(Child<QWidget>(form, "PanelEdit")->isEnabled()) +
            QString::number(Button(form, "ButtonSave")->isEnabled() &&
                            Button(form, "ButtonCancel")->isEnabled() &&
                            Button(form, "ButtonClear")->isEnabled() &&
                            Child<QWidget>(form, "RadioGroupDocType")->isEnabled());
        QCOMPARE(actual, enabled);
        QCOMPARE(Button(form, "ButtonDelete")->isEnabled(),
                 Button(form, "ButtonNextClass")->isEnabled());
        // Only fmEdit keeps what the fields hold.
        QCOMPARE(Edit(form, "EditFIO")->text(), mode == fmEdit ? Q("Петров") : QString());
        for (const char* name :
             {"EditFIO", "MaskEditSNILS", "EditBilet", "EditKlass", "EditLetter", "EditNum"}) {
            QCOMPARE(Edit(form, name)->isReadOnly(), !editing);
        }
        QCOMPARE(Child<QDateEdit>(form, "DateTimePickerBirth")->isEnabled(), editing);
        QCOMPARE(Child<QDateEdit>(form, "DateTimePickerEnd")->isEnabled(), editing);
        QCOMPARE(Child<QComboBox>(form, "ComboBoxSex")->isEnabled(), editing);
        QCOMPARE(Child<QPlainTextEdit>(form, "MemoIssuer")->isReadOnly(), !editing);
        QCOMPARE(Child<QDateEdit>(form, "DateTimePickerIssue")->isEnabled(), editing);
    }

    void listsActiveRecordsWithTheirTexts() {
        std::vector<StudentRecord> records =
            Learners({"Иванов Иван", "Удалён Один", "Исключён Два", "Старый Три", "Петров"});
        records[1].LastChange = Deleted;
        records[2].LastChange = ExcludedOther | FioChanged;
        records[3].LastChange = FioChanged | BiletChanged;
        records[4].SNILS = 11223344595;
        records[4].DBIRTH = {2004, 9, 5};
        records[4].KlassNumber = 10;
        records[4].KlassLetter = 0;
        Installation inst(SchoolConfig(), records);
        TForm2& form = inst.Open();
        QCOMPARE(Column(form, ColRecordNo), (QStringList{Q("0"), Q("3"), Q("4")}));
        QCOMPARE(Child<QLabel>(form, "LabelCount")->text(), Q("Показано записей: 3"));
        const QStringList row = {Q("4"),      Q("П.40.05.1000005"), Q("11223344595"),
                                 Q("Петров"), Q("05.09.2004"),      Q("0012345"),
                                 Q("10"),     Q("30.09.2026")};
        for (int c = 0; c < kListColumns; ++c) QCOMPARE(form.Model()->CellText(2, c), row[c]);
        QCOMPARE(form.Model()->CellText(0, ColKlass), Q("7-А"));
        QCOMPARE(form.Model()->CellText(0, ColSnils), Q("0"));
        const QStringList captions = {Q("№записи"), Q("Документ"),        Q("СНИЛС"),
                                      Q("ФИО"),     Q("Дата рождения"),   Q("№билета"),
                                      Q("Класс"),   Q("Окончание льготы")};
        const int widths[] = {70, 70, 80, 150, 80, 70, 50, 80};
        for (int c = 0; c < kListColumns; ++c) {
            QCOMPARE(form.Model()->headerData(c, Qt::Horizontal).toString(), captions[c]);
            QCOMPARE(List(form)->columnWidth(c), widths[c]);
        }
        QCOMPARE(form.ShownRecordIndexes(), (std::vector<uint16_t>{0, 3, 4}));
    }

    void emptyRegister() {
        Installation inst(SchoolConfig(), {});
        TForm2& form = inst.Open();
        QCOMPARE(form.Model()->rowCount(), 0);
        QCOMPARE(Child<QLabel>(form, "LabelCount")->text(), Q("Показано записей: 0"));
    }

    void selectedRowsKeepTheirColour() {
        Installation inst(SchoolConfig(), Learners({"Иванов Иван"}));
        TForm2& form = inst.Open();
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            QCOMPARE(List(form)->palette().color(group, QPalette::Highlight),
                     QColor(114, 208, 255));
        }
    }

    void filterByOrganization() {
        std::vector<StudentRecord> records = {
            Learner("Первый Один", "П.40.05.1000001", 111),
            Learner("Второй Два", "П.40.05.1000002", 222),
            Learner("Безкода Три", "П.40.05.1000003", 0),
            Learner("Большой Четыре", "П.40.05.1000004", 99999999),
        };
        Installation inst(DistrictConfig({{111, 1}, {222, 2}}), records);
        TForm2& form = inst.Open();
        QCOMPARE(FilterCaptions(form), (QStringList{Q("Снять все"), Q("111(1)"), Q("222(2)")}));
        QVERIFY(Child<QToolButton>(form, "ButtonFilter")->isEnabled());
        QCOMPARE(form.Model()->rowCount(), 4);

        FilterEntry(form, Q("222(2)"))->trigger();
        QCOMPARE(Column(form, ColRecordNo), (QStringList{Q("0"), Q("2"), Q("3")}));
        QAction* all = FilterEntry(form, Q("Отметить все"));
        QVERIFY(all != nullptr);
        QVERIFY(!all->isChecked());

        all->trigger();  // checks every entry
        QCOMPARE(all->text(), Q("Снять все"));
        QCOMPARE(form.Model()->rowCount(), 4);
        all->trigger();  // unchecks every entry: only records no entry can stand for
        QCOMPARE(all->text(), Q("Отметить все"));
        QVERIFY(!FilterEntry(form, Q("111(1)"))->isChecked());
        QCOMPARE(Column(form, ColRecordNo), (QStringList{Q("2"), Q("3")}));

        FilterEntry(form, Q("111(1)"))->trigger();
        FilterEntry(form, Q("222(2)"))->trigger();
        QVERIFY(all->isChecked());
        QCOMPARE(all->text(), Q("Снять все"));
    }

    void refreshFilterFollowsTheOrgTable() {
        Installation inst(DistrictConfig({{111, 1}, {222, 2}}), Learners({"Иванов Иван"}));
        TForm2& form = inst.Open();
        FilterEntry(form, Q("222(2)"))->trigger();
        ProgramConfig& config = inst.GetSession().Config();
        config.OrgOKPO[0] = 333;
        config.OrgAgency[0] = 3;
        form.RefreshFilter();
        QCOMPARE(FilterCaptions(form), (QStringList{Q("Отметить все"), Q("222(2)"), Q("333(3)")}));
        QVERIFY(!FilterEntry(form, Q("222(2)"))->isChecked());
        QVERIFY(FilterEntry(form, Q("333(3)"))->isChecked());
        config.OrgCount = 1;
        form.RefreshFilter();
        QCOMPARE(FilterCaptions(form), (QStringList{Q("Отметить все"), Q("333(3)")}));
        QVERIFY(!Child<QToolButton>(form, "ButtonFilter")->isEnabled());
    }

    void organizationListAndExportEntries() {
        Installation inst(DistrictConfig({{222, 2}, {111, 1}}), Learners({"Иванов Иван"}));
        TForm2& form = inst.Open();
        auto* orgs = Child<QComboBox>(form, "sComboBox1");
        QVERIFY(!orgs->isHidden());
        QCOMPARE(orgs->count(), 2);
        QCOMPARE(orgs->itemText(0), Q("111(1)"));
        QCOMPARE(orgs->itemData(0).toUInt(), 111u);
        auto* copy = Child<QAction>(form, "N_ExportRegisterCopy");
        QCOMPARE(copy->text(), Q("Выгрузить в файл"));
        QCOMPARE(Child<QAction>(form, "N_ExportLearnerList")->text(),
                 Q("Выгрузить список учащихся"));
        QCOMPARE(Child<QAction>(form, "N_ServiceInfo")->text(), Q("Дополнительная информация"));
        QVERIFY(copy->isVisible());
        form.PopupMenuListPopup();
        QVERIFY(!copy->isEnabled());
        QCOMPARE(form.CopyOkpo(), 0u);
        FilterEntry(form, Q("111(1)"))->trigger();
        form.PopupMenuListPopup();
        QVERIFY(copy->isEnabled());
        QCOMPARE(form.CopyOkpo(), 222u);
        QVERIFY(Child<QAction>(form, "N_ExportLearnerList")->isEnabled());
    }

    void singleOrganizationHidesTheDistrictParts() {
        Installation inst(SchoolConfig(), Learners({"Иванов Иван"}));
        TForm2& form = inst.Open();
        QVERIFY(!Child<QAction>(form, "N_ExportRegisterCopy")->isVisible());
        QVERIFY(Child<QComboBox>(form, "sComboBox1")->isHidden());
        QVERIFY(Child<QLabel>(form, "LabelOrg")->isHidden());
        QVERIFY(!Child<QToolButton>(form, "ButtonFilter")->isEnabled());
        QVERIFY(Child<QGroupBox>(form, "GroupBoxIssue")->isHidden());
    }

    void search() {
        std::vector<StudentRecord> records =
            Learners({"ИВАНОВ ИВАН", "Петров Пётр", "Иванова Анна", "Сидоров Сидор"});
        Installation inst(SchoolConfig(), records);
        TForm2& form = inst.Open();
        auto* find = Button(form, "ButtonFind");
        QVERIFY(!find->isEnabled());
        Type(Edit(form, "sEdit1"), Q("иван"));
        QVERIFY(find->isEnabled());

        find->click();
        QCOMPARE(form.SelectedRecordIndexes(), std::vector<uint16_t>{0});
        QCOMPARE(form.FormMode(), fmOneSel);
        QCOMPARE(Edit(form, "EditFIO")->text(), Q("ИВАНОВ ИВАН"));
        find->click();  // from the next row on
        QCOMPARE(form.SelectedRecordIndexes(), std::vector<uint16_t>{2});
        QVERIFY(inst.op.shown.empty());

        inst.op.answers = {Operator::Answer::Yes};
        find->click();  // end reached: Yes starts again at the first row
        QCOMPARE(inst.op.Texts(),
                 std::vector<std::string>{
                     "Достигнут конец списка. Хотите продолжить поиск сначала списка ?"});
        QCOMPARE(inst.op.shown[0].icon, Operator::Icon::Information);
        QCOMPARE(inst.op.shown[0].buttons, Operator::Buttons::YesNo);
        QCOMPARE(form.SelectedRecordIndexes(), std::vector<uint16_t>{0});
    }

    void searchAsksAfterEveryFruitlessPass() {
        Installation inst(SchoolConfig(), Learners({"Иванов Иван", "Петров Пётр"}));
        TForm2& form = inst.Open();
        Edit(form, "sEdit1")->setText(Q("Щукин"));
        inst.op.answers = {Operator::Answer::Yes, Operator::Answer::Yes, Operator::Answer::No};
        Button(form, "ButtonFind")->click();
        QCOMPARE(inst.op.shown.size(), size_t(3));
        QVERIFY(form.SelectedRecordIndexes().empty());
    }

    void searchSkipsTheRecordNumber() {
        std::vector<StudentRecord> records;
        for (const char* doc : {"П.40.40.1000001", "П.40.40.1000002", "П.40.40.1000003",
                                "П.40.40.1000004", "П.40.40.1000006", "П.40.40.1000007"}) {
            StudentRecord r = Learner("Иванов Иван", doc);
            SetFieldText(r.BILET, "0012");
            r.DBIRTH = {2010, 1, 1};
            records.push_back(r);
        }
        Installation inst(SchoolConfig(), records);
        TForm2& form = inst.Open();
        Edit(form, "sEdit1")->setText(Q("5"));  // only the caption of record 5 holds it
        Button(form, "ButtonFind")->click();
        QCOMPARE(inst.op.shown.size(), size_t(1));
        QVERIFY(form.SelectedRecordIndexes().empty());
        Edit(form, "sEdit1")->setText(Q("1000006"));
        Button(form, "ButtonFind")->click();
        QCOMPARE(form.SelectedRecordIndexes(), std::vector<uint16_t>{4});
    }

    void sortByColumn() {
        std::vector<StudentRecord> records = Learners({"Борисов", "Андреев", "Васильев", "Гуров"});
        for (StudentRecord& r : records) r.KlassLetter = 0;
        records[0].KlassNumber = 10;
        records[1].KlassNumber = 9;
        records[3].KlassLetter = 0xC0;
        records[2].KlassNumber = 7;
        records[2].KlassLetter = 0xC1;  // 7-Б
        records[3].KlassNumber = 7;     // 7-А
        Installation inst(SchoolConfig(), records);
        TForm2& form = inst.Open();
        auto* header = qobject_cast<SortArrowHeader*>(List(form)->header());
        QVERIFY(header != nullptr);
        SelectRows(form, {1});  // Андреев

        form.ListView1ColumnClick(ColKlass);
        QCOMPARE(Column(form, ColKlass), (QStringList{Q("7-А"), Q("7-Б"), Q("9"), Q("10")}));
        QCOMPARE(header->Image(ColKlass), SortArrowHeader::kArrowUp);
        form.ListView1ColumnClick(ColKlass);
        QCOMPARE(Column(form, ColKlass), (QStringList{Q("10"), Q("9"), Q("7-Б"), Q("7-А")}));
        QCOMPARE(header->Image(ColKlass), SortArrowHeader::kArrowDown);
        QCOMPARE(form.SortState(ColKlass), -1);
        form.ListView1ColumnClick(ColKlass);
        QCOMPARE(Column(form, ColKlass), (QStringList{Q("7-А"), Q("7-Б"), Q("9"), Q("10")}));
        QCOMPARE(header->Image(ColKlass), SortArrowHeader::kArrowUp);
        // The captions still name the records, and the selection stays on its record.
        QCOMPARE(Column(form, ColRecordNo), (QStringList{Q("3"), Q("2"), Q("1"), Q("0")}));
        QCOMPARE(form.SelectedRecordIndexes(), std::vector<uint16_t>{1});

        form.ListView1ColumnClick(ColFio);
        QCOMPARE(form.SortState(ColKlass), 0);
        QCOMPARE(form.SortState(ColFio), 1);
        QCOMPARE(header->Image(ColKlass), SortArrowHeader::kNoImage);
        QCOMPARE(header->Image(ColFio), SortArrowHeader::kArrowUp);
        QCOMPARE(Column(form, ColFio),
                 (QStringList{Q("Андреев"), Q("Борисов"), Q("Васильев"), Q("Гуров")}));
        QCOMPARE(form.ShownRecordIndexes(), (std::vector<uint16_t>{1, 0, 2, 3}));
        // A reload keeps the order the arrow shows.
        form.LoadFromFile();
        QCOMPARE(form.ShownRecordIndexes(), (std::vector<uint16_t>{1, 0, 2, 3}));
    }

    void sortingDatesThatAreNoDates() {
        std::vector<StudentRecord> records = Learners({"Первый", "Второй", "Третий"});
        records[0].DBIRTH = {2005, 1, 1};
        records[1].DBIRTH = {};
        records[2].DBIRTH = {2004, 2, 30};
        Installation inst(SchoolConfig(), records);
        TForm2& form = inst.Open();
        form.ListView1ColumnClick(ColBirth);
        QCOMPARE(form.ShownRecordIndexes(), (std::vector<uint16_t>{1, 2, 0}));
        QVERIFY(inst.op.shown.empty());
    }

    void selectingARowFillsThePanel() {
        std::vector<StudentRecord> records = {
            Learner("  Иванова Анна ", "П.12.ИИ.0000001"),
            Learner("Петров Пётр", "С.04.АК.1234567"),
            Learner("Сидоров Сидор", "З.  .70.1234567"),
        };
        records[0].SNILS = 11223344595;
        records[0].PersSex = 0xE6;  // ж
        records[0].KlassNumber = 11;
        records[0].KlassLetter = 0xC1;
        records[0].DBIRTH = {2006, 2, 3};
        records[0].DATEEND = {2025, 9, 30};
        Installation inst(DistrictConfig({{12345678, 5}}), records);
        TForm2& form = inst.Open();
        SelectRows(form, {0});
        QCOMPARE(form.FormMode(), fmOneSel);
        QVERIFY(Child<QRadioButton>(form, "RadioDocType4")->isChecked());
        QCOMPARE(Child<QComboBox>(form, "ComboBoxNSeria")->currentText(), Q("12"));
        QCOMPARE(Edit(form, "EditSeria")->text(), Q("ИИ"));
        QCOMPARE(Edit(form, "EditNum")->text(), Q("0000001"));
        QCOMPARE(Edit(form, "EditFIO")->text(), Q("Иванова Анна"));
        QCOMPARE(Edit(form, "MaskEditSNILS")->displayText(), Q("112-233-445-95"));
        QCOMPARE(Child<QComboBox>(form, "ComboBoxSex")->currentText(), Q("Женский"));
        QCOMPARE(Edit(form, "EditBilet")->text(), Q("0012345"));
        QCOMPARE(Edit(form, "EditKlass")->text(), Q("11"));
        QCOMPARE(Edit(form, "EditLetter")->text(), Q("Б"));
        QCOMPARE(Child<QDateEdit>(form, "DateTimePickerBirth")->date(), QDate(2006, 2, 3));
        QCOMPARE(Child<QDateEdit>(form, "DateTimePickerEnd")->date(), QDate(2025, 9, 30));
        QCOMPARE(Child<QComboBox>(form, "sComboBox1")->currentText(), Q("12345678(5)"));

        SelectRows(form, {1});
        QVERIFY(Child<QRadioButton>(form, "RadioDocType3")->isChecked());
        QCOMPARE(Child<QComboBox>(form, "ComboBoxNSeria")->currentText(), Q("04"));
        QCOMPARE(Edit(form, "MaskEditSNILS")->text(), Q("---"));
        SelectRows(form, {2});
        QVERIFY(Child<QRadioButton>(form, "RadioDocType1")->isChecked());
        QVERIFY(Child<QComboBox>(form, "ComboBoxNSeria")->isHidden());
        QVERIFY(inst.op.shown.empty());

        // A second row with Ctrl: several selected, the panel cleared and disabled.
        SelectRows(form, {2, 0});
        QCOMPARE(form.FormMode(), fmMultiSel);
        QCOMPARE(Edit(form, "EditFIO")->text(), QString());
        QVERIFY(!Child<QWidget>(form, "PanelEdit")->isEnabled());
        QCOMPARE(form.SelectedRecordIndexes(), (std::vector<uint16_t>{0, 2}));
        // A row losing its selection changes nothing.
        List(form)->selectionModel()->select(
            List(form)->model()->index(2, 0),
            QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        QCOMPARE(form.FormMode(), fmMultiSel);
    }

    void storedDatesThePickersCannotShow() {
        std::vector<StudentRecord> records = Learners({"Иванов Иван", "Петров Пётр"});
        records[0].DBIRTH = {2020, 1, 1};  // later than 31.12.2018
        records[1].DBIRTH = {2010, 2, 30};
        records[1].DATEEND = {0, 0, 0};
        Installation inst(SchoolConfig(), records, true);
        inst.GetSession().Details().InsertDoc(
            "П.40.05.1000002",
            {{2015, 6, 7}, Q("ОВД").toStdString(), 770001, Q("Москва").toStdString()});
        TForm2& form = inst.Open();
        SelectRows(form, {0});
        QCOMPARE(inst.op.Texts(), std::vector<std::string>{"Не правильно указана дата рождения"});
        QCOMPARE(inst.op.shown[0].icon, Operator::Icon::Warning);
        QCOMPARE(Edit(form, "EditFIO")->text(), Q("Иванов Иван"));
        inst.op.shown.clear();

        SelectRows(form, {1});
        QCOMPARE(inst.op.Texts(),
                 (std::vector<std::string>{"Не правильно указана дата рождения",
                                           "Не правильно указана дата окончания льготы: 00.00.0"}));
        QCOMPARE(inst.op.shown[1].icon, Operator::Icon::Error);
        // What could be filled is filled, the issue details included.
        QCOMPARE(Edit(form, "EditKlass")->text(), Q("7"));
        QCOMPARE(Child<QPlainTextEdit>(form, "MemoIssuer")->toPlainText(), Q("ОВД"));
        QCOMPARE(Edit(form, "EditIssuerCode")->text(), Q("770001"));
        QCOMPARE(Edit(form, "EditBirthPlace")->text(), Q("Москва"));
        QCOMPARE(Child<QDateEdit>(form, "DateTimePickerIssue")->date(), QDate(2015, 6, 7));
        QVERIFY(!Child<QGroupBox>(form, "GroupBoxIssue")->isHidden());
    }

    void aFullRegisterIsListedQuickly() {
        std::vector<StudentRecord> records(RegisterFile::kMaxRecords,
                                           Learner("Иванов Иван", "П.40.05.1234567"));
        for (size_t i = 0; i < records.size(); ++i) {
            records[i].KlassNumber = static_cast<uint8_t>(1 + i % 11);
            SetFieldText(records[i].DOC, "П.40.05." + std::to_string(1000000 + i));
        }
        Installation inst(SchoolConfig(), records);
        TForm2& form = inst.Open();
        QElapsedTimer timer;
        timer.start();
        form.LoadFromFile();
        const qint64 load = timer.restart();
        form.ListView1ColumnClick(ColKlass);
        const qint64 sort = timer.restart();
        Edit(form, "sEdit1")->setText(Q("щукин"));
        Button(form, "ButtonFind")->click();
        const qint64 search = timer.elapsed();
        qInfo("65535 records: listed in %lld ms, sorted by class in %lld ms, searched in %lld ms",
              load, sort, search);
        QCOMPARE(inst.op.shown.size(), size_t(1));
        QCOMPARE(form.Model()->rowCount(), 65535);
        QCOMPARE(Child<QLabel>(form, "LabelCount")->text(), Q("Показано записей: 65535"));
        QVERIFY2(load < 500, qPrintable(QString::number(load)));
    }
};

QTEST_MAIN(CorrectionWindowTest)
#include "CorrectionWindowTest.moc"
