#include "notify/robots_sitemap.h"

#include <QByteArrayView>
#include <QString>

namespace {

const QByteArray kByteOrderMark = "\xEF\xBB\xBF";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArrayView trimmedBlanks(QByteArrayView text) {
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

// The value of a `Sitemap:` line, or an empty view for any other line.
QByteArrayView sitemapValue(QByteArrayView line) {
    if (const qsizetype hash = line.indexOf('#'); hash >= 0)
        line.truncate(hash);
    const qsizetype colon = line.indexOf(':');
    if (colon < 0 || trimmedBlanks(line.first(colon)).compare("sitemap", Qt::CaseInsensitive) != 0)
        return {};
    return trimmedBlanks(line.sliced(colon + 1));
}

// The first line end of text: CR LF, LF or CR; empty when there is none.
QByteArray firstLineEnd(const QByteArray& text) {
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (text[at] == '\n')
            return "\n";
        if (text[at] == '\r')
            return at + 1 < text.size() && text[at + 1] == '\n' ? "\r\n" : "\r";
    }
    return {};
}

} // namespace

bool HasSitemapLine(const QByteArray& robots, const QUrl& sitemap) {
    QByteArrayView rest(robots);
    if (rest.startsWith(kByteOrderMark))
        rest = rest.sliced(kByteOrderMark.size());
    while (!rest.isEmpty()) {
        qsizetype end = 0;
        while (end < rest.size() && rest[end] != '\r' && rest[end] != '\n')
            ++end;
        const QByteArrayView value = sitemapValue(rest.first(end));
        if (!value.isEmpty() && QUrl(QString::fromUtf8(value), QUrl::TolerantMode)
                                        .adjusted(QUrl::NormalizePathSegments) ==
                                    sitemap.adjusted(QUrl::NormalizePathSegments))
            return true;
        rest = rest.sliced(end);
        if (rest.startsWith("\r\n"))
            rest = rest.sliced(2);
        else if (!rest.isEmpty())
            rest = rest.sliced(1);
    }
    return false;
}

QByteArray SitemapLine(const QUrl& sitemap) {
    return "Sitemap: " + sitemap.toEncoded();
}

QByteArray WithSitemapLine(const QByteArray& robots, const QUrl& sitemap) {
    if (HasSitemapLine(robots, sitemap))
        return robots;
    QByteArray lineEnd = firstLineEnd(robots);
    if (lineEnd.isEmpty())
        lineEnd = "\n";
    QByteArray text = robots;
    if (!text.isEmpty() && text != kByteOrderMark && !text.endsWith('\n') && !text.endsWith('\r'))
        text += lineEnd;
    return text + SitemapLine(sitemap) + lineEnd;
}
