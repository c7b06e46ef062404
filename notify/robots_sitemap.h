#pragma once

#include <QByteArray>
#include <QUrl>

// The `Sitemap:` line of a robots.txt, which every major crawler reads. Both functions work on
// the file's bytes as read, so that adding a line changes nothing else of the file.

// True when robots holds a `Sitemap:` line naming sitemap: the field name in any letter case,
// blanks around it and its value, a comment after `#`, a UTF-8 byte order mark and any mix of
// CR LF, LF and CR line ends allowed. The addresses compare as addresses: the letter case of
// the scheme and the host does not matter.
bool HasSitemapLine(const QByteArray& robots, const QUrl& sitemap);

// The line "Sitemap: <address>" as it is added, without a line end: what the window shows.
QByteArray SitemapLine(const QUrl& sitemap);

// robots with SitemapLine(sitemap) added after its last line, every other byte kept; robots
// itself when it holds such a line already. The line
// ends with the file's own line end (its first one; LF in a file that has none); a last line
// without a line end gets one first. An empty robots (no file) becomes the line alone.
QByteArray WithSitemapLine(const QByteArray& robots, const QUrl& sitemap);
