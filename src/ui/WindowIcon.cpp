#include "ui/WindowIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygonF>

QIcon WindowIcon() {
    // A handful of flat colours, so that the note stays clear at 16 pixels.
    QIcon icon;
    for (int size : {16, 32}) {
        QPixmap image(size, size);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        const double s = size / 16.0;
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 128));
        painter.drawRect(QRectF(0, 0, size, size));
        painter.setBrush(QColor(255, 255, 0));
        painter.drawEllipse(QRectF(2 * s, 10 * s, 6 * s, 4.5 * s));
        painter.drawRect(QRectF(7 * s, 2 * s, 1.5 * s, 10 * s));
        painter.drawPolygon(QPolygonF(
            {QPointF(8.5 * s, 2 * s), QPointF(13 * s, 5 * s), QPointF(13 * s, 7.5 * s), QPointF(8.5 * s, 4.5 * s)}));
        painter.end();
        icon.addPixmap(image);
    }
    return icon;
}
