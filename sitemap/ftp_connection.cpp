#include "sitemap/ftp_connection.h"

#include "core/file_io.h"
#include "core/text_util.h"
#include "ftp/ftp_errors.h"

std::vector<SiteEntry> SiteEntries(const TIdFTPListItems& listing) {
    std::vector<SiteEntry> entries;
    entries.reserve(listing.size());
    for (const TIdFTPListItem& item : listing)
        entries.push_back(
            {item.name, item.modified, item.utc, item.kind == ListItemKind::Folder, item.unique});
    return entries;
}

void FtpConnection::Connect() {
    client_.Connect(settings_.hostname, settings_.username, settings_.password);
}

std::unique_ptr<SiteConnection> FtpConnection::Another() const {
    auto client = std::make_unique<TIdFTP>(client_.ListingClock());
    client->SetTimeouts(client_.Timeouts());
    client->SetTls(client_.Tls());
    client->SetMlsdAllowed(true);
    return std::unique_ptr<SiteConnection>(new FtpConnection(std::move(client), settings_));
}

std::vector<SiteEntry> FtpConnection::List(const std::string& path) {
    client_.ListFolderAt(path);
    return SiteEntries(client_.FolderListing());
}

bool FtpConnection::Replace(const std::string& localPath, const std::string& name) {
    const std::string temporary = Concat({name, kTemporaryMark, "upload"});
    client_.StoreFile(localPath, temporary);
    try {
        client_.RenameFile(temporary, name);
        return true;
    } catch (const EIdProtocolReplyError&) {
    }
    client_.StoreFile(localPath, name);
    try {
        client_.DeleteFile(temporary);
    } catch (const EIdProtocolReplyError&) {
    }
    return false;
}

RefusalMeaning FtpConnection::MeaningOf(const std::exception& error) const {
    const auto* refusal = dynamic_cast<const EIdProtocolReplyError*>(&error);
    if (refusal == nullptr)
        return RefusalMeaning::Broken;
    if (refusal->ReplyCode() == 550)
        return RefusalMeaning::Missing;
    return refusal->ReplyCode() / 100 == 4 ? RefusalMeaning::TryLater : RefusalMeaning::Refused;
}
