#pragma once

#include <filesystem>
#include <functional>

#include <QDialog>
#include <QString>

#include "settings/SiteSettings.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class Tftp_module;

// The site settings dialog. Created once at start-up, it loads both settings files into its
// controls, which hold the settings for the rest of the run: "実 行" stores them, "キャンセル"
// keeps whatever was typed without storing it.
class Tfsite_manager final : public QDialog {
    Q_OBJECT
public:
    Tfsite_manager(std::filesystem::path programFolder, Tftp_module& ftp,
                   QWidget* parent = nullptr);

    // The settings as the controls hold them now. Window thread only.
    SiteSettings Settings() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    void showSettings(const SiteSettings& settings);

    void FormCreate();
    void Button1Click();
    void Button3Click();

    std::filesystem::path programFolder_;
    Tftp_module& ftp_;

    QLineEdit* web_url = nullptr;
    QLineEdit* hostname = nullptr;
    QLineEdit* username = nullptr;
    QLineEdit* password = nullptr;
    QLineEdit* site_root = nullptr;
    QComboBox* ext_list = nullptr;
    QComboBox* changefreq = nullptr;
    QComboBox* priority = nullptr;
    QComboBox* offset_1 = nullptr;
    QComboBox* offset_2 = nullptr;
    QComboBox* offset_3 = nullptr;
    QComboBox* offset_4 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
};

// The connection test of settings' host, user and password: a fresh login and logout on a worker
// thread under a wait dialog whose "中止" ends it at once. Shows "接続成功" or "接続失敗" with
// show, or refuses with the retrieval's notice while a retrieval holds the FTP client.
void RunConnectionTest(QWidget* parent, Tftp_module& ftp, const SiteSettings& settings,
                       const std::function<void(const QString&)>& show);
