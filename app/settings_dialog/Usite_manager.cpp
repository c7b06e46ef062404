#include "app/settings_dialog/Usite_manager.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "jobs/problem_text.h"
#include "jobs/search_engines.h"
#include "core/text_util.h"
#include "core/texts.h"
#include "app/widgets/header_widgets.h"
#include "app/widgets/message_dialogs.h"
#include "app/widgets/wait_dialog.h"
#include "ftp/Uftp_module.h"
#include "ftp/connection_test.h"
#include "settings/ssh_settings.h"
#include "sitemap/sftp_connection.h"

namespace {
// Selects the item whose text equals value; none when no item does (the loader has already
// matched the stored text against the items).
void selectItem(QComboBox* combo, const std::string& value) {
    combo->setCurrentIndex(combo->findText(QString::fromStdString(value)));
}

} // namespace

Tfsite_manager::Tfsite_manager(std::filesystem::path programFolder, Tftp_module& ftp,
                               QWidget* parent)
    : QDialog(parent), programFolder_(std::move(programFolder)), ftp_(ftp) {
    setObjectName(QStringLiteral("fsite_manager"));
    setWindowTitle(QText(texts::kSettingsTitle));
    createControls();
    showSettings(SiteSettings());
    FormCreate();
}

void Tfsite_manager::showSettings(const SiteSettings& settings) {
    web_url->setText(QString::fromStdString(settings.web_url));
    hostname->setText(QString::fromStdString(settings.hostname));
    username->setText(QString::fromStdString(settings.username));
    password->setText(QString::fromStdString(settings.password));
    site_root->setText(QString::fromStdString(settings.site_root));
    ext_list->setCurrentIndex(0);
    ext_list->setEditText(QString::fromStdString(settings.ext_list));
    selectItem(changefreq, settings.changefreq);
    selectItem(priority, settings.priority);
    selectItem(offset_1, settings.offset_1);
    selectItem(offset_2, settings.offset_2);
    selectItem(offset_3, settings.offset_3);
    selectItem(offset_4, settings.offset_4);
    const auto* item = std::find(kTlsSettingItems.begin(), kTlsSettingItems.end(), settings.tls);
    tls->setCurrentIndex(item == kTlsSettingItems.end() ? 1 : int(item - kTlsSettingItems.begin()));
    tlsTrust_ = settings.tls_trust;
    selectItem(transport, settings.transport);
    key_file->setText(QString::fromStdString(settings.key_file));
    sshTrust_ = settings.ssh_trust;
    selectItem(connections, settings.connections);
    const auto* format =
        std::find(kSitemapFormatItems.begin(), kSitemapFormatItems.end(), settings.sitemap_format);
    sitemap_format->setCurrentIndex(
        format == kSitemapFormatItems.end() ? 0 : int(format - kSitemapFormatItems.begin()));
    gzip->setChecked(settings.gzip);
    QStringList patterns;
    for (const std::string& pattern : SplitList(settings.exclude))
        patterns << QString::fromStdString(pattern);
    exclude->setPlainText(patterns.join(u'\n'));
    robots->setChecked(settings.robots);
    check_pages->setChecked(settings.check_pages);
    selectItem(check_connections, settings.check_connections);
    stable_lastmod->setChecked(settings.stable_lastmod);
    folder_addresses->setChecked(settings.folder_addresses);
    index_names->setText(QString::fromStdString(settings.index_names));
    indexnow_key->setText(QString::fromStdString(settings.indexnow_key));
    indexnow->setChecked(settings.indexnow);
    indexnow_endpoint->setText(QString::fromStdString(settings.indexnow_endpoint));
}

SiteSettings Tfsite_manager::Settings() const {
    SiteSettings settings;
    settings.web_url = web_url->text().toStdString();
    settings.hostname = hostname->text().toStdString();
    settings.username = username->text().toStdString();
    settings.password = password->text().toStdString();
    settings.site_root = site_root->text().toStdString();
    settings.ext_list = ext_list->currentText().toStdString();
    settings.changefreq = changefreq->currentText().toStdString();
    settings.priority = priority->currentText().toStdString();
    settings.offset_1 = offset_1->currentText().toStdString();
    settings.offset_2 = offset_2->currentText().toStdString();
    settings.offset_3 = offset_3->currentText().toStdString();
    settings.offset_4 = offset_4->currentText().toStdString();
    settings.tls = std::string(kTlsSettingItems.at(std::size_t(std::max(0, tls->currentIndex()))));
    settings.tls_trust = tlsTrust_;
    settings.transport = transport->currentText().toStdString();
    settings.key_file = key_file->text().toStdString();
    settings.ssh_trust = sshTrust_;
    settings.key_passphrase = keyPassphrase_;
    settings.connections = connections->currentText().toStdString();
    settings.sitemap_format = std::string(
        kSitemapFormatItems.at(std::size_t(std::max(0, sitemap_format->currentIndex()))));
    settings.gzip = gzip->isChecked();
    // Stored on one line: the patterns joined with commas.
    for (const std::string& pattern : SplitList(exclude->toPlainText().toStdString()))
        settings.exclude += (settings.exclude.empty() ? "" : ",") + pattern;
    settings.robots = robots->isChecked();
    settings.check_pages = check_pages->isChecked();
    settings.check_connections = check_connections->currentText().toStdString();
    settings.stable_lastmod = stable_lastmod->isChecked();
    settings.folder_addresses = folder_addresses->isChecked();
    settings.index_names = index_names->text().toStdString();
    settings.indexnow = indexnow->isChecked();
    settings.indexnow_key = indexnow_key->text().toStdString();
    settings.indexnow_endpoint = indexnow_endpoint->text().trimmed().toStdString();
    return settings;
}

