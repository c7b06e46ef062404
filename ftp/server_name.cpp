#include "ftp/server_name.h"

#include <QString>
#include <QStringDecoder>

namespace {

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing beyond U+10FFFF.
bool isValidUtf8(std::string_view text) {
    const auto* byte = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = byte + text.size();
    while (byte < end) {
        const unsigned char lead = *byte;
        if (lead < 0x80) {
            ++byte;
            continue;
        }
        std::size_t length = 0;
        unsigned char low = 0x80; // bounds of the second byte
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0)
                low = 0xA0;
            else if (lead == 0xED)
                high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (std::size_t(end - byte) < length || byte[1] < low || byte[1] > high)
            return false;
        for (std::size_t i = 2; i < length; ++i) {
            if (!isContinuation(byte[i]))
                return false;
        }
        byte += length;
    }
    return true;
}

} // namespace

std::string NameFromServer(std::string_view raw) {
    if (isValidUtf8(raw))
        return std::string(raw);
    QStringDecoder shiftJis("windows-31j", QStringConverter::Flag::Stateless);
    if (shiftJis.isValid()) {
        const QString text = shiftJis.decode(QByteArrayView(raw.data(), qsizetype(raw.size())));
        if (!shiftJis.hasError())
            return text.toStdString();
    }
    return QString::fromUtf8(raw.data(), qsizetype(raw.size())).toStdString();
}
