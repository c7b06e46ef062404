#include "ftp/server_name.h"

#include <QString>
#include <QStringDecoder>

#include "core/text_util.h"

std::string NameFromServer(std::string_view raw) {
    if (IsValidUtf8(raw))
        return std::string(raw);
    QStringDecoder shiftJis("windows-31j", QStringConverter::Flag::Stateless);
    if (shiftJis.isValid()) {
        const QString text = shiftJis.decode(QByteArrayView(raw.data(), qsizetype(raw.size())));
        if (!shiftJis.hasError())
            return text.toStdString();
    }
    return QString::fromUtf8(raw.data(), qsizetype(raw.size())).toStdString();
}
