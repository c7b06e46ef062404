#include "pagecheck/page_check.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include "core/text_util.h"
#include "pagecheck/head_scan.h"
#include "pagecheck/page_address.h"

bool LeavesSitemap(Verdict verdict) {
    switch (verdict) {
    case Verdict::Indexable:
    case Verdict::NotModified:
    case Verdict::Unreachable:
        return false;
    default:
        return true;
    }
}

std::string PageCheckOptions::DefaultUserAgent() {
    return "SiteWright/" SW_VERSION;
}

namespace {

std::string headerText(const QNetworkReply& reply, const char* name) {
    return reply.rawHeader(name).toStdString();
}

// "scheme://host:port", the unit a certificate belongs to.
std::string siteOf(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return (scheme + "://" + url.host().toLower() + ":" +
            QString::number(url.port(scheme == "https" ? 443 : 80)))
        .toStdString();
}

// One request in flight and what its answer has shown so far.
struct Transfer {
    std::size_t index = 0;
    std::size_t manager = 0;
    QDeadlineTimer deadline;
    std::string head;
    bool headDone = false;
    QCryptographicHash hash{QCryptographicHash::Sha256};
    std::size_t bodyBytes = 0;
    bool cutShort = false; // we ended the transfer before the body's end
    Unknown abortedFor = Unknown::None;
    QList<QSslError> sslErrors;
};

class Checker final {
public:
    Checker(const std::vector<PageToCheck>& pages, const PageCheckOptions& options,
            const NonPageNames& names, const std::atomic<bool>& stop,
            const PageCheckProgress& progress)
        : pages_(pages), options_(options), names_(names), stop_(stop), progress_(progress),
          connections_(std::clamp(options.connections, PageCheckOptions::kMinConnections,
                                  PageCheckOptions::kMaxConnections)),
          checkDeadline_(options.checkTimeout.count()) {
        report_.pages.resize(pages.size());
        // Qt opens at most six HTTP/1.1 connections to a host per manager, so more requests at
        // a time need more managers.
        const int managers = (connections_ + kConnectionsPerManager - 1) / kConnectionsPerManager;
        for (int i = 0; i < managers; ++i) {
            managers_.push_back({std::make_unique<QNetworkAccessManager>(), 0});
            managers_.back().manager->setAutoDeleteReplies(false);
            managers_.back().manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
        }
    }

    PageCheckReport Run() {
        for (std::size_t index = 0; index < pages_.size(); ++index) {
            report_.pages[index].address = pages_[index].address;
            report_.pages[index].validators = pages_[index].previous;
            if (const auto byName = names_.VerdictOf(pages_[index].address))
                judge(index, *byName);
            else
                queue_.push_back(index);
        }
        QObject::connect(&tick_, &QTimer::timeout, [this] { onTick(); });
        tick_.start(50);
        startMore();
        if (done_ < pages_.size())
            loop_.exec();
        tick_.stop();
        return std::move(report_);
    }

private:
    void judge(std::size_t index, Verdict verdict, Unknown cause = Unknown::None) {
        PageVerdict& page = report_.pages[index];
        page.verdict = verdict;
        page.cause = cause;
        ++done_;
        if (progress_)
            progress_(done_, page);
        if (done_ == pages_.size())
            loop_.quit();
    }

    void startMore() {
        while (transfers_.size() < std::size_t(connections_) && next_ < queue_.size())
            start(queue_[next_++]);
    }

