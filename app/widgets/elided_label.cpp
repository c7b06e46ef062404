#include "app/widgets/elided_label.h"

#include <QPainter>

ElidedLabel::ElidedLabel(QWidget* parent) : QFrame(parent) {}

void ElidedLabel::setText(const QString& text) {
    if (text == text_)
        return;
    text_ = text;
    setToolTip(text_);
    update();
}

QSize ElidedLabel::sizeHint() const {
    return minimumSizeHint();
}

QSize ElidedLabel::minimumSizeHint() const {
    const int frame = 2 * frameWidth();
    return QSize(frame + 2 * kIndent + fontMetrics().horizontalAdvance(QChar(0x2026)),
                 frame + fontMetrics().height());
}

void ElidedLabel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    const QRect box = contentsRect().adjusted(kIndent, 0, -kIndent, 0);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     fontMetrics().elidedText(text_, Qt::ElideMiddle, box.width()));
}
