#pragma once

#include <QDialog>

// The site settings dialog. It is created at start-up after the main window and the FTP module
// and lives until the program ends; its controls and the settings files join it later.
class Tfsite_manager final : public QDialog {
    Q_OBJECT
public:
    explicit Tfsite_manager(QWidget* parent = nullptr);
};
