#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>

#include "register/Checksum.h"
#include "register/Clock.h"
#include "register/ProgramConfig.h"
#include "register/RegisterFile.h"
#include "support/ScriptedOperator.h"
#include "support/TempDir.h"
#include "ui/MainForm.h"
#include "ui/ProgramIdentity.h"
#include "ui/ToolTip.h"

using namespace vrklad;
using vrklad::test::ReadFile;
using vrklad::test::ScriptedOperator;
using vrklad::test::TempDir;
using vrklad::test::WriteFile;

namespace {

void WriteIni(const TempDir& dir, int typeOrganization) {
    WriteFile(dir / "VR_KLAD.INI",
              "[Options]\r\nTypeOrganization=" + std::to_string(typeOrganization) + "\r\n");
}

void WriteConfig(const TempDir& dir, const ProgramConfig& config) {
    WriteFile(dir / "vrklad.cnf",
              std::string(reinterpret_cast<const char*>(&config), sizeof config));
}

ProgramConfig ReadConfig(const TempDir& dir) {
    ProgramConfig config = EmptyConfig();
    const std::string bytes = ReadFile(dir / "vrklad.cnf");
    std::memcpy(&config, bytes.data(), std::min(bytes.size(), sizeof config));
    return config;
}

QSet<QString> DisabledActions(const TForm1& form) {
    QSet<QString> names;
    for (const QAction* action : form.findChildren<QAction*>()) {
        if (!action->objectName().isEmpty() && !action->isEnabled()) {
            names.insert(action->objectName());
        }
    }
    return names;
}

}  // namespace

class MainFormTest : public QObject {
    Q_OBJECT
private slots:
    void init() { SetNowForTesting(LocalDateTime{2024, 3, 1, 10, 0, 0}); }
    void cleanup() { SetNowForTesting(std::nullopt); }

    void firstStartInSingleModeEnablesTheMenu() {
        TempDir dir;
        WriteIni(dir, 3);
        ScriptedOperator op;
        op.codes = {12345678, 123};
        {
            TForm1 form(dir.Dir(), &op);
            QCOMPARE(form.StartupResult(), Session::StartupResult::Ready);
            QVERIFY(op.codes.empty());
            QCOMPARE(DisabledActions(form), QSet<QString>{QStringLiteral("MenuButtonDelOrg")});
            QVERIFY(form.Timer1()->isActive());
            QVERIFY(std::filesystem::exists(dir / "12345678.ptu"));
            QCOMPARE(std::filesystem::file_size(dir / "12345678.ptu"), 0u);
        }
        const ProgramConfig stored = ReadConfig(dir);
        QCOMPARE(stored.OrgType, 3);
        QCOMPARE(stored.OrgCount, 1);
        QCOMPARE(stored.LastExchangeDate, (RecordDate{2024, 2, 29}));
    }

    void firstStartInDistrictModeAsksNoCodes() {
        TempDir dir;
        WriteIni(dir, 1);
        ProgramConfig config = EmptyConfig();
        config.DistrictMode = 1;
        WriteConfig(dir, config);
        ScriptedOperator op;
        op.codes = {111111, 1};
        TForm1 form(dir.Dir(), &op);
        QCOMPARE(form.StartupResult(), Session::StartupResult::Ready);
        QCOMPARE(op.codes.size(), size_t(2));
        QVERIFY(std::filesystem::exists(dir / "SCHOOL.R_N"));
        QCOMPARE(DisabledActions(form),
                 (QSet<QString>{QStringLiteral("N11"), QStringLiteral("N20")}));
    }

