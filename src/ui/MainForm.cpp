#include "ui/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>

#include "exchange/ActualExport.h"
#include "exchange/CorrectionsExport.h"
#include "exchange/IncomingFile.h"
#include "maintenance/Backup.h"
#include "maintenance/Compaction.h"
#include "maintenance/OrgMaintenance.h"
#include "maintenance/Reports.h"
#include "session/LoadFile.h"
#include "ui/About.h"
#include "ui/ProgramIdentity.h"
#include "ui/QtOperator.h"
#include "ui/SelOrgForm.h"
#include "ui/ToolTip.h"
#include "ui/Unit2.h"
#include "ui/Unit3.h"
#include "ui/uDateEndAllow.h"
#include "ui/uOKPOpas.h"
#include "ui/uSetTypeOrg.h"

namespace vrklad {
namespace {

constexpr int kClientWidth = 1016;
constexpr int kClientHeight = 680;

// Keeps a widget looking as usual while the window is disabled for input
// during a long operation.
void KeepActiveLook(QWidget* widget) {
    QPalette palette = widget->palette();
    for (auto role :
         {QPalette::Window, QPalette::WindowText, QPalette::Base, QPalette::Text, QPalette::Button,
          QPalette::ButtonText, QPalette::Highlight, QPalette::HighlightedText}) {
        palette.setColor(QPalette::Disabled, role, palette.color(QPalette::Active, role));
    }
    widget->setPalette(palette);
}

}  // namespace

TForm1::TForm1(std::filesystem::path programDir, Operator* op, QWidget* parent)
    : QMainWindow(parent), m_session(std::move(programDir)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(ProgramTitle());
    setWindowIcon(ProgramIcon());

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(client);
    CreateMenu();
    CreateStatusBar();

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(200);
    m_timer1->setSingleShot(true);
    connect(m_timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);

    if (op == nullptr) {
        m_ownOperator = std::make_unique<QtOperator>(*this);
        op = m_ownOperator.get();
    }
    m_op = op;

    // The dialogs live as long as the main window; each opening refreshes
    // what it shows.
    m_form3 = new TForm3(this);
    m_formOKPO = new TFormOKPO(this);
    m_formSelOrg = new TFormSelOrg(this);
    m_aboutBox = new TAboutBox(this);
    m_formSetOrgType = new TFormSetOrgType(m_session, *m_op, this);
    m_formDateEndAllow = new TFormDateEndAllow(m_session, this);

    // Client area 1016 × 680 below the menu, centred on the screen.
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }

    qApp->installEventFilter(this);

    m_startupResult = m_session.Startup(*m_op);
    ApplyMenuState();
    if (m_startupResult == Session::StartupResult::Ready) m_timer1->start();
}

TForm1::~TForm1() {
    ToolTip::HideBalloon();
    m_session.Exit(*m_op);
}

QAction* TForm1::AddItem(QMenu* menu, const char* objectName, const QString& text,
                         const QKeySequence& shortcut, void (TForm1::*handler)()) {
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(objectName));
    if (!shortcut.isEmpty()) action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, handler);
    return action;
}

