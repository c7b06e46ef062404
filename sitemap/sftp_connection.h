#pragma once

#include <memory>

#include "settings/SiteSettings.h"
#include "sftp/sftp_session.h"
#include "sitemap/site_connection.h"

// A site connection over SFTP with the settings' host, port, login and trusted host keys (and
// the user's ~/.ssh/known_hosts). Links are entries of their own, never folders.
class SftpConnection final : public SiteConnection {
public:
    explicit SftpConnection(const SiteSettings& settings) : settings_(settings) {}

    void Connect() override;
    std::unique_ptr<SiteConnection> Another() const override {
        return std::make_unique<SftpConnection>(settings_);
    }
    std::string CurrentFolder() override;
    void EnterFolder(const std::string& path) override;
    std::vector<SiteEntry> List(const std::string& path) override;
    bool ExactTimes() const override { return true; }
    std::optional<std::string> ReadFile(const std::string& path, std::size_t maxBytes) override;
    void Store(const std::string& localPath, const std::string& name) override;
    bool Replace(const std::string& localPath, const std::string& name) override;
    void Remove(const std::string& name) override;
    RefusalMeaning MeaningOf(const std::exception& error) const override;
    void RaiseStop() override { session_.RaiseStop(); }
    void Quit() override { session_.Disconnect(); }
    std::size_t CommandsSent() const override { return requests_; }

private:
    // name below the entered folder, unless it is absolute.
    std::string resolved(const std::string& name);

    const SiteSettings& settings_;
    SftpSession session_;
    std::string folder_; // the entered folder, or empty
    std::size_t requests_ = 0;
};
