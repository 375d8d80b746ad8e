#include "ui/SelOrgForm.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace vrklad {

TFormSelOrg::TFormSelOrg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormSelOrg"));
    setWindowTitle(QStringLiteral("Выбор организации"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);

    m_combo = new QComboBox(this);
    m_combo->setObjectName(QStringLiteral("sComboBox1"));
    m_combo->setEditable(true);
    m_combo->setInsertPolicy(QComboBox::NoInsert);

    m_ok = new QPushButton(QStringLiteral("Готово"), this);
    m_ok->setObjectName(QStringLiteral("ButtonOk"));
    m_ok->setAutoDefault(false);
    m_ok->setEnabled(false);
    m_cancel = new QPushButton(QStringLiteral("Отмена"), this);
    m_cancel->setObjectName(QStringLiteral("ButtonCancel"));
    m_cancel->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_combo);
    layout->addLayout(buttons);
    setFixedSize(280, 100);

    connect(m_combo, &QComboBox::currentIndexChanged, this, &TFormSelOrg::sComboBox1Change);
    connect(m_combo, &QComboBox::editTextChanged, this, &TFormSelOrg::sComboBox1Change);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormSelOrg::Prepare(const std::vector<Operator::OrgItem>& items) {
    m_combo->clear();
    for (const auto& item : items) {
        m_combo->addItem(QString::fromStdString(item.text), QVariant::fromValue(item.okpo));
    }
    m_combo->setCurrentIndex(-1);
    m_combo->clearEditText();
    m_ok->setEnabled(false);
}

std::optional<Operator::OrgItem> TFormSelOrg::Choose(const std::vector<Operator::OrgItem>& items) {
    Prepare(items);
    if (exec() != QDialog::Accepted) return std::nullopt;
    return Selected();
}

std::optional<Operator::OrgItem> TFormSelOrg::Selected() const {
    const int index = m_combo->findText(m_combo->currentText(), Qt::MatchExactly);
    if (index < 0) return std::nullopt;
    return Operator::OrgItem{m_combo->itemText(index).toStdString(),
                             m_combo->itemData(index).toUInt()};
}

void TFormSelOrg::keyPressEvent(QKeyEvent* event) {
    // Neither button answers Enter or Esc: the choice is made with the mouse
    // or by tabbing to a button.
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void TFormSelOrg::sComboBox1Change() { m_ok->setEnabled(Selected().has_value()); }

}  // namespace vrklad