void TForm1::CreateMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu* db = bar->addMenu(QStringLiteral("БД"));
    db->setObjectName(QStringLiteral("MenuDB"));
    AddItem(db, "MenuButtonSave", QStringLiteral("Создать копию БД"),
            QKeySequence(Qt::CTRL | Qt::Key_S), &TForm1::MenuButtonSaveClick);
    AddItem(db, "MenuButtonRestore", QStringLiteral("Восстановить БД из копии"), {},
            &TForm1::MenuButtonRestoreClick);
    db->addSeparator();
    AddItem(db, "N8", QStringLiteral("Сжатие БД"), {}, &TForm1::N8Click);
    AddItem(db, "MenuButtonExit", QStringLiteral("Выход"), QKeySequence(Qt::CTRL | Qt::Key_X),
            &TForm1::MenuButtonExitClick);

    m_menuWork = bar->addMenu(QStringLiteral("Работа с БД"));
    m_menuWork->setObjectName(QStringLiteral("MenuWork"));
    AddItem(m_menuWork, "MenuButtonCorrect", QStringLiteral("Коррекция записей"),
            QKeySequence(Qt::CTRL | Qt::Key_K), &TForm1::MenuButtonCorrectClick);
    m_menuWork->addSeparator();

    QMenu* org = m_menuWork->addMenu(QStringLiteral("Организации"));
    org->setObjectName(QStringLiteral("MenuOrg"));
    org->menuAction()->setObjectName(QStringLiteral("MenuButtonOrg"));
    AddItem(org, "N11", QStringLiteral("Заменить ОКПО"), {}, &TForm1::N11Click);
    AddItem(org, "N20", QStringLiteral("Заменить код агенства"), {}, &TForm1::N20Click);
    AddItem(org, "MenuButtonDelOrg", QStringLiteral("Удалить организацию"), {},
            &TForm1::MenuButtonDelOrgClick);
    AddItem(org, "B1", QStringLiteral("Изменить тип организации"), {}, &TForm1::B1Click);

    QMenu* rep = m_menuWork->addMenu(QStringLiteral("Отчеты"));
    rep->setObjectName(QStringLiteral("MenuRep"));
    rep->menuAction()->setObjectName(QStringLiteral("MenuButtonRep"));
    AddItem(rep, "G1", QStringLiteral("По организациям"), {}, &TForm1::G1Click);
    AddItem(rep, "N21", QStringLiteral("По классам"), {}, &TForm1::N21Click);

    AddItem(m_menuWork, "MenuButtonParams", QStringLiteral("Прочие параметры"), {},
            &TForm1::MenuButtonParamsClick);

    QMenu* file = bar->addMenu(QStringLiteral("Работа с файлом"));
    file->setObjectName(QStringLiteral("MenuFile"));
    AddItem(file, "MenuButtonActFile", QStringLiteral("Создать с актуальными записями"), {},
            &TForm1::MenuButtonActFileClick);
    AddItem(file, "MenuButtonCorFile", QStringLiteral("Создать с откорректированными записями"), {},
            &TForm1::MenuButtonCorFileClick);
    file->addSeparator();
    AddItem(file, "MenuButtonLoad", QStringLiteral("Обработать файл"),
            QKeySequence(Qt::CTRL | Qt::Key_W), &TForm1::MenuButtonLoadClick);

    QMenu* help = bar->addMenu(QStringLiteral("Справка"));
    help->setObjectName(QStringLiteral("MenuHelp"));
    AddItem(help, "MenuButtonAbout", QStringLiteral("О программе"), {},
            &TForm1::MenuButtonAboutClick);

    // The two submenus open from the keyboard too, under "Работа с БД".
    const auto popupShortcut = [this](QMenu* submenu, QKeyCombination key) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        connect(shortcut, &QShortcut::activated, this, [this, submenu] {
            if (!submenu->menuAction()->isEnabled() || !isEnabled()) return;
            const QRect title = menuBar()->actionGeometry(m_menuWork->menuAction());
            submenu->popup(menuBar()->mapToGlobal(title.bottomLeft()));
        });
    };
    popupShortcut(org, Qt::CTRL | Qt::Key_O);
    popupShortcut(rep, Qt::CTRL | Qt::Key_Q);
}

void TForm1::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    bar->setMinimumHeight(22);
    const auto panel = [bar](const char* name, int width) {
        auto* label = new QLabel(bar);
        label->setObjectName(QString::fromLatin1(name));
        label->setFixedWidth(width);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setIndent(3);
        bar->addWidget(label);
        KeepActiveLook(label);
        return label;
    };
    m_panel0 = panel("StatusPanel0", 250);
    m_panel1 = panel("StatusPanel1", 50);

    // Lies over the left part of the status bar, placed when shown so that
    // panel 0's text stays readable beside it.
    m_progressBar = new QProgressBar(bar);
    m_progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar->setRange(0, 100);
    m_progressBar->setTextVisible(false);
    m_progressBar->setFixedSize(150, 17);
    m_progressBar->hide();
    KeepActiveLook(m_progressBar);
}

void TForm1::MainMenuAccess(bool enabled) {
    m_session.MainMenuAccess(enabled);
    ApplyMenuState();
}

void TForm1::ApplyMenuState() {
    for (const auto& [name, enabled] : m_session.Menu().Items()) {
        const QString objectName = QString::fromLatin1(name.data(), qsizetype(name.size()));
        if (auto* action = findChild<QAction*>(objectName)) action->setEnabled(enabled);
    }
}

