#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QUrl>

#include <filesystem>
#include <string>
#include <vector>

// A real HTTP server (http_server.py under /usr/bin/python3) on 127.0.0.1 with a free port: a
// web site serving the files of a fresh temporary root, and an endpoint that answers each POST
// with the next of the answers given ("200", "429:1" for 429 with Retry-After: 1, "sleep:5" for a
// 200 after five seconds; the last one repeats) and records it. The server ends with the object, or
// when the test process dies (its standard input closes).
class PyHttpServer final {
public:
    struct Post {
        QString path;
        QString contentType;
        QByteArray body;
    };

    // Starts the server and waits until it listens; throws std::runtime_error when it cannot.
    explicit PyHttpServer(const std::string& answers = "200");
    ~PyHttpServer();
    PyHttpServer(const PyHttpServer&) = delete;
    PyHttpServer& operator=(const PyHttpServer&) = delete;

    // "http://127.0.0.1:port" with path.
    QUrl Url(const QString& path) const;
    // The folder served as "/".
    const std::filesystem::path& Root() const { return root_; }
    // Every POST received so far, in order.
    std::vector<Post> Posts() const;

private:
    std::filesystem::path root_;
    std::filesystem::path log_;
    QProcess process_;
    unsigned short port_ = 0;
};
