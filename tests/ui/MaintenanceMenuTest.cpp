#include <QAction>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include "register/Checksum.h"
#include "register/Clock.h"
#include "register/ProgramConfig.h"
#include "register/RegisterFile.h"
#include "support/ScriptedOperator.h"
#include "support/TempDir.h"
#include "ui/MainForm.h"

using namespace vrklad;
using vrklad::test::ReadFile;
using vrklad::test::ScriptedOperator;
using vrklad::test::TempDir;
using vrklad::test::WriteFile;

namespace {

// A school (OKPO 123) whose register holds `deleted` deleted records after
// two active ones; the settings say the document repair is done already.
void Install(const TempDir& dir, int deleted) {
    WriteFile(dir / "VR_KLAD.INI",
              "[Options]\r\nTypeOrganization=1\r\n[Other]\r\nRepareDocFormat=1\r\n");
    ProgramConfig config = EmptyConfig();
    config.OrgType = 1;
    config.OrgCount = 1;
    config.OrgOKPO[0] = 123;
    config.OrgAgency[0] = 45;
    config.LastExchangeDate = RecordDate{2024, 2, 1};
    WriteFile(dir / "vrklad.cnf",
              std::string(reinterpret_cast<const char*>(&config), sizeof config));
    RegisterFile file;
    QCOMPARE(file.Create(dir / "123.sch"), RegisterFile::OpenResult::Ok);
    for (int i = 0; i < 2 + deleted; ++i) {
        StudentRecord r = EmptyRecord();
        r.LastChange = i < 2 ? 0x10 : 0x08;
        r.ChangeDate = RecordDate{2024, 1, 10};
        file.Append(r);
    }
    QVERIFY(SealRegister(file, "123.sch"));
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

void Trigger(TForm1& form, const char* name) {
    QAction* action = form.findChild<QAction*>(QString::fromLatin1(name));
    QVERIFY(action != nullptr);
    action->trigger();
}

}  // namespace

class MaintenanceMenuTest : public QObject {
    Q_OBJECT
private slots:
    void init() { SetNowForTesting(LocalDateTime{2024, 3, 1, 10, 0, 0}); }
    void cleanup() { SetNowForTesting(std::nullopt); }

    void restoreBringsBackTheFullMenu() {
        TempDir dir;
        Install(dir, 0);
        ScriptedOperator op;
        {
            TForm1 form(dir.Dir(), &op);
            form.Timer1()->stop();
            Trigger(form, "MenuButtonSave");
            QCOMPARE(op.Texts(), std::vector<std::string>{
                                     "Файл VRKLAD_2024-03-01_10-00.BKP резервной копии успешно "
                                     "создан"});
        }
        std::filesystem::remove(dir / "123.sch");

        ScriptedOperator restricted;
        TForm1 form(dir.Dir(), &restricted);
        QCOMPARE(form.StartupResult(), Session::StartupResult::Restricted);
        QVERIFY(DisabledActions(form).contains(QStringLiteral("MenuButtonSave")));
        restricted.shown.clear();
        restricted.openFiles = {(dir / "BACKUP" / "VRKLAD_2024-03-01_10-00.BKP").string()};
        Trigger(form, "MenuButtonRestore");
        QCOMPARE(restricted.Texts(), std::vector<std::string>{});
        QCOMPARE(DisabledActions(form), QSet<QString>{QStringLiteral("MenuButtonDelOrg")});
        QCOMPARE(form.GetSession().Register().CountRecords(), 2u);
    }

    void compactionFromTheMenuAndFromTheReminder() {
        TempDir dir;
        Install(dir, 2);
        ScriptedOperator op;
        TForm1 form(dir.Dir(), &op);
        form.Timer1()->stop();
        Trigger(form, "N8");
        QCOMPARE(op.Texts(), std::vector<std::string>{"Сжатие выполнено на 50%."});
        // Two records and the trailer they are sealed with.
        QCOMPARE(std::filesystem::file_size(dir / "123.sch"), 2 * kRecordSize + 6);

        // The first tick reminds: the settings hold no date of the last
        // compaction. Accepting compacts and stores today.
        op.shown.clear();
        op.answers = {Operator::Answer::Yes};
        form.Timer1Timer();
        QCOMPARE(op.Texts(),
                 (std::vector<std::string>{
                     "Сжатие БД выполнялось более 30 дней назад. Рекомендуется выполнить!",
                     "Сжатие выполнено на 0%."}));
        QVERIFY(ReadFile(dir / "VR_KLAD.INI").find("LastDateCompress=01.03.2024\r\n") !=
                std::string::npos);
        QVERIFY(!form.Timer1()->isActive());
    }
};

QTEST_MAIN(MaintenanceMenuTest)
#include "MaintenanceMenuTest.moc"
