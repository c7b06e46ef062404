#pragma once

#include <QFrame>
#include <QString>

// A one-line label that never asks for the width of its text: a text wider than the label is
// cut in the middle with "…" and shown whole as the tooltip. The status bar's panels use it, so
// that a long path can neither widen the window nor push its buttons out of sight.
class ElidedLabel final : public QFrame {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    // The whole text; shows at the next paint.
    void setText(const QString& text);
    const QString& text() const { return text_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int kIndent = 2;
    QString text_;
};
