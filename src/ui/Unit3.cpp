#include "ui/Unit3.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "session/ServiceInfoRow.h"

namespace vrklad {

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Служебная информация"));
    // No minimize or maximize box.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("ListView1"));
    m_list->setRootIsDecorated(false);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setHeaderLabels({QStringLiteral("Дата изм."), QStringLiteral("Все изменения"),
                             QStringLiteral("Код посл. изм."), QStringLiteral("Пред. ФИО"),
                             QStringLiteral("Пред. документ"), QStringLiteral("ОКПО"),
                             QStringLiteral("Аг. код")});
    const int widths[] = {80, 110, 105, 230, 125, 80, 60};
    for (int i = 0; i < 7; ++i) m_list->setColumnWidth(i, widths[i]);

    m_close = new QPushButton(QStringLiteral("Закрыть"), this);
    m_close->setObjectName(QStringLiteral("ButtonClose"));
    m_close->setDefault(true);
    m_erase = new QPushButton(QStringLiteral("Стереть изменения"), this);
    m_erase->setObjectName(QStringLiteral("ButtonErase"));
    m_erase->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_erase);
    buttons->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addLayout(buttons);
    resize(830, 150);

    connect(m_close, &QPushButton::clicked, this, [this] { done(Closed); });
    connect(m_erase, &QPushButton::clicked, this, [this] { done(Erase); });
}

void TForm3::Fill(const StudentRecord& record) {
    m_list->clear();
    QStringList texts;
    for (const std::string& text : ServiceInfoRow(record)) texts << QString::fromStdString(text);
    auto* item = new QTreeWidgetItem(m_list, texts);
    m_list->setCurrentItem(item);
}

TForm3::Result TForm3::ShowRecord(const StudentRecord& record) {
    Fill(record);
    return exec() == Erase ? Erase : Closed;
}

void TForm3::showEvent(QShowEvent* event) {
    if (const QScreen* s = screen()) move(s->availableGeometry().topLeft());
    QDialog::showEvent(event);
}

}  // namespace vrklad