    void missingRegisterRestrictsTheMenu() {
        TempDir dir;
        WriteIni(dir, 1);
        ProgramConfig config = EmptyConfig();
        config.OrgType = 1;
        config.OrgCount = 1;
        config.OrgOKPO[0] = 123;
        WriteConfig(dir, config);
        ScriptedOperator op;
        TForm1 form(dir.Dir(), &op);
        QCOMPARE(form.StartupResult(), Session::StartupResult::Restricted);
        QCOMPARE(op.shown.size(), size_t(1));
        QCOMPARE(op.shown[0].caption, std::string("Внимание!"));
        const QSet<QString> restricted = {
            QStringLiteral("MenuButtonSave"),    QStringLiteral("MenuButtonCorrect"),
            QStringLiteral("MenuButtonOrg"),     QStringLiteral("MenuButtonRep"),
            QStringLiteral("MenuButtonActFile"), QStringLiteral("MenuButtonCorFile"),
            QStringLiteral("MenuButtonLoad"),    QStringLiteral("MenuButtonDelOrg")};
        QCOMPARE(DisabledActions(form), restricted);
        QVERIFY(!form.Timer1()->isActive());
    }

    void quitWhenTheSettingsAreMissing() {
        TempDir dir;
        ScriptedOperator op;
        TForm1 form(dir.Dir(), &op);
        QCOMPARE(form.StartupResult(), Session::StartupResult::Quit);
        QCOMPARE(op.Texts(), std::vector<std::string>{
                                 "Файл VR_KLAD.INI не найден. Продолжение работы не возможно"});
    }

