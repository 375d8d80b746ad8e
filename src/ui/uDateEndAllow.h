#pragma once

#include <QDialog>

class QCalendarWidget;
class QComboBox;
class QPushButton;

namespace vrklad {

class Session;

// "Прочие параметры": the month and day the school year ends for the
// graduating class or course.
class TFormDateEndAllow : public QDialog {
    Q_OBJECT
public:
    explicit TFormDateEndAllow(Session& session, QWidget* parent = nullptr);

    // Shows the values in memory; every opening does this first.
    void Prepare();

private slots:
    void sComboBox1Change(int index);
    void MonthCalendar1PageChange(int year, int month);
    void ButtonOkClick();

private:
    Session& m_session;
    QComboBox* m_months;
    QCalendarWidget* m_calendar;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

}  // namespace vrklad
