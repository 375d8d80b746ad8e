#pragma once

#include <QDialog>
#include <cstdint>

class QLineEdit;
class QPushButton;

namespace vrklad {

// The code input dialog: one digits-only field, "Готово" and "Отмена".
// Created once and reused; the field keeps its text between openings.
class TFormOKPO : public QDialog {
    Q_OBJECT
public:
    explicit TFormOKPO(QWidget* parent = nullptr);

    // 0 means cancelled.
    uint32_t AskOkpoCode(uint32_t current);
    uint16_t AskAgencyCode(uint16_t current);

    // What the two operations do before the dialog is shown, for callers
    // (and tests) that show it themselves.
    void PrepareOkpoCode(uint32_t current);
    void PrepareAgencyCode(uint16_t current);
    // The decimal value of the field's text.
    uint32_t Value() const;

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void sEdit1Change();

private:
    QLineEdit* m_edit;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

}  // namespace vrklad
