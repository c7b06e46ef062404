#include "app/widgets/application.h"

#include <QCoreApplication>
#include <QFont>

#include "core/texts.h"

void InitializeApplication() {
    QCoreApplication::setApplicationName(QText(texts::kApplicationTitle));
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
}

QString ApplicationTitle() {
    return QCoreApplication::applicationName();
}
