#pragma once

#include <QDialog>

class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace vrklad {

class Operator;
class Session;

// The organization type dialog: the type of a single organization, or the
// working mode of a district office.
class TFormSetOrgType : public QDialog {
    Q_OBJECT
public:
    TFormSetOrgType(Session& session, Operator& op, QWidget* parent = nullptr);

    // Shows the values in memory; every opening does this first.
    void Prepare();

private slots:
    void ButtonOkClick();

private:
    Session& m_session;
    Operator& m_op;
    QGroupBox* m_typeGroup;
    QComboBox* m_typeList;
    QGroupBox* m_modeGroup;
    QRadioButton* m_kindergartens;
    QRadioButton* m_schools;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

}  // namespace vrklad
