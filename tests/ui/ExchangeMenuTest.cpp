#include <QAction>
#include <QtTest>

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

// A school (OKPO 123, agency 45) with an empty register.
void MakeSchool(const TempDir& dir) {
    WriteFile(dir / "VR_KLAD.INI", "[Options]\r\nTypeOrganization=1\r\n");
    ProgramConfig config = EmptyConfig();
    config.OrgType = 1;
    config.OrgCount = 1;
    config.OrgOKPO[0] = 123;
    config.OrgAgency[0] = 45;
    config.OwnAgency = 45;
    WriteFile(dir / "vrklad.cnf",
              std::string(reinterpret_cast<const char*>(&config), sizeof config));
    WriteFile(dir / "123.sch", "");
}

}  // namespace

// The exchange commands of the menu reach the core operations.
class ExchangeMenuTest : public QObject {
    Q_OBJECT

private slots:
    void init() { SetNowForTesting(LocalDateTime{2024, 3, 1, 10, 0, 0}); }
    void cleanup() { SetNowForTesting(std::nullopt); }

    void importThenExportActual() {
        TempDir dir;
        MakeSchool(dir);
        WriteFile(dir / "list.csv",
                  "ORG;DOC;FIO;DBIRTH;BILET;KLASS;DATEEND;SNILS;PersSex\r\n"
                  "45;\xCF.40.05.1234567;\xC8\xE2\xE0\xED\xEE\xE2 \xC8\xE2\xE0\xED;"
                  "01.02.2010;77;5-\xC0;30.06.2025;;\xCC\r\n");
        ScriptedOperator op;
        TForm1 form(dir.Dir(), &op);
        QCOMPARE(form.StartupResult(), Session::StartupResult::Ready);
        form.show();  // MaxKlass is known from the first show on

        op.openFiles.push_back((dir / "list.csv").string());
        form.findChild<QAction*>(QStringLiteral("MenuButtonLoad"))->trigger();
        QVERIFY(std::filesystem::exists(dir / "ImpotrData.txt"));
        QVERIFY2(form.GetSession().Register().CountRecords() == 1u,
                 ReadFile(dir / "ImpotrData.txt").c_str());

        op.answers = {Operator::Answer::Yes, Operator::Answer::No};
        form.findChild<QAction*>(QStringLiteral("MenuButtonActFile"))->trigger();
        QCOMPARE(ReadFile(dir / "Export" / "123.act").size(), size_t(192 + 6));
        QVERIFY(std::filesystem::exists(dir / "Export" / "ACTUAL.ARJ"));

        op.answers = {Operator::Answer::Yes, Operator::Answer::No};
        form.findChild<QAction*>(QStringLiteral("MenuButtonCorFile"))->trigger();
        QVERIFY(std::filesystem::exists(dir / "Export" / "Correct.log"));
    }
};

QTEST_MAIN(ExchangeMenuTest)
#include "ExchangeMenuTest.moc"