void TForm1::ShowProgress(int percent, bool show) {
    m_busy = show;
    setEnabled(!show);
    if (show) {
        const int textWidth =
            m_panel0->fontMetrics().horizontalAdvance(QStringLiteral("Обработано 100%"));
        m_progressBar->move(m_panel0->x() + m_panel0->indent() + textWidth + 10,
                            m_panel0->y() + (m_panel0->height() - m_progressBar->height()) / 2);
        m_progressBar->setValue(percent);
        m_progressBar->show();
        m_progressBar->raise();
        m_panel0->setText(QStringLiteral("Обработано ") + QString::number(percent) +
                          QStringLiteral("%"));
    } else {
        m_progressBar->hide();
        m_panel0->clear();
    }
    // Let the window repaint; input to the disabled window is dropped.
    QCoreApplication::processEvents();
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_shown) return;
    m_shown = true;
    m_session.OnFirstShown(*m_op);
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A long operation is running (its loop repaints through ShowProgress):
    // closing now would seal and close the register under it.
    if (m_busy) {
        event->ignore();
        return;
    }
    ToolTip::HideBalloon();
    m_timer1->stop();
    m_session.Exit(*m_op);
    event->accept();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (ToolTip::Current() != nullptr) {
        switch (event->type()) {
            case QEvent::KeyPress:
            case QEvent::ApplicationDeactivate:
                ToolTip::HideBalloon();
                break;
            case QEvent::MouseButtonPress: {
                const auto button = static_cast<QMouseEvent*>(event)->button();
                if (button == Qt::LeftButton || button == Qt::RightButton) ToolTip::HideBalloon();
                break;
            }
            case QEvent::NonClientAreaMouseButtonPress:
                if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                    ToolTip::HideBalloon();
                }
                break;
            case QEvent::ApplicationStateChange:
                if (QGuiApplication::applicationState() != Qt::ApplicationActive) {
                    ToolTip::HideBalloon();
                }
                break;
            default:
                break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::Timer1Timer() {
    m_timer1->stop();
    emit StartupMaintenanceDue();
    StartupMaintenance(m_session, *m_op);
    ApplyMenuState();
}

void TForm1::MenuButtonExitClick() { close(); }

void TForm1::B1Click() {
    m_formSetOrgType->Prepare();
    m_formSetOrgType->exec();
    // A rename that could not reopen the register restricts the menu.
    ApplyMenuState();
}

// A rename that could not reopen the register restricts the menu; the
// mode-dependent items follow the configuration.
void TForm1::N11Click() {
    ReplaceOkpo(m_session, *m_op);
    ApplyMenuState();
}

void TForm1::N20Click() {
    ReplaceAgency(m_session, *m_op);
    ApplyMenuState();
}

void TForm1::MenuButtonDelOrgClick() {
    DeleteOrganization(m_session, *m_op);
    ApplyMenuState();
}

void TForm1::G1Click() {
    ReportByOrganizations(m_session, *m_op);
    ApplyMenuState();
}

void TForm1::N21Click() {
    ReportByClasses(m_session, *m_op);
    ApplyMenuState();
}

void TForm1::MenuButtonParamsClick() {
    m_formDateEndAllow->Prepare();
    m_formDateEndAllow->exec();
}

void TForm1::MenuButtonAboutClick() { m_aboutBox->exec(); }

void TForm1::MenuButtonSaveClick() {
    CreateBackup(m_session, *m_op, QCoreApplication::applicationFilePath().toStdString());
    ApplyMenuState();
}

void TForm1::MenuButtonRestoreClick() {
    const std::optional<std::filesystem::path> archive = ChooseBackupFile(m_session, *m_op);
    if (!archive) return;
    RestoreBackup(m_session, *m_op, *archive);
    // A restored configuration may name a register that is not there.
    ApplyMenuState();
}

void TForm1::N8Click() {
    CompactRegister(m_session, *m_op);
    ApplyMenuState();
}

TForm2* TForm1::Form2() const { return m_form2; }

void TForm1::MenuButtonCorrectClick() {
    // Every opening starts from a fresh window.
    delete m_form2;
    m_form2 = new TForm2(m_session, *m_op, m_form3, this);
    m_form2->SetFormMode(fmView);
    m_form2->exec();
}

void TForm1::MenuButtonActFileClick() {
    ExportActual(m_session.ProgramDir().string(), m_session.Register(), m_session.Configuration(),
                 *m_op);
}

void TForm1::MenuButtonCorFileClick() {
    ExportCorrections(m_session.ProgramDir().string(), m_session.Register(),
                      m_session.Configuration(), m_session.Indexes(), *m_op);
}

void TForm1::MenuButtonLoadClick() {
    const auto file = m_op->ChooseOpenFile({}, LoadFileFilters(m_session.Config()));
    if (!file) return;
    LoadFile(m_session, *m_op, *file);
}

}  // namespace vrklad
