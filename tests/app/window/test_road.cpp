// The main road in the window against a real FTP server: settings dialog, retrieval thread,
// sitemap, upload and the two previews, with the refusals while a retrieval runs.
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <QComboBox>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>

#include "core/file_io.h"
#include "core/texts.h"
#include "jobs/thread.h"
#include "jobs/work_table.h"
#include "app/widgets/application.h"
#include "app/widgets/message_dialogs.h"
#include "app/widgets/wait_dialog_stopper.h"
#include "app/window/Usite_wright.h"
#include "app/window/Uurl_edit.h"
#include "app/window/main_window_access.h"
#include "ftp/Uftp_module.h"
#include "app/settings_dialog/Usite_manager.h"
#include "sitemap/sitemap_writer.h"
#include "support/fake_ftp_server.h"
#include "support/py_ftp_server.h"

namespace fs = std::filesystem;

namespace {

const QString kWebUrl = QStringLiteral("http://www.example.jp");
// Noon UTC, exact from the server's MLSD, in the zone of the settings' offset.
const char* const kLastmod = "2006-12-01T21:00:00+09:00";
const QString kNoSitemap = QStringLiteral("サイトマップがまだ作成されていません。");
const QString kRunning = QStringLiteral("ファイルリストの取得中です。");

// A file dated 1 December 2006, 12:00 UTC.
void putFile(const fs::path& path, const std::string& bytes = "<html></html>") {
    fs::create_directories(path.parent_path());
    WriteFileAtomically(path, bytes);
    std::tm when{};
    when.tm_year = 2006 - 1900;
    when.tm_mon = 11;
    when.tm_mday = 1;
    when.tm_hour = 12;
    const timespec stamp{timegm(&when), 0};
    const timespec times[2] = {stamp, stamp};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

std::string row(const std::string& folderUrl, const std::string& name) {
    return folderUrl + ";" + name + ";" + kLastmod + ";weekly;0.5;";
}

// The fourteen lines of one url element with the defaults of the sample site.
std::string urlElement(const std::string& location) {
    return "<url>\r\n<loc>\r\n" + location + "\r\n</loc>\r\n<lastmod>\r\n" + kLastmod +
           "\r\n</lastmod>\r\n<changefreq>\r\nweekly\r\n</changefreq>\r\n<priority>\r\n0.5\r\n"
           "</priority>\r\n</url>\r\n";
}

const std::string kSitemapHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<urlset xmlns=\"http://www.google.com/schemas/sitemap/0.84\">\r\n";
const std::string kSitemapTail = "</urlset>\r\n";

} // namespace

class TestRoad final : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InitializeApplication(); }

    void init() {
        folder_ = std::make_unique<QTemporaryDir>();
        QVERIFY(folder_->isValid());
        server_ = std::make_unique<PyFtpServer>();
        const fs::path site = server_->Root() / "public_html";
        putFile(site / "index.html");
        putFile(site / "about.htm");
        putFile(site / "a&b.html");
        putFile(site / "style.css");
        putFile(site / "README");
        putFile(site / "info" / "news.html");
        putFile(site / "お知らせ" / "営業日.html");
        putFile(site / "img" / "logo.png");
        putFile(site / "img.old" / "page.html");
        asked_.clear();
        opened_.clear();
        answer_ = [](const MessageRequest&) { return kFirstButton; };
        responder_ = std::make_unique<ScopedMessageResponder>([this](const MessageRequest& r) {
            asked_ << r;
            return answer_(r);
        });
        create();
    }

    void cleanup() {
        window_.reset();
        manager_.reset();
        ftp_.reset();
        responder_.reset();
        server_.reset();
        folder_.reset();
        texts::UseLanguage(texts::Language::Japanese);
        InitializeApplication();
    }

    // The road in each language; the files it writes do not depend on the language.
    void theWholeRoad_data() {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("sitemapMenu");
        QTest::addColumn<QString>("finished");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<QString>("uploaded");
        QTest::addColumn<QString>("confirm");
        QTest::addColumn<QString>("webConnection");
        QTest::newRow("Japanese") << false << QStringLiteral("サイトマップ(&W)")
                                  << QStringLiteral("取得完了")
                                  << QStringLiteral("サイトマップをアップロードします。")
                                  << QStringList({"実行", "キャンセル"})
                                  << QStringLiteral("サイトマップをアップロードしました。")
                                  << QStringLiteral("確認") << QStringLiteral("WEB接続");
        QTest::newRow("English") << true << QStringLiteral("Site&map")
                                 << QStringLiteral("Retrieved")
                                 << QStringLiteral("The sitemap will be uploaded.")
                                 << QStringList({"Run", "Cancel"})
                                 << QStringLiteral("The sitemap was uploaded.")
                                 << QStringLiteral("Confirm") << QStringLiteral("Web connection");
    }

    void theWholeRoad() {
        QFETCH(bool, english);
        QFETCH(QString, sitemapMenu);
        QFETCH(QString, finished);
        QFETCH(QString, question);
        QFETCH(QStringList, buttons);
        QFETCH(QString, uploaded);
        QFETCH(QString, confirm);
        QFETCH(QString, webConnection);
        restartIn(english ? texts::Language::English : texts::Language::Japanese);
        QCOMPARE(window_->menuBar()->actions()[1]->text(), sitemapMenu);

        runRetrieval();
        QVERIFY(dialogShown_);
        QVERIFY(asked_.isEmpty());
        QVERIFY(fs::exists(programFolder() / "config_v1.dat"));
        QCOMPARE(tableRows(), expectedRows());
        QCOMPARE(window_->table()->checkedCount(), 6);
        QCOMPARE(counter("max_total"), QStringLiteral("6"));
        QCOMPARE(counter("select_total"), QStringLiteral("6"));
        QCOMPARE(window_->StatusText(1), finished);
        QCOMPARE(window_->StatusText(2), QString());
        // The thread object goes once it has finished.
        QTRY_VERIFY(window_->findChildren<tthread1*>().isEmpty());

        action("N13")->trigger();
        std::string expected = kSitemapHead;
        for (const char* location :
             {"http://www.example.jp/a&amp;b.html", "http://www.example.jp/about.htm",
              "http://www.example.jp/index.html", "http://www.example.jp/img.old/page.html",
              "http://www.example.jp/info/news.html",
              "http://www.example.jp/%E3%81%8A%E7%9F%A5%E3%82%89%E3%81%9B/"
              "%E5%96%B6%E6%A5%AD%E6%97%A5.html"})
            expected += urlElement(location);
        expected += kSitemapTail;
        QCOMPARE(ReadFile(sitemapPath()), expected);
        QCOMPARE(opened_, QList<QUrl>({sitemapUrl()}));
        QCOMPARE(window_->StatusText(2),
                 QStringLiteral("http://www.example.jp/お知らせ/営業日.html"));
        QVERIFY(asked_.isEmpty());

        action("N14")->trigger();
        // After the upload: the robots.txt line offered with its exact text, added (the first
        // button), and the outcome told.
        QCOMPARE(asked_.size(), 4);
        QCOMPARE(asked_[2].kind, MessageRequest::Kind::Confirm);
        QVERIFY(asked_[2].message.contains(
            QStringLiteral("Sitemap: http://www.example.jp/sitemap.xml")));
        QCOMPARE(asked_[3].kind, MessageRequest::Kind::Info);
        QVERIFY(ReadFile(server_->Root() / "public_html" / "robots.txt")
                    .find("Sitemap: http://www.example.jp/sitemap.xml\n") != std::string::npos);
        QCOMPARE(asked_[0].kind, MessageRequest::Kind::Confirm);
        QCOMPARE(asked_[0].message, question + "\r\n/public_html");
        QCOMPARE(asked_[0].buttons, buttons);
        QCOMPARE(asked_[1].kind, MessageRequest::Kind::Info);
        QCOMPARE(asked_[1].message, uploaded);
        QCOMPARE(asked_[1].buttons, QStringList({confirm}));
        QCOMPARE(ReadFile(remoteSitemap()), expected);
        QVERIFY(!ftp_->Lock()->IsConnected());

        opened_.clear();
        action("LOCAL1")->trigger();
        QCOMPARE(opened_, QList<QUrl>({QUrl(kWebUrl + "/sitemap.xml")}));
        QCOMPARE(window_->StatusText(1), webConnection);
        QCOMPARE(window_->StatusText(2), kWebUrl + "/sitemap.xml");

        opened_.clear();
        action("N15")->trigger();
        QCOMPARE(opened_, QList<QUrl>({sitemapUrl()}));
        QCOMPARE(asked_.size(), 4);
    }

    void cancellingTheConfirmationOrTheDialogChangesNothing() {
        runRetrieval();
        action("N13")->trigger();
        const std::string sitemap = ReadFile(sitemapPath());
        const std::string dat = ReadFile(programFolder() / "config_v1.dat");

        asked_.clear();
        answer_ = [](const MessageRequest& r) {
            return r.kind == MessageRequest::Kind::Confirm ? kSecondButton : kFirstButton;
        };
        runRetrieval();
        QVERIFY(!dialogShown_);
        QCOMPARE(asked_.size(), 1);
        QCOMPARE(asked_[0].kind, MessageRequest::Kind::Confirm);
        QCOMPARE(asked_[0].message,
                 QStringLiteral("現在のリストを破棄し、サーバーからファイル一覧を取得し直します。"
                                "（サイトマップは「サイトマップを作成」で書き出すまで変わりません）"));
        QCOMPARE(asked_[0].buttons, QStringList({"実行", "キャンセル"}));
        expectUnchanged(sitemap);

        answer_ = [](const MessageRequest&) { return kFirstButton; };
        runRetrieval([this] {
            edit("hostname")->setText(QStringLiteral("typed-but-cancelled"));
            button("Button2")->click();
        });
        QVERIFY(dialogShown_);
        expectUnchanged(sitemap);
        QCOMPARE(ReadFile(programFolder() / "config_v1.dat"), dat);
    }

    void twoRunsInARow() {
        runRetrieval();
        MainWindowAccess::SetChecked(*window_, 0, false);
        asked_.clear();
        runRetrieval();
        QCOMPARE(asked_.size(), 1);
        QCOMPARE(asked_[0].kind, MessageRequest::Kind::Confirm);
        QCOMPARE(tableRows(), expectedRows());
        QCOMPARE(window_->table()->checkedCount(), 6);
        QCOMPARE(counter("max_total"), QStringLiteral("6"));
        QCOMPARE(counter("select_total"), QStringLiteral("6"));
        QCOMPARE(window_->StatusText(1), QStringLiteral("取得完了"));
    }

    // What the user unticked and edited comes back with the next retrieval; pages new since
    // then are marked, pages gone are forgotten when the user agrees; the memory can be reset.
    void rememberedChoicesSurviveTheNextRetrieval() {
        // Without a parent, so that the settings dialog's buttons are the only ones by their names.
        Tfurl_edit dialog;
        window_->SetUrlEditDialog(&dialog);
        window_->show();
        runRetrieval();
        QListView* list = window_->findChild<QListView*>(QStringLiteral("data_list"));
        const auto rowPoint = [&](int i, int x) {
            return QPoint(x, list->visualRect(window_->table()->index(i)).center().y());
        };
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowPoint(0, 4)); // a&b.html
        {
            const ScopedDialogResponder edit([](QDialog& shown) {
                shown.findChild<QComboBox*>(QStringLiteral("changefreq"))
                    ->setEditText(QStringLiteral("毎週月曜"));
                shown.findChild<QComboBox*>(QStringLiteral("priority"))->setCurrentIndex(10);
                shown.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
            });
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowPoint(2, 150));
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rowPoint(2, 150));
        }
        const fs::path site = server_->Root() / "public_html";
        fs::remove(site / "about.htm");
        putFile(site / "new.html");
        asked_.clear();
        answer_ = [](const MessageRequest& r) {
            return r.message.contains(QStringLiteral("about.htm")) ? kSecondButton : kFirstButton;
        };
        runRetrieval();

        QStringList rows = expectedRows();
        rows.removeAt(1);
        rows[1] = QString::fromStdString(row("http://www.example.jp/", "index.html"))
                      .replace(QStringLiteral("weekly;0.5;"), QStringLiteral("毎週月曜;1.0;"));
        rows.insert(2, QString::fromStdString(row("http://www.example.jp/", "new.html")));
        QCOMPARE(tableRows(), rows);
        QVERIFY(!window_->table()->isChecked(0));
        QCOMPARE(window_->table()->checkedCount(), 5);
        QCOMPARE(counter("select_total"), QStringLiteral("5"));
        QCOMPARE(window_->table()->isNew(2), true);
        QCOMPARE(window_->table()->isNew(1), false);
        QCOMPARE(window_->StatusText(2), QStringLiteral("新しいページ 1件"));
        QCOMPARE(asked_.size(), 2);
        QCOMPARE(asked_[1].kind, MessageRequest::Kind::Confirm);
        QVERIFY(asked_[1].message.contains(QStringLiteral("http://www.example.jp/about.htm")));
        QCOMPARE(asked_[1].buttons, QStringList({"削除", "キャンセル"}));

        // Kept: not asked about again while the same pages are missing.
        asked_.clear();
        runRetrieval();
        QCOMPARE(asked_.size(), 1);
        // Once the set changes it is asked again; forgotten, the next run asks nothing. Select
        // none is kept as one change set.
        answer_ = [](const MessageRequest&) { return kFirstButton; };
        fs::remove(site / "new.html");
        asked_.clear();
        runRetrieval();
        QCOMPARE(asked_.size(), 2);
        QVERIFY(asked_[1].message.contains(QStringLiteral("new.html")));
        putFile(site / "new.html");
        runRetrieval();
        action("N21")->trigger();
        asked_.clear();
        runRetrieval();
        QCOMPARE(asked_.size(), 1);
        QCOMPARE(window_->table()->checkedCount(), 0);
        QCOMPARE(counter("select_total"), QStringLiteral("0"));
        QCOMPARE(window_->StatusText(2), QString());

        // Reset: every page is as a first retrieval gives it.
        asked_.clear();
        action("ResetMemory1")->trigger();
        QCOMPARE(asked_[0].message,
                 QStringLiteral("サイト「http://www.example.jp」について記憶している、チェックを"
                                "外したページと変更した更新頻度・優先度をすべて消去します。"));
        QCOMPARE(asked_[0].buttons, QStringList({"消去", "キャンセル"}));
        // Told, and the table drops the memory's choices at once.
        QCOMPARE(asked_.size(), 2);
        QCOMPARE(asked_[1].kind, MessageRequest::Kind::Info);
        QCOMPARE(window_->table()->checkedCount(), window_->table()->count());
        QCOMPARE(counter("select_total"), QString::number(window_->table()->count()));
        runRetrieval();
        QCOMPARE(window_->table()->checkedCount(), 6);
        QCOMPARE(tableRows()[1],
                 QString::fromStdString(row("http://www.example.jp/", "index.html")));
        QVERIFY(!window_->table()->isNew(2));
    }

    void withoutASitemapTheThreeCommandsSaySo() {
        expectNoSitemapNotices();

        runRetrieval();
        action("N13")->trigger();
        QVERIFY(fs::exists(sitemapPath()));
        // A new retrieval deletes the sitemap when it starts.
        runRetrieval();
        QVERIFY(!fs::exists(sitemapPath()));
        expectNoSitemapNotices();

        action("N13")->trigger();
        QVERIFY(fs::exists(sitemapPath()));
        window_.reset();
        create();
        window_->show();
        expectNoSitemapNotices();
    }

    void cancellingTheUploadSendsNothing() {
        runRetrieval();
        action("N13")->trigger();
        const std::size_t sent = ftp_->Lock()->CommandsSent();
        asked_.clear();
        answer_ = [](const MessageRequest& r) {
            return r.kind == MessageRequest::Kind::Confirm ? kSecondButton : kFirstButton;
        };
        action("N14")->trigger();
        QCOMPARE(asked_.size(), 1);
        QCOMPARE(asked_[0].kind, MessageRequest::Kind::Confirm);
        QCOMPARE(ftp_->Lock()->CommandsSent(), sent);
        QVERIFY(!fs::exists(remoteSitemap()));
    }

    void anUploadRightAfterAConnectionTest() {
        runRetrieval();
        action("N13")->trigger();
        asked_.clear();
        action("N7")->trigger();
        QCOMPARE(asked_.size(), 1);
        QCOMPARE(asked_[0].kind, MessageRequest::Kind::Info);
        QCOMPARE(asked_[0].message,
                 QStringLiteral("接続成功\r\nMLSD 対応（更新日時は秒まで正確です。タイムゾーン・"
                                "オフセットは書き出す時刻の時間帯にだけ使います。）"));
        QCOMPARE(asked_[0].buttons, QStringList({"確認"}));
        QVERIFY(!ftp_->Lock()->IsConnected());

        action("N14")->trigger();
        QCOMPARE(asked_.size(), 5); // and the robots.txt line offered and added
        QCOMPARE(asked_[2].message, QStringLiteral("サイトマップをアップロードしました。"));
        QCOMPARE(ReadFile(remoteSitemap()), ReadFile(sitemapPath()));

        edit("password")->setText(QStringLiteral("wrong"));
        action("N7")->trigger();
        QCOMPARE(asked_.last().kind, MessageRequest::Kind::Info);
        QVERIFY(asked_.last().message.startsWith(QStringLiteral("接続失敗\r\n")));
    }

    void failedUploadsSayWhy() {
        runRetrieval();
        action("N13")->trigger();
        asked_.clear();

        // A failed login ends the upload after the plain message box with the reason.
        edit("password")->setText(QStringLiteral("wrong"));
        action("N14")->trigger();
        QCOMPARE(asked_.size(), 2);
        QCOMPARE(asked_[1].kind, MessageRequest::Kind::Plain);
        QVERIFY2(asked_[1].message.startsWith(QStringLiteral("接続失敗\r\n")),
                 qPrintable(asked_[1].message));
        QVERIFY(asked_[1].message.size() > 6);
        QVERIFY(!fs::exists(remoteSitemap()));

        // A site root the server refuses goes to the standard error display.
        edit("password")->setText(QString::fromStdString(server_->Password()));
        edit("site_root")->setText(QStringLiteral("/missing"));
        asked_.clear();
        action("N14")->trigger();
        QCOMPARE(asked_.size(), 2);
        QCOMPARE(asked_[1].kind, MessageRequest::Kind::Error);
        QVERIFY(!asked_[1].message.isEmpty());
        // The session is not left open for a later upload to a server the settings may no
        // longer name.
        QVERIFY(!ftp_->Lock()->IsConnected());

        // A store the server refuses: a folder stands where the file would go.
        fs::create_directory(remoteSitemap());
        edit("site_root")->setText(QStringLiteral("/public_html"));
        asked_.clear();
        action("N14")->trigger();
        QCOMPARE(asked_.size(), 2);
        QCOMPARE(asked_[1].kind, MessageRequest::Kind::Info);
        QVERIFY2(asked_[1].message.startsWith(
                     QStringLiteral("サイトマップのアップロードに失敗しました。\r\n")),
                 qPrintable(asked_[1].message));
        QVERIFY(asked_[1].message.size() > 24);
        QCOMPARE(asked_[1].buttons, QStringList({"確認"}));
        QVERIFY(!ftp_->Lock()->IsConnected());

        // A retrieval that cannot log in empties the table, and 選択数 with it.
        QCOMPARE(counter("select_total"), QStringLiteral("6"));
        runRetrieval([this] {
            fillSettings();
            edit("password")->setText(QStringLiteral("wrong"));
            button("Button1")->click();
        });
        QCOMPARE(window_->table()->count(), 0);
        QCOMPARE(counter("select_total"), QStringLiteral("0"));
    }

    void theSitemapHoldsTheCheckedRowsInTableOrder() {
        window_->FillAfterRetrieval({row("http://www.example.jp/", "c.html"),
                                     row("http://www.example.jp/", "a.html"),
                                     row("http://www.example.jp/", "b<x>.html")});
        MainWindowAccess::SetChecked(*window_, 0, false);
        MainWindowAccess::SetStatusText(*window_, 2, QStringLiteral("before"));
        action("N13")->trigger();
        QCOMPARE(ReadFile(sitemapPath()),
                 kSitemapHead + urlElement("http://www.example.jp/b%3Cx%3E.html") +
                     urlElement("http://www.example.jp/c.html") + kSitemapTail);
        QCOMPARE(window_->StatusText(2), QStringLiteral("http://www.example.jp/c.html"));

        // Nothing checked: the sitemap there is stays unless the user says otherwise (the
        // first button, the default, keeps it); then the three lines only, and the panel
        // keeps its text.
        action("N21")->trigger();
        const std::string written = ReadFile(sitemapPath());
        action("N13")->trigger();
        QCOMPARE(ReadFile(sitemapPath()), written);
        QCOMPARE(asked_.size(), 1);
        QCOMPARE(asked_[0].kind, MessageRequest::Kind::Confirm);
        answer_ = [](const MessageRequest&) { return kSecondButton; };
        action("N13")->trigger();
        QCOMPARE(ReadFile(sitemapPath()), kSitemapHead + kSitemapTail);
        QCOMPARE(window_->StatusText(2), QStringLiteral("http://www.example.jp/c.html"));
        QCOMPARE(opened_.size(), 2);
    }

    void aSitemapThatCannotBeWrittenIsShownAndNotOpened() {
        window_->FillAfterRetrieval({row("http://www.example.jp/", "a.html")});
        fs::create_directory(sitemapPath());
        action("N13")->trigger();
        QCOMPARE(asked_.size(), 1);
        QCOMPARE(asked_[0].kind, MessageRequest::Kind::Error);
        QVERIFY(opened_.isEmpty());
        QVERIFY(fs::is_directory(sitemapPath()));
        QCOMPARE(window_->StatusText(2), QStringLiteral("http://www.example.jp/a.html"));
    }

    void aSitemapBeyondTheSingleFileLimitsIsSplitAndItsIndexOpened() {
        std::vector<std::string> rows;
        for (int i = 0; i <= 50000; ++i)
            rows.push_back(row("http://www.example.jp/", "p" + std::to_string(i) + ".html"));
        window_->FillAfterRetrieval(std::move(rows));
        action("N13")->trigger();
        QVERIFY(asked_.isEmpty());
        QCOMPARE(opened_, QList<QUrl>({sitemapUrl()}));
        const std::vector<std::string> parts = IndexedParts(sitemapPath().parent_path());
        QCOMPARE(parts.size(), std::size_t(2));

        // One row fewer fits one file again: no index, no parts left.
        MainWindowAccess::SetChecked(*window_, 0, false);
        action("N13")->trigger();
        QVERIFY(asked_.isEmpty());
        QVERIFY(IndexedParts(sitemapPath().parent_path()).empty());
        for (const std::string& part : parts)
            QVERIFY(!fs::exists(sitemapPath().parent_path() / part));
    }

    void commandsAreRefusedWhileARetrievalRuns() {
        // The site root is missing: the run waits on its message box, and meanwhile every
        // command that would share the FTP client is refused.
        QStringList refusals;
        bool stopEnabled = false;
        answer_ = [&](const MessageRequest& r) {
            if (r.kind != MessageRequest::Kind::Plain || !window_->RetrievalRunning())
                return kFirstButton;
            stopEnabled = button("Button5")->isEnabled();
            const int before = asked_.size();
            action("N8")->trigger();
            action("N7")->trigger();
            action("N14")->trigger();
            button("Button3")->click();
            for (int i = before; i < asked_.size(); ++i)
                refusals << asked_[i].message;
            return kFirstButton;
        };
        runRetrieval([this] {
            fillSettings();
            edit("site_root")->setText(QStringLiteral("/missing"));
            button("Button1")->click();
        });
        QVERIFY(stopEnabled);
        QCOMPARE(refusals, QStringList({kRunning, kRunning, kRunning, kRunning}));
        QVERIFY(!button("Button5")->isEnabled());
        QCOMPARE(window_->StatusText(1), QStringLiteral("取得失敗"));
        QCOMPARE(window_->table()->count(), 0);
        QCOMPARE(counter("max_total"), QStringLiteral("0"));
    }

    void theStopButtonEndsTheRun() {
        const fs::path site = server_->Root() / "public_html";
        for (int i = 0; i < 150; ++i)
            putFile(site / ("folder" + std::to_string(i)) / "page.html");
        QVERIFY(!button("Button5")->isEnabled());
        startRetrievalAndThen([this] { button("Button5")->click(); });
        QCOMPARE(window_->StatusText(1), QStringLiteral("取得中止"));
        QVERIFY(window_->table()->count() < 156);
        QCOMPARE(counter("max_total"), QString::number(window_->table()->count()));
        QCOMPARE(window_->table()->checkedCount(), window_->table()->count());
        QVERIFY(!button("Button5")->isEnabled());
    }

    void closingTheWindowEndsARunningRetrieval() {
        const fs::path site = server_->Root() / "public_html";
        for (int i = 0; i < 150; ++i)
            putFile(site / ("folder" + std::to_string(i)) / "page.html");
        window_->show();
        {
            const ScopedDialogResponder settings([this](QDialog&) {
                fillSettings();
                button("Button1")->click();
            });
            action("N8")->trigger();
        }
        QVERIFY(window_->RetrievalRunning());
        QVERIFY(window_->close());
        QVERIFY(!window_->RetrievalRunning());
        QVERIFY(window_->findChildren<tthread1*>().isEmpty());
        // The FTP client is free again.
        QVERIFY(ftp_->TryLock().has_value());
    }

    // A server that takes the user name and then never answers: "中止" and closing the window
    // end the retrieval at once, well before the 60 seconds of silence run out.
    void aRetrievalOnASilentServerEndsAtOnce() {
        for (const bool byClosing : {false, true}) {
            FakeFtpServer silent(silentAfterUser());
            window_->show();
            asked_.clear();
            QElapsedTimer clock;
            startRetrievalAndThen(
                [&] {
                    QVERIFY(window_->RetrievalRunning());
                    QVERIFY(silent.WaitUntilFinished());
                    clock.start();
                    if (byClosing)
                        QVERIFY(window_->close());
                    else
                        button("Button5")->click();
                },
                [&] {
                    fillSettingsFor(silent);
                    button("Button1")->click();
                });
            QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
            if (!byClosing)
                QCOMPARE(window_->StatusText(1), QStringLiteral("取得中止"));
            QVERIFY(asked_.isEmpty());
            QVERIFY(ftp_->TryLock().has_value());
            window_.reset();
            create();
        }
    }

    // The connection test and the upload wait under a dialog whose "中止" ends them at once;
    // the failure is then shown as for any failed login.
    void theConnectionTestAndTheUploadStopOnASilentServer() {
        window_->FillAfterRetrieval({row("http://www.example.jp/", "a.html")});
        action("N13")->trigger();
        for (const char* item : {"N7", "N14"}) {
            FakeFtpServer silent(silentAfterUser());
            fillSettingsFor(silent);
            asked_.clear();
            const WaitDialogStopper stopper;
            QElapsedTimer clock;
            clock.start();
            action(item)->trigger();
            QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
            QCOMPARE(stopper.Presses(), 1);
            QVERIFY2(!asked_.isEmpty() && asked_.last().message.startsWith("接続失敗"), item);
            QCOMPARE(asked_.last().kind, item == std::string("N7") ? MessageRequest::Kind::Info
                                                                   : MessageRequest::Kind::Plain);
            QVERIFY(!ftp_->Lock()->IsConnected());
        }
    }

