#include "py_http_server.h"

#include <QFile>
#include <QJsonDocument>

#include <cerrno>
#include <cstring>
#include <stdexcept>

PyHttpServer::PyHttpServer(const std::string& answers) {
    std::string pattern = (std::filesystem::temp_directory_path() / "sw_http_root_XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error(std::string("cannot make the HTTP root: ") + std::strerror(errno));
    root_ = pattern;
    log_ = root_.string() + ".log";
    const QString script = QStringLiteral(SW_SUPPORT_DIR "/http_server.py");
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral("/usr/bin/python3"),
                   {script, QStringLiteral("--root"), QString::fromStdString(root_.string()),
                    QStringLiteral("--log"), QString::fromStdString(log_.string()),
                    QStringLiteral("--answers"), QString::fromStdString(answers)});
    QByteArray line;
    while (!line.endsWith('\n') && process_.waitForReadyRead(20000))
        line += process_.readLine();
    if (!line.startsWith("PORT ")) {
        std::filesystem::remove_all(root_);
        throw std::runtime_error("the HTTP server (" + script.toStdString() + ") did not start");
    }
    port_ = static_cast<unsigned short>(line.mid(5).trimmed().toUInt());
}

PyHttpServer::~PyHttpServer() {
    process_.closeWriteChannel();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
    std::filesystem::remove(log_, ignored);
}

QUrl PyHttpServer::Url(const QString& path) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path));
}

std::vector<PyHttpServer::Post> PyHttpServer::Posts() const {
    std::vector<Post> posts;
    QFile file(QString::fromStdString(log_.string()));
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
