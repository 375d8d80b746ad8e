#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

namespace vrklad {

// The balloon hint under an edit field: a title, a text and an icon. Only
// one exists in the whole program; the main window removes it at the next
// key or mouse button press and when the program loses activation.
class ToolTip : public QWidget {
    Q_OBJECT
public:
    enum class Icon { None, Information, Warning, Error };

    // Replaces any balloon on screen by a new one whose stem points at
    // `anchor`, a point in `field`'s coordinates.
    static void ShowBalloon(QWidget* field, const QString& title, const QString& text, Icon icon,
                            QPoint anchor);
    // Under `field`, horizontally at its text cursor when it has one.
    static void ShowBalloonAtCaret(QWidget* field, const QString& title, const QString& text,
                                   Icon icon);
    static void HideBalloon();
    // The balloon on screen, or null.
    static ToolTip* Current();
    ~ToolTip() override;

    const QString& Title() const { return m_title; }
    const QString& Text() const { return m_text; }
    Icon BalloonIcon() const { return m_icon; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ToolTip(QWidget* window, const QString& title, const QString& text, Icon icon);
    void Layout();

    QString m_title;
    QString m_text;
    Icon m_icon;
    QRect m_iconRect;
    QRect m_titleRect;
    QRect m_textRect;
    QRect m_body;

    static QPointer<ToolTip> s_current;
};

}  // namespace vrklad
