// The retrieval thread: what it reports arrives on the receiver's thread, its progress
// coalesced and in order with the rest, a problem holds the run until it is answered, and a
// stop ends even a wait on a silent server at once.
#include "jobs/thread.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include <QTemporaryDir>
#include <QtTest>

#include "core/file_io.h"
#include "ftp/Uftp_module.h"
#include "support/fake_ftp_server.h"
#include "support/py_ftp_server.h"
#include "support/plain_settings.h"

namespace fs = std::filesystem;

namespace {

// Everything a run reports, recorded on the test's thread; progress is also applied to a
// display of what the walk is at and the pages found, as a window would.
class Recorder final : public QObject {
public:
    explicit Recorder(tthread1& thread) {
        connect(
            &thread, &tthread1::Started, this, [this] { record("start"); }, Qt::QueuedConnection);
        connect(
            &thread, &tthread1::ProgressChanged, this,
            [this](const RetrievalProgress& progress) {
                QStringList changes;
                if (progress.place) {
                    changes << "place: " + *progress.place;
                    shown["place"] = *progress.place;
                }
                if (progress.rowsFound) {
                    changes << QStringLiteral("rows: %1").arg(*progress.rowsFound);
                    shown["rows"] = QString::number(*progress.rowsFound);
                }
                record("progress: " + changes.join(QStringLiteral(", ")));
            },
            Qt::QueuedConnection);
        connect(
            &thread, &tthread1::ProblemMet, this,
            [this](const WalkProblem& problem) {
                shownAtMessage = shown;
                problems.push_back(problem);
                record("problem: " + QString::fromStdString(problem.folder));
            },
            Qt::QueuedConnection);
        connect(
            &thread, &tthread1::Finished, this,
            [this](const RetrievalSummary& summary, const std::vector<std::string>& rows) {
                shownAtFill = shown;
                rowsFilled = rows.size();
                endedAs = summary.stopped ? "stopped" : summary.Failed() ? "failed" : "finished";
                record(QStringLiteral("fill: ") +
                       (rows.empty() ? QString() : QString::fromStdString(rows.front())));
            },
            Qt::QueuedConnection);
    }

    int count(const QString& prefix) const { return int(events.filter(prefix).size()); }

    QStringList events;
    bool allOnThisThread = true;
    std::map<QString, QString> shown;
    std::map<QString, QString> shownAtMessage;
    std::map<QString, QString> shownAtFill;
    std::vector<WalkProblem> problems;
    std::size_t rowsFilled = 0;
    QString endedAs;

private:
    void record(const QString& event) {
        allOnThisThread = allOnThisThread && QThread::currentThread() == thread();
        events << event;
    }
};

// Counts the walk's calls: the queued events a thread that forwards each call would post.
class CallCounter final : public RetrievalObserver {
public:
    void Started() override { ++calls; }
    void WorkingOn(const std::string&) override { ++calls; }
    void RowFound(const std::string&) override { ++calls; }
    void ProblemMet(const WalkProblem&) override { ++calls; }
    void Finished(const RetrievalSummary&, std::vector<std::string>) override { ++calls; }
    int calls = 0;
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
        settings_ = PlainFtpSettings();
        settings_.web_url = "http://www.example.jp";
        settings_.hostname = server_->Host();
        settings_.username = server_->User();
        settings_.password = server_->Password();
        settings_.site_root = "/public_html";
        // As the window does before it starts a run: an earlier stop must not end this one.
        ftp_.ClearStop();
    }

    void cleanup() {
        server_.reset();
        folder_.reset();
    }

    void whatTheRunShowsArrivesInOrder() {
        WriteFileAtomically(programFolder() / "sitemap.xml", "old");
        tthread1 thread(ftp_, settings_, programFolder());
        Recorder recorder(thread);
        thread.start();
        QVERIFY(thread.wait(30000));
        QTRY_VERIFY(!recorder.events.isEmpty() && recorder.events.last().startsWith("fill: "));
        QVERIFY(recorder.allOnThisThread);
        QVERIFY(!fs::exists(programFolder() / "sitemap.xml"));

        // The first change shows at once; the last state shows before the fill.
        QCOMPARE(recorder.events.first(), QStringLiteral("start"));
        QCOMPARE(recorder.events.at(1), QStringLiteral("progress: place: /public_html"));
        QCOMPARE(recorder.count("progress: "), recorder.events.size() - 2);
        QCOMPARE(recorder.shownAtFill,
                 (std::map<QString, QString>{{"place", "http://www.example.jp/index.html"},
                                             {"rows", "1"}}));
        QCOMPARE(recorder.endedAs, QStringLiteral("finished"));
        const QString fill = recorder.events.last();
        QVERIFY2(fill.startsWith("fill: http://www.example.jp/;index.html;"), qPrintable(fill));
        QVERIFY(fill.endsWith("+09:00;weekly;0.5;"));
        QCOMPARE(thread.Summary().rows, std::size_t(1));
        QVERIFY(!ftp_.Lock()->IsConnected());
    }

