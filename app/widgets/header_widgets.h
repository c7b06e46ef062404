#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QWidget>

class QScreen;

// The colours of the windows and dialogs: caption boxes, bands and the icon.
inline constexpr QColor kSlate(0x53, 0x55, 0x6C);
inline constexpr QColor kLavender(0x80, 0x80, 0xC0);
inline constexpr QColor kBlue(0x00, 0x80, 0xC0);
inline constexpr QColor kTeal(0x00, 0x80, 0x80);
inline constexpr QColor kGrey(0x80, 0x80, 0x80);

// A horizontal colour gradient drawn as a fixed number of equal bands.
class GradientBand final : public QWidget {
    Q_OBJECT
public:
    GradientBand(const QColor& from, const QColor& to, int steps, QWidget* parent = nullptr);

    // The colour of band i (0 to steps - 1).
    QColor bandColor(int i) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor from_;
    QColor to_;
    int steps_;
};

// A font of the family at a size in pixels, as the interface's designs give them.
QFont PixelFont(const QString& family, int pixels, bool bold = false);

// Fills the widget's background with colour.
void FillBackground(QWidget* widget, const QColor& colour);

// The dialogs' look: "ＭＳ Ｐゴシック" at 13 pixels on white.
void ApplyDialogLook(QWidget* dialog);

// The screen a window opens on: its parent's, else the active window's, else its own.
QScreen* ScreenOf(const QWidget* window);

// Shrinks the window to the work area of the screen it opens on, where it is larger, and
// moves it so that its frame stands in the middle of that work area.
void FitOnScreen(QWidget* window);

// A caption box: centred text of the given colour on a solid background.
QLabel* MakeBoxLabel(const QString& name, const QString& text, const QColor& background,
                     const QColor& textColour, QWidget* parent);
