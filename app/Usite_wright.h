#pragma once

#include <QMainWindow>

// The main window.
class TFsite_wright final : public QMainWindow {
    Q_OBJECT
public:
    explicit TFsite_wright(QWidget* parent = nullptr);
};
