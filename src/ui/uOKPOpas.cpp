#include "ui/uOKPOpas.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace vrklad {

TFormOKPO::TFormOKPO(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormOKPO"));
    setWindowTitle(QStringLiteral("Ввод кода ОКПО"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);

    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("sEdit1"));
    m_edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_edit));
    m_edit->setMaxLength(8);

    m_ok = new QPushButton(QStringLiteral("Готово"), this);
    m_ok->setObjectName(QStringLiteral("ButtonOk"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Отмена"), this);
    m_cancel->setObjectName(QStringLiteral("ButtonCancel"));
    m_cancel->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_edit);
    layout->addLayout(buttons);
    setFixedSize(260, 100);

    connect(m_edit, &QLineEdit::textChanged, this, &TFormOKPO::sEdit1Change);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    // Esc rejects through QDialog, which is what "Отмена" does.
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormOKPO::PrepareOkpoCode(uint32_t current) {
    setWindowTitle(QStringLiteral("Введите код ОКПО"));
    m_edit->setMaxLength(8);
    if (current != 0) m_edit->setText(QString::number(current));
}

void TFormOKPO::PrepareAgencyCode(uint16_t current) {
    setWindowTitle(QStringLiteral("Введите код агенства"));
    m_edit->setMaxLength(3);
    m_edit->clear();
    if (current != 0) m_edit->setText(QString::number(current));
}

uint32_t TFormOKPO::AskOkpoCode(uint32_t current) {
    PrepareOkpoCode(current);
    return exec() == QDialog::Accepted ? Value() : 0;
}

uint16_t TFormOKPO::AskAgencyCode(uint16_t current) {
    PrepareAgencyCode(current);
    return exec() == QDialog::Accepted ? static_cast<uint16_t>(Value()) : 0;
}

uint32_t TFormOKPO::Value() const { return m_edit->text().toUInt(); }

void TFormOKPO::showEvent(QShowEvent* event) {
    // A value filled in by the caller does not count as an entry: the user
    // has to change the text first.
    m_ok->setEnabled(false);
    m_edit->setFocus();
    m_edit->selectAll();
    QDialog::showEvent(event);
}

void TFormOKPO::sEdit1Change() {
    const int length = static_cast<int>(m_edit->text().size());
    const int max = m_edit->maxLength();
    m_ok->setEnabled(length >= max - 2 && length <= max);
}

}  // namespace vrklad
