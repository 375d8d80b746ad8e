#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>

#include "ui/About.h"
#include "ui/SelOrgForm.h"
#include "ui/Unit3.h"

using namespace vrklad;

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void selectionStartsWithNothingChosen() {
        TFormSelOrg form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Выбор организации"));
        const std::vector<Operator::OrgItem> items = {{"12345678(123)", 12345678},
                                                      {"22222222(7)", 22222222}};
        auto* combo = form.findChild<QComboBox*>(QStringLiteral("sComboBox1"));
        auto* ok = form.findChild<QPushButton*>(QStringLiteral("ButtonOk"));
        for (int opening = 0; opening < 2; ++opening) {
            form.Prepare(items);
            form.show();
            QCOMPARE(combo->count(), 2);
            QVERIFY(!ok->isEnabled());
            QVERIFY(!form.Selected());
            combo->setCurrentIndex(1);
            QVERIFY(ok->isEnabled());
            QCOMPARE(form.Selected()->okpo, 22222222u);
            QCOMPARE(form.Selected()->text, std::string("22222222(7)"));
        }
        // Text that is no item does not count as a choice.
        combo->setEditText(QStringLiteral("2222"));
        QVERIFY(!ok->isEnabled());
    }

    void selectionIgnoresEnterAndEsc() {
        TFormSelOrg form;
        QSignalSpy finished(&form, &QDialog::finished);
        form.Prepare({{"12345678(123)", 12345678}});
        form.show();
        auto* combo = form.findChild<QComboBox*>(QStringLiteral("sComboBox1"));
        combo->setCurrentIndex(0);
        QTest::keyClick(combo, Qt::Key_Return);
        QTest::keyClick(combo, Qt::Key_Escape);
        QTest::keyClick(&form, Qt::Key_Escape);
        QCOMPARE(finished.count(), 0);
        QVERIFY(form.isVisible());
        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("ButtonOk")), Qt::LeftButton);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(form.result(), int(QDialog::Accepted));
    }

    void serviceInformationShowsOneRow() {
        TForm3 form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Служебная информация"));
        QVERIFY(!(form.windowFlags() & Qt::WindowMinMaxButtonsHint));
        StudentRecord r = EmptyRecord();
        r.ChangeDate = {2019, 3, 7};
        r.AllChanges = 0x0848;
        r.LastChange = 0x0040;
        SetFieldText(r.OLDFIO, "Сидорова Анна Ивановна");
        r.OKPO = 12345678;
        r.ORG = 123;
        form.Fill(r);
        form.Fill(r);
        auto* list = form.findChild<QTreeWidget*>(QStringLiteral("ListView1"));
        QCOMPARE(list->columnCount(), 7);
        QCOMPARE(list->headerItem()->text(0), QStringLiteral("Дата изм."));
        QCOMPARE(list->headerItem()->text(6), QStringLiteral("Аг. код"));
        QCOMPARE(list->topLevelItemCount(), 1);
        const QTreeWidgetItem* row = list->topLevelItem(0);
        QCOMPARE(row->text(0), QStringLiteral("2019-03-07"));
        QCOMPARE(row->text(1), QStringLiteral("848"));
        QCOMPARE(row->text(2), QStringLiteral("40"));
        QCOMPARE(row->text(3), QStringLiteral("Сидорова Анна Ивановна"));
        QCOMPARE(row->text(4), QString());
        QCOMPARE(row->text(5), QStringLiteral("12345678"));
        QCOMPARE(row->text(6), QStringLiteral("123"));
    }

    void serviceInformationResults() {
        TForm3 form;
        QSignalSpy finished(&form, &QDialog::finished);
        form.show();
        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("ButtonErase")),
                          Qt::LeftButton);
        QCOMPARE(finished.takeFirst().at(0).toInt(), int(TForm3::Erase));
        form.show();
        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("ButtonClose")),
                          Qt::LeftButton);
        QCOMPARE(finished.takeFirst().at(0).toInt(), int(TForm3::Closed));
    }

    void aboutVersionLine() {
        const QString program = QCoreApplication::applicationFilePath();
        const QString date =
            QFileInfo(program).lastModified().toString(QStringLiteral("dd.MM.yyyy"));
        QCOMPARE(TAboutBox::VersionLabelText(program),
                 QStringLiteral("Версия ") + QStringLiteral(VRKLAD_VERSION) +
                     QStringLiteral(" от ") + date + QStringLiteral("г."));
        QCOMPARE(TAboutBox::VersionLabelText(QStringLiteral("/nonexistent/vrklad")),
                 QStringLiteral("Версия"));

        TAboutBox box;
        QCOMPARE(box.windowTitle(), QStringLiteral("О программе"));
        auto* label = box.findChild<QLabel*>(QStringLiteral("Version"));
        QString shown[2];
        for (QString& text : shown) {
            box.show();
            text = label->text();
            box.accept();
        }
        QCOMPARE(shown[0], TAboutBox::VersionLabelText(program));
        QCOMPARE(shown[1], shown[0]);
    }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
