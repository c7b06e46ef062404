#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include <QList>
#include <QSslError>

#include "pagecheck/non_pages.h"
#include "pagecheck/page_verdict.h"

struct PageCheckOptions {
    static constexpr int kMinConnections = 1;
    static constexpr int kMaxConnections = 16;
    static constexpr std::size_t kHeadBytes = 256 * 1024;         // read for the head at most
    static constexpr std::size_t kHashedBytes = 16 * 1024 * 1024; // a longer body goes unhashed

    int connections = 4; // requests at a time, kept within 1..16
    std::chrono::milliseconds requestTimeout{std::chrono::seconds(20)};
    std::chrono::milliseconds checkTimeout{std::chrono::minutes(30)};
    // Read each 2xx body to its end for its SHA-256 (the stable lastmod needs the whole page;
    // the head alone would miss a changed text). Off: reading stops at </head>.
    bool hashBodies = true;
    std::string userAgent = DefaultUserAgent();

    // "SiteWright/<version>".
    static std::string DefaultUserAgent();
};

// A site ("https://host:port") whose certificate failed, told once however many of its
// pages were to be checked; its pages are Unreachable with the cause Certificate.
struct CertificateFailure {
    std::string site;
    QList<QSslError> errors;
};

struct PageCheckReport {
    std::vector<PageVerdict> pages; // one per address, in the order given
    std::vector<CertificateFailure> certificateFailures;
    bool stopped = false;  // the stop flag ended the check
    bool timedOut = false; // the whole check's time ran out
};

// Called on the checking thread as each address is judged; done counts the judged ones.
using PageCheckProgress = std::function<void(std::size_t done, const PageVerdict& verdict)>;

// Judges every address: by its name first (names), then by a GET without following redirects,
// conditional where the previous validators allow, at most options.connections at a time over
// kept-alive connections (HTTP/2 where offered). Certificates are verified against the system
// store. Blocks the calling thread, whose event loop it runs until every address is judged,
// stop becomes true (checked every 50 ms) or the check's time runs out; the addresses left
// then are Unreachable. Needs a QCoreApplication.
PageCheckReport CheckPages(const std::vector<PageToCheck>& pages, const PageCheckOptions& options,
                           const NonPageNames& names, const std::atomic<bool>& stop,
                           const PageCheckProgress& progress = {});
