#include "ui/ToolTip.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStyle>
#include <algorithm>

namespace vrklad {
namespace {

constexpr int kPadding = 8;
constexpr int kStemHeight = 10;
constexpr int kStemX = 14;  // where the stem's tip lies, from the left edge
constexpr int kStemWidth = 12;
constexpr int kIconSize = 16;
constexpr int kMaxTextWidth = 320;
constexpr int kRadius = 6;

QStyle::StandardPixmap PixmapFor(ToolTip::Icon icon) {
    switch (icon) {
        case ToolTip::Icon::Warning:
            return QStyle::SP_MessageBoxWarning;
        case ToolTip::Icon::Error:
            return QStyle::SP_MessageBoxCritical;
        default:
            return QStyle::SP_MessageBoxInformation;
    }
}

// A tail pointing up from the body's top edge to the tip at (kStemX, 0).
QPolygon StemPolygon() {
    return QPolygon({QPoint(kStemX, 0), QPoint(kStemX, kStemHeight + 1),
                     QPoint(kStemX + kStemWidth, kStemHeight + 1)});
}

}  // namespace

QPointer<ToolTip> ToolTip::s_current;

ToolTip::ToolTip(QWidget* window, const QString& title, const QString& text, Icon icon)
    : QWidget(window, Qt::ToolTip | Qt::FramelessWindowHint),
      m_title(title),
      m_text(text),
      m_icon(icon) {
    setObjectName(QStringLiteral("BalloonHint"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    Layout();
}

// The pointer is let go here, while this is still a ToolTip: what runs in
// the QWidget destructor after it (hide and focus events) must find none.
ToolTip::~ToolTip() {
    if (s_current == this) s_current = nullptr;
}

void ToolTip::Layout() {
    QFont titleFont = font();
    titleFont.setBold(true);
    const QFontMetrics titleMetrics(titleFont);
    const QFontMetrics textMetrics(font());

    int x = kPadding;
    const int y = kStemHeight + kPadding;
    if (m_icon != Icon::None) {
        m_iconRect = QRect(x, y, kIconSize, kIconSize);
        x += kIconSize + 6;
    }
    const QSize titleSize = titleMetrics.size(Qt::TextSingleLine, m_title);
    m_titleRect = QRect(x, y + std::max(0, (kIconSize - titleSize.height()) / 2), titleSize.width(),
                        titleSize.height());
    const int titleBottom =
        std::max(m_titleRect.bottom(), m_iconRect.isNull() ? 0 : m_iconRect.bottom());
    const QRect textBounds =
        textMetrics.boundingRect(QRect(0, 0, kMaxTextWidth, 10000), Qt::TextWordWrap, m_text);
    m_textRect = QRect(kPadding, titleBottom + 6, textBounds.width(), textBounds.height());

    const int width =
        std::max({m_titleRect.right(), m_textRect.right(), kStemX + kStemWidth}) + kPadding + 1;
    const int height = m_textRect.bottom() + kPadding + 1;
    m_body = QRect(0, kStemHeight, width, height - kStemHeight);
    resize(width, height);

    QPainterPath body;
    body.addRoundedRect(QRectF(m_body), kRadius, kRadius);
    setMask(QRegion(body.toFillPolygon().toPolygon()) + QRegion(StemPolygon()));
}

void ToolTip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QColor background = palette().color(QPalette::ToolTipBase);
    const QColor foreground = palette().color(QPalette::ToolTipText);
    p.fillRect(rect(), background);
    const QColor border = foreground.lighter(160);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(border, 1));
    p.drawRoundedRect(QRectF(m_body).adjusted(0.5, 0.5, -0.5, -0.5), kRadius, kRadius);
    // The stem: filled over the body's top edge, outlined on its two free sides.
    const QPolygon stem = StemPolygon();
    p.setPen(Qt::NoPen);
    p.setBrush(background);
    p.drawPolygon(stem);
    p.setPen(QPen(border, 1));
    p.drawLine(QPointF(stem[1]) + QPointF(0.5, 0), QPointF(stem[0]) + QPointF(0.5, 0.5));
    p.drawLine(QPointF(stem[0]) + QPointF(0.5, 0.5), QPointF(stem[2]) + QPointF(0.5, 0));
    p.setRenderHint(QPainter::Antialiasing, false);

    if (m_icon != Icon::None) {
        style()->standardIcon(PixmapFor(m_icon)).paint(&p, m_iconRect);
    }
    QFont titleFont = font();
    titleFont.setBold(true);
    p.setPen(foreground);
    p.setFont(titleFont);
    p.drawText(m_titleRect, Qt::TextSingleLine, m_title);
    p.setFont(font());
    p.drawText(m_textRect, Qt::TextWordWrap, m_text);
}

void ToolTip::ShowBalloon(QWidget* field, const QString& title, const QString& text, Icon icon,
                          QPoint anchor) {
    HideBalloon();
    if (field == nullptr) return;
    auto* balloon = new ToolTip(field->window(), title, text, icon);
    QPoint topLeft = field->mapToGlobal(anchor) - QPoint(kStemX, 0);
    if (const QScreen* screen = field->screen()) {
        const QRect area = screen->availableGeometry();
        topLeft.setX(std::clamp(topLeft.x(), area.left(),
                                std::max(area.left(), area.right() - balloon->width())));
    }
    balloon->move(topLeft);
    balloon->show();
    s_current = balloon;
}

void ToolTip::ShowBalloonAtCaret(QWidget* field, const QString& title, const QString& text,
                                 Icon icon) {
    if (field == nullptr) return;
    int x = kPadding;
    if (qobject_cast<QLineEdit*>(field) != nullptr) {
        x = field->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
    }
    ShowBalloon(field, title, text, icon, QPoint(x, field->height()));
}

void ToolTip::HideBalloon() {
    if (s_current) {
        s_current->hide();
        s_current->deleteLater();
    }
    s_current = nullptr;
}

ToolTip* ToolTip::Current() { return s_current.data(); }

}  // namespace vrklad