    void start(std::size_t index) {
        const QUrl url(QString::fromStdString(pages_[index].address));
        if (NormalAddress(pages_[index].address).empty())
            return judge(index, Verdict::Unreachable, Unknown::Network);
        if (failedSites_.count(siteOf(url)))
            return judge(index, Verdict::Unreachable, Unknown::Certificate);
        QNetworkRequest request(url);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::ManualRedirectPolicy);
        request.setAttribute(QNetworkRequest::Http2AllowedAttribute, true);
        request.setHeader(QNetworkRequest::UserAgentHeader,
                          QString::fromStdString(options_.userAgent));
        const Validators& previous = pages_[index].previous;
        if (!previous.etag.empty())
            request.setRawHeader("If-None-Match", QByteArray::fromStdString(previous.etag));
        if (!previous.lastModified.empty())
            request.setRawHeader("If-Modified-Since",
                                 QByteArray::fromStdString(previous.lastModified));
        const auto manager = std::min_element(
            managers_.begin(), managers_.end(),
            [](const Manager& a, const Manager& b) { return a.requests < b.requests; });
        ++manager->requests;
        QNetworkReply* reply = manager->manager->get(request);
        auto transfer = std::make_unique<Transfer>();
        transfer->index = index;
        transfer->manager = std::size_t(manager - managers_.begin());
        transfer->deadline = QDeadlineTimer(options_.requestTimeout.count());
        transfers_.emplace(reply, std::move(transfer));
        QObject::connect(reply, &QNetworkReply::readyRead, [this, reply] { onData(reply); });
        QObject::connect(reply, &QNetworkReply::sslErrors,
                         [this, reply](const QList<QSslError>& errors) {
                             transfers_.at(reply)->sslErrors = errors;
                         });
        QObject::connect(reply, &QNetworkReply::finished, [this, reply] { onFinished(reply); });
    }

    void onData(QNetworkReply* reply) {
        Transfer& transfer = *transfers_.at(reply);
        if (take(*reply, transfer)) {
            transfer.cutShort = true;
            reply->abort(); // finished() comes at once: transfer is gone after this line
        }
    }

