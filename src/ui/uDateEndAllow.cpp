#include "ui/uDateEndAllow.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDate>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "session/EndOfSchoolYear.h"
#include "session/Session.h"

namespace vrklad {
namespace {

constexpr int kYear = kEndOfSchoolYearCalendarYear;

}  // namespace

TFormDateEndAllow::TFormDateEndAllow(Session& session, QWidget* parent)
    : QDialog(parent), m_session(session) {
    setObjectName(QStringLiteral("FormDateEndAllow"));
    setWindowTitle(QString());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);

    auto* group =
        new QGroupBox(QStringLiteral("Окончание учебного года для выпускного курса"), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    auto* monthLabel = new QLabel(QStringLiteral("Месяц"), group);
    m_months = new QComboBox(group);
    m_months->setObjectName(QStringLiteral("sComboBox1"));
    m_months->addItems({QStringLiteral("Январь"), QStringLiteral("Февраль"), QStringLiteral("Март"),
                        QStringLiteral("Апрель"), QStringLiteral("Май"), QStringLiteral("Июнь"),
                        QStringLiteral("Июль"), QStringLiteral("Август"),
                        QStringLiteral("Сентябрь"), QStringLiteral("Октябрь"),
                        QStringLiteral("Ноябрь"), QStringLiteral("Декабрь")});
    auto* dayLabel = new QLabel(QStringLiteral("Число"), group);
    m_calendar = new QCalendarWidget(group);
    m_calendar->setObjectName(QStringLiteral("MonthCalendar1"));
    m_calendar->setLocale(QLocale(QLocale::Russian));
    m_calendar->setFirstDayOfWeek(Qt::Sunday);
    m_calendar->setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    // The month is chosen in the list; the year does not matter and is
    // held at a common year, so February never offers a 29th.
    m_calendar->setNavigationBarVisible(false);
    m_calendar->setDateRange(QDate(kYear, 1, 1), QDate(kYear, 12, 31));

    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(monthLabel);
    groupLayout->addWidget(m_months);
    groupLayout->addWidget(dayLabel);
    groupLayout->addWidget(m_calendar);

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
    layout->addWidget(group);
    layout->addLayout(buttons);
    setFixedSize(360, 340);

    connect(m_months, &QComboBox::currentIndexChanged, this, &TFormDateEndAllow::sComboBox1Change);
    connect(m_calendar, &QCalendarWidget::currentPageChanged, this,
            &TFormDateEndAllow::MonthCalendar1PageChange);
    connect(m_ok, &QPushButton::clicked, this, &TFormDateEndAllow::ButtonOkClick);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormDateEndAllow::Prepare() {
    const Settings& settings = m_session.IniSettings();
    const MonthDay shown = InitialEndOfSchoolYear(settings.MonthEndAllow, settings.DayEndAllow);
    const QSignalBlocker blockList(m_months);
    const QSignalBlocker blockCalendar(m_calendar);
    m_months->setCurrentIndex(shown.month - 1);
    m_calendar->setSelectedDate(QDate(kYear, shown.month, shown.day));
    m_calendar->setCurrentPage(kYear, shown.month);
}

void TFormDateEndAllow::sComboBox1Change(int index) {
    if (index < 0) return;
    const int month = index + 1;
    // Keep the chosen day where the new month has it, so that the
    // calendar's date always lies in the month the list shows.
    const int day =
        std::min(m_calendar->selectedDate().day(), QDate(kYear, month, 1).daysInMonth());
    const QSignalBlocker block(m_calendar);
    m_calendar->setSelectedDate(QDate(kYear, month, day));
    m_calendar->setCurrentPage(kYear, month);
}

void TFormDateEndAllow::MonthCalendar1PageChange(int, int month) {
    // A click on a day of the neighbouring month turns the page.
    const QSignalBlocker block(m_months);
    m_months->setCurrentIndex(month - 1);
}

void TFormDateEndAllow::ButtonOkClick() {
    const QDate date = m_calendar->selectedDate();
    m_session.SetEndOfSchoolYear(static_cast<uint8_t>(date.month()),
                                 static_cast<uint8_t>(date.day()));
    accept();
}

}  // namespace vrklad
