#include "app/widgets/header_widgets.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>

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

QFont PixelFont(const QString& family, int pixels, bool bold) {
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

void FillBackground(QWidget* widget, const QColor& colour) {
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
}

void ApplyDialogLook(QWidget* dialog) {
    dialog->setFont(PixelFont(QStringLiteral("ＭＳ Ｐゴシック"), 13));
    FillBackground(dialog, Qt::white);
}

QScreen* ScreenOf(const QWidget* window) {
    if (const QWidget* parent = window->parentWidget())
        return parent->window()->screen();
    if (const QWidget* active = QApplication::activeWindow(); active && active != window)
        return active->screen();
    return window->screen();
}

void FitOnScreen(QWidget* window) {
    const QScreen* screen = ScreenOf(window);
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    // The title bar and borders the window manager adds take their share of the work area.
    const QSize room = area.size() - (window->frameGeometry().size() - window->size());
    window->resize(window->size().boundedTo(room));
    QRect frame = window->frameGeometry();
    frame.moveCenter(area.center());
    window->move(frame.topLeft());
}

QLabel* MakeBoxLabel(const QString& name, const QString& text, const QColor& background,
                     const QColor& textColour, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    FillBackground(label, background);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, textColour);
    label->setPalette(palette);
    return label;
}
