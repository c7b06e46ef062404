#include "jobs/search_engines.h"

#include <QTemporaryFile>

#include <map>
#include <set>

#include "core/file_io.h"
#include "core/text_util.h"
#include "jobs/sitemap_pages.h"
#include "jobs/walk_rules.h"
#include "memory/site_memory.h"
#include "notify/indexnow_key.h"
#include "notify/page_changes.h"
#include "notify/robots_sitemap.h"
#include "settings/SiteSettings.h"

namespace {

// Runs work; the failure it raised, if any.
template <typename Work> ServerFailure guarded(Work&& work) {
    try {
        work();
    } catch (const std::exception& error) {
        return ServerFailureOf(error);
    } catch (...) {
        return UnknownServerFailure();
    }
    return {};
}

// Logs in with the settings' account by the site's transport and runs work in the site root;
// the failure of any step.
template <typename Work>
ServerFailure inSiteRoot(Tftp_module& ftp, const SiteSettings& settings, Work&& work) {
    SiteSession session(ftp, settings);
    if (std::optional<ServerFailure> failure = session.Open())
        return *failure;
    SiteConnection& connection = session.Connection();
    return guarded([&] {
        if (!settings.site_root.empty())
            connection.EnterFolder(settings.site_root);
        work(connection);
    });
}

// Stores bytes as name through a local temporary file, replacing the old file as the sitemap
// is; true when the server would not rename over it.
bool storeBytes(SiteConnection& connection, const QByteArray& bytes, const std::string& name) {
    QTemporaryFile local;
    if (!local.open() || local.write(bytes) != bytes.size() || !local.flush())
        throw FileError(Concat({"cannot write ", local.fileName().toStdString()}));
    local.close();
    return !connection.Replace(local.fileName().toStdString(), name);
}

std::vector<NotifiedPage>
notifiedPages(const std::vector<std::pair<std::string, std::string>>& pages) {
    std::vector<NotifiedPage> out;
    out.reserve(pages.size());
    for (const auto& [address, lastmod] : pages)
        out.push_back({QString::fromStdString(address), QString::fromStdString(lastmod)});
    return out;
}

// told with the addresses the endpoint received brought up to now: a changed or added one
// takes its lastmod of now, a removed one is dropped.
std::vector<std::pair<std::string, std::string>>
withReceived(const std::vector<std::pair<std::string, std::string>>& told,
             const std::vector<std::pair<std::string, std::string>>& now,
             const QStringList& received) {
    std::map<std::string, std::string> pages(told.begin(), told.end());
    const std::map<std::string, std::string> current(now.begin(), now.end());
    for (const QString& address : received) {
        const std::string key = address.toStdString();
        if (const auto found = current.find(key); found != current.end())
            pages[key] = found->second;
        else
            pages.erase(key);
    }
    return {pages.begin(), pages.end()};
}

} // namespace

QUrl SitemapAddress(const SiteSettings& settings) {
    return QUrl(QString::fromStdString(settings.web_url + "/sitemap.xml"));
}

RobotsResult CheckRobotsLine(SiteConnection& connection, const SiteSettings& settings, bool add) {
    RobotsResult result;
    const QUrl sitemap = SitemapAddress(settings);
    result.line = SitemapLine(sitemap).toStdString();
    result.failure = guarded([&] {
        const std::optional<std::string> robots =
            connection.ReadFile("robots.txt", kMaxRobotsBytes);
        const QByteArray bytes = robots ? QByteArray::fromStdString(*robots) : QByteArray();
        if (robots && HasSitemapLine(bytes, sitemap))
            result.kind = RobotsKind::HasLine;
        else if (robots && robots->size() >= kMaxRobotsBytes)
            result.kind = RobotsKind::TooLarge;
        else
            result.kind = robots ? RobotsKind::LineMissing : RobotsKind::NoFile;
        if (add && (result.kind == RobotsKind::LineMissing || result.kind == RobotsKind::NoFile)) {
            result.renameRefused =
                storeBytes(connection, WithSitemapLine(bytes, sitemap), "robots.txt");
            result.kind = RobotsKind::Added;
        }
    });
    if (result.failure.Failed())
        result.kind = RobotsKind::Failed;
    return result;
}

