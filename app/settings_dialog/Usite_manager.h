#pragma once

#include <filesystem>
#include <functional>

#include <QDialog>
#include <QString>

#include "settings/SiteSettings.h"
#include "sftp/sftp_errors.h"

class QCheckBox;
class QComboBox;
class QPlainTextEdit;
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

    // Asks whether to trust certificate, which could not be verified, for the host the controls
    // name; yes stores it with the settings at once. True when the user trusted it.
    bool OfferTrust(const CertificateInfo& certificate);
    // The same for the host key of an SFTP server that nothing trusts yet.
    bool OfferHostKeyTrust(const SshHostKey& key);
    // Asks for the key file's passphrase, which Settings() then carries for as long as the
    // dialog lives; it is never stored. True when the user gave one.
    bool AskPassphrase();

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
    QComboBox* transport = nullptr;
    QLineEdit* hostname = nullptr;
    QLineEdit* username = nullptr;
    QLineEdit* password = nullptr;
    QLineEdit* key_file = nullptr;
    std::string sshTrust_;      // the trusted host keys, kept with the settings
    std::string keyPassphrase_; // as the user typed it, never stored
    QLineEdit* site_root = nullptr;
    QComboBox* ext_list = nullptr;
    QComboBox* changefreq = nullptr;
    QComboBox* priority = nullptr;
    QComboBox* offset_1 = nullptr;
    QComboBox* offset_2 = nullptr;
    QComboBox* offset_3 = nullptr;
    QComboBox* offset_4 = nullptr;
    QComboBox* tls = nullptr;
    QComboBox* connections = nullptr;
    std::string tlsTrust_; // the stored trusted certificate, kept with the settings
    QComboBox* sitemap_format = nullptr;
    QCheckBox* gzip = nullptr;
    QPlainTextEdit* exclude = nullptr;
    QCheckBox* robots = nullptr;
    QCheckBox* folder_addresses = nullptr;
    QLineEdit* index_names = nullptr;
    QCheckBox* indexnow = nullptr;
    QLineEdit* indexnow_key = nullptr;
    QLineEdit* indexnow_endpoint = nullptr;
    QCheckBox* check_pages = nullptr;
    QComboBox* check_connections = nullptr;
    QCheckBox* stable_lastmod = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
};

// The connection test of the dialog's host, user, password and security: a fresh login and
// logout on a worker thread under a wait dialog whose "中止" ends it at once. Shows "接続成功",
// whether TLS protected it and whether the server lists with MLSD, or "接続失敗", with show, or
// refuses with the retrieval's notice while a retrieval holds the FTP client. A certificate that
// could not be verified is offered for trust, and trusted, tested again. With SFTP the test is an
// SSH login of its own, whose unknown host key is offered for trust the same way.
void RunConnectionTest(QWidget* parent, Tftp_module& ftp, Tfsite_manager& settingsDialog,
                       const std::function<void(const QString&)>& show);
