#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QUrl>

#include "support/loopback_daemon.h"

// A real HTTP server (http_server.py under /usr/bin/python3) on 127.0.0.1, plain or over TLS,
// running while the object lives: a web site serving the files under Root() with the validators
// a web server gives (ETag, Last-Modified, 304), and an endpoint that answers each POST with the
// next of the answers given ("200", "429:1" for 429 with Retry-After: 1, "sleep:5" for a 200
// after five seconds; the last one repeats) and records it.
class HttpServer final {
public:
    struct Tls {
        std::filesystem::path certificate; // PEM
        std::filesystem::path key;         // PEM
    };
    // What a path answers instead of its file; a field left empty keeps the file's.
    struct Answer {
        int status = 0;
        std::map<std::string, std::string> headers;
        std::string body;
        bool replaceBody = false;
        int sleepSeconds = 0;
    };
    struct Post {
        QString path;
        QString contentType;
        QByteArray body;
    };

    explicit HttpServer(const std::string& answers = "200");
    explicit HttpServer(const Tls& tls);

    // "http://127.0.0.1:port/" or "https://127.0.0.1:port/".
    std::string Address() const;
    // Address() with path ("/page.html").
    QUrl Url(const QString& path) const;
    // The folder served as "/".
    std::filesystem::path Root() const { return daemon_.Folder() / "root"; }
    // From now on path ("/gone.html") answers as given.
    void SetAnswer(const std::string& path, const Answer& answer);
    // One line per GET received: "path<TAB>User-Agent<TAB>If-None-Match".
    std::string RequestLog() const;
    // Every POST received so far, in order.
    std::vector<Post> Posts() const;

private:
    void start(const std::string& answers, const Tls* tls);

    LoopbackDaemon daemon_{"http"};
    bool tls_ = false;
    std::map<std::string, Answer> answers_;
};

// Fills server with a small site holding one page of each verdict a page check gives:
// index.html, gone.html (410), moved.html (301 to new/place.html), noindex.html,
// header-noindex.html (X-Robots-Tag), canonical.html (canonical elsewhere), error.html (500),
// slow.html (answers after five seconds), etag.html (ETag "v1"), long.html (noindex past a long
// head), google1a2b3c4d5e6f7a8b.html (a verification file) and errors/404.html.
void ServeVerdictSite(HttpServer& server);
