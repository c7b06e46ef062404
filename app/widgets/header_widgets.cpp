#include "app/widgets/header_widgets.h"

#include <QPainter>

GradientBand::GradientBand(const QColor& from, const QColor& to, int steps, QWidget* parent)
    : QWidget(parent), from_(from), to_(to), steps_(steps) {}

QColor GradientBand::bandColor(int i) const {
    const auto mix = [this, i](int a, int b) { return a + (b - a) * i / (steps_ - 1); };
    return QColor(mix(from_.red(), to_.red()), mix(from_.green(), to_.green()),
                  mix(from_.blue(), to_.blue()));
}

void GradientBand::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int total = width();
    for (int i = 0; i < steps_; ++i) {
        const int left = total * i / steps_;
        const int right = total * (i + 1) / steps_;
        painter.fillRect(QRect(left, 0, right - left, height()), bandColor(i));
    }
}

void ApplyDialogLook(QWidget* dialog) {
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPixelSize(13);
    dialog->setFont(font);
    QPalette palette = dialog->palette();
    palette.setColor(QPalette::Window, Qt::white);
    dialog->setPalette(palette);
    dialog->setAutoFillBackground(true);
}

QLabel* MakeBoxLabel(const QString& name, const QString& text, const QColor& background,
                     const QColor& textColour, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, textColour);
    label->setPalette(palette);
    return label;
}
