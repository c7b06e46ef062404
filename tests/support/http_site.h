#pragma once

#include <filesystem>
#include <string>

#include "support/loopback_daemon.h"

// The test web site of http_site.py (Python's http.server under /usr/bin/python3) on
// 127.0.0.1, plain or over TLS, running while the object lives.
class HttpSite final {
public:
    struct Tls {
        std::filesystem::path certificate; // PEM
        std::filesystem::path key;         // PEM
    };

    HttpSite();
    explicit HttpSite(const Tls& tls);

    // "http://127.0.0.1:port/" or "https://127.0.0.1:port/".
    std::string Address() const;
    // One line per request received: "path<TAB>User-Agent<TAB>If-None-Match".
    std::string RequestLog() const;

private:
    void start(const Tls* tls);

    LoopbackDaemon daemon_{"http"};
    bool tls_ = false;
};
