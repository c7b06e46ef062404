#include <QApplication>

#include "app/Usite_wright.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("SITE WRIGHT Google Sitemap編"));
    TFsite_wright window;
    window.show();
    return app.exec();
}
