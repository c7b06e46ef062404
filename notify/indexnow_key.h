#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

// The IndexNow key of a site: it proves to the engines that whoever sends addresses of a host
// controls that host, by a file named after the key on the site itself.

// A new key: 32 lowercase hexadecimal characters from the kernel's cryptographic random source;
// none when that source fails.
std::optional<QString> MakeIndexNowKey();

// True for a key the engines accept: 8 to 128 characters of letters, digits and "-".
bool IsIndexNowKey(const QString& key);

// The key file's content: exactly the key, without a line end.
QByteArray KeyFileContent(const QString& key);

// The key file's name in the site's root folder: "<key>.txt".
QString KeyFileName(const QString& key);

// Where the engines read the key file: the site's address (its folder) with KeyFileName added.
QUrl KeyLocation(const QUrl& siteAddress, const QString& key);
