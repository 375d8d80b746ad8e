#pragma once

#include <QDialog>
#include <optional>
#include <vector>

#include "register/Operator.h"

class QComboBox;
class QPushButton;

namespace vrklad {

// The organization selection dialog. It only returns the choice; the
// callers store what they do with it.
class TFormSelOrg : public QDialog {
    Q_OBJECT
public:
    explicit TFormSelOrg(QWidget* parent = nullptr);

    // Shows the dialog modally; nothing when cancelled.
    std::optional<Operator::OrgItem> Choose(const std::vector<Operator::OrgItem>& items);

    // Fills the list with nothing selected, as every opening starts.
    void Prepare(const std::vector<Operator::OrgItem>& items);
    // The item whose text the list shows, if it is one of the list's items.
    std::optional<Operator::OrgItem> Selected() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void sComboBox1Change();

private:
    QComboBox* m_combo;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

}  // namespace vrklad
