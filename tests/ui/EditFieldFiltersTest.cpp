#include <QClipboard>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "CorrectionWindowFixture.h"
#include "ui/ToolTip.h"

using namespace vrklad;
using namespace vrklad::test;

namespace {

const char* const kFioHint =
    "В написании ФИО можно использовать только буквы русского алфавита и знаки дефис и пробел";
const char* const kSeriaHint =
    "Серия свидетельства о рождении содержит две буквы русского алфавита";
const char* const kLetterHint = "Здесь можно ввести только букву кириллицы или цифру";
const char* const kKlassHint = "Номер класса\\курса не может превышать 12";

void ChooseType(TForm2& form, int type) {
    Child<QRadioButton>(form, qPrintable(QStringLiteral("RadioDocType%1").arg(type)))->click();
}

// Puts the text into the field with the insertion point at `cursor`, or the
// characters from `cursor` on selected when `selected` is not 0.
void Prepare(QLineEdit* field, const QString& text, int cursor, int selected) {
    field->setText(text);
    if (selected > 0) {
        field->setSelection(cursor, selected);
    } else {
        field->setCursorPosition(cursor < 0 ? int(text.size()) : cursor);
    }
}

QComboBox* SeriesNumber(TForm2& form) { return Child<QComboBox>(form, "ComboBoxNSeria"); }

}  // namespace

class EditFieldFiltersTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { ToolTip::HideBalloon(); }

    void keys_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("type");      // document type chosen while adding; -1: view mode
        QTest::addColumn<QString>("text");  // the field's text before the key
        QTest::addColumn<int>("cursor");    // -1: at the end
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("key");  // the typed text; "^C" is Ctrl+C
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("hint");  // the balloon's text, empty for none

        const auto row = [](const char* name, const char* field, int type, const char* text,
                            int cursor, int selected, const char* key, const char* result,
                            const char* hint) {
            QTest::newRow(name) << Q(field) << type << Q(text) << cursor << selected << Q(key)
                                << Q(result) << Q(hint);
        };
        // Name.
        row("fio cyrillic", "EditFIO", 0, "", -1, 0, "Ёлкин ё", "Ёлкин ё", "");
        row("fio latin", "EditFIO", 0, "Иван", -1, 0, "I", "Иван", kFioHint);
        row("fio digit", "EditFIO", 0, "Иван", -1, 0, "1", "Иван", kFioHint);
        row("fio ctrl+c", "EditFIO", 0, "Иван", -1, 0, "^C", "Иван", kFioHint);
        row("fio backspace", "EditFIO", 0, "Иван", -1, 0, "\b", "Ива", "");
        row("fio second space", "EditFIO", 0, "Иван ", -1, 0, " ", "Иван ", kFioHint);
        row("fio hyphen after space", "EditFIO", 0, "Иван ", -1, 0, "-", "Иван ", kFioHint);
        row("fio space at the start", "EditFIO", 0, " ", -1, 0, " ", "  ", "");
        row("fio hyphen before space", "EditFIO", 0, "Иван Петров", 4, 0, "-", "Иван Петров",
            kFioHint);
        row("fio hyphen over selection", "EditFIO", 0, "Иван Петров", 4, 1, "-", "Иван-Петров", "");
        row("fio read-only", "EditFIO", -1, "", -1, 0, "1", "", kFioHint);
        // Series.
        row("certificate letter", "EditSeria", 3, "", -1, 0, "ак", "АК", "");
        row("certificate digit", "EditSeria", 3, "", -1, 0, "1", "", kSeriaHint);
        row("passport digit", "EditSeria", 0, "", -1, 0, "05", "05", "");
        row("passport letter", "EditSeria", 0, "", -1, 0, "а", "", "");
        row("alien passport read-only", "EditSeria", 4, "ИИ", -1, 0, "1", "ИИ", "");
        // Letter of the class.
        row("letter cyrillic", "EditLetter", 0, "", -1, 0, "б", "Б", "");
        row("letter digit", "EditLetter", 0, "", -1, 0, "5", "5", "");
        row("letter hyphen", "EditLetter", 0, "", -1, 0, "-", "", kLetterHint);
        row("letter read-only", "EditLetter", -1, "", -1, 0, "-", "", "");
        // Class of a school: at most 12.
        row("klass 12 over the selection", "EditKlass", 0, "11", 1, 1, "2", "12", "");
        row("klass 13 over the selection", "EditKlass", 0, "11", 1, 1, "3", "11", kKlassHint);
        row("klass 13 appended", "EditKlass", 0, "1", -1, 0, "3", "1", kKlassHint);
        row("klass 9", "EditKlass", 0, "", -1, 0, "9", "9", "");
        row("klass letter", "EditKlass", 0, "", -1, 0, "а", "", "");
        // Fields marked upper case.
        row("ticket", "EditBilet", 0, "", -1, 0, "аб1", "АБ1", "");
    }

    void keys() {
        QFETCH(QString, field);
        QFETCH(int, type);
        QFETCH(QString, text);
        QFETCH(int, cursor);
        QFETCH(int, selected);
        QFETCH(QString, key);
        QFETCH(QString, result);
        QFETCH(QString, hint);
        Installation inst(SchoolConfig(), {});
        TForm2& form = inst.Open();
        if (type >= 0) {
            form.SetFormMode(fmAdd);
            ChooseType(form, type);
        }
        QLineEdit* edit = Edit(form, qPrintable(field));
        Prepare(edit, text, cursor, selected);
        if (key == QStringLiteral("^C")) {
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_C, QStringLiteral("\x03"),
                                Qt::ControlModifier);
        } else if (key == QStringLiteral("\b")) {
            QTest::keyClick(edit, Qt::Key_Backspace);
        } else {
            Type(edit, key);
        }
        QCOMPARE(edit->text(), result);
        // The refused press was swallowed: the main window did not remove its balloon.
        ToolTip* balloon = ToolTip::Current();
        QCOMPARE(balloon != nullptr, !hint.isEmpty());
        if (balloon != nullptr) {
            QCOMPARE(balloon->Text(), hint);
            const bool klass = field == QStringLiteral("EditKlass");
            QCOMPARE(balloon->Title(), klass ? Q("Неверное значение") : Q("Недопустимый символ"));
            QCOMPARE(balloon->BalloonIcon(), klass ? ToolTip::Icon::Warning : ToolTip::Icon::Error);
        }
    }

    void nextKeyRemovesTheBalloon() {
        Installation inst(SchoolConfig(), {});
        TForm2& form = inst.Open();
        form.SetFormMode(fmAdd);
        Type(Edit(form, "EditFIO"), Q("1"));
        QVERIFY(ToolTip::Current() != nullptr);
        Type(Edit(form, "EditFIO"), Q("И"));
        QVERIFY(ToolTip::Current() == nullptr);
        QCOMPARE(Edit(form, "EditFIO")->text(), Q("И"));
    }

    void pastes_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selected");  // characters selected from the start
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("result");
        const auto row = [](const char* name, const char* field, int type, const char* text,
                            int selected, const char* clipboard, const char* result) {
            QTest::newRow(name) << Q(field) << type << Q(text) << selected << Q(clipboard)
                                << Q(result);
        };
        row("klass digits kept", "EditKlass", 0, "", 0, "5а", "5");
        row("klass too high", "EditKlass", 0, "", 0, "99", "");
        row("klass appended", "EditKlass", 0, "1", 0, "2", "12");
        row("klass appended too high", "EditKlass", 0, "1", 0, "3", "1");
        row("klass over selection", "EditKlass", 0, "11", 2, "x9", "9");
        row("klass no digits", "EditKlass", 0, "7", 1, "абв", "7");
        row("fio letters kept", "EditFIO", 0, "", 0, "Иванов Иван", "ИвановИван");
        row("fio nothing kept", "EditFIO", 0, "Петров", 6, "Smith 12", "");
        row("certificate series", "EditSeria", 3, "", 0, "а-к1", "АК");
        row("passport series", "EditSeria", 0, "", 0, "0а5", "05");
        row("read-only series", "EditSeria", 2, "ВП", 0, "12", "ВП");
    }

    void pastes() {
        QFETCH(QString, field);
        QFETCH(int, type);
        QFETCH(QString, text);
        QFETCH(int, selected);
        QFETCH(QString, clipboard);
        QFETCH(QString, result);
        Installation inst(SchoolConfig(), {});
        TForm2& form = inst.Open();
        form.SetFormMode(fmAdd);
        ChooseType(form, type);
        QLineEdit* edit = Edit(form, qPrintable(field));
        Prepare(edit, text, 0, selected);
        if (selected == 0) edit->end(false);
        QApplication::clipboard()->setText(clipboard);
        if (field == QStringLiteral("EditFIO")) {
            // Ctrl+V types a control character, which the name refuses: Shift+Insert.
            QTest::keyClick(edit, Qt::Key_Insert, Qt::ShiftModifier);
        } else {
            QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        }
        QCOMPARE(edit->text(), result);
        QCOMPARE(QApplication::clipboard()->text(), clipboard);
        QVERIFY(ToolTip::Current() == nullptr);
    }

    void ctrlVInTheNameIsRefused() {
        Installation inst(SchoolConfig(), {});
        TForm2& form = inst.Open();
        form.SetFormMode(fmAdd);
        QApplication::clipboard()->setText(Q("Иван"));
        QTest::sendKeyEvent(QTest::Click, Edit(form, "EditFIO"), Qt::Key_V, QStringLiteral("\x16"),
                            Qt::ControlModifier);
        QCOMPARE(Edit(form, "EditFIO")->text(), QString());
        QVERIFY(ToolTip::Current() != nullptr);
    }

    void fieldsPerDocumentType_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("seriesNumberShown");
        QTest::addColumn<bool>("pickList");
        QTest::addColumn<bool>("seriesNumberEditable");
        QTest::addColumn<bool>("seriesEditable");
        QTest::addColumn<bool>("numberEditable");
        QTest::addColumn<QString>("seriesNumber");
        QTest::addColumn<QString>("series");
        QTest::newRow("passport") << 0 << true << false << true << true << true << QString()
                                  << QString();
        QTest::newRow("foreign passport")
            << 1 << false << false << false << false << false << QString() << QString();
        QTest::newRow("certificate")
            << 2 << true << false << false << false << false << Q("00") << Q("ВП");
        QTest::newRow("birth certificate")
            << 3 << true << true << true << true << true << QString() << QString();
        QTest::newRow("alien passport")
            << 4 << true << false << true << false << true << Q("00") << Q("ИИ");
    }

    void fieldsPerDocumentType() {
        QFETCH(int, type);
        QFETCH(bool, seriesNumberShown);
        QFETCH(bool, pickList);
        QFETCH(bool, seriesNumberEditable);
        QFETCH(bool, seriesEditable);
        QFETCH(bool, numberEditable);
        QFETCH(QString, seriesNumber);
        QFETCH(QString, series);
        Installation inst(SchoolConfig(), {}, true);
        TForm2& form = inst.Open();
        form.SetFormMode(fmAdd);
        // Something typed under another type is dropped when the type changes.
        ChooseType(form, type == 0 ? 4 : 0);
        SeriesNumber(form)->setEditText(Q("40"));
        Edit(form, "EditSeria")->setText(Q("05"));
        Edit(form, "EditNum")->setText(Q("123"));
        ChooseType(form, type);

        QComboBox* nseria = SeriesNumber(form);
        QCOMPARE(!nseria->isHidden(), seriesNumberShown);
        QCOMPARE(!nseria->isEditable(), pickList);
        if (nseria->isEditable()) {
            QCOMPARE(!nseria->lineEdit()->isReadOnly(), seriesNumberEditable);
        }
        QCOMPARE(nseria->currentText(), seriesNumber);
        QCOMPARE(Edit(form, "EditSeria")->text(), series);
        QCOMPARE(Edit(form, "EditNum")->text(), QString());
        QCOMPARE(!Edit(form, "EditSeria")->isReadOnly(), seriesEditable);
        QCOMPARE(!Edit(form, "EditNum")->isReadOnly(), numberEditable);
        QCOMPARE(!Child<QPlainTextEdit>(form, "MemoIssuer")->isReadOnly(), numberEditable);
        QCOMPARE(!Edit(form, "EditBirthPlace")->isReadOnly(), numberEditable);
        QCOMPARE(Child<QDateEdit>(form, "DateTimePickerIssue")->isEnabled(), numberEditable);
        QVERIFY(!Edit(form, "EditFIO")->isReadOnly());
    }

    void seriesNumberListFilledOnce() {
        Installation inst(SchoolConfig(), {});
        TForm2& form = inst.Open();
        form.hide();
        form.show();
        QStringList items;
        for (int i = 0; i < SeriesNumber(form)->count(); ++i)
            items << SeriesNumber(form)->itemText(i);
        QCOMPARE(items, (QStringList{QString(), Q("00"), Q("I"), Q("II"), Q("III"), Q("IV"), Q("V"),
                                     Q("VI"), Q("VII"), Q("VIII"), Q("IX"), Q("X"), Q("XI"),
                                     Q("LV"), Q("LI")}));
        // Outside editing it is a plain read-only text field.
        QVERIFY(SeriesNumber(form)->isEditable());
        QVERIFY(SeriesNumber(form)->lineEdit()->isReadOnly());
    }

    void editingABirthCertificateShowsItsNumeral_data() {
        QTest::addColumn<QString>("doc");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("selected");
        QTest::newRow("decimal") << Q("С.04.АК.1234567") << Q("IV") << 5;
        QTest::newRow("55") << Q("С.55.АК.1234567") << Q("LV") << 13;
        QTest::newRow("00") << Q("С.00.АК.1234567") << Q("00") << 1;
        QTest::newRow("not in the list") << Q("С.12.АК.1234567") << QString() << -1;
        QTest::newRow("not a number") << Q("С.0I.АК.1234567") << QString() << -1;
    }

    void editingABirthCertificateShowsItsNumeral() {
        QFETCH(QString, doc);
        QFETCH(QString, shown);
        QFETCH(int, selected);
        Installation inst(SchoolConfig(), {Learner("Петров Пётр", doc.toStdString())});
        TForm2& form = inst.Open();
        SelectRows(form, {0});
        Button(form, "ButtonChange")->click();
        QCOMPARE(form.FormMode(), fmEdit);
        QComboBox* nseria = SeriesNumber(form);
        QVERIFY(!nseria->isEditable());
        QCOMPARE(nseria->currentIndex(), selected);
        QCOMPARE(nseria->currentText(), shown);
        QVERIFY(nseria->isEnabled());
        // Nothing selected: the operator picks the numeral.
        nseria->setCurrentIndex(5);
        QCOMPARE(form.Entered().seriesNumber, std::string("IV"));
        QCOMPARE(Edit(form, "EditSeria")->text(), Q("АК"));
        QVERIFY(inst.op.shown.empty());
    }
};

QTEST_MAIN(EditFieldFiltersTest)
#include "EditFieldFiltersTest.moc"