RobotsResult CheckRobotsLine(Tftp_module& ftp, const SiteSettings& settings, bool add) {
    RobotsResult result;
    const ServerFailure failure = inSiteRoot(ftp, settings, [&](SiteConnection& connection) {
        result = CheckRobotsLine(connection, settings, add);
    });
    if (failure.Failed()) {
        result.kind = RobotsKind::Failed;
        result.line = SitemapLine(SitemapAddress(settings)).toStdString();
        result.failure = failure;
    }
    return result;
}

std::optional<std::string> KeptOrNewIndexNowKey(const std::string& key) {
    if (IsIndexNowKey(QString::fromStdString(key)))
        return key;
    if (const std::optional<QString> made = MakeIndexNowKey())
        return made->toStdString();
    return std::nullopt;
}

NotifyResult NotifySearchEngines(Tftp_module& ftp, const SiteSettings& settings,
                                 const std::filesystem::path& programFolder,
                                 IndexNowOptions options, const std::atomic<bool>* stop) {
    NotifyResult result;
    const QString key = QString::fromStdString(settings.indexnow_key);
    if (!settings.indexnow || !IsIndexNowKey(key))
        return result;
    if (!settings.indexnow_endpoint.empty())
        options.endpoint = QUrl(QString::fromStdString(settings.indexnow_endpoint));
    const auto now = ReadSitemapPages(programFolder);
    if (!now) {
        result.kind = NotifyKind::NoSitemap;
        return result;
    }
    SiteMemory memory(programFolder, settings.web_url, [](const SiteMemory::Problem&) {});
    result.kind = NotifyKind::MemoryOff;
    if (!memory.IsOn())
        return result;
    const IndexNowSite site{QUrl(QString::fromStdString(settings.web_url + "/")), key};
    result.keyLocation = KeyLocation(site.address, key).toString().toStdString();
    const std::optional<NotifiedState> told = memory.Notified();

    if (!told || told->key != settings.indexnow_key) {
        // An engine that cannot read the key file refuses every address: it is put in place and
        // read back as the engines will read it before anything is sent.
        result.failure = inSiteRoot(ftp, settings, [&](SiteConnection& connection) {
            storeBytes(connection, KeyFileContent(key), KeyFileName(key).toStdString());
        });
        if (result.failure.Failed()) {
            result.kind = NotifyKind::KeyUploadFailed;
            return result;
        }
        result.keyCheck = CheckKeyFile(KeyLocation(site.address, key), key, options.limits, stop);
        if (result.keyCheck.kind != KeyCheckKind::Verified) {
            result.kind = NotifyKind::KeyNotServed;
            return result;
        }
        if (memory.KeepNotified({settings.indexnow_key, *now}))
            result.kind = NotifyKind::SetUp;
        return result;
    }

    const PageChanges changes = ChangesSince(notifiedPages(told->pages), notifiedPages(*now));
    const QStringList addresses = changes.All();
    result.changed = int(addresses.size());
    if (addresses.isEmpty()) {
        result.kind = NotifyKind::NothingChanged;
        return result;
    }
    result.batches = NotifyIndexNow(site, addresses, options, stop);
    QStringList received;
    for (const BatchResult& batch : result.batches) {
        if (batch.kind == BatchKind::Received)
            received += addresses.mid(batch.first, batch.count);
    }
    result.received = int(received.size());
    if (!received.isEmpty() &&
        !memory.KeepNotified({told->key, withReceived(told->pages, *now, received)}))
        return result; // MemoryOff: sent, but not kept, so it goes again next time
    result.kind = received.size() == addresses.size() ? NotifyKind::Sent : NotifyKind::Refused;
    return result;
}