    // Takes the bytes that came; true when no more are needed.
    bool take(QNetworkReply& reply, Transfer& transfer) {
        const QByteArray data = reply.readAll();
        const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status < 200 || status > 299) // only a page's own body is judged
            return false;
        transfer.bodyBytes += std::size_t(data.size());
        if (options_.hashBodies && transfer.bodyBytes <= PageCheckOptions::kHashedBytes)
            transfer.hash.addData(data);
        if (!transfer.headDone) {
            const std::size_t room = PageCheckOptions::kHeadBytes - transfer.head.size();
            transfer.head.append(data.constData(), std::min(room, std::size_t(data.size())));
            transfer.headDone = transfer.head.size() >= PageCheckOptions::kHeadBytes ||
                                ScanHead(transfer.head).ended;
        }
        return options_.hashBodies ? transfer.bodyBytes > PageCheckOptions::kHashedBytes
                                   : transfer.headDone;
    }

    void onFinished(QNetworkReply* reply) {
        const std::unique_ptr<Transfer> transfer = std::move(transfers_.at(reply));
        transfers_.erase(reply);
        --managers_[transfer->manager].requests;
        reply->deleteLater();
        if (!transfer->cutShort && reply->error() == QNetworkReply::NoError)
            transfer->cutShort = take(*reply, *transfer); // the last bytes may come only now
        judgeAnswer(*reply, *transfer);
        startMore();
    }

    void judgeAnswer(const QNetworkReply& reply, const Transfer& transfer) {
        PageVerdict& page = report_.pages[transfer.index];
        const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        page.status = status;
        if (transfer.abortedFor != Unknown::None)
            return judge(transfer.index, Verdict::Unreachable, transfer.abortedFor);
        if (status == 0)
            return judge(transfer.index, Verdict::Unreachable, failureCause(reply, transfer));
        if (status == 304) {
            Validators& kept = page.validators;
            if (!reply.rawHeader("ETag").isEmpty())
                kept.etag = headerText(reply, "ETag");
            if (!reply.rawHeader("Last-Modified").isEmpty())
                kept.lastModified = headerText(reply, "Last-Modified");
            return judge(transfer.index, Verdict::NotModified);
        }
        if (status >= 300 && status <= 399) {
            const QByteArray location = reply.rawHeader("Location");
            if (!location.isEmpty())
                page.target = reply.url()
                                  .resolved(QUrl::fromEncoded(location.trimmed()))
                                  .toString(QUrl::FullyEncoded)
                                  .toStdString();
            return judge(transfer.index, Verdict::Redirected);
        }
        if (status == 404 || status == 410)
            return judge(transfer.index, Verdict::NotFound);
        if (status >= 500)
            return judge(transfer.index, Verdict::Unreachable, Unknown::ServerError);
        if (status < 200 || status > 299)
            return judge(transfer.index, Verdict::Unreachable, Unknown::Refused);
        judgePage(reply, transfer, page);
    }

    void judgePage(const QNetworkReply& reply, const Transfer& transfer, PageVerdict& page) {
        page.validators.etag = headerText(reply, "ETag");
        page.validators.lastModified = headerText(reply, "Last-Modified");
        const bool whole =
            options_.hashBodies && !transfer.cutShort && reply.error() == QNetworkReply::NoError;
        page.validators.bodySha256 =
            whole ? transfer.hash.result().toHex().toStdString() : std::string();
        bool noindex = false;
        for (const auto& [name, value] : reply.rawHeaderPairs())
            if (name.compare("X-Robots-Tag", Qt::CaseInsensitive) == 0 &&
                RobotsHeaderForbidsIndexing(value.toStdString()))
                noindex = true;
        const HeadFacts facts = ScanHead(transfer.head);
        if (noindex || facts.noindex)
            return judge(transfer.index, Verdict::NoIndex);
        if (!facts.canonical.empty()) {
            const std::string canonical = NormalAddress(facts.canonical, page.address);
            if (!canonical.empty() && canonical != NormalAddress(page.address)) {
                page.target = canonical;
                return judge(transfer.index, Verdict::CanonicalElsewhere);
            }
        }
        judge(transfer.index, Verdict::Indexable);
    }

    Unknown failureCause(const QNetworkReply& reply, const Transfer& transfer) {
        const bool certificate = !transfer.sslErrors.isEmpty() ||
                                 reply.error() == QNetworkReply::SslHandshakeFailedError;
        if (!certificate)
            return reply.error() == QNetworkReply::TimeoutError ? Unknown::TimedOut
                                                                : Unknown::Network;
        const std::string site = siteOf(reply.url());
        if (failedSites_.insert(site).second)
            report_.certificateFailures.push_back({site, transfer.sslErrors});
        return Unknown::Certificate;
    }

    void onTick() {
        const bool stopping = stop_.load();
        const bool outOfTime = checkDeadline_.hasExpired();
        if (stopping || outOfTime) {
            report_.stopped = stopping;
            report_.timedOut = !stopping;
            const Unknown cause = stopping ? Unknown::Stopped : Unknown::TimedOut;
            while (next_ < queue_.size()) // no new request is started
                judge(queue_[next_++], Verdict::Unreachable, cause);
            abortWhere([](const Transfer&) { return true; }, cause);
        } else {
            abortWhere([](const Transfer& transfer) { return transfer.deadline.hasExpired(); },
                       Unknown::TimedOut);
        }
    }

    template <typename Condition> void abortWhere(Condition condition, Unknown cause) {
        std::vector<QNetworkReply*> chosen;
        for (const auto& [reply, transfer] : transfers_)
            if (condition(*transfer)) {
                transfer->abortedFor = cause;
                chosen.push_back(reply);
            }
        for (QNetworkReply* reply : chosen)
            reply->abort();
    }

    const std::vector<PageToCheck>& pages_;
    const PageCheckOptions& options_;
    const NonPageNames& names_;
    const std::atomic<bool>& stop_;
    const PageCheckProgress& progress_;
    const int connections_;
    QDeadlineTimer checkDeadline_;
    PageCheckReport report_;
    std::vector<std::size_t> queue_; // the addresses that need a request, in order
    std::size_t next_ = 0;
    std::size_t done_ = 0;
    std::map<QNetworkReply*, std::unique_ptr<Transfer>> transfers_;
    std::set<std::string> failedSites_;
    struct Manager {
        std::unique_ptr<QNetworkAccessManager> manager;
        int requests = 0; // in flight
    };
    static constexpr int kConnectionsPerManager = 6;
    std::vector<Manager> managers_;
    QTimer tick_;
    QEventLoop loop_;
};

} // namespace

PageCheckReport CheckPages(const std::vector<PageToCheck>& pages, const PageCheckOptions& options,
                           const NonPageNames& names, const std::atomic<bool>& stop,
                           const PageCheckProgress& progress) {
    return Checker(pages, options, names, stop, progress).Run();
}
