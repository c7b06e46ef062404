#include "notify/indexnow_key.h"

#include <cerrno>

#include <sys/random.h>

std::optional<QString> MakeIndexNowKey() {
    unsigned char bytes[16];
    std::size_t filled = 0;
    while (filled < sizeof bytes) {
        const ssize_t count = ::getrandom(bytes + filled, sizeof bytes - filled, 0);
        if (count < 0 && errno != EINTR)
            return std::nullopt;
        if (count > 0)
            filled += std::size_t(count);
    }
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(bytes), sizeof bytes).toHex());
}

bool IsIndexNowKey(const QString& key) {
    if (key.size() < 8 || key.size() > 128)
        return false;
    for (const QChar c : key) {
        const char16_t u = c.unicode();
        if (!((u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
              u == '-'))
            return false;
    }
    return true;
}

QByteArray KeyFileContent(const QString& key) {
    return key.toLatin1();
}

QString KeyFileName(const QString& key) {
    return key + QStringLiteral(".txt");
}

QUrl KeyLocation(const QUrl& siteAddress, const QString& key) {
    QUrl folder = siteAddress.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment);
    if (!folder.path().endsWith(u'/'))
        folder.setPath(folder.path() + u'/');
    return folder.resolved(QUrl(KeyFileName(key)));
}
