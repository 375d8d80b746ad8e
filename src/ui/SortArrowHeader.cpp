#include "ui/SortArrowHeader.h"

#include <QPainter>
#include <QPolygon>

namespace vrklad {

SortArrowHeader::SortArrowHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setHighlightSections(false);
    setSortIndicatorShown(false);
}

void SortArrowHeader::SetImage(int column, int image) {
    if (column < 0) return;
    if (static_cast<size_t>(column) >= m_images.size()) {
        m_images.resize(static_cast<size_t>(column) + 1, kNoImage);
    }
    if (m_images[static_cast<size_t>(column)] == image) return;
    m_images[static_cast<size_t>(column)] = image;
    viewport()->update();
}

int SortArrowHeader::Image(int column) const {
    if (column < 0 || static_cast<size_t>(column) >= m_images.size()) return kNoImage;
    return m_images[static_cast<size_t>(column)];
}

void SortArrowHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    painter->save();
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();
    const int image = Image(logicalIndex);
    if (image == kNoImage) return;

    const QString caption =
        model() ? model()->headerData(logicalIndex, orientation()).toString() : QString();
    const int size = std::max(6, rect.height() / 3);
    const int left = rect.left() + 6 + fontMetrics().horizontalAdvance(caption) + 6;
    const int x = std::min(left, rect.right() - size - 2);
    const int top = rect.center().y() - size / 4;
    QPolygon triangle;
    if (image == kArrowUp) {
        triangle << QPoint(x, top + size / 2) << QPoint(x + size, top + size / 2)
                 << QPoint(x + size / 2, top - size / 2 + 1);
    } else {
        triangle << QPoint(x, top - size / 2 + 1) << QPoint(x + size, top - size / 2 + 1)
                 << QPoint(x + size / 2, top + size / 2);
    }
    painter->save();
    painter->setClipRect(rect);
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(palette().color(QPalette::ButtonText));
    painter->drawPolygon(triangle);
    painter->restore();
}

}  // namespace vrklad
