#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <atomic>
#include <chrono>

// One bounded HTTP(S) exchange, run to its end on the calling thread (a worker's), for the key
// check and the notifications. A server is hostile until proven otherwise: the whole exchange
// has a time limit, the answer's body a size limit, and redirects stay on the same host.

struct HttpLimits {
    std::chrono::milliseconds timeout{20000}; // the whole exchange, redirects included
    qint64 maxBody = 64 * 1024;
    int maxRedirects = 5;
};

enum class HttpOutcome {
    Answered, // status and body hold the answer
    TimedOut,
    Stopped,
    TooLarge,            // the body grew beyond maxBody
    RedirectedElsewhere, // to another host, to plain HTTP from HTTPS, or too often
    Failed,              // no answer: detail holds the network error
};

struct HttpAnswer {
    HttpOutcome outcome = HttpOutcome::Failed;
    int status = 0;
    QByteArray body;
    QByteArray retryAfter; // the Retry-After header as sent; empty when absent
    QString detail;        // the network error (Failed) or the refused address (redirects)
};

// GETs url. stop, when given, ends the exchange within a tenth of a second once it is true.
HttpAnswer HttpGet(const QUrl& url, const HttpLimits& limits, const std::atomic<bool>* stop);

// POSTs body with this Content-Type to url.
HttpAnswer HttpPost(const QUrl& url, const QByteArray& contentType, const QByteArray& body,
                    const HttpLimits& limits, const std::atomic<bool>* stop);