bool Tfsite_manager::OfferTrust(const CertificateInfo& certificate) {
    const std::string question = Concat({CertificateText(certificate), texts::kLineBreak,
                                         texts::kLineBreak, texts::kTrustQuestion});
    // Enter must not trust a certificate nobody read.
    if (ShowConfirm(QText(question), QText(texts::kTrust), QText(texts::kCancel), kSecondButton) !=
        kFirstButton)
        return false;
    const TrustedCertificate trusted{hostname->text().toStdString(), certificate.fingerprint};
    StoreTrustedCertificate(programFolder_, trusted);
    tlsTrust_ = trusted.Text();
    return true;
}

bool Tfsite_manager::OfferHostKeyTrust(const SshHostKey& key) {
    const SiteSettings settings = Settings();
    const std::string question = Concat(
        {texts::kSftpHostKeyUnknown, texts::kLineBreak,
         Filled(texts::kHostKeyFacts, {{"type", key.type}, {"fingerprint", key.fingerprint}}),
         texts::kLineBreak, texts::kLineBreak, texts::kHostKeyQuestion});
    if (ShowConfirm(QText(question), QText(texts::kTrust), QText(texts::kCancel), kSecondButton) !=
        kFirstButton)
        return false;
    StoreTrustedHostKey(programFolder_, settings, key.fingerprint);
    SiteSettings trusted = settings;
    TrustHostKey(trusted, key.fingerprint);
    sshTrust_ = trusted.ssh_trust;
    return true;
}

bool Tfsite_manager::AskPassphrase() {
    bool given = false;
    const QString passphrase = QInputDialog::getText(
        this, windowTitle(),
        QText(Filled(texts::kPassphrasePrompt, {{"file", key_file->text().toStdString()}})),
        QLineEdit::Password, {}, &given);
    if (given)
        keyPassphrase_ = passphrase.toStdString();
    return given;
}

void Tfsite_manager::FormCreate() {
    SiteSettings settings = Settings();
    try {
        LoadSettings(programFolder_, settings);
    } catch (const std::exception& error) {
        // The values read before the failure stay, as they would in the controls.
        ShowStandardError(QString::fromStdString(ErrorText(error)));
    }
    showSettings(settings);
}

void Tfsite_manager::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FitOnScreen(this);
}

void Tfsite_manager::Button1Click() {
    SaveSettings(programFolder_, Settings());
}

void Tfsite_manager::Button3Click() {
    // The texts as they stand, stored or not.
    RunConnectionTest(this, ftp_, *this, ShowPlainMessage);
}

void RunConnectionTest(QWidget* parent, Tftp_module& ftp, Tfsite_manager& settingsDialog,
                       const std::function<void(const QString&)>& show) {
    for (;;) {
        const SiteSettings settings = settingsDialog.Settings();
        if (UsesSftp(settings)) {
            // A login and logout over SSH; the host key question and the passphrase lead to
            // another try.
            std::optional<SftpError> failure;
            SftpConnection connection(settings);
            RunWithStop(
                parent, QText(texts::kTestingConnection),
                [&] {
                    try {
                        connection.Connect();
                        connection.Quit();
                    } catch (const SftpError& error) {
                        failure = error;
                    }
                },
                [&connection] { connection.RaiseStop(); });
            if (!failure) {
                show(QText(texts::kConnected));
                return;
            }
            if (failure->Kind() == SftpFailureKind::HostKeyUnknown) {
                if (settingsDialog.OfferHostKeyTrust(failure->HostKey()))
                    continue;
                return;
            }
            if (failure->Kind() == SftpFailureKind::KeyPassphrase && settingsDialog.AskPassphrase())
                continue;
            show(QText(
                Concat({texts::kConnectFailed, texts::kLineBreak, SftpFailureText(*failure)})));
            return;
        }
        ConnectionTestReport report;
        // A stop of an earlier conversation must not end this one.
        ftp.ClearStop();
        RunWithStop(
            parent, QText(texts::kTestingConnection),
            [&] {
                report = TestConnection(
                    ftp, settings.hostname, settings.username, settings.password,
                    TlsOptionsFor(settings.tls, settings.tls_trust, settings.hostname));
            },
            [&ftp] { ftp.Abort(); });
        switch (report.result) {
        case ConnectionTestResult::Busy:
            ShowRetrievalRunning();
            return;
        case ConnectionTestResult::Failed:
            // The trust question says itself why the certificate failed.
            if (const auto certificate = ftp.UntrustedCertificate()) {
                if (settingsDialog.OfferTrust(*certificate))
                    continue;
                return;
            }
            show(QText(
                Concat({texts::kConnectFailed, texts::kLineBreak, FailureText(ftp.LastError())})));
            return;
        case ConnectionTestResult::Connected: {
            // The first line is what a login always showed; TLS and the listing follow on lines
            // of their own.
            std::string message(texts::kConnected);
            if (!report.tlsProtocol.empty())
                message += Concat({texts::kLineBreak, Filled(texts::kTlsConnected,
                                                             {{"protocol", report.tlsProtocol}})});
            message += Concat(
                {texts::kLineBreak, report.mlsd ? texts::kMlsdOffered : texts::kMlsdNotOffered});
            show(QText(message));
            return;
        }
        }
    }
}
