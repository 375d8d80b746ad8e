#include "ui/About.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "ui/ProgramIdentity.h"

namespace vrklad {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("О программе"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setPixmap(ProgramIcon().pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);

    auto* title = new QLabel(ProgramTitle(), this);
    title->setObjectName(QStringLiteral("ProductName"));
    title->setWordWrap(true);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.15);
    title->setFont(titleFont);

    m_version = new QLabel(QStringLiteral("Версия"), this);
    m_version->setObjectName(QStringLiteral("Version"));

    auto* rights = new QLabel(QStringLiteral("Правообладатель: разработчик программы"), this);
    rights->setObjectName(QStringLiteral("Copyright"));

    auto* support = new QLabel(QStringLiteral("Служба поддержки:\n"
                                              "1. По вопросам ведения списка учащихся — "
                                              "телефон (000) 000-00-00\n"
                                              "2. По техническим вопросам — "
                                              "support@example.ru"),
                               this);
    support->setObjectName(QStringLiteral("Comments"));
    support->setWordWrap(true);
    support->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(m_version);
    texts->addSpacing(8);
    texts->addWidget(rights);
    texts->addSpacing(8);
    texts->addWidget(support);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(10);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addStretch();
    layout->addLayout(buttons);
    setFixedSize(440, 250);
}

QString TAboutBox::VersionLabelText(const QString& programFile) {
    const QFileInfo info(programFile);
    if (programFile.isEmpty() || !info.exists()) return QStringLiteral("Версия");
    return QStringLiteral("Версия ") + QStringLiteral(VRKLAD_VERSION) + QStringLiteral(" от ") +
           info.lastModified().toString(QStringLiteral("dd.MM.yyyy")) + QStringLiteral("г.");
}

void TAboutBox::showEvent(QShowEvent* event) {
    m_version->setText(VersionLabelText(QCoreApplication::applicationFilePath()));
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    QDialog::showEvent(event);
}

}  // namespace vrklad