    void aMessageHoldsTheRunUntilItIsAnswered() {
        settings_.site_root = "/missing";
        tthread1 thread(ftp_, settings_, programFolder());
        Recorder recorder(thread);
        connect(&thread, &tthread1::ProblemMet, &recorder,
                [&] { QTimer::singleShot(300, &recorder, [&] { thread.ProblemAnswered(); }); });
        QElapsedTimer clock;
        clock.start();
        thread.start();
        QTRY_VERIFY(thread.isFinished());
        QVERIFY(clock.elapsed() >= 300);
        QCOMPARE(recorder.problems.size(), std::size_t(1));
        QCOMPARE(recorder.problems[0].kind, WalkProblemKind::FolderMissing);
        QCOMPARE(recorder.problems[0].folder, std::string("/missing"));
        // The folder the message speaks of shows while it is up.
        QCOMPARE(recorder.shownAtMessage["place"], QStringLiteral("/missing"));
        QTRY_COMPARE(recorder.events.last(), QStringLiteral("fill: "));
    }

    void aStopReleasesAWaitingMessage() {
        settings_.site_root = "/missing";
        tthread1 thread(ftp_, settings_, programFolder());
        connect(&thread, &tthread1::ProblemMet, this, [&] { thread.RequestStop(); });
        thread.start();
        QTRY_VERIFY_WITH_TIMEOUT(thread.isFinished(), 30000);
        QVERIFY(!ftp_.Lock()->IsConnected());
    }

    void aStopEndsAWaitOnASilentServerAtOnce() {
        // The server takes the user name, then never answers the password.
        FakeFtpServer silent({{"", {"220 Ready"}},
                              {"USER anna", {"331 Password required for anna"}},
                              fake_ftp::Stall()});
        settings_.hostname = silent.Host();
        settings_.username = "anna";
        settings_.password = "secret";
        tthread1 thread(ftp_, settings_, programFolder());
        Recorder recorder(thread);
        thread.start();
        QVERIFY(silent.WaitUntilFinished());
        QElapsedTimer clock;
        clock.start();
        thread.RequestStop();
        // Far below the 60 seconds of silence the client would otherwise wait out.
        QVERIFY(thread.wait(5000));
        qInfo("the run ended %lld ms after the stop", clock.elapsed());
        QVERIFY(thread.Summary().stopped);
        QVERIFY(!thread.Summary().loginFailed);
        QTRY_VERIFY(!recorder.events.isEmpty() && recorder.events.last().startsWith("fill: "));
        QCOMPARE(recorder.endedAs, QStringLiteral("stopped"));
        QCOMPARE(recorder.count("problem: "), 0);
    }

    void tenThousandFilesReportAtMostTwentyTimesASecond() {
        const int files = 10000;
        for (int i = 0; i < files; ++i)
            std::ofstream(server_->Root() / "public_html" / ("p" + std::to_string(i) + ".html"));
        CallCounter counter;
        RunRetrieval(ftp_, settings_, counter);

        tthread1 thread(ftp_, settings_, programFolder());
        Recorder recorder(thread);
        QElapsedTimer clock;
        clock.start();
        thread.start();
        QVERIFY(thread.wait(120000));
        const qint64 elapsed = clock.elapsed();
        QTRY_VERIFY(!recorder.events.isEmpty() && recorder.events.last().startsWith("fill: "));
        const int queued = int(recorder.events.size());
        qInfo("queued events for %d files: %d with one per change, %d coalesced (%lld ms)",
              files + 1, counter.calls, queued, elapsed);
        QCOMPARE(recorder.rowsFilled, std::size_t(files + 1));
        QVERIFY(counter.calls > files);
        // One report per interval, plus the first change, the flush before the fill and the
        // clear and fill themselves.
        QVERIFY2(recorder.count("progress: ") <= 2 + elapsed / tthread1::kReportInterval.count(),
                 qPrintable(QString::number(recorder.count("progress: "))));
        QCOMPARE(recorder.endedAs, QStringLiteral("finished"));
        QCOMPARE(recorder.shownAtFill["rows"], QString::number(files + 1));
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
