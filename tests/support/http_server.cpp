#include "support/http_server.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <ctime>
#include <fstream>

#include "support/test_files.h"

HttpServer::HttpServer(const std::string& answers) {
    start(answers, nullptr);
}

HttpServer::HttpServer(const Tls& tls) : tls_(true) {
    start("200", &tls);
}

void HttpServer::start(const std::string& answers, const Tls* tls) {
    std::filesystem::create_directory(Root());
    std::vector<std::string> argv = {"/usr/bin/python3",
                                     std::string(SW_SUPPORT_DIR) + "/http_server.py",
                                     "--port",
                                     std::to_string(daemon_.Port()),
                                     "--folder",
                                     daemon_.Folder().string(),
                                     "--answers",
                                     answers};
    if (tls)
        argv.insert(argv.end(),
                    {"--tls-cert", tls->certificate.string(), "--tls-key", tls->key.string()});
    daemon_.Start(argv, {}, [] { return std::string("see the test's output"); });
}

std::string HttpServer::Address() const {
    return (tls_ ? "https://" : "http://") + daemon_.Host() + "/";
}

QUrl HttpServer::Url(const QString& path) const {
    return QUrl(QString::fromStdString(Address()) + path.mid(path.startsWith('/') ? 1 : 0));
}

void HttpServer::SetAnswer(const std::string& path, const Answer& answer) {
    answers_[path] = answer;
    QJsonObject rules;
    for (const auto& [rulePath, rule] : answers_) {
        QJsonObject entry;
        if (rule.status)
            entry[QStringLiteral("status")] = rule.status;
        QJsonObject headers;
        for (const auto& [name, value] : rule.headers)
            headers[QString::fromStdString(name)] = QString::fromStdString(value);
        entry[QStringLiteral("headers")] = headers;
        if (rule.replaceBody)
            entry[QStringLiteral("body")] = QString::fromStdString(rule.body);
        entry[QStringLiteral("sleep")] = rule.sleepSeconds;
        rules[QString::fromStdString(rulePath)] = entry;
    }
    // Written whole under another name and renamed, so that a request never reads half of it.
    const std::filesystem::path file = daemon_.Folder() / "rules.json";
    std::ofstream(file.string() + ".new", std::ios::binary)
        << QJsonDocument(rules).toJson().toStdString();
    std::filesystem::rename(file.string() + ".new", file);
}

std::string HttpServer::RequestLog() const {
    return FileText(daemon_.Folder() / "requests.log");
}

std::vector<HttpServer::Post> HttpServer::Posts() const {
    std::vector<Post> posts;
    QFile file(QString::fromStdString((daemon_.Folder() / "posts.log").string()));
    if (!file.open(QIODevice::ReadOnly))
        return posts;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QJsonObject entry = QJsonDocument::fromJson(line).object();
        if (!entry.isEmpty())
            posts.push_back({entry[QStringLiteral("path")].toString(),
                             entry[QStringLiteral("contentType")].toString(),
                             entry[QStringLiteral("body")].toString().toUtf8()});
    }
    return posts;
}

namespace {

std::string page(const std::string& head = "", const std::string& body = "Text.") {
    return "<!DOCTYPE html><html><head><title>Page</title>" + head + "</head><body>" + body +
           "</body></html>";
}

} // namespace

void ServeVerdictSite(HttpServer& server) {
    const std::filesystem::path root = server.Root();
    const std::vector<std::pair<std::string, std::string>> files = {
        {"index.html", page("<link rel=Canonical href='index.html#top'>")},
        {"gone.html", page()},
        {"moved.html", page()},
        {"noindex.html", page("<META NAME=robots CONTENT=\"NoIndex, follow\">")},
        {"header-noindex.html", page()},
        {"canonical.html", page("<link rel=\"canonical\" href=\"/index.html\">")},
        {"error.html", page()},
        {"slow.html", page()},
        {"etag.html", page()},
        // The head ends past the first read, and the body is longer than the head's bound.
        {"long.html", page("<!--" + std::string(70000, 'x') + "-->" +
                               "<meta name=\"googlebot\" content=\"none\">",
                           std::string(300000, 'y'))},
        {"google1a2b3c4d5e6f7a8b.html", "google-site-verification: google1a2b3c4d5e6f7a8b.html"},
        {"errors/404.html", page()},
    };
    for (const auto& [name, text] : files)
        MakeFile(root / name, std::time(nullptr), text);
    server.SetAnswer("/gone.html", {410, {}, "Gone.", true, 0});
    server.SetAnswer("/moved.html", {301, {{"Location", "new/place.html"}}, "", true, 0});
    server.SetAnswer("/header-noindex.html", {0, {{"X-Robots-Tag", "googlebot: noindex"}}, "", false, 0});
    server.SetAnswer("/error.html", {500, {}, "Error.", true, 0});
    server.SetAnswer("/slow.html", {0, {}, "", false, 5});
    server.SetAnswer("/etag.html", {0, {{"ETag", "\"v1\""}}, "", false, 0});
}