    void menuItems_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QKeySequence>("shortcut");
        const auto row = [](const char* name, const char* menu, const char* caption,
                            QKeySequence shortcut = {}) {
            QTest::newRow(name) << QString::fromUtf8(name) << QString::fromUtf8(menu)
                                << QString::fromUtf8(caption) << shortcut;
        };
        row("MenuButtonSave", "БД", "Создать копию БД", QKeySequence(Qt::CTRL | Qt::Key_S));
        row("MenuButtonRestore", "БД", "Восстановить БД из копии");
        row("N8", "БД", "Сжатие БД");
        row("MenuButtonExit", "БД", "Выход", QKeySequence(Qt::CTRL | Qt::Key_X));
        row("MenuButtonCorrect", "Работа с БД", "Коррекция записей",
            QKeySequence(Qt::CTRL | Qt::Key_K));
        row("MenuButtonOrg", "Работа с БД", "Организации");
        row("N11", "Организации", "Заменить ОКПО");
        row("N20", "Организации", "Заменить код агенства");
        row("MenuButtonDelOrg", "Организации", "Удалить организацию");
        row("B1", "Организации", "Изменить тип организации");
        row("MenuButtonRep", "Работа с БД", "Отчеты");
        row("G1", "Отчеты", "По организациям");
        row("N21", "Отчеты", "По классам");
        row("MenuButtonParams", "Работа с БД", "Прочие параметры");
        row("MenuButtonActFile", "Работа с файлом", "Создать с актуальными записями");
        row("MenuButtonCorFile", "Работа с файлом", "Создать с откорректированными записями");
        row("MenuButtonLoad", "Работа с файлом", "Обработать файл",
            QKeySequence(Qt::CTRL | Qt::Key_W));
        row("MenuButtonAbout", "Справка", "О программе");
    }

    void menuItems() {
        QFETCH(QString, name);
        QFETCH(QString, menu);
        QFETCH(QString, caption);
        QFETCH(QKeySequence, shortcut);
        TempDir dir;
        ScriptedOperator op;
        TForm1 form(dir.Dir(), &op);
        auto* action = form.findChild<QAction*>(name);
        QVERIFY(action != nullptr);
        QCOMPARE(action->text(), caption);
        QCOMPARE(action->shortcut(), shortcut);
        bool found = false;
        for (const QMenu* m : form.findChildren<QMenu*>()) {
            if (m->title() == menu && m->actions().contains(action)) found = true;
        }
        QVERIFY2(found, qPrintable(menu));
    }

    void windowLayout() {
        TempDir dir;
        ScriptedOperator op;
        TForm1 form(dir.Dir(), &op);
        QCOMPARE(form.windowTitle(), ProgramTitle());
        QCOMPARE(form.width(), 1016);
        QCOMPARE(form.height() - form.menuBar()->sizeHint().height(), 680);
        QCOMPARE(form.findChild<QLabel*>(QStringLiteral("StatusPanel0"))->width(), 250);
        QCOMPARE(form.findChild<QLabel*>(QStringLiteral("StatusPanel1"))->width(), 50);
        auto* bar = form.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
        QCOMPARE(bar->size(), QSize(150, 17));
        QVERIFY(bar->isHidden());
    }

    void showProgress() {
        TempDir dir;
        ScriptedOperator op;
        TForm1 form(dir.Dir(), &op);
        form.show();
        auto* bar = form.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
        auto* panel = form.findChild<QLabel*>(QStringLiteral("StatusPanel0"));

        form.ShowProgress(42, true);
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->value(), 42);
        QCOMPARE(panel->text(), QStringLiteral("Обработано 42%"));
        QVERIFY(!form.isEnabled());
        // Closing in the middle of an operation is refused.
        QVERIFY(!form.close());

        form.ShowProgress(0, false);
        QVERIFY(!bar->isVisible());
        QVERIFY(panel->text().isEmpty());
        QVERIFY(form.isEnabled());
        QVERIFY(form.close());
    }

    void timerFiresOnceAfterStartup() {
        TempDir dir;
        WriteIni(dir, 1);
        ScriptedOperator op;
        op.codes = {12345678, 1};
        TForm1 form(dir.Dir(), &op);
        QSignalSpy spy(&form, &TForm1::StartupMaintenanceDue);
        QVERIFY(spy.wait(2000));
        QTest::qWait(300);
        QCOMPARE(spy.count(), 1);
        QVERIFY(!form.Timer1()->isActive());
    }

    void closeRunsTheExitSequence() {
        TempDir dir;
        WriteIni(dir, 1);
        ProgramConfig config = EmptyConfig();
        config.OrgType = 1;
        config.OrgCount = 1;
        config.OrgOKPO[0] = 123;
        config.OrgAgency[0] = 45;
        WriteConfig(dir, config);
        {
            RegisterFile file;
            QCOMPARE(file.Create(dir / "123.sch"), RegisterFile::OpenResult::Ok);
            StudentRecord r = EmptyRecord();
            r.LastChange = 0x10;
            file.Append(r);
        }
        ScriptedOperator op;
        TForm1 form(dir.Dir(), &op);
        form.show();
        QCOMPARE(form.GetSession().MaxKlass(), 12);
        QCOMPARE(op.shown.size(), size_t(1));  // the unsealed register's warning
        form.findChild<QAction*>(QStringLiteral("MenuButtonExit"))->trigger();
        QVERIFY(!form.isVisible());
        QCOMPARE(std::filesystem::file_size(dir / "123.sch"), 192u + 6u);
        QCOMPARE(ReadConfig(dir).RecordCount, 1);
        RegisterFile reopened;
        QCOMPARE(reopened.Open(dir / "123.sch"), RegisterFile::OpenResult::Ok);
        QVERIFY(VerifyRegister(reopened, "123.sch"));
    }

    void balloonGoesAwayOnKeyMouseAndDeactivation() {
        TempDir dir;
        ScriptedOperator op;
        TForm1 form(dir.Dir(), &op);
        auto* edit = new QLineEdit(form.centralWidget());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        const auto showBalloon = [&] {
            ToolTip::ShowBalloonAtCaret(edit, QStringLiteral("Недопустимый символ"),
                                        QStringLiteral("Текст"), ToolTip::Icon::Error);
            QVERIFY(ToolTip::Current() != nullptr);
            QCOMPARE(ToolTip::Current()->Title(), QStringLiteral("Недопустимый символ"));
        };

        showBalloon();
        // A second balloon replaces the first.
        QPointer<ToolTip> first = ToolTip::Current();
        showBalloon();
        QVERIFY(ToolTip::Current() != first.data());
        QTest::keyClick(edit, Qt::Key_A);
        QVERIFY(ToolTip::Current() == nullptr);

        showBalloon();
        QTest::mouseClick(edit, Qt::RightButton);
        QVERIFY(ToolTip::Current() == nullptr);

        showBalloon();
        QEvent deactivate(QEvent::ApplicationDeactivate);
        QCoreApplication::sendEvent(qApp, &deactivate);
        QVERIFY(ToolTip::Current() == nullptr);
    }
};

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
