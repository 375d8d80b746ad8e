#pragma once

#include <QDialog>
#include <QString>

class QLabel;

namespace vrklad {

// The about box.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    // "Версия 1.0.0.1 от 05.03.2024г.", or just "Версия" when the program
    // file cannot be found.
    static QString VersionLabelText(const QString& programFile);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* m_version;
};

}  // namespace vrklad
