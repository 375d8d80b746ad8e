#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "ui/uOKPOpas.h"

using vrklad::TFormOKPO;

class CodeDialogTest : public QObject {
    Q_OBJECT
private slots:
    void okIsEnabledByLength_data() {
        QTest::addColumn<bool>("okpo");
        QTest::addColumn<uint>("current");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("okpo 5 digits") << true << 0u << QStringLiteral("12345") << false;
        QTest::newRow("okpo 6 digits") << true << 0u << QStringLiteral("123456") << true;
        QTest::newRow("okpo 8 digits") << true << 0u << QStringLiteral("12345678") << true;
        QTest::newRow("okpo 9th digit refused")
            << true << 0u << QStringLiteral("123456789") << true;
        QTest::newRow("okpo prefilled, untouched") << true << 12345678u << QString() << false;
        QTest::newRow("okpo prefilled, changed") << true << 1234567u << QStringLiteral("8") << true;
        QTest::newRow("agency 1 digit") << false << 0u << QStringLiteral("7") << true;
        QTest::newRow("agency 3 digits") << false << 0u << QStringLiteral("123") << true;
        QTest::newRow("agency prefilled, untouched") << false << 123u << QString() << false;
        QTest::newRow("letters are refused") << false << 0u << QStringLiteral("ab") << false;
    }

    void okIsEnabledByLength() {
        QFETCH(bool, okpo);
        QFETCH(uint, current);
        QFETCH(QString, typed);
        QFETCH(bool, enabled);
        TFormOKPO form;
        if (okpo) {
            form.PrepareOkpoCode(current);
        } else {
            form.PrepareAgencyCode(static_cast<uint16_t>(current));
        }
        form.show();
        auto* edit = form.findChild<QLineEdit*>(QStringLiteral("sEdit1"));
        auto* ok = form.findChild<QPushButton*>(QStringLiteral("ButtonOk"));
        QVERIFY(!ok->isEnabled());
        edit->end(false);
        if (!typed.isEmpty()) QTest::keyClicks(edit, typed);
        QCOMPARE(ok->isEnabled(), enabled);
        QVERIFY(edit->text().size() <= (okpo ? 8 : 3));
    }

    void captionsAndPrefill() {
        TFormOKPO form;
        form.PrepareOkpoCode(0);
        QCOMPARE(form.windowTitle(), QStringLiteral("Введите код ОКПО"));
        auto* edit = form.findChild<QLineEdit*>(QStringLiteral("sEdit1"));
        QCOMPARE(edit->maxLength(), 8);
        edit->setText(QStringLiteral("654321"));
        // 0 keeps what the field holds; the agency code always starts afresh.
        form.PrepareOkpoCode(0);
        QCOMPARE(edit->text(), QStringLiteral("654321"));
        form.PrepareOkpoCode(12345678);
        QCOMPARE(edit->text(), QStringLiteral("12345678"));
        form.PrepareAgencyCode(0);
        QCOMPARE(form.windowTitle(), QStringLiteral("Введите код агенства"));
        QCOMPARE(edit->maxLength(), 3);
        QVERIFY(edit->text().isEmpty());
        form.PrepareAgencyCode(45);
        QCOMPARE(edit->text(), QStringLiteral("45"));
    }

    void enterConfirmsOnlyWhileEnabledAndEscCancels() {
        TFormOKPO form;
        QSignalSpy accepted(&form, &QDialog::accepted);
        QSignalSpy rejected(&form, &QDialog::rejected);
        form.PrepareOkpoCode(0);
        form.show();
        auto* edit = form.findChild<QLineEdit*>(QStringLiteral("sEdit1"));
        QTest::keyClicks(edit, QStringLiteral("12345"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(accepted.count(), 0);
        QVERIFY(form.isVisible());
        QTest::keyClicks(edit, QStringLiteral("6"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(accepted.count(), 1);
        QCOMPARE(form.Value(), 123456u);

        form.show();
        QTest::keyClick(edit, Qt::Key_Escape);
        QCOMPARE(rejected.count(), 1);
    }
};

QTEST_MAIN(CodeDialogTest)
#include "CodeDialogTest.moc"
