#include "app/widgets/application.h"

#include <QCoreApplication>
#include <QFont>

void InitializeApplication() {
    QCoreApplication::setApplicationName(QString::fromUtf16(kApplicationTitle));
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
}

QString ApplicationTitle() {
    return QCoreApplication::applicationName();
}
