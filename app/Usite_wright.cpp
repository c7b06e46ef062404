#include "app/Usite_wright.h"

TFsite_wright::TFsite_wright(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("SITE WRIGHT Google Sitemap編"));
    resize(640, 480);
}
