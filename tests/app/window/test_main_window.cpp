#include <filesystem>
#include <functional>
#include <memory>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "core/file_io.h"
#include "jobs/work_table.h"
#include "core/url_entry.h"
#include "app/widgets/application.h"
#include "app/widgets/message_dialogs.h"
#include "app/window/Usite_wright.h"
#include "app/window/Uurl_edit.h"
#include "app/window/main_window_access.h"

namespace fs = std::filesystem;

namespace {

std::string row(const std::string& name, const std::string& priority = "0.5") {
    return BuildUrlEntry(
        {"https://www.example.jp/news/", name, "2006-12-01T10:20:30+09:00", "weekly", priority});
}

QRect workArea() {
    return QGuiApplication::primaryScreen()->availableGeometry();
}

// The designed size, as far as the work area has room for it.
QSize designedSize() {
    return QSize(909, 657).boundedTo(workArea().size());
}

struct MenuItem {
    const char* name;
    QString caption; // empty for a separator
    bool visible;
};

} // namespace

class TestMainWindow final : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InitializeApplication(); }

    void init() {
        folder_ = std::make_unique<QTemporaryDir>();
        QVERIFY(folder_->isValid());
        asked_.clear();
        opened_.clear();
        responder_ = std::make_unique<ScopedMessageResponder>([this](const MessageRequest& r) {
            asked_ << r;
            return kFirstButton;
        });
    }

    void cleanup() {
        window_.reset();
        responder_.reset();
        folder_.reset();
    }

    void firstStartStandsAtTheWorkAreaCorner() {
        create();
        QCOMPARE(window_->pos(), workArea().topLeft());
        QCOMPARE(window_->size(), designedSize());
        QCOMPARE(window_->windowTitle(), QStringLiteral("SITE WRIGHT -Google Sitemap-"));
    }

    void storedGeometryIsReadAndCorrected() {
        const QRect area = workArea();
        writeIni("[site_wright]\nTOP=" + std::to_string(area.y() + 20) + "\nLeft=" +
                 std::to_string(area.x() + area.width() - 99) + "\nWidth=0x2BC\nHeight=500\n");
        create();
        QCOMPARE(window_->pos(), QPoint(area.x(), area.y() + 20));
        QCOMPARE(window_->size(), QSize(700, 500));
        window_.reset();

        writeIni("[site_wright]\ntop=" + std::to_string(area.y() - 5) + "\nLeft=abc\n");
        create();
        QCOMPARE(window_->pos(), area.topLeft());
        window_.reset();

        // A size stored larger than the screen comes back within it.
        writeIni("[site_wright]\nWidth=9673\nHeight=4000\n");
        create();
        QCOMPARE(window_->size(), area.size());
    }

    void aLongLocationNeverWidensTheWindow() {
        create();
        window_->show();
        const int width = window_->width();
        const QString path = QStringLiteral("/") + QString(1600, QLatin1Char('d')) + "/end.html";
        MainWindowAccess::SetStatusText(*window_, 2, path);
        QCoreApplication::processEvents();
        QCOMPARE(window_->width(), width);
        // The panels stand side by side, the first two at their own widths.
        QList<QWidget*> panels;
        for (int i = 0; i < 3; ++i)
            panels << window_->findChild<QWidget*>(QStringLiteral("StatusPanel%1").arg(i));
        QCOMPARE(panels[0]->width(), 50);
        QCOMPARE(panels[1]->width(), 100);
        QVERIFY(panels[1]->x() > panels[0]->geometry().right());
        QVERIFY(panels[2]->x() > panels[1]->geometry().right());
        QVERIFY(window_->minimumSizeHint().width() < width);
        // Both buttons stay inside the window; the panel holds the whole text as its tooltip.
        for (const char* name : {"Button5", "Button4"}) {
            auto* button = window_->findChild<QPushButton*>(QString::fromLatin1(name));
            QVERIFY2(button->mapTo(window_.get(), QPoint(button->width(), 0)).x() <= width, name);
        }
        QCOMPARE(window_->StatusText(2), path);
        QCOMPARE(window_->findChild<QWidget*>(QStringLiteral("StatusPanel2"))->toolTip(), path);
        QVERIFY(window_->close());
        // The window only shrank to fit the small offscreen screen: the size stored stays the
        // one it was given (here the designed one), for the next start on a larger screen.
        QVERIFY(width < 909);
        QVERIFY(ReadFile(iniPath()).find("Width=909\n") != std::string::npos);
    }

    void closeWritesGeometryKeepingOtherLines() {
        writeIni("; by hand\n[site_wright]\nTop=1\nColour=blue\n[other]\nx=1\n");
        create();
        window_->show();
        window_->move(30, 40);
        window_->resize(700, 500);
        QVERIFY(window_->close());
        QCOMPARE(ReadFile(iniPath()), "; by hand\n[site_wright]\nTop=40\nColour=blue\nLeft=30\n"
                                      "Width=700\nHeight=500\n[other]\nx=1\n");
        QVERIFY(asked_.isEmpty());
    }

    void failedWriteIsShownAndTheWindowClosesAnyway() {
        // A folder in the file's place can be neither read nor replaced.
        fs::create_directory(iniPath());
        create();
        QCOMPARE(asked_.size(), 1);
        QCOMPARE(asked_[0].kind, MessageRequest::Kind::Error);
        QCOMPARE(window_->size(), designedSize());
        asked_.clear();
        window_->show();
        QVERIFY(window_->close());
        QVERIFY(!window_->isVisible());
        QCOMPARE(asked_.size(), 1);
        QCOMPARE(asked_[0].kind, MessageRequest::Kind::Error);
        QCOMPARE(asked_[0].message,
                 QString::fromStdString(iniPath().string()) + QStringLiteral(" に書き込めません"));
        QVERIFY(fs::is_directory(iniPath()));
    }

    void showDeletesTheSitemapAndHidesFourMenus() {
        WriteFileAtomically(programFolder() / "sitemap.xml", "<urlset/>");
        create();
        QVERIFY(fs::exists(programFolder() / "sitemap.xml"));
        window_->show();
        QVERIFY(!fs::exists(programFolder() / "sitemap.xml"));
        QStringList visibleMenus;
        for (QAction* action : window_->menuBar()->actions())
            if (action->isVisible())
                visibleMenus << action->text();
        QCOMPARE(visibleMenus,
                 QStringList({"ファイル(&F)", "サイトマップ(&W)", "編 集(&E)", "Information(&I)"}));
    }

    void menuTable() {
        create();
        window_->show();
        const QList<QPair<MenuItem, QList<MenuItem>>> expected = {
            {{"N1", "ファイル(&F)", true},
             {{"N7", "サーバー接続テスト", false},
              {"N18", "リリースバージョン", true},
              {"N2", "終了", true}}},
            {{"N3", "サイトマップ(&W)", true},
             {{"N8", "サーバー内のファイルリストを取得", true},
              {"N16", "", true},
              {"N13", "サイトマップを作成", true},
              {"N15", "サイトマップをブラウザで確認(LOCAL)", true},
              {"N17", "", true},
              {"N14", "アップロード", true},
              {"LOCAL1", "サイトマップをブラウザで確認(WEB)", true},
              {"Google2", "検索エンジンに通知する", true}}},
            {{"N19", "編 集(&E)", true},
             {{"N20", "全て選択", true},
              {"N21", "全選択解除", true},
              {"ResetMemory1", "このサイトの記憶を消去", true}}},
            {{"N4", "検索順位分析(&A)", false}, {{"yxh1", "日別検索結果", true}}},
            {{"N5", "サイトツール(&T)", false}, {{"PING1", "PING", true}}},
            {{"N6", "マーケティング(&M)", false}, {}},
            {{"n10", "Google Analytics分析(&G)", false}, {}},
            {{"Information1", "Information(&I)", true},
             {{"N9", "オンラインヘルプ-取扱説明書-", true},
              {"Quorvane1", "Quorvaneのページ", true},
              {"N22", "問い合わせメールを送る", true},
              {"N12", "", false},
              {"SITEWRIGHTGoogleSitemap1", "SITE WRIGHT-Google Sitemap編-のページ", false},
              {"Google1", "Google", false},
              {"N11", "自社サイト", false}}},
        };
        const QList<QAction*> menus = window_->menuBar()->actions();
        QCOMPARE(menus.size(), expected.size());
        for (int m = 0; m < menus.size(); ++m) {
            QMenu* menu = menus[m]->menu();
            QVERIFY(menu);
            QCOMPARE(menu->objectName(), QString::fromLatin1(expected[m].first.name));
            QCOMPARE(menus[m]->text(), expected[m].first.caption);
            QCOMPARE(menus[m]->isVisible(), expected[m].first.visible);
            compareItems(menu, expected[m].second);
        }
        compareItems(window_->findChild<QMenu*>(QStringLiteral("PopupMenu1")),
                     {{"N23", "全て選択", true}, {"N24", "全選択解除", true}});
        auto* closeButton = window_->findChild<QPushButton*>(QStringLiteral("Button4"));
        QCOMPARE(closeButton->text(), QStringLiteral("終　了"));
        QCOMPARE(closeButton->size(), QSize(73, 25));
    }

    void versionBoxesShowTheirOwnTexts() {
        create();
        action("N18")->trigger();
        window_->findChild<QToolButton*>(QStringLiteral("IconButton13"))->click();
        QCOMPARE(asked_.size(), 2);
        QCOMPARE(asked_[0].kind, MessageRequest::Kind::Info);
        const QString version = QStringLiteral("\r\nプログラムのバージョン: " SW_VERSION);
        QCOMPARE(asked_[0].message,
                 QStringLiteral("リリース表記: Release Version Beta0.02 2006/12/06A Quorvane") +
                     version);
        QCOMPARE(asked_[0].buttons, QStringList({QStringLiteral("確認")}));
        QCOMPARE(asked_[1].message,
                 QStringLiteral("リリース表記: Release Version Beta 2006/12/02A Quorvane") + version);
        QCOMPARE(asked_[1].buttons, QStringList({QStringLiteral("確認")}));
    }

    void linksGoToTheDesktopWithTheirStatusTexts() {
        create();
        struct Link {
            const char* item;
            const char* address;
            bool status;
        };
        const Link links[] = {
            {"N22", "mailto:support@quorvane.example", false},
            {"Quorvane1", "https://www.quorvane.example/", true},
            {"SITEWRIGHTGoogleSitemap1", "https://www.quorvane.example/sitewright/", true},
            {"Google1", "https://www.sitemaps.org/ja/protocol.html", true},
            {"N11", "https://www.sitemaps.org/ja/protocol.html", true},
        };
        for (const Link& link : links) {
            MainWindowAccess::SetStatusText(*window_, 1, QString());
            MainWindowAccess::SetStatusText(*window_, 2, QString());
            opened_.clear();
            action(link.item)->trigger();
            QCOMPARE(opened_, QList<QUrl>({QUrl(QString::fromLatin1(link.address))}));
            QCOMPARE(window_->StatusText(1), link.status ? QStringLiteral("WEB接続") : QString());
            QCOMPARE(window_->StatusText(2),
                     link.status ? QString::fromLatin1(link.address) : QString());
        }
    }

    // The help item opens the local manual; without one it says which file is missing.
    void helpItemOpensTheLocalManual() {
        create();
        const fs::path manual = programFolder() / "doc" / "manual.html";
        window_->SetManual(manual);
        action("N9")->trigger();
        QVERIFY(opened_.isEmpty());
        QCOMPARE(asked_.size(), 1);
        QCOMPARE(asked_[0].kind, MessageRequest::Kind::Info);
        QCOMPARE(asked_[0].message, QStringLiteral("マニュアル「%1」が見つかりません。")
                                        .arg(QString::fromStdString(manual.string())));

        fs::create_directories(manual.parent_path());
        WriteFileAtomically(manual, "<html></html>");
        action("N9")->trigger();
        QCOMPARE(opened_,
                 QList<QUrl>({QUrl::fromLocalFile(QString::fromStdString(manual.string()))}));
        QCOMPARE(asked_.size(), 1);
        QCOMPARE(window_->StatusText(1), QString());
    }

    void itemsWithoutHandlerDoNothing() {
        create();
        window_->FillAfterRetrieval({row("a.html")});
        for (const char* item : {"yxh1", "PING1"})
            action(item)->trigger();
        QVERIFY(asked_.isEmpty());
        // IndexNow is off until the user turns it on: the notification says so, sending nothing.
        action("Google2")->trigger();
        QCOMPARE(asked_.size(), 1);
        asked_.clear();
        QVERIFY(opened_.isEmpty());
        QCOMPARE(window_->table()->count(), 1);
        for (int panel = 0; panel < 3; ++panel)
            QCOMPARE(window_->StatusText(panel), QString());
    }

    void closeCommandsCloseTheWindow() {
        for (const char* trigger : {"N2", "Button4"}) {
            create();
            window_->show();
            if (QAction* item = window_->findChild<QAction*>(QString::fromLatin1(trigger)))
                item->trigger();
            else
                window_->findChild<QPushButton*>(QString::fromLatin1(trigger))->click();
            QVERIFY(!window_->isVisible());
            QVERIFY(fs::exists(iniPath()));
            window_.reset();
            fs::remove(iniPath());
        }
    }

    void selectAllAndNoneOnAnEmptyTableShowZero() {
        for (const char* item : {"N20", "N21", "N23", "N24"}) {
            create();
            QCOMPARE(counter("select_total"), QString());
            QCOMPARE(counter("max_total"), QString());
            action(item)->trigger();
            QCOMPARE(counter("select_total"), QStringLiteral("0"));
            window_.reset();
        }
    }

    void fillAfterRetrievalChecksEveryRow() {
        create();
        window_->FillAfterRetrieval({row("c.html"), row("a.html"), row("b.html"), row("a.html")});
        QCOMPARE(window_->table()->count(), 4);
        QCOMPARE(window_->table()->rowText(0), row("a.html"));
        QCOMPARE(window_->table()->checkedCount(), 4);
        QCOMPARE(counter("max_total"), QStringLiteral("4"));
        QCOMPARE(counter("select_total"), QStringLiteral("4"));
        window_->FillAfterRetrieval({});
        QCOMPARE(counter("max_total"), QStringLiteral("0"));
        QCOMPARE(counter("select_total"), QStringLiteral("0"));
    }

    void togglesRecountTheSelection() {
        create();
        window_->show();
        window_->FillAfterRetrieval({row("a.html"), row("b.html"), row("c.html")});
        action("N21")->trigger();
        QCOMPARE(counter("select_total"), QStringLiteral("0"));
        QListView* list = dataList();
        const QRect second = list->visualRect(window_->table()->index(1));
        // A click in the check-box strip toggles; a click beside it only selects.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(4, second.center().y()));
        QCOMPARE(counter("select_total"), QStringLiteral("1"));
        QVERIFY(window_->table()->isChecked(1));
        QCOMPARE(window_->CurrentRow(), 1);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(150, second.center().y()));
        QCOMPARE(counter("select_total"), QStringLiteral("1"));
        // Space toggles the current row.
        list->setCurrentIndex(window_->table()->index(2));
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(counter("select_total"), QStringLiteral("2"));
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(counter("select_total"), QStringLiteral("1"));
        action("N23")->trigger();
        QCOMPARE(counter("select_total"), QStringLiteral("3"));
        QCOMPARE(counter("max_total"), QStringLiteral("3"));
    }

    void doubleClickEditsTheRowInPlace() {
        create();
        Tfurl_edit dialog(window_.get());
        window_->SetUrlEditDialog(&dialog);
        window_->show();
        window_->FillAfterRetrieval({row("a.html"), row("b.html"), row("c.html")});
        MainWindowAccess::SetChecked(*window_, 0, false);

        std::function<void(QDialog&)> answer;
        const ScopedDialogResponder edit([&](QDialog& shown) { answer(shown); });
        answer = [](QDialog& shown) {
            shown.findChild<QLineEdit*>(QStringLiteral("filename"))
                ->setText(QStringLiteral("zzz.html"));
            shown.findChild<QComboBox*>(QStringLiteral("priority"))->setCurrentIndex(8);
            shown.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
        };
        doubleClickRow(0);
        QCOMPARE(window_->table()->rowText(0), row("zzz.html", "0.8"));
        QVERIFY(!window_->table()->isChecked(0));
        QCOMPARE(window_->table()->rowText(1), row("b.html"));
        QCOMPARE(window_->CurrentRow(), 0);
        QCOMPARE(window_->StatusText(2), QStringLiteral("https://www.example.jp/news/"));

        MainWindowAccess::SetStatusText(*window_, 2, QString());
        answer = [](QDialog& shown) {
            shown.findChild<QLineEdit*>(QStringLiteral("filename"))->setText(QStringLiteral("x"));
            shown.findChild<QPushButton*>(QStringLiteral("Button2"))->click();
        };
        doubleClickRow(2);
        QCOMPARE(window_->table()->rowText(2), row("c.html"));
        QVERIFY(window_->table()->isChecked(2));
        QCOMPARE(window_->StatusText(2), QStringLiteral("https://www.example.jp/news/"));
        QVERIFY(asked_.isEmpty());
    }

    void doubleClickIsRefusedWhileARetrievalRuns() {
        create();
        Tfurl_edit dialog(window_.get());
        window_->SetUrlEditDialog(&dialog);
        window_->show();
        window_->FillAfterRetrieval({row("a.html")});
        MainWindowAccess::SetRetrievalRunning(*window_, true);
        bool opened = false;
        const ScopedDialogResponder edit([&](QDialog&) { opened = true; });
        doubleClickRow(0);
        QCOMPARE(asked_.size(), 1);
        QCOMPARE(asked_[0].message, QStringLiteral("ファイルリストの取得中です。"));
        QVERIFY(!opened);
        QCOMPARE(window_->StatusText(0), QString());
    }

    void progressShowsPagesFoundAndFoldersListedWhileTheWalkRuns() {
        create();
        window_->show();
        MainWindowAccess::RetrievalStarted(*window_);
        auto* bar = window_->findChild<QProgressBar*>(QStringLiteral("WalkProgress"));
        QVERIFY(bar && bar->isHidden());
        RetrievalProgress progress;
        progress.rowsFound = 3;
        progress.folders = FolderCount{3, 12, 4};
        MainWindowAccess::ShowProgress(*window_, progress);
        QCOMPARE(counter("max_total"), QStringLiteral("3"));
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->value(), 3);
        QCOMPARE(bar->maximum(), 12);
        // Read whole, not cut, even with five-digit counts.
        progress.folders = FolderCount{12345, 67890, 16};
        MainWindowAccess::ShowProgress(*window_, progress);
        QVERIFY(bar->fontMetrics().horizontalAdvance(bar->text()) <= bar->contentsRect().width());

        RetrievalSummary summary;
        summary.folders = 12;
        MainWindowAccess::ShowRetrievalEnd(*window_, summary, {row("a.html"), row("b.html")});
        QVERIFY(bar->isHidden());
        QCOMPARE(counter("max_total"), QStringLiteral("2"));
    }

