#pragma once

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QtTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "details/CreateDetailsDatabase.h"
#include "register/ChangeCodes.h"
#include "register/Checksum.h"
#include "register/Clock.h"
#include "register/ProgramConfig.h"
#include "register/RegisterFile.h"
#include "support/ScriptedOperator.h"
#include "support/TempDir.h"
#include "ui/MainForm.h"
#include "ui/RegisterListModel.h"
#include "ui/Unit2.h"

namespace vrklad::test {

// A learner of a school register; tests change what they look at.
inline StudentRecord Learner(const std::string& fio, const std::string& doc,
                             uint32_t okpo = 12345678, uint16_t org = 5) {
    StudentRecord r = EmptyRecord();
    r.OKPO = okpo;
    r.ORG = org;
    SetFieldText(r.DOC, doc);
    SetFieldText(r.FIO, fio);
    SetFieldText(r.BILET, "0012345");
    r.PersSex = kSexMale;
    r.DBIRTH = {2010, 5, 1};
    r.DATEEND = {2026, 9, 30};
    r.KlassNumber = 7;
    r.KlassLetter = 0xC0;  // А
    r.LastChange = Added;
    r.ChangeDate = {2024, 1, 10};
    return r;
}

// A single school, OKPO 12345678, agency 5.
inline ProgramConfig SchoolConfig() {
    ProgramConfig c = EmptyConfig();
    c.OrgType = 1;
    c.OrgCount = 1;
    c.OrgOKPO[0] = 12345678;
    c.OrgAgency[0] = 5;
    c.OwnAgency = 5;
    c.LastExchangeDate = {2024, 1, 1};
    return c;
}

// A district office of schools with the organizations given as (OKPO, agency).
inline ProgramConfig DistrictConfig(const std::vector<std::pair<int32_t, uint16_t>>& orgs) {
    ProgramConfig c = EmptyConfig();
    c.OrgType = 1;
    c.DistrictMode = 1;
    c.OrgCount = static_cast<uint16_t>(orgs.size());
    for (size_t i = 0; i < orgs.size(); ++i) {
        c.OrgOKPO[i] = orgs[i].first;
        c.OrgAgency[i] = orgs[i].second;
    }
    return c;
}

// An installation in a temporary ProgramDir, started by the main window with
// a scripted operator, the clock at 1 March 2024, 10:00.
class Installation {
public:
    Installation(const ProgramConfig& config, const std::vector<StudentRecord>& records,
                 bool details = false) {
        SetNowForTesting(LocalDateTime{2024, 3, 1, 10, 0, 0});
        WriteFile(m_dir / "VR_KLAD.INI",
                  "[Options]\r\nTypeOrganization=0\r\n[DateEndAllow]\r\nMonthEndAllow=9\r\n"
                  "DayEndAllow=30\r\n");
        WriteFile(m_dir / "vrklad.cnf",
                  std::string(reinterpret_cast<const char*>(&config), sizeof config));
        const std::string name = RegisterFileName(config);
        WriteFile(m_dir / name, std::string(reinterpret_cast<const char*>(records.data()),
                                            records.size() * sizeof(StudentRecord)));
        if (!records.empty()) {
            RegisterFile file;
            file.Open(m_dir / name);
            SealRegister(file, name);
        }
        if (details) {
            CreateDetailsDatabase(m_dir / "Additional.db", VRKLAD_SOURCE_DIR "/db/Additional.sql");
        }
        m_main = std::make_unique<TForm1>(m_dir.Dir(), &op);
        m_main->GetSession().OnFirstShown(op);
        op.shown.clear();
    }
    ~Installation() {
        m_form.reset();
        m_main.reset();
        SetNowForTesting(std::nullopt);
    }

    Session& GetSession() { return m_main->GetSession(); }
    TForm1& Main() { return *m_main; }
    const TempDir& Dir() const { return m_dir; }

    // The correction window as the main menu opens it, with its list loaded.
    TForm2& Open() {
        m_form = std::make_unique<TForm2>(GetSession(), op, m_main->Form3(), m_main.get());
        m_form->SetFormMode(fmView);
        m_form->show();
        m_form->LoadFromFile();
        return *m_form;
    }
    TForm2& Form() { return *m_form; }

    StudentRecord At(uint32_t index) {
        StudentRecord r = EmptyRecord();
        GetSession().Register().Read(index, r);
        return r;
    }

    ScriptedOperator op;

private:
    TempDir m_dir;
    std::unique_ptr<TForm1> m_main;
    std::unique_ptr<TForm2> m_form;
};

template <typename T>
T* Child(QWidget& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) qFatal("no child %s", name);
    return child;
}

inline QTreeView* List(TForm2& form) { return Child<QTreeView>(form, "ListView1"); }
inline QPushButton* Button(TForm2& form, const char* name) {
    return Child<QPushButton>(form, name);
}
inline QLineEdit* Edit(TForm2& form, const char* name) { return Child<QLineEdit>(form, name); }

// Selects list rows as a click (and Ctrl+clicks) would.
inline void SelectRows(TForm2& form, const std::vector<int>& rows) {
    QTreeView* list = List(form);
    auto* selection = list->selectionModel();
    bool first = true;
    for (const int row : rows) {
        selection->setCurrentIndex(
            list->model()->index(row, 0),
            (first ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::Select) |
                QItemSelectionModel::Rows);
        first = false;
    }
}

// The list row showing a register record, -1 when none.
inline int RowOf(TForm2& form, int recordIndex) { return form.Model()->RowOfRecord(recordIndex); }

// Types text one character at a time, as the keyboard does.
inline void Type(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// Runs `answer` on the modal window of that name as soon as it is shown.
inline void WhenModal(const char* objectName, std::function<void(QWidget*)> answer) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    const QString name = QString::fromLatin1(objectName);
    QObject::connect(timer, &QTimer::timeout, [timer, answer, name] {
        if (QWidget* modal = QApplication::activeModalWidget();
            modal != nullptr && modal->objectName() == name && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            answer(modal);
        }
    });
    timer->start();
}

inline QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace vrklad::test
