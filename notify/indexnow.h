#pragma once

#include "notify/http_exchange.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <vector>

// IndexNow: the changed addresses of a site POSTed as JSON to an endpoint that the taking part
// engines share, proven by the site's key file.

// The shared endpoint, used unless the settings name another (tests, a single engine).
QUrl DefaultIndexNowEndpoint();

// The most addresses one POST may carry.
inline constexpr int kIndexNowBatchSize = 10000;

struct IndexNowSite {
    QUrl address; // the site's address, whose folder holds the key file
    QString key;
};

struct IndexNowOptions {
    QUrl endpoint = DefaultIndexNowEndpoint();
    HttpLimits limits;
    // 429 (too many requests): the POST is sent again after Retry-After (seconds or a date),
    // or after defaultWait without it, never waiting longer than maxWait, at most maxRetries
    // times.
    int maxRetries = 3;
    std::chrono::milliseconds defaultWait{10000};
    std::chrono::milliseconds maxWait{60000};
};

enum class BatchKind {
    Received,        // 200 or 202
    BadRequest,      // 400
    KeyNotVerified,  // 403: the engine could not read the key file, or it held another key
    NotOfThisHost,   // 422: some address is not of the site's host, or the key does not fit it
    TooManyRequests, // 429 still after every retry
    OtherStatus,     // answer.status
    NoAnswer,        // answer.outcome says why (time-out, stop, size, redirect, network)
};

struct BatchResult {
    int first = 0; // the batch's addresses: [first, first + count) of those given
    int count = 0;
    BatchKind kind = BatchKind::NoAnswer;
    int attempts = 0;
    HttpAnswer answer; // the last answer: status, body (the engine's reason), detail
};

// The JSON of one POST: {"host", "key", "keyLocation", "urlList"}.
QByteArray IndexNowBody(const IndexNowSite& site, const QStringList& addresses);

// The wait before sending again after a 429 with this Retry-After header: its seconds or the
// time until its date, defaultWait when there is none or it cannot be read, at most maxWait.
std::chrono::milliseconds RetryWait(const QByteArray& retryAfter, const IndexNowOptions& options);

// Sends addresses in batches of kIndexNowBatchSize, one after the other, and gives the result
// of each batch sent. Sending ends at the first batch not received (a later one would meet the
// same refusal) and at a stop; the addresses of batches not received are to be sent next time.
// No address, no POST.
std::vector<BatchResult> NotifyIndexNow(const IndexNowSite& site, const QStringList& addresses,
                                        const IndexNowOptions& options,
                                        const std::atomic<bool>* stop);