private:
    fs::path programFolder() const { return fs::path(folder_->path().toStdString()); }
    fs::path iniPath() const { return programFolder() / "site_wright.ini"; }
    void writeIni(const std::string& text) { WriteFileAtomically(iniPath(), text); }

    void create() {
        window_ = std::make_unique<TFsite_wright>(programFolder());
        window_->SetUrlOpener([this](const QUrl& address) {
            opened_ << address;
            return true;
        });
    }

    QAction* action(const char* name) {
        auto* found = window_->findChild<QAction*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no menu item %s", name);
        return found;
    }

    QString counter(const char* name) {
        return window_->findChild<QLabel*>(QString::fromLatin1(name))->text();
    }

    QListView* dataList() { return window_->findChild<QListView*>(QStringLiteral("data_list")); }

    void doubleClickRow(int i) {
        QListView* list = dataList();
        const QPoint at(150, list->visualRect(window_->table()->index(i)).center().y());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    static void compareItems(QMenu* menu, const QList<MenuItem>& expected) {
        const QList<QAction*> items = menu->actions();
        QCOMPARE(items.size(), expected.size());
        for (int i = 0; i < items.size(); ++i) {
            QCOMPARE(items[i]->objectName(), QString::fromLatin1(expected[i].name));
            QCOMPARE(items[i]->isSeparator(), expected[i].caption.isEmpty());
            if (!items[i]->isSeparator())
                QCOMPARE(items[i]->text(), expected[i].caption);
            QCOMPARE(items[i]->isVisible(), expected[i].visible);
            // Qt reports hidden actions as disabled; every shown item must be enabled.
            if (expected[i].visible)
                QVERIFY(items[i]->isEnabled());
        }
    }

    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<TFsite_wright> window_;
    std::unique_ptr<ScopedMessageResponder> responder_;
    QList<MessageRequest> asked_;
    QList<QUrl> opened_;
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
