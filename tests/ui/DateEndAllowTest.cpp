#include <QCalendarWidget>
#include <QComboBox>
#include <QPushButton>
#include <QtTest>

#include "register/SettingsIni.h"
#include "session/Session.h"
#include "support/ScriptedOperator.h"
#include "support/TempDir.h"
#include "ui/uDateEndAllow.h"

using namespace vrklad;
using vrklad::test::ScriptedOperator;
using vrklad::test::TempDir;
using vrklad::test::WriteFile;

class DateEndAllowTest : public QObject {
    Q_OBJECT
private slots:
    void opensOnTheStoredDate_data() {
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("shownMonth");
        QTest::addColumn<int>("shownDay");
        QTest::newRow("9/30") << 9 << 30 << 9 << 30;
        QTest::newRow("month 0") << 0 << 10 << 6 << 10;
        QTest::newRow("month 13") << 13 << 10 << 6 << 10;
        QTest::newRow("31 April") << 4 << 31 << 4 << 1;
        QTest::newRow("29 February") << 2 << 29 << 2 << 1;
    }

    void opensOnTheStoredDate() {
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(int, shownMonth);
        QFETCH(int, shownDay);
        TempDir dir;
        WriteFile(dir / "VR_KLAD.INI", "[DateEndAllow]\r\nMonthEndAllow=" + std::to_string(month) +
                                           "\r\nDayEndAllow=" + std::to_string(day) + "\r\n");
        Session session(dir.Dir());
        ScriptedOperator op;
        session.Startup(op);
        TFormDateEndAllow form(session);
        form.Prepare();
        form.show();
        auto* months = form.findChild<QComboBox*>(QStringLiteral("sComboBox1"));
        auto* calendar = form.findChild<QCalendarWidget*>(QStringLiteral("MonthCalendar1"));
        QCOMPARE(months->currentIndex(), shownMonth - 1);
        QCOMPARE(calendar->monthShown(), shownMonth);
        QCOMPARE(calendar->selectedDate().month(), shownMonth);
        QCOMPARE(calendar->selectedDate().day(), shownDay);
    }

    void weeksBeginOnSundayAndMonthsAreNamed() {
        TempDir dir;
        Session session(dir.Dir());
        TFormDateEndAllow form(session);
        QVERIFY(form.windowTitle().isEmpty());
        auto* calendar = form.findChild<QCalendarWidget*>(QStringLiteral("MonthCalendar1"));
        QCOMPARE(calendar->firstDayOfWeek(), Qt::Sunday);
        auto* months = form.findChild<QComboBox*>(QStringLiteral("sComboBox1"));
        QCOMPARE(months->count(), 12);
        QCOMPARE(months->itemText(0), QStringLiteral("Январь"));
        QCOMPARE(months->itemText(11), QStringLiteral("Декабрь"));
    }

    void okStoresTheCalendarsDate() {
        TempDir dir;
        WriteFile(dir / "VR_KLAD.INI",
                  "[Options]\r\nTypeOrganization=1\r\n[DateEndAllow]\r\nMonthEndAllow=9\r\n"
                  "DayEndAllow=30\r\n");
        Session session(dir.Dir());
        ScriptedOperator op;
        session.Startup(op);
        TFormDateEndAllow form(session);
        form.Prepare();
        form.show();
        auto* months = form.findChild<QComboBox*>(QStringLiteral("sComboBox1"));
        auto* calendar = form.findChild<QCalendarWidget*>(QStringLiteral("MonthCalendar1"));

        // Moving to February keeps the day within the month.
        months->setCurrentIndex(1);
        QCOMPARE(calendar->monthShown(), 2);
        QCOMPARE(calendar->selectedDate().month(), 2);
        QCOMPARE(calendar->selectedDate().day(), 28);
        calendar->setSelectedDate(QDate(calendar->yearShown(), 2, 14));
        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("ButtonOk")), Qt::LeftButton);

        QCOMPARE(session.IniSettings().MonthEndAllow, 2);
        QCOMPARE(session.IniSettings().DayEndAllow, 14);
        Settings stored;
        QVERIFY(ReadSettings(dir.Dir(), stored));
        QCOMPARE(stored.MonthEndAllow, 2);
        QCOMPARE(stored.DayEndAllow, 14);
    }

    void cancelChangesNothing() {
        TempDir dir;
        WriteFile(dir / "VR_KLAD.INI", "[DateEndAllow]\r\nMonthEndAllow=9\r\nDayEndAllow=30\r\n");
        Session session(dir.Dir());
        ScriptedOperator op;
        session.Startup(op);
        TFormDateEndAllow form(session);
        form.Prepare();
        form.show();
        form.findChild<QComboBox*>(QStringLiteral("sComboBox1"))->setCurrentIndex(4);
        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("ButtonCancel")),
                          Qt::LeftButton);
        QCOMPARE(session.IniSettings().MonthEndAllow, 9);
        Settings stored;
        QVERIFY(ReadSettings(dir.Dir(), stored));
        QCOMPARE(stored.MonthEndAllow, 9);
    }
};

QTEST_MAIN(DateEndAllowTest)
#include "DateEndAllowTest.moc"
