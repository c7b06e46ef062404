#include "notify/http_exchange.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <memory>
#include <optional>

namespace {

constexpr std::chrono::milliseconds kStopPoll{50};

// A redirect may move to another path of the same host, and from HTTP to HTTPS, not back.
bool mayFollow(const QUrl& from, const QUrl& to) {
    const bool downgrade = from.scheme() == u"https" && to.scheme() != u"https";
    return !downgrade && (to.scheme() == u"http" || to.scheme() == u"https") &&
           to.host().compare(from.host(), Qt::CaseInsensitive) == 0;
}

HttpAnswer exchange(QNetworkRequest request, const QByteArray* postBody, const HttpLimits& limits,
                    const std::atomic<bool>* stop) {
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(limits.maxRedirects);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    QNetworkAccessManager manager;
    const std::unique_ptr<QNetworkReply> reply(postBody ? manager.post(request, *postBody)
                                                        : manager.get(request));
    HttpAnswer answer;
    std::optional<HttpOutcome> abortedAs;
    QEventLoop loop;
    const auto abortAs = [&](HttpOutcome outcome) {
        if (!abortedAs) {
            abortedAs = outcome;
            reply->abort();
        }
    };
    const auto readBounded = [&] {
        answer.body += reply->read(limits.maxBody + 1 - answer.body.size());
        if (answer.body.size() > limits.maxBody)
            abortAs(HttpOutcome::TooLarge);
    };
    QUrl current = request.url();
    QObject::connect(reply.get(), &QNetworkReply::redirected, &loop, [&](const QUrl& to) {
        const QUrl target = current.resolved(to);
        if (!mayFollow(current, target)) {
            answer.detail = target.toDisplayString();
            abortAs(HttpOutcome::RedirectedElsewhere);
            return;
        }
        current = target;
        answer.body.clear();
        emit reply->redirectAllowed();
    });
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, readBounded);
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] { abortAs(HttpOutcome::TimedOut); });
    deadline.start(limits.timeout);
    QTimer stopPoll;
    QObject::connect(&stopPoll, &QTimer::timeout, &loop, [&] {
        if (stop && stop->load())
            abortAs(HttpOutcome::Stopped);
    });
    stopPoll.start(kStopPoll);
    if (!reply->isFinished())
        loop.exec();
    if (!abortedAs)
        readBounded();
    if (abortedAs) {
        answer.outcome = *abortedAs;
        return answer;
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (reply->error() == QNetworkReply::TooManyRedirectsError ||
        reply->error() == QNetworkReply::InsecureRedirectError) {
        answer.outcome = HttpOutcome::RedirectedElsewhere;
    } else if (status.isValid()) {
        answer.outcome = HttpOutcome::Answered;
        answer.status = status.toInt();
        answer.retryAfter = reply->rawHeader("Retry-After");
    } else {
        answer.outcome = HttpOutcome::Failed;
        answer.detail = reply->errorString();
    }
    return answer;
}

} // namespace

HttpAnswer HttpGet(const QUrl& url, const HttpLimits& limits, const std::atomic<bool>* stop) {
    return exchange(QNetworkRequest(url), nullptr, limits, stop);
}

HttpAnswer HttpPost(const QUrl& url, const QByteArray& contentType, const QByteArray& body,
                    const HttpLimits& limits, const std::atomic<bool>* stop) {
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    return exchange(request, &body, limits, stop);
}
