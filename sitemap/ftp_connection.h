#pragma once

#include <memory>

#include "ftp/ftp_client.h"
#include "settings/SiteSettings.h"
#include "sitemap/site_connection.h"

// The entries of an FTP listing as the walk reads them.
std::vector<SiteEntry> SiteEntries(const TIdFTPListItems& listing);

// A site connection over an FTP client: the one the caller holds, or one of its own made like
// it (Another).
class FtpConnection final : public SiteConnection {
public:
    FtpConnection(TIdFTP& client, const SiteSettings& settings)
        : client_(client), settings_(settings) {}

    TIdFTP& Client() { return client_; }

    void Connect() override;
    std::unique_ptr<SiteConnection> Another() const override;
    std::string CurrentFolder() override { return client_.CurrentFolder(); }
    void EnterFolder(const std::string& path) override { client_.ChangeFolder(path); }
    std::vector<SiteEntry> List(const std::string& path) override;
    bool ExactTimes() const override { return client_.ListsWithMlsd(); }
    std::optional<std::string> ReadFile(const std::string& path, std::size_t maxBytes) override {
        return client_.RetrieveFile(path, maxBytes);
    }
    void Store(const std::string& localPath, const std::string& name) override {
        client_.StoreFile(localPath, name);
    }
    bool Replace(const std::string& localPath, const std::string& name) override;
    void Remove(const std::string& name) override { client_.DeleteFile(name); }
    RefusalMeaning MeaningOf(const std::exception& error) const override;
    void RaiseStop() override { client_.RaiseStop(); }
    void Quit() override { client_.SendQuit(); }
    std::size_t CommandsSent() const override { return client_.CommandsSent(); }

private:
    FtpConnection(std::unique_ptr<TIdFTP> own, const SiteSettings& settings)
        : own_(std::move(own)), client_(*own_), settings_(settings) {}

    std::unique_ptr<TIdFTP> own_;
    TIdFTP& client_;
    const SiteSettings& settings_;
};
