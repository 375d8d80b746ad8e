#pragma once

#include <QMainWindow>
#include <QPointer>
#include <filesystem>
#include <memory>

#include "register/Operator.h"
#include "session/Session.h"

class QLabel;
class QMenu;
class QProgressBar;
class QTimer;

namespace vrklad {

class TAboutBox;
class TForm2;
class TForm3;
class TFormDateEndAllow;
class TFormOKPO;
class TFormSelOrg;
class TFormSetOrgType;

// The main window: start-up at creation, the main menu, the status bar with
// the progress display, the exit sequence on close. It owns the Session and
// the dialogs for the whole run.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // Runs the start-up sequence. `op` answers the questions of the run (a
    // test's script); without it the window's own dialogs do.
    explicit TForm1(std::filesystem::path programDir, Operator* op = nullptr,
                    QWidget* parent = nullptr);
    ~TForm1() override;

    // Quit: the program is to end without showing the window.
    Session::StartupResult StartupResult() const { return m_startupResult; }
    Session& GetSession() { return m_session; }
    Operator& Op() { return *m_op; }

    // Applies the menu rule for a usable (true) or missing register.
    void MainMenuAccess(bool enabled);
    // Shows the session's menu state on the actions.
    void ApplyMenuState();

    // Progress of a long operation: blocks input to the window while shown
    // and lets the window repaint before returning.
    void ShowProgress(int percent, bool show);

    TFormOKPO* FormOKPO() const { return m_formOKPO; }
    TFormSelOrg* FormSelOrg() const { return m_formSelOrg; }
    // The record correction window of the last opening, if any.
    TForm2* Form2() const;
    TForm3* Form3() const { return m_form3; }
    TAboutBox* AboutBox() const { return m_aboutBox; }
    TFormSetOrgType* FormSetOrgType() const { return m_formSetOrgType; }
    TFormDateEndAllow* FormDateEndAllow() const { return m_formDateEndAllow; }
    QTimer* Timer1() const { return m_timer1; }

signals:
    // Fired once, 200 ms after a successful start-up: the compaction
    // reminder and the one-time document repair run from here.
    void StartupMaintenanceDue();

public slots:
    void MenuButtonSaveClick();
    void MenuButtonRestoreClick();
    void N8Click();
    void MenuButtonExitClick();
    void MenuButtonCorrectClick();
    void N11Click();
    void N20Click();
    void MenuButtonDelOrgClick();
    void B1Click();
    void G1Click();
    void N21Click();
    void MenuButtonParamsClick();
    void MenuButtonActFileClick();
    void MenuButtonCorFileClick();
    void MenuButtonLoadClick();
    void MenuButtonAboutClick();
    void Timer1Timer();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateMenu();
    void CreateStatusBar();
    QAction* AddItem(QMenu* menu, const char* objectName, const QString& text,
                     const QKeySequence& shortcut, void (TForm1::*handler)());

    Session m_session;
    std::unique_ptr<Operator> m_ownOperator;
    Operator* m_op = nullptr;
    Session::StartupResult m_startupResult = Session::StartupResult::Stopped;
    bool m_shown = false;
    bool m_busy = false;

    QMenu* m_menuWork = nullptr;
    QLabel* m_panel0 = nullptr;
    QLabel* m_panel1 = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QTimer* m_timer1 = nullptr;

    QPointer<TForm2> m_form2;
    TForm3* m_form3 = nullptr;
    TFormOKPO* m_formOKPO = nullptr;
    TFormSelOrg* m_formSelOrg = nullptr;
    TAboutBox* m_aboutBox = nullptr;
    TFormSetOrgType* m_formSetOrgType = nullptr;
    TFormDateEndAllow* m_formDateEndAllow = nullptr;
};

}  // namespace vrklad
