#include <cerrno>
#include <csignal>
#include <iostream>
#include <optional>
#include <string_view>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>

#include "core/file_io.h"
#include "core/texts.h"
#include "app/widgets/application.h"
#include "app/widgets/message_dialogs.h"
#include "app/window/Usite_wright.h"
#include "app/window/Uurl_edit.h"
#include "ftp/Uftp_module.h"
#include "app/settings_dialog/Usite_manager.h"

namespace {

int terminationPipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int) {
    const int saved = errno;
    [[maybe_unused]] const ssize_t written = ::write(terminationPipe[1], "x", 1);
    errno = saved;
}

// SIGTERM (the session ending, systemd, kill) and SIGINT close the windows as the user would:
// the window's geometry is stored and a running retrieval ends before the program does.
class TerminationSignals final {
public:
    TerminationSignals() {
        if (::pipe2(terminationPipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
        notifier_.emplace(terminationPipe[0], QSocketNotifier::Read);
        QObject::connect(&*notifier_, &QSocketNotifier::activated, [] {
            char drained[16];
            while (::read(terminationPipe[0], drained, sizeof drained) > 0) {
            }
            QApplication::closeAllWindows();
        });
        struct sigaction action {};
        action.sa_handler = onTerminationSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (const int signal : {SIGTERM, SIGINT})
            ::sigaction(signal, &action, nullptr);
    }
    ~TerminationSignals() {
        if (!notifier_)
            return;
        for (const int signal : {SIGTERM, SIGINT})
            std::signal(signal, SIG_DFL);
        notifier_.reset();
        for (int& fd : terminationPipe)
            ::close(std::exchange(fd, -1));
    }
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    std::optional<QSocketNotifier> notifier_;
};

} // namespace

int main(int argc, char* argv[]) {
    // Asked from a terminal, the program answers there and opens no window (nor needs a
    // display).
    if (argc == 2) {
        const std::string_view argument = argv[1];
        if (argument == "--version") {
            std::cout << "site_wright " SW_VERSION "\n";
            return 0;
        }
        if (argument == "-h" || argument == "--help") {
            texts::UseLanguage(texts::SystemLanguage());
            std::cout << texts::kWindowUsage;
            return 0;
        }
    }
    QApplication app(argc, argv);
    texts::UseLanguage(texts::SystemLanguage());
    InitializeApplication();
    // Lets the desktop match the window with its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.quorvane.sitewright"));

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
    // The manual is installed at the same place relative to the executable in the build folder
    // and under the install prefix.
    site_wright.SetManual((ExecutableFolder() / SW_MANUAL_FROM_EXECUTABLE).lexically_normal());
    Tfsite_manager fsite_manager(folder, ftp_module, &site_wright);
    site_wright.SetSiteManager(&fsite_manager);
    Tfurl_edit furl_edit(&site_wright);
    site_wright.SetUrlEditDialog(&furl_edit);

    const TerminationSignals terminationSignals;
    site_wright.show();
    return app.exec();
}
