#include "notify/indexnow.h"

#include "notify/indexnow_key.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <thread>

namespace {

constexpr std::chrono::milliseconds kStopPoll{50};

// An HTTP date ("Wed, 21 Oct 2015 07:28:00 GMT"), which Qt reads with "+0000" for "GMT".
QDateTime httpDate(QByteArray text) {
    if (text.endsWith(" GMT"))
        text = text.chopped(3) + "+0000";
    return QDateTime::fromString(QString::fromLatin1(text), Qt::RFC2822Date);
}

BatchKind kindOf(const HttpAnswer& answer) {
    if (answer.outcome != HttpOutcome::Answered)
        return BatchKind::NoAnswer;
    switch (answer.status) {
    case 200:
    case 202:
        return BatchKind::Received;
    case 400:
        return BatchKind::BadRequest;
    case 403:
        return BatchKind::KeyNotVerified;
    case 422:
        return BatchKind::NotOfThisHost;
    case 429:
        return BatchKind::TooManyRequests;
    default:
        return BatchKind::OtherStatus;
    }
}

// Waits for wait, or less when stop rises; false when it rose.
bool waitUnlessStopped(std::chrono::milliseconds wait, const std::atomic<bool>* stop) {
    const auto until = std::chrono::steady_clock::now() + wait;
    while (std::chrono::steady_clock::now() < until) {
        if (stop && stop->load())
            return false;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            kStopPoll, until - std::chrono::steady_clock::now()));
    }
    return !(stop && stop->load());
}

BatchResult sendBatch(const IndexNowSite& site, const QStringList& addresses, int first,
                      const IndexNowOptions& options, const std::atomic<bool>* stop) {
    BatchResult result;
    result.first = first;
    result.count = int(addresses.size());
    const QByteArray body = IndexNowBody(site, addresses);
    for (;;) {
        ++result.attempts;
        result.answer = HttpPost(options.endpoint, "application/json; charset=utf-8", body,
                                 options.limits, stop);
        result.kind = kindOf(result.answer);
        if (result.kind != BatchKind::TooManyRequests || result.attempts > options.maxRetries)
            return result;
        if (!waitUnlessStopped(RetryWait(result.answer.retryAfter, options), stop)) {
            result.kind = BatchKind::NoAnswer;
            result.answer.outcome = HttpOutcome::Stopped;
            return result;
        }
    }
}

} // namespace

QUrl DefaultIndexNowEndpoint() {
    return QUrl(QStringLiteral("https://api.indexnow.org/indexnow"));
}

QByteArray IndexNowBody(const IndexNowSite& site, const QStringList& addresses) {
    const QJsonObject object{
        {QStringLiteral("host"), site.address.host()},
        {QStringLiteral("key"), site.key},
        {QStringLiteral("keyLocation"),
         KeyLocation(site.address, site.key).toString(QUrl::FullyEncoded)},
        {QStringLiteral("urlList"), QJsonArray::fromStringList(addresses)},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::chrono::milliseconds RetryWait(const QByteArray& retryAfter, const IndexNowOptions& options) {
    const QByteArray text = retryAfter.trimmed();
    std::chrono::milliseconds wait = options.defaultWait;
    bool isNumber = false;
    const qint64 seconds = text.toLongLong(&isNumber);
    if (isNumber && seconds >= 0) {
        wait = seconds > options.maxWait.count() / 1000 ? options.maxWait
                                                        : std::chrono::milliseconds(seconds * 1000);
    } else if (const QDateTime date = httpDate(text); date.isValid()) {
        wait = std::chrono::milliseconds(
            std::max<qint64>(0, QDateTime::currentDateTimeUtc().msecsTo(date)));
    }
    return std::min(wait, options.maxWait);
}

std::vector<BatchResult> NotifyIndexNow(const IndexNowSite& site, const QStringList& addresses,
                                        const IndexNowOptions& options,
                                        const std::atomic<bool>* stop) {
    std::vector<BatchResult> results;
    for (int first = 0; first < addresses.size(); first += kIndexNowBatchSize) {
        if (stop && stop->load())
            break;
        results.push_back(
            sendBatch(site, addresses.mid(first, kIndexNowBatchSize), first, options, stop));
        if (results.back().kind != BatchKind::Received)
            break;
    }
    return results;
}
