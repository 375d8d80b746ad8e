#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "register/RegisterFile.h"
#include "register/SettingsIni.h"
#include "session/Session.h"
#include "support/ScriptedOperator.h"
#include "support/TempDir.h"
#include "ui/uSetTypeOrg.h"

using namespace vrklad;
using vrklad::test::ReadFile;
using vrklad::test::ScriptedOperator;
using vrklad::test::TempDir;
using vrklad::test::WriteFile;

namespace {

// A started session: a school with OKPO 123, or a district office.
void Prepare(const TempDir& dir, bool district) {
    WriteFile(dir / "VR_KLAD.INI", "[Options]\r\nTypeOrganization=1\r\n");
    ProgramConfig config = EmptyConfig();
    config.OrgType = 1;
    config.DistrictMode = district ? 1 : 0;
    config.OrgCount = 1;
    config.OrgOKPO[0] = 123;
    config.OrgAgency[0] = 45;
    WriteFile(dir / "vrklad.cnf",
              std::string(reinterpret_cast<const char*>(&config), sizeof config));
    RegisterFile file;
    file.Create(dir / (district ? "SCHOOL.R_N" : "123.sch"));
}

}  // namespace

class SetOrgTypeTest : public QObject {
    Q_OBJECT
private slots:
    void singleModeRenamesTheRegister() {
        TempDir dir;
        Prepare(dir, false);
        ScriptedOperator op;
        Session session(dir.Dir());
        QCOMPARE(session.Startup(op), Session::StartupResult::Ready);
        TFormSetOrgType form(session, op);
        QCOMPARE(form.windowTitle(), QStringLiteral("Изменения типа организации"));
        form.Prepare();
        form.show();
        auto* list = form.findChild<QComboBox*>(QStringLiteral("ComboBoxType"));
        QVERIFY(form.findChild<QGroupBox*>(QStringLiteral("GroupBoxType"))->isVisible());
        QVERIFY(!form.findChild<QGroupBox*>(QStringLiteral("RadioGroupMode"))->isVisible());
        QCOMPARE(list->currentIndex(), 0);
        QCOMPARE(list->itemText(2), QStringLiteral("ПТУ"));

        list->setCurrentIndex(2);
        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("ButtonOk")), Qt::LeftButton);

        QVERIFY(!form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(session.Config().OrgType, 3);
        QVERIFY(std::filesystem::exists(dir / "123.ptu"));
        QVERIFY(!std::filesystem::exists(dir / "123.sch"));
        QVERIFY(session.Register().IsOpen());
    }

    void singleModeRefusesANameThatExists() {
        TempDir dir;
        Prepare(dir, false);
        WriteFile(dir / "123.ptu", "other");
        ScriptedOperator op;
        Session session(dir.Dir());
        QCOMPARE(session.Startup(op), Session::StartupResult::Ready);
        TFormSetOrgType form(session, op);
        form.Prepare();
        form.show();
        form.findChild<QComboBox*>(QStringLiteral("ComboBoxType"))->setCurrentIndex(2);
        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("ButtonOk")), Qt::LeftButton);

        QCOMPARE(op.shown.size(), size_t(1));
        QVERIFY(form.isVisible());
        QCOMPARE(session.Config().OrgType, 1);
        QCOMPARE(session.Register().Path(), dir / "123.sch");
        QCOMPARE(ReadFile(dir / "123.ptu"), std::string("other"));
    }

    void districtModeChangesTheSubMode() {
        TempDir dir;
        Prepare(dir, true);
        ScriptedOperator op;
        Session session(dir.Dir());
        QCOMPARE(session.Startup(op), Session::StartupResult::Ready);
        TFormSetOrgType form(session, op);
        form.Prepare();
        form.show();
        QVERIFY(!form.findChild<QGroupBox*>(QStringLiteral("GroupBoxType"))->isVisible());
        QVERIFY(form.findChild<QGroupBox*>(QStringLiteral("RadioGroupMode"))->isVisible());
        auto* kindergartens = form.findChild<QRadioButton*>(QStringLiteral("RadioKindergartens"));
        auto* schools = form.findChild<QRadioButton*>(QStringLiteral("RadioSchools"));
        QCOMPARE(kindergartens->text(), QStringLiteral("Детсады"));
        QVERIFY(schools->isChecked());

        kindergartens->click();
        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("ButtonOk")), Qt::LeftButton);

        QVERIFY(!form.isVisible());
        QCOMPARE(session.IniSettings().TypeOrganization, 0);
        Settings stored;
        QVERIFY(ReadSettings(dir.Dir(), stored));
        QCOMPARE(stored.TypeOrganization, 0);
        QCOMPARE(session.Config().OrgType, 1);
        QVERIFY(std::filesystem::exists(dir / "SCHOOL.R_N"));
    }

    void cancelChangesNothing() {
        TempDir dir;
        Prepare(dir, false);
        ScriptedOperator op;
        Session session(dir.Dir());
        session.Startup(op);
        TFormSetOrgType form(session, op);
        form.Prepare();
        form.show();
        form.findChild<QComboBox*>(QStringLiteral("ComboBoxType"))->setCurrentIndex(3);
        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("ButtonCancel")),
                          Qt::LeftButton);
        QCOMPARE(session.Config().OrgType, 1);
        QVERIFY(std::filesystem::exists(dir / "123.sch"));
        // The next opening shows the value in memory again.
        form.Prepare();
        QCOMPARE(form.findChild<QComboBox*>(QStringLiteral("ComboBoxType"))->currentIndex(), 0);
    }
};

QTEST_MAIN(SetOrgTypeTest)
#include "SetOrgTypeTest.moc"
