#include "app/widgets/program_icon.h"

#include <QPainter>
#include <QPainterPath>

#include "app/widgets/header_widgets.h"

QImage ProgramIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);

    painter.setPen(Qt::NoPen);
    painter.setBrush(kSlate);
    painter.drawRoundedRect(QRectF(0.5, 0.5, 31, 31), 6, 6);

    // Root page, a branch line, three child pages: the shape of a sitemap.
    painter.setPen(QPen(Qt::white, 1.6));
    painter.drawLine(QPointF(16, 11), QPointF(16, 16));
    painter.drawLine(QPointF(7, 16), QPointF(25, 16));
    for (const qreal x : {7.0, 16.0, 25.0})
        painter.drawLine(QPointF(x, 16), QPointF(x, 20));

    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(11, 4, 10, 7), 1.5, 1.5);
    painter.setBrush(kLavender);
    for (const qreal x : {3.0, 12.0, 21.0})
        painter.drawRoundedRect(QRectF(x, 20, 8, 7), 1.5, 1.5);
    return image;
}

QPixmap ProgramIconPixmap() {
    return QPixmap::fromImage(ProgramIconImage(32));
}

QIcon ProgramIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64})
        icon.addPixmap(QPixmap::fromImage(ProgramIconImage(size)));
    return icon;
}

QIcon MakerIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 1.2));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(2, 2, 12, 12));
    painter.drawEllipse(QRectF(5.5, 2, 5, 12));
    painter.drawLine(QPointF(2, 8), QPointF(14, 8));
    return QIcon(pixmap);
}