private:
    fs::path programFolder() const { return fs::path(folder_->path().toStdString()); }
    fs::path sitemapPath() const { return programFolder() / "sitemap.xml"; }
    QUrl sitemapUrl() const { return QUrl::fromLocalFile(QString::fromStdString(sitemapPath())); }
    fs::path remoteSitemap() const { return server_->Root() / "public_html" / "sitemap.xml"; }

    // A new window and settings dialog in language, as a start in that locale makes them.
    void restartIn(texts::Language language) {
        texts::UseLanguage(language);
        InitializeApplication();
        window_.reset();
        manager_.reset();
        create();
    }

    void create() {
        if (!ftp_)
            ftp_ = std::make_unique<Tftp_module>();
        window_ = std::make_unique<TFsite_wright>(programFolder());
        window_->SetUrlOpener([this](const QUrl& address) {
            opened_ << address;
            return true;
        });
        window_->SetFtpModule(ftp_.get());
        if (!manager_)
            manager_ = std::make_unique<Tfsite_manager>(programFolder(), *ftp_);
        window_->SetSiteManager(manager_.get());
    }

    static QStringList expectedRows() {
        const std::string site = "http://www.example.jp/";
        QStringList rows;
        for (const std::string& text :
             {row(site, "a&b.html"), row(site, "about.htm"), row(site, "index.html"),
              row(site + "img.old/", "page.html"), row(site + "info/", "news.html"),
              row(site + "お知らせ/", "営業日.html")})
            rows << QString::fromStdString(text);
        return rows;
    }

    QStringList tableRows() const {
        QStringList rows;
        for (int i = 0; i < window_->table()->count(); ++i)
            rows << QString::fromStdString(window_->table()->rowText(i));
        return rows;
    }

    static std::vector<fake_ftp::Step> silentAfterUser() {
        return {{"", {"220 Ready"}},
                {"USER anna", {"331 Password required for anna"}},
                fake_ftp::Stall()};
    }

    void fillSettingsFor(const FakeFtpServer& server) {
        fillSettings();
        edit("hostname")->setText(QString::fromStdString(server.Host()));
        edit("username")->setText(QStringLiteral("anna"));
        edit("password")->setText(QStringLiteral("secret"));
        // Plain FTP: the scripted server has no AUTH TLS.
        manager_->findChild<QComboBox*>(QStringLiteral("tls"))->setCurrentIndex(2);
    }

    void fillSettings() {
        edit("web_url")->setText(kWebUrl);
        edit("hostname")->setText(QString::fromStdString(server_->Host()));
        edit("username")->setText(QString::fromStdString(server_->User()));
        edit("password")->setText(QString::fromStdString(server_->Password()));
        edit("site_root")->setText(QStringLiteral("/public_html"));
    }

    // Starts a retrieval through the menu; onDialog runs on the settings dialog when it shows
    // (by default: fill it in for the test server and confirm). Returns once the run is over.
    void runRetrieval(std::function<void()> onDialog = {}) {
        startRetrievalAndThen({}, std::move(onDialog));
    }

    void startRetrievalAndThen(std::function<void()> afterStart,
                               std::function<void()> onDialog = {}) {
        dialogShown_ = false;
        if (!onDialog) {
            onDialog = [this] {
                fillSettings();
                button("Button1")->click();
            };
        }
        {
            const ScopedDialogResponder settings([&](QDialog&) {
                dialogShown_ = true;
                onDialog();
            });
            action("N8")->trigger();
        }
        if (afterStart)
            afterStart();
        QTRY_VERIFY_WITH_TIMEOUT(!window_->RetrievalRunning(), 30000);
    }

    void expectUnchanged(const std::string& sitemap) {
        QVERIFY(!window_->RetrievalRunning());
        QCOMPARE(tableRows(), expectedRows());
        QCOMPARE(counter("max_total"), QStringLiteral("6"));
        QCOMPARE(ReadFile(sitemapPath()), sitemap);
    }

    void expectNoSitemapNotices() {
        asked_.clear();
        opened_.clear();
        const QString panel1 = window_->StatusText(1);
        const std::size_t sent = ftp_->Lock()->CommandsSent();
        for (const char* item : {"N15", "LOCAL1", "N14"})
            action(item)->trigger();
        QCOMPARE(asked_.size(), 3);
        for (const MessageRequest& request : asked_) {
            QCOMPARE(request.kind, MessageRequest::Kind::Info);
            QCOMPARE(request.message, kNoSitemap);
            QCOMPARE(request.buttons, QStringList({"確認"}));
        }
        QVERIFY(opened_.isEmpty());
        QCOMPARE(window_->StatusText(1), panel1);
        QCOMPARE(ftp_->Lock()->CommandsSent(), sent);
    }

    QAction* action(const char* name) const {
        auto* found = window_->findChild<QAction*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no menu item %s", name);
        return found;
    }
    QPushButton* button(const char* name) const {
        auto* found = window_->findChild<QPushButton*>(QString::fromLatin1(name));
        if (!found)
            found = manager_->findChild<QPushButton*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no button %s", name);
        return found;
    }
    QLineEdit* edit(const char* name) const {
        auto* found = manager_->findChild<QLineEdit*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no field %s", name);
        return found;
    }
    QString counter(const char* name) const {
        return window_->findChild<QLabel*>(QString::fromLatin1(name))->text();
    }

    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<PyFtpServer> server_;
    std::unique_ptr<Tftp_module> ftp_;
    std::unique_ptr<Tfsite_manager> manager_;
    std::unique_ptr<TFsite_wright> window_;
    std::unique_ptr<ScopedMessageResponder> responder_;
    std::function<int(const MessageRequest&)> answer_;
    QList<MessageRequest> asked_;
    QList<QUrl> opened_;
    bool dialogShown_ = false;
};

QTEST_MAIN(TestRoad)
#include "test_road.moc"
