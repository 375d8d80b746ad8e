#include "ui/uSetTypeOrg.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "session/Session.h"

namespace vrklad {

TFormSetOrgType::TFormSetOrgType(Session& session, Operator& op, QWidget* parent)
    : QDialog(parent), m_session(session), m_op(op) {
    setObjectName(QStringLiteral("FormSetOrgType"));
    setWindowTitle(QStringLiteral("Изменения типа организации"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);

    m_typeGroup = new QGroupBox(QStringLiteral("ТИП ОРГАНИЗАЦИИ"), this);
    m_typeGroup->setObjectName(QStringLiteral("GroupBoxType"));
    m_typeList = new QComboBox(m_typeGroup);
    m_typeList->setObjectName(QStringLiteral("ComboBoxType"));
    m_typeList->addItems({QStringLiteral("Школа"), QStringLiteral("Техникумы"),
                          QStringLiteral("ПТУ"), QStringLiteral("ВУЗ")});
    auto* typeLayout = new QVBoxLayout(m_typeGroup);
    typeLayout->addWidget(m_typeList);

    m_modeGroup = new QGroupBox(QStringLiteral("Режим работы РОНО"), this);
    m_modeGroup->setObjectName(QStringLiteral("RadioGroupMode"));
    m_kindergartens = new QRadioButton(QStringLiteral("Детсады"), m_modeGroup);
    m_kindergartens->setObjectName(QStringLiteral("RadioKindergartens"));
    m_schools = new QRadioButton(QStringLiteral("Школы"), m_modeGroup);
    m_schools->setObjectName(QStringLiteral("RadioSchools"));
    auto* modeLayout = new QVBoxLayout(m_modeGroup);
    modeLayout->addWidget(m_kindergartens);
    modeLayout->addWidget(m_schools);

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
    layout->addWidget(m_typeGroup);
    layout->addWidget(m_modeGroup);
    layout->addStretch();
    layout->addLayout(buttons);
    setFixedSize(300, 150);

    connect(m_ok, &QPushButton::clicked, this, &TFormSetOrgType::ButtonOkClick);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormSetOrgType::Prepare() {
    const bool district = m_session.Config().DistrictMode == 1;
    m_modeGroup->setVisible(district);
    m_typeGroup->setVisible(!district);
    if (district) {
        const uint8_t mode = m_session.IniSettings().TypeOrganization;
        // Neither button is checked for a value the dialog does not offer.
        m_kindergartens->setAutoExclusive(false);
        m_schools->setAutoExclusive(false);
        m_kindergartens->setChecked(mode == 0);
        m_schools->setChecked(mode == 1);
        m_kindergartens->setAutoExclusive(true);
        m_schools->setAutoExclusive(true);
    } else {
        const uint8_t type = m_session.Config().OrgType;
        m_typeList->setCurrentIndex(type >= 1 && type <= 4 ? type - 1 : -1);
    }
}

void TFormSetOrgType::ButtonOkClick() {
    if (m_session.Config().DistrictMode == 1) {
        if (m_kindergartens->isChecked()) m_session.ChangeDistrictSubMode(0);
        if (m_schools->isChecked()) m_session.ChangeDistrictSubMode(1);
        accept();
        return;
    }
    const int index = m_typeList->currentIndex();
    if (index < 0) return;
    // A refused change leaves the dialog open for another choice or "Отмена".
    if (m_session.ChangeOrgType(m_op, static_cast<uint8_t>(index + 1))) accept();
}

}  // namespace vrklad
