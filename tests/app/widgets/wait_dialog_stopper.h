#pragma once

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTimer>

// Presses "中止" on the wait dialog (RunWithStop) as soon as one is up, as a user would, and
// counts the presses. Lives on the window's thread for the span of one command.
class WaitDialogStopper final {
public:
    WaitDialogStopper() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (widget->objectName() != QLatin1String("WaitDialog") || !widget->isVisible())
                    continue;
                auto* stop = widget->findChild<QPushButton*>(QStringLiteral("StopButton"));
                if (stop && stop->isEnabled()) {
                    stop->click();
                    ++presses_;
                }
            }
        });
        timer_.start(20);
    }

    int Presses() const { return presses_; }

private:
    QTimer timer_;
    int presses_ = 0;
};
