#include <QAction>
#include <QtTest>

#include "register/ChangeCodes.h"
#include "register/Checksum.h"
#include "register/Clock.h"
#include "register/ProgramConfig.h"
#include "register/RegisterFile.h"
#include "support/ScriptedOperator.h"
#include "support/TempDir.h"
#include "ui/MainForm.h"

using namespace vrklad;
using vrklad::test::ScriptedOperator;
using vrklad::test::TempDir;
using vrklad::test::WriteFile;

namespace {

// Settings, configuration and a sealed register of two learners.
void Prepare(const TempDir& dir, const ProgramConfig& config, uint32_t okpo) {
    WriteFile(dir / "VR_KLAD.INI", "[Options]\r\nTypeOrganization=0\r\n");
    WriteFile(dir / "vrklad.cnf",
              std::string(reinterpret_cast<const char*>(&config), sizeof config));
    const std::string name = RegisterFileName(config);
    RegisterFile file;
    file.Create(dir / name);
    for (int i = 0; i < 2; ++i) {
        StudentRecord r = EmptyRecord();
        r.OKPO = okpo;
        r.ORG = 45;
        r.KlassNumber = 3;
        r.LastChange = Added;
        file.Append(r);
    }
    SealRegister(file, name);
}

ProgramConfig School() {
    ProgramConfig config = EmptyConfig();
    config.OrgType = 1;
    config.OrgCount = 1;
    config.OrgOKPO[0] = 123;
    config.OrgAgency[0] = 45;
    config.OwnAgency = 45;
    return config;
}

void Trigger(TForm1& form, const char* name) {
    QAction* action = form.findChild<QAction*>(QString::fromLatin1(name));
    QVERIFY(action != nullptr);
    QVERIFY(action->isEnabled());
    action->trigger();
}

}  // namespace

class OrgMenuTest : public QObject {
    Q_OBJECT
private slots:
    void init() { SetNowForTesting(LocalDateTime{2024, 3, 1, 10, 0, 0}); }
    void cleanup() { SetNowForTesting(std::nullopt); }

    void organizationCommandsOfASchool() {
        TempDir dir;
        Prepare(dir, School(), 123);
        ScriptedOperator op;
        TForm1 form(dir.Dir(), &op);
        QCOMPARE(form.StartupResult(), Session::StartupResult::Ready);

        op.codes = {456};
        Trigger(form, "N11");
        op.codes = {77};
        Trigger(form, "N20");

        QCOMPARE(op.Texts(),
                 (std::vector<std::string>{"Обновлено записей: 2", "Обновлено записей: 2"}));
        QVERIFY(std::filesystem::exists(dir / "456.sch"));
        QVERIFY(!std::filesystem::exists(dir / "123.sch"));
        QCOMPARE(form.GetSession().Config().OwnAgency, uint16_t(77));
        // The mode-dependent items keep following the configuration.
        QVERIFY(!form.findChild<QAction*>(QStringLiteral("MenuButtonDelOrg"))->isEnabled());
    }

    void reportsOpenTheirFiles() {
        TempDir dir;
        Prepare(dir, School(), 123);
        ScriptedOperator op;
        TForm1 form(dir.Dir(), &op);

        Trigger(form, "G1");
        Trigger(form, "N21");

        QCOMPARE(op.viewed, (std::vector<std::string>{(dir / "Export/RepOrg.txt").string(),
                                                      (dir / "Export/RepKlass.txt").string()}));
        QVERIFY(op.organizationLists.empty());
        QVERIFY(op.shown.empty());
    }

    void deleteOrganizationOfADistrict() {
        TempDir dir;
        ProgramConfig config = EmptyConfig();
        config.OrgType = 1;
        config.DistrictMode = 1;
        config.OrgCount = 1;
        config.OrgOKPO[0] = 111;
        config.OrgAgency[0] = 45;
        Prepare(dir, config, 111);
        ScriptedOperator op;
        TForm1 form(dir.Dir(), &op);
        op.organizations = {Operator::OrgItem{"111(45)", 111}};
        op.answers = {Operator::Answer::Yes};

        Trigger(form, "MenuButtonDelOrg");

        QCOMPARE(op.Texts(),
                 std::vector<std::string>{
                     "Вы действительно желаете удалить данные из БД по организации 111(45) ?"});
        for (const StudentRecord& r : form.GetSession().Register().ReadAll()) {
            QCOMPARE(r.LastChange, uint16_t(Deleted));
        }
        QCOMPARE(form.GetSession().Config().TotalLearners, uint16_t(0));
    }
};

QTEST_MAIN(OrgMenuTest)
#include "OrgMenuTest.moc"
