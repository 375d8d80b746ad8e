#include <QHeaderView>

#include "CorrectionWindowFixture.h"

using namespace vrklad;
using namespace vrklad::test;

// The list's context menu writes the rows shown, in the list's order.
class ListExportMenuTest : public QObject {
    Q_OBJECT

private slots:
    void learnerListFollowsTheShownOrder() {
        Installation inst(SchoolConfig(), {Learner("Петров Пётр", "П.40.05.0000002"),
                                           Learner("Иванов Иван", "П.40.05.0000001")});
        TForm2& form = inst.Open();
        List(form)->header()->sectionClicked(3);  // by FIO
        const auto out = inst.Dir() / "list.csv";
        inst.op.saveFiles.push_back(out.string());
        form.findChild<QAction*>(QStringLiteral("N_ExportLearnerList"))->trigger();
        const std::string text = Cp1251ToUtf8(ReadFile(out));
        QVERIFY(text.starts_with("ORG;DOC;FIO;"));
        QVERIFY(text.find("Иванов") < text.find("Петров"));
    }

    void emptyListWritesNothing() {
        Installation inst(SchoolConfig(), {});
        TForm2& form = inst.Open();
        form.findChild<QAction*>(QStringLiteral("N_ExportLearnerList"))->trigger();
        QCOMPARE(inst.op.Texts(),
                 std::vector<std::string>{"Список учащихся пуст: выгружать нечего."});
    }

    void registerCopyOfTheCheckedOrganization() {
        Installation inst(DistrictConfig({{111, 1}}),
                          {Learner("Иванов Иван", "П.40.05.0000001", 111, 1)});
        TForm2& form = inst.Open();
        form.PopupMenuListPopup();
        const auto target = inst.Dir() / "copy";
        std::filesystem::create_directory(target);
        inst.op.folders.push_back(target.string());
        form.findChild<QAction*>(QStringLiteral("N_ExportRegisterCopy"))->trigger();
        QCOMPARE(ReadFile(target / "111.sch").size(), size_t(192 + 6));
        QCOMPARE(ReadFile(target / "vrklad.cnf").size(), size_t(819));
    }
};

QTEST_MAIN(ListExportMenuTest)
#include "ListExportMenuTest.moc"
