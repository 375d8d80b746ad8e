#pragma once

#include <QDialog>

#include "register/StudentRecord.h"

class QPushButton;
class QTreeWidget;

namespace vrklad {

// The service information window: the change fields of one record.
class TForm3 : public QDialog {
    Q_OBJECT
public:
    enum Result { Closed = QDialog::Rejected, Erase = 2 };

    explicit TForm3(QWidget* parent = nullptr);

    // Fills the row and shows the window modally.
    Result ShowRecord(const StudentRecord& record);
    void Fill(const StudentRecord& record);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QTreeWidget* m_list;
    QPushButton* m_close;
    QPushButton* m_erase;
};

}  // namespace vrklad
