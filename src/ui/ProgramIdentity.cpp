#include "ui/ProgramIdentity.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

namespace vrklad {

QString ProgramTitle() {
    return QStringLiteral("Ведение списка учащихся, имеющих право на льготный проезд");
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        // A travel card: a blue card with a white stripe and a check mark.
        const qreal m = size / 16.0;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x1f, 0x5f, 0xa8));
        p.drawRoundedRect(QRectF(0.5 * m, 2.5 * m, 15 * m, 11 * m), 2 * m, 2 * m);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(0.5 * m, 5 * m, 15 * m, 2 * m));
        QPen pen(QColor(0xf2, 0xc0, 0x2a), 1.6 * m, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(
            QPolygonF({QPointF(3 * m, 10 * m), QPointF(5 * m, 12 * m), QPointF(9 * m, 8.5 * m)}));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace vrklad
