#include "settings/Usite_manager.h"

Tfsite_manager::Tfsite_manager(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fsite_manager"));
    setWindowTitle(QStringLiteral("WEBサイトFTP設定"));
}
