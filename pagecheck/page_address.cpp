#include "pagecheck/page_address.h"

#include <QUrl>

#include "core/text_util.h"

namespace {

bool isUnreserved(int byte) {
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' || byte == '~';
}

// Escapes in upper case; those of unreserved characters decoded (RFC 3986 §6.2.2).
std::string normalEscapes(std::string_view encoded) {
    std::string result;
    for (std::size_t at = 0; at < encoded.size();) {
        const int byte = PercentEscapedByte(encoded.substr(at));
        if (byte < 0) {
            result += encoded[at++];
            continue;
        }
        if (isUnreserved(byte))
            result += char(byte);
        else
            AppendPercentEncoded(result, static_cast<unsigned char>(byte));
        at += 3;
    }
    return result;
}

std::string normalForm(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != "http" && scheme != "https") || url.host().isEmpty())
        return {};
    std::string result = scheme.toStdString() + "://";
    if (!url.userInfo().isEmpty())
        result += url.userInfo(QUrl::FullyEncoded).toStdString() + "@";
    const std::string host = url.host(QUrl::FullyEncoded).toLower().toStdString();
    result += host.find(':') != std::string::npos ? "[" + host + "]" : host;
    const int port = url.port();
    if (port >= 0 && port != (scheme == "http" ? 80 : 443))
        result += ":" + std::to_string(port);
    const QString path = url.adjusted(QUrl::NormalizePathSegments).path(QUrl::FullyEncoded);
    result += path.isEmpty() ? std::string("/") : normalEscapes(path.toStdString());
    if (url.hasQuery())
        result += "?" + normalEscapes(url.query(QUrl::FullyEncoded).toStdString());
    return result;
}

QUrl parsed(std::string_view text) {
    return QUrl(QString::fromUtf8(text.data(), qsizetype(text.size())).trimmed());
}

} // namespace

std::string NormalAddress(std::string_view address) {
    return normalForm(parsed(address));
}

std::string NormalAddress(std::string_view reference, std::string_view page) {
    return normalForm(parsed(page).resolved(parsed(reference)));
}
