#include "ui/QtOperator.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <QUrl>

#include "ui/MainForm.h"
#include "ui/ProgramIdentity.h"
#include "ui/SelOrgForm.h"
#include "ui/uOKPOpas.h"

namespace vrklad {
namespace {

QString ToQ(const std::string& text) { return QString::fromStdString(text); }

// Dialogs go over whatever modal window is up, else over the main window.
QWidget* DialogParent(TForm1& mainForm) {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return &mainForm;
}

QString DefaultCaption(Operator::Icon icon) {
    switch (icon) {
        case Operator::Icon::Information:
            return QStringLiteral("Информация");
        case Operator::Icon::Warning:
            return QStringLiteral("Предупреждение");
        case Operator::Icon::Error:
            return QStringLiteral("Ошибка");
        case Operator::Icon::Question:
            return QStringLiteral("Подтверждение");
        case Operator::Icon::None:
            break;
    }
    return ProgramTitle();
}

// "Файл резервной копии (*.bkp)" lines for Qt from "description|*.a;*.b".
QString FilterText(const std::vector<Operator::FileFilter>& filters) {
    QStringList lines;
    for (const auto& filter : filters) {
        QString patterns = ToQ(filter.pattern);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        lines << ToQ(filter.description) + QStringLiteral(" (") + patterns + QStringLiteral(")");
    }
    return lines.join(QStringLiteral(";;"));
}

}  // namespace

QtOperator::QtOperator(TForm1& mainForm) : m_mainForm(mainForm) {}

Operator::Answer QtOperator::Message(Icon icon, const std::string& text, Buttons buttons,
                                     const std::string& caption) {
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    switch (icon) {
        case Icon::Information:
            boxIcon = QMessageBox::Information;
            break;
        case Icon::Warning:
            boxIcon = QMessageBox::Warning;
            break;
        case Icon::Error:
            boxIcon = QMessageBox::Critical;
            break;
        case Icon::Question:
            boxIcon = QMessageBox::Question;
            break;
        case Icon::None:
            break;
    }
    QMessageBox::StandardButtons standard = QMessageBox::Ok;
    switch (buttons) {
        case Buttons::Ok:
            standard = QMessageBox::Ok;
            break;
        case Buttons::Yes:
            standard = QMessageBox::Yes;
            break;
        case Buttons::YesNo:
            standard = QMessageBox::Yes | QMessageBox::No;
            break;
        case Buttons::YesNoCancel:
            standard = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
            break;
    }
    QMessageBox box(boxIcon, caption.empty() ? DefaultCaption(icon) : ToQ(caption), ToQ(text),
                    standard, DialogParent(m_mainForm));
    switch (box.exec()) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        case QMessageBox::Cancel:
            return Answer::Cancel;
        default:
            return buttons == Buttons::Ok      ? Answer::Ok
                   : buttons == Buttons::Yes   ? Answer::Yes
                   : buttons == Buttons::YesNo ? Answer::No
                                               : Answer::Cancel;
    }
}

uint32_t QtOperator::AskCode(Code code, uint32_t current) {
    TFormOKPO* form = m_mainForm.FormOKPO();
    if (code == Code::Okpo) return form->AskOkpoCode(current);
    return form->AskAgencyCode(static_cast<uint16_t>(current));
}

std::optional<Operator::OrgItem> QtOperator::ChooseOrganization(const std::vector<OrgItem>& items) {
    return m_mainForm.FormSelOrg()->Choose(items);
}

std::optional<std::string> QtOperator::ChooseFolder(const std::string& title) {
    const QString dir = QFileDialog::getExistingDirectory(DialogParent(m_mainForm), ToQ(title));
    if (dir.isEmpty()) return std::nullopt;
    return dir.toStdString();
}

std::optional<std::string> QtOperator::ChooseOpenFile(const std::string& startDir,
                                                      const std::vector<FileFilter>& filters) {
    const QString file = QFileDialog::getOpenFileName(DialogParent(m_mainForm), QString(),
                                                      ToQ(startDir), FilterText(filters));
    if (file.isEmpty()) return std::nullopt;
    return file.toStdString();
}

std::optional<std::string> QtOperator::ChooseSaveFile(const std::vector<FileFilter>& filters,
                                                      const std::string& defaultSuffix) {
    QFileDialog dialog(DialogParent(m_mainForm));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(FilterText(filters));
    dialog.setDefaultSuffix(ToQ(defaultSuffix));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front().toStdString();
}

void QtOperator::ShowProgress(int percent, bool show) { m_mainForm.ShowProgress(percent, show); }

bool QtOperator::OpenInViewer(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(ToQ(path)));
}

}  // namespace vrklad
