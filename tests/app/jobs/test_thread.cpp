// The retrieval thread against a real FTP server: what it shows arrives on the receiver's
// thread in the order the walk made it, and a message holds the run until it is answered.
#include "app/jobs/thread.h"

#include <filesystem>
#include <memory>

#include <QTemporaryDir>
#include <QtTest>

#include "app/file_io.h"
#include "ftp/Uftp_module.h"
#include "support/py_ftp_server.h"

namespace fs = std::filesystem;

namespace {

// Everything a run shows, as text lines, recorded on the test's thread.
class Recorder final : public QObject {
public:
    explicit Recorder(tthread1& thread) {
        connect(
            &thread, &tthread1::TableCleared, this, [this] { record("clear"); },
            Qt::QueuedConnection);
        connect(
            &thread, &tthread1::StatusTextChanged, this,
            [this](int panel, const QString& text) {
                record(QStringLiteral("panel %1: %2").arg(panel).arg(text));
            },
            Qt::QueuedConnection);
        connect(
            &thread, &tthread1::MaxTotalTextChanged, this,
            [this](const QString& text) { record("max_total: " + text); }, Qt::QueuedConnection);
        connect(
            &thread, &tthread1::MessageRequested, this,
            [this](const QString& text) { record("message: " + text); }, Qt::QueuedConnection);
        connect(
            &thread, &tthread1::TableFilled, this,
            [this](const std::vector<std::string>& rows) {
                QStringList texts;
                for (const std::string& row : rows)
                    texts << QString::fromStdString(row);
                record("fill: " + texts.join(QLatin1Char('|')));
            },
            Qt::QueuedConnection);
    }

    QStringList events;
    bool allOnThisThread = true;

private:
    void record(const QString& event) {
        allOnThisThread = allOnThisThread && QThread::currentThread() == thread();
        events << event;
    }
};

} // namespace

class TestThread final : public QObject {
    Q_OBJECT
private slots:
    void init() {
        folder_ = std::make_unique<QTemporaryDir>();
        server_ = std::make_unique<PyFtpServer>();
        fs::create_directories(server_->Root() / "public_html");
        WriteFileAtomically(server_->Root() / "public_html" / "index.html", "<html></html>");
        settings_ = SiteSettings();
        settings_.web_url = "http://www.example.jp";
        settings_.hostname = server_->Host();
        settings_.username = server_->User();
        settings_.password = server_->Password();
        settings_.site_root = "/public_html";
    }

    void cleanup() {
        server_.reset();
        folder_.reset();
    }

    void everyChangeArrivesInOrder() {
        WriteFileAtomically(programFolder() / "sitemap.xml", "old");
        tthread1 thread(ftp_, settings_, programFolder());
        Recorder recorder(thread);
        thread.start();
        QVERIFY(thread.wait(30000));
        QTRY_VERIFY(!recorder.events.isEmpty() && recorder.events.last().startsWith("fill: "));
        QVERIFY(recorder.allOnThisThread);
        QVERIFY(!fs::exists(programFolder() / "sitemap.xml"));

        const QString fill = recorder.events.last();
        QVERIFY2(fill.startsWith("fill: http://www.example.jp/;index.html;"), qPrintable(fill));
        QVERIFY(fill.endsWith("+09:00;weekly;0.5;"));
        QCOMPARE(recorder.events.mid(0, recorder.events.size() - 1),
                 QStringList({
                     "clear",
                     "panel 1: サーバー接続中",
                     "max_total: 取得中・・・",
                     "panel 2: /public_htmlを取得中",
                     "panel 2: http://www.example.jp/index.htmlを取得中",
                     "panel 1: 取得完了",
                     "panel 2: ",
                 }));
        QCOMPARE(thread.Summary().rows, std::size_t(1));
        QVERIFY(!ftp_.Lock()->IsConnected());
    }

    void aMessageHoldsTheRunUntilItIsAnswered() {
        settings_.site_root = "/missing";
        tthread1 thread(ftp_, settings_, programFolder());
        Recorder recorder(thread);
        connect(&thread, &tthread1::MessageRequested, &recorder,
                [&] { QTimer::singleShot(300, &recorder, [&] { thread.MessageAnswered(); }); });
        QElapsedTimer clock;
        clock.start();
        thread.start();
        QTRY_VERIFY(thread.isFinished());
        QVERIFY(clock.elapsed() >= 300);
        const QStringList messages = recorder.events.filter(QRegularExpression("^message: "));
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(QStringLiteral("/missing")), qPrintable(messages[0]));
        QCOMPARE(recorder.events.last(), QStringLiteral("fill: "));
    }

    void aStopReleasesAWaitingMessage() {
        settings_.site_root = "/missing";
        tthread1 thread(ftp_, settings_, programFolder());
        connect(&thread, &tthread1::MessageRequested, this, [&] { thread.RequestStop(); });
        thread.start();
        QTRY_VERIFY_WITH_TIMEOUT(thread.isFinished(), 30000);
        QVERIFY(!ftp_.Lock()->IsConnected());
    }

private:
    fs::path programFolder() const { return fs::path(folder_->path().toStdString()); }

    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<PyFtpServer> server_;
    Tftp_module ftp_;
    SiteSettings settings_;
};

QTEST_GUILESS_MAIN(TestThread)
#include "test_thread.moc"
