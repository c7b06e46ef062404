// Pictures of the main road against the demo site (examples/demo-site on a real FTP server):
//   shoot_road OUTPUT-FOLDER
// writes settings-dialog.png, retrieved-table.png and upload-confirm.png in the locale's
// language. Not a test; run it under Xvfb to check the look.
#include <ctime>
#include <filesystem>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <fcntl.h>
#include <sys/stat.h>

#include "core/texts.h"
#include "app/widgets/application.h"
#include "app/window/Usite_wright.h"
#include "ftp/Uftp_module.h"
#include "app/settings_dialog/Usite_manager.h"
#include "support/py_ftp_server.h"

namespace fs = std::filesystem;

namespace {

// Gives the demo files varied dates in the past so that the picture does not depend on today.
void dateFiles(const fs::path& root) {
    int day = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        std::tm when{};
        when.tm_year = 2006 - 1900;
        when.tm_mon = 10;
        when.tm_mday = 1 + (day++ * 3) % 28;
        when.tm_hour = 12;
        const timespec stamp{timegm(&when), 0};
        const timespec times[2] = {stamp, stamp};
        ::utimensat(AT_FDCWD, entry.path().c_str(), times, 0);
    }
}

void save(QWidget* widget, const QString& path) {
    if (!widget->grab().save(path))
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    InitializeApplication();
    // In the language of the locale, as the program starts: LANG=en_US.UTF-8 shows the English.
    texts::UseLanguage(texts::SystemLanguage());
    if (argc < 2)
        return 2;
    const QString output = QString::fromLocal8Bit(argv[1]);

    PyFtpServer server("demo", "demo");
    fs::copy(fs::path(SW_SOURCE_DIR) / "examples" / "demo-site", server.Root(),
             fs::copy_options::recursive);
    dateFiles(server.Root());

    QTemporaryDir folder;
    const fs::path programFolder = folder.path().toStdString();
    Tftp_module ftp; // outlives the window, whose retrieval uses it
    TFsite_wright window(programFolder);
    window.SetUrlOpener([](const QUrl&) { return true; });
    window.SetFtpModule(&ftp);
    Tfsite_manager manager(programFolder, ftp, &window);
    window.SetSiteManager(&manager);
    window.show();

    const auto field = [&](const char* name) {
        return manager.findChild<QLineEdit*>(QString::fromLatin1(name));
    };
    field("web_url")->setText(QStringLiteral("https://www.example.jp"));
    field("hostname")->setText(QString::fromStdString(server.Host()));
    field("username")->setText(QStringLiteral("demo"));
    field("password")->setText(QStringLiteral("demo"));
    field("site_root")->setText(QStringLiteral("/public_html"));
    // As in the demo: the server lists its times in UTC.
    manager.findChild<QComboBox*>(QStringLiteral("offset_2"))->setCurrentText(QStringLiteral("00"));

    // The settings dialog as the retrieval shows it; confirmed once pictured.
    QTimer::singleShot(300, &manager, [&] {
        save(&manager, output + "/settings-dialog.png");
        manager.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
    });
    window.findChild<QAction*>(QStringLiteral("N8"))->trigger();
    while (window.RetrievalRunning())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);

    QTimer::singleShot(300, &window, [&] {
        save(&window, output + "/retrieved-table.png");
        window.findChild<QAction*>(QStringLiteral("N13"))->trigger();
        // The upload's question, pictured and declined.
        QTimer::singleShot(300, &window, [&] {
            QWidget* question = QApplication::activeModalWidget();
            if (!question)
                qFatal("no question shown");
            save(question, output + "/upload-confirm.png");
            question->close();
            app.quit();
        });
        window.findChild<QAction*>(QStringLiteral("N14"))->trigger();
    });
    return app.exec();
}
