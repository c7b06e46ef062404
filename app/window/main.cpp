#include <QApplication>

#include "app/file_io.h"
#include "app/widgets/application.h"
#include "app/widgets/message_dialogs.h"
#include "app/window/Usite_wright.h"
#include "app/window/Uurl_edit.h"
#include "ftp/Uftp_module.h"
#include "settings/dialog/Usite_manager.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    InitializeApplication();

    std::filesystem::path folder;
    try {
        folder = ProgramFolder();
    } catch (const FileError& error) {
        ShowStandardError(QString::fromUtf8(error.what()));
        return 1;
    }

    // The FTP data module is declared first so that it is destroyed last: the window's
    // retrieval thread and the settings dialog use it until they go. Start-up order otherwise
    // as designed: the main window, the settings dialog (whose load needs the main window),
    // the row edit dialog.
    Tftp_module ftp_module;
    TFsite_wright site_wright(folder);
    site_wright.SetFtpModule(&ftp_module);
    Tfsite_manager fsite_manager(folder, ftp_module, &site_wright);
    site_wright.SetSiteManager(&fsite_manager);
    Tfurl_edit furl_edit(&site_wright);
    site_wright.SetUrlEditDialog(&furl_edit);

    site_wright.show();
    return app.exec();
}
