// Opens the main window with a few hundred sample rows and a long location in the status bar,
// and saves a picture of it:
//   shoot_main_window OUTPUT.png [ROWS]
// Run it under Xvfb (or offscreen) to check the window's look.
#include <cstdlib>
#include <string>
#include <vector>

#include <QApplication>
#include <QListView>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>

#include "jobs/work_table.h"
#include "app/widgets/application.h"
#include "app/window/Usite_wright.h"
#include "app/window/Uurl_edit.h"
#include "app/window/main_window_access.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    InitializeApplication();
    if (argc < 2)
        return 2;
    const QString output = QString::fromLocal8Bit(argv[1]);
    const int count = argc > 2 ? std::atoi(argv[2]) : 300;

    QTemporaryDir folder;
    TFsite_wright window(folder.path().toStdString());
    Tfurl_edit edit(&window);
    window.SetUrlEditDialog(&edit);

    const char* folders[] = {"", "/news", "/products/catalogue", "/blog/2006/12", "/お知らせ"};
    const char* names[] = {"index", "about", "contact", "Q&A", "一覧", "search"};
    const char* extensions[] = {".html", ".htm", ".php", ".html", ".html", ".cgi"};
    const char* frequencies[] = {"weekly", "daily", "monthly", "Weekly", ""};
    const char* priorities[] = {"0.5", "0.8", "1.0", "1", ""};
    std::vector<std::string> rows;
    for (int i = 0; i < count; ++i) {
        const int day = 1 + i % 28;
        rows.push_back(std::string("https://www.example.jp") + folders[(i / 6) % 5] + "/;" +
                       names[i % 6] + (i < 6 ? "" : "-" + std::to_string(i)) + extensions[i % 6] +
                       ";2006-12-" + (day < 10 ? "0" : "") + std::to_string(day) +
                       "T10:20:" + std::to_string(10 + i % 50) + "+09:00;" + frequencies[i % 5] +
                       ";" + priorities[(i / 5) % 5] + ";");
    }
    rows.push_back("https://www.example.jp/;" + std::string(120, 'x') + ".html;" +
                   "2006-12-01T10:20:30+09:00;weekly;0.5;");
    window.FillAfterRetrieval(rows);
    MainWindowAccess::SetChecked(window, 1, false);
    MainWindowAccess::SetStatusText(window, 1, QStringLiteral("取得完了"));
    // A folder path far wider than the window: the panel cuts it in the middle.
    QString path = QStringLiteral("https://www.example.jp");
    while (path.size() < 1600)
        path += QStringLiteral("/folder-%1").arg(path.size());
    MainWindowAccess::SetStatusText(window, 2, path + QStringLiteral("/page.htmlを取得中"));
    window.show();
    auto* list = window.findChild<QListView*>(QStringLiteral("data_list"));
    window.activateWindow();
    list->setFocus();
    list->setCurrentIndex(window.table()->index(2));

    QTimer::singleShot(500, &window, [&] {
        window.grab().save(output);
        app.quit();
    });
    return app.exec();
}
