#include "jobs/retrieval.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>

#include <unistd.h>

#include "core/file_io.h"
#include "ftp/Uftp_module.h"
#include "settings/SiteSettings.h"
#include "sitemap/sitemap_writer.h"
#include "support/fake_ftp_server.h"
#include "support/fault_scripts.h"
#include "support/site_faults.h"
#include "support/fixed_clock.h"
#include "support/test_rows.h"
#include "support/walk_script.h"
#include "support/temp_folder.h"
#include "support/plain_settings.h"

// The walk of a small site broken at every point of its conversation by a server that drops
// the connection, stalls, floods or names a dead data port, and walks of listings far larger
// or stranger than a site's. Each run must end, say what went wrong, keep the rows gathered
// before the fault, and leave the settings files as they were.

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using fake_ftp::Step;
using walk_script::dir;
using walk_script::file;
using walk_script::Lines;
using walk_script::RecordingObserver;
using walk_script::Script;
using namespace site_faults;

namespace {

// Resident memory of this process, in MiB: now (VmRSS) or the peak since the last
// ResetPeakMemory (VmHWM).
void ResetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}
long MemoryMiB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0)
            return std::stol(line.substr(field.size() + 1)) / 1024;
    }
    return -1;
}

// A program folder with both settings files and the sitemap of an earlier run.
class WalkFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.web_url = kWeb;
        settings.username = "anna";
        settings.password = "secret";
        settings.site_root = "/r";
        SaveSettings(folder, settings);
        dat = ReadFile(folder / "config_v1.dat");
        conf = ReadFile(folder / "config_v1.conf");
    }

    // Runs a retrieval against script with time-outs short enough for a stall per case.
    RetrievalSummary walk(FakeFtpServer& server, RecordingObserver& observer,
                          const std::string& what,
                          FtpTimeouts timeouts = FtpTimeouts{1000ms, 500ms},
                          const RetrievalLimits& limits = RetrievalLimits()) {
        WriteSitemap(folder, kOldSitemap);
        Tftp_module ftp(clock);
        ftp.Lock()->SetTimeouts(timeouts);
        settings.hostname = server.Host();
        RetrievalSummary summary;
        {
            const Watchdog watchdog(what, kRunBound);
            summary = RunRetrieval(ftp, settings, observer, limits);
        }
        EXPECT_TRUE(server.WaitUntilFinished(30s));
        EXPECT_FALSE(ftp.Lock()->IsConnected());
        // The walk leaves the program folder alone: the settings are only ever read.
        EXPECT_EQ(ReadFile(SitemapPath(folder)), kOldSitemap);
        EXPECT_EQ(ReadFile(folder / "config_v1.dat"), dat);
        EXPECT_EQ(ReadFile(folder / "config_v1.conf"), conf);
        return summary;
    }

    // The run ends as every run does: finished (after a failure failed), the rows handed over.
    static void expectEndShown(const RecordingObserver& observer, bool failed = false) {
        ASSERT_GE(observer.events.size(), 3u);
        EXPECT_EQ(observer.events.front(), "start");
        EXPECT_EQ(Lines(observer.events.end() - 2, observer.events.end()),
                  (Lines{failed ? "end failed" : "end finished",
                         "fill " + std::to_string(observer.rows.size())}));
    }

    FixedClock clock{DateTime{2007, 1, 15, 12, 0, 0, 0}};
    SiteSettings settings = PlainFtpSettings();
    TempFolder tempFolder_{"sw_walk_faults"};
    const fs::path folder = tempFolder_.Path();
    std::string dat;
    std::string conf;
};

} // namespace

TEST_F(WalkFaultTest, EveryPointOfASiteWalkFailsCleanlyAndKeepsTheRowsGathered) {
    const std::vector<FaultCase> cases = faultsAtEveryPoint(siteScript());
    ASSERT_GT(cases.size(), 80u);
    std::size_t completed = 0;
    for (const FaultCase& fault : cases) {
        SCOPED_TRACE(fault.description);
        FakeFtpServer server(fault.script);
        RecordingObserver observer;
        const RetrievalSummary summary = walk(server, observer, fault.description);

        EXPECT_EQ(server.Commands(), commandsOf(fault.script));
        EXPECT_EQ(server.Problems(), Lines());
        const Reach reach = reachOf(fault.script);
        expectEndShown(observer, reach.listings < 3);
        EXPECT_EQ(observer.rows, kRowsAfterListings[reach.listings]);
        EXPECT_EQ(summary.rows, observer.rows.size());
        if (reach.listings == 3) {
            // The fault came after the last listing: QUIT is not waited for.
            ++completed;
            EXPECT_EQ(observer.messages, Lines());
            EXPECT_FALSE(summary.endedEarly || summary.loginFailed);
            continue;
        }
        ASSERT_EQ(observer.messages.size(), 1u);
        const std::string& message = observer.messages[0];
        const std::string heading = (reach.loggedIn ? kCutShort : kConnectFailed) + "\r\n";
        ASSERT_EQ(message.rfind(heading, 0), 0u) << message;
        const std::string reason = message.substr(heading.size());
        EXPECT_TRUE(fault.describes(reason)) << reason;
        EXPECT_EQ(summary.loginFailed, !reach.loggedIn);
        EXPECT_EQ(summary.endedEarly, reach.loggedIn);
        EXPECT_EQ(summary.foldersRefused, 0u) << "a lost connection taken for a refused folder";
    }
    // Faults at QUIT, and a drop right after the last listing's end.
    EXPECT_EQ(completed, 5u);
}

TEST_F(WalkFaultTest, OverlongListingLinesAndNamesAreLeftOut) {
    // A 10 MiB line without a name column, a 10 MiB file name and folder name, and a subfolder
    // whose listing is 1 MiB without any line end. No file system names a file with more than
    // 1024 bytes: such a name is neither a row nor entered. The subfolder's listing, no line of
    // which can be read, is an error of that folder; the walk goes on.
    const std::string garbage(10 << 20, 'x');
    const std::string longest = std::string(1024 - 5, 'n') + ".html";
    const Lines root = {file("index.html"),
                        garbage,
                        file(std::string(10 << 20, 'n') + ".html"),
                        dir(std::string(10 << 20, 'd')),
                        file("o" + longest),
                        file(longest),
                        dir("sub"),
                        file("z.html")};
    FakeFtpServer server(Script()
                             .visit("/r", root)
                             .cwd("/r/sub")
                             .listBytes(std::string(1 << 20, 'y'))
                             .visit("/r", root)
                             .quit());
    RecordingObserver observer;
    const RetrievalSummary summary = walk(server, observer, "overlong lines", {5s, 5s});
    EXPECT_EQ(server.Problems(), Lines());
    EXPECT_EQ(server.Commands(),
              fake_ftp::AfterLogin({"CWD /r", "PASV", "LIST", "CWD /r/sub", "PASV", "LIST",
                                    "CWD /r", "PASV", "LIST", "QUIT"}));
    ASSERT_EQ(observer.messages.size(), 1u);
    EXPECT_EQ(observer.messages[0].rfind("/r/subフォルダーの一覧を読み取れません。\r\n", 0), 0u)
        << observer.messages[0];
    EXPECT_LT(observer.messages[0].size(), 400u) << "the unreadable line is quoted whole";
    expectEndShown(observer);
    EXPECT_EQ(observer.rows, (Lines{Row(kWeb + "/", "index.html"), Row(kWeb + "/", longest),
                                    Row(kWeb + "/", "z.html")}));
    EXPECT_EQ(summary.folders, 2u);
    EXPECT_EQ(summary.foldersUnreadable, 1u);
}

TEST_F(WalkFaultTest, FolderOfAMillionEntriesIsWalkedWhole) {
    // A subfolder half way down makes the walk list the whole folder twice.
    constexpr std::size_t kEntries = 1000000;
    constexpr std::size_t kSubfolderAt = kEntries / 2;
    auto name = [](std::size_t i) {
        std::string digits = std::to_string(i);
        return "p" + std::string(7 - digits.size(), '0') + digits + ".html";
    };
    std::string listing;
    listing.reserve(kEntries * 64);
    for (std::size_t i = 0; i < kEntries; ++i) {
        if (i == kSubfolderAt)
            listing += dir("sub") + "\r\n";
        listing += file(name(i)) + "\r\n";
    }
    std::vector<Step> script = Script()
                                   .cwd("/r")
                                   .listBytes(listing)
                                   .visit("/r/sub", {file("b.html")})
                                   .cwd("/r")
                                   .listBytes(listing)
                                   .quit();
    listing = std::string();
    FakeFtpServer server(std::move(script));
    RecordingObserver observer;
    ResetPeakMemory();
    const long before = MemoryMiB("VmRSS");
    // One more row than the walk takes by default.
    RetrievalLimits limits;
    limits.maxRows = kEntries + 1;
    const RetrievalSummary summary =
        walk(server, observer, "a folder of a million entries", {5s, 5s}, limits);
    std::cout
        << "walk of 1,000,000 entries: peak resident memory " << MemoryMiB("VmHWM")
        << " MiB, of which " << before
        << " MiB before the walk (the scripted listings); the observer keeps the rows twice\n";

    EXPECT_EQ(server.Problems(), Lines());
    EXPECT_EQ(observer.messages, Lines());
    expectEndShown(observer);
    EXPECT_EQ(summary.folders, 2u);
    ASSERT_EQ(observer.rows.size(), kEntries + 1);
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < kEntries; ++i) {
        const std::size_t at = i < kSubfolderAt ? i : i + 1;
        if (observer.rows[at] != Row(kWeb + "/", name(i)))
            ++wrong;
    }
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(observer.rows[kSubfolderAt], Row(kWeb + "/sub/", "b.html"));
}

TEST_F(WalkFaultTest, NamesFromTheListingNeverLeaveTheSiteRootNorBreakACommand) {
    // Names a server may list by mistake or by malice. A CR or LF inside a name ends the
    // listing line there: "x\ry" arrives as a folder "x" and a line "y" that is no entry.
    // Servers on Windows take "\" for "/" and drop blanks and dots at the end of a step.
    const std::string escape = "esc\x1b]0;title\x07";
    const Lines root = {
        dir(".."),
        dir("."),
        dir("../../etc"),
        dir("a/b"),
        dir("/etc"),
        file("../up.html"),
        dir("..\\..\\etc"),
        dir("a\\..\\..\\etc"),
        dir("..\\"),
        dir("..."),
        dir(". ."),
        dir(std::string("nul\0", 4)),
        dir(escape),
        dir("tab\there"),
        "drwxr-xr-x   2 user group 4096 Dec  1 10:20   lead",
        dir("x\ry"),
        dir("p\nq"),
        dir("a\\b"),
        file("bell\x07.html"),
        file("ok.html"),
    };
    // Every folder tried costs the return to /r and its listing, refused or not.
    Script script;
    script.visit("/r", root).visit("/r/" + escape, {file("in\x01side.html")}).visit("/r", root);
    Lines expected = {"CWD /r", "PASV", "LIST", "CWD /r/" + escape, "PASV", "LIST",
                      "CWD /r", "PASV", "LIST"};
    for (const std::string refused : {"/r/tab\there", "/r/lead", "/r/x", "/r/p", "/r/a\\b"}) {
        script.refuse(refused).visit("/r", root);
        expected.insert(expected.end(), {"CWD " + refused, "CWD /r", "PASV", "LIST"});
    }
    expected.push_back("QUIT");
    FakeFtpServer server(script.quit());
    RecordingObserver observer;
    walk(server, observer, "hostile names", {5s, 5s});
    EXPECT_EQ(server.Problems(), Lines());
    EXPECT_EQ(server.Commands(), fake_ftp::AfterLogin(expected));
    // Control characters reach neither the rows nor what is shown: "%XX" stands for them.
    EXPECT_EQ(observer.rows, (Lines{Row(kWeb + "/esc%1B]0%3Btitle%07/", "in%01side.html"),
                                    Row(kWeb + "/", "bell%07.html"), Row(kWeb + "/", "ok.html")}));
    const std::string missing = "フォルダーが存在しません。\r\n" + kCutShort;
    EXPECT_EQ(observer.messages, (Lines{"/r/tab%09here" + missing, "/r/lead" + missing,
                                        "/r/x" + missing, "/r/p" + missing, "/r/a\\b" + missing}));
    EXPECT_EQ(observer.entered, (Lines{"/r", "/r/esc%1B]0;title%07"}));
    for (std::string event : observer.events) {
        for (std::size_t at = event.find("\r\n"); at != std::string::npos; at = event.find("\r\n"))
            event.erase(at, 2);
        EXPECT_EQ(std::count_if(event.begin(), event.end(),
                                [](char c) { return static_cast<unsigned char>(c) < 0x20; }),
                  0)
            << event;
    }
}

TEST_F(WalkFaultTest, ParallelWalkRepliesEndAsOverOneSession) {
    // The scripted server takes one connection at a time: the first session lists every
    // folder, folders found ahead first, and tries a folder refused for a while again itself.
    // /r holds a page, folders a (a page and folder a1) and b, and a page after them.
    const Lines root = {file("index.html"), dir("a"), dir("b"), file("z.html")};
    const Lines a = {file("p.html"), dir("a1")};
    const Lines a1 = {file("q.html")};
    const Lines b = {file("r.html")};
    const std::string index = Row(kWeb + "/", "index.html"), p = Row(kWeb + "/a/", "p.html"),
                      q = Row(kWeb + "/a/a1/", "q.html"), r = Row(kWeb + "/b/", "r.html"),
                      z = Row(kWeb + "/", "z.html");
    const auto listFailing = [](const std::string& path, const std::string& reply) {
        return Script().cwd(path).raw(fake_ftp::Pasv()).raw({"LIST", {reply}}).steps;
    };
    const auto then = [](Script script, const std::vector<Step>& steps) {
        script.steps.insert(script.steps.end(), steps.begin(), steps.end());
        return script;
    };
    const std::string mlsdRoot = "type=file;modify=20061201012000; index.html\r\ntype=dir; a\r\n";
    std::vector<Step> mlsdSteps =
        fake_ftp::WithLogin(then(Script(), {fake_ftp::Pasv(),
                                            {"MLSD /r", {"150 OK"}},
                                            fake_ftp::SendData(mlsdRoot),
                                            {"", {"226 OK"}},
                                            fake_ftp::Pasv(),
                                            {"MLSD /r/a", {"500 Not now"}}})
                                .visit("/r/a", {file("p.html")})
                                .raw({"QUIT", {"221 Bye"}})
                                .raw(fake_ftp::ExpectClose())
                                .steps);
    mlsdSteps[3] = {"FEAT", {"211-Features:", " MLST type*;modify*;", "211 End"}};

    struct Case {
        std::string description;
        std::string sessions;
        std::vector<Step> script;
        std::size_t maxFolders;
        Lines rows;
        std::string reason; // in the one message; empty: none
        bool endedEarly;
        std::size_t refused;
    };
    const Case cases[] = {
        {"limit reached by folders found, not yet entered",
         "2",
         Script().visit("/r", root).visit("/r/a", a).visit("/r/b", b).visit("/r/a/a1", a1).quit(),
         3,
         {index, p, q},
         "フォルダー数が上限（3）に達しました。",
         true,
         0},
        {"450 to CWD, then listed on the next try",
         "2",
         Script()
             .visit("/r", root)
             .cwd("/r/a", "450 Busy")
             .visit("/r/b", b)
             .visit("/r/a", a)
             .visit("/r/a/a1", a1)
             .quit(),
         100,
         {index, p, q, r, z},
         "",
         false,
         0},
        {"421 to the site root's CWD, then listed",
         "2",
         Script()
             .cwd("/r", "421 Too many users")
             .visit("/r", root)
             .visit("/r/a", a)
             .visit("/r/a/a1", a1)
             .visit("/r/b", b)
             .quit(),
         100,
         {index, p, q, r, z},
         "",
         false,
         0},
        {"425 to LIST, then listed",
         "2",
         // The first 425 is taken for a server that wants the data connection first.
         then(Script().visit("/r", root), listFailing("/r/a", "425 No data connection"))
             .raw(fake_ftp::Pasv())
             .raw({"LIST", {"425 No data connection"}})
             .visit("/r/b", b)
             .visit("/r/a", a)
             .visit("/r/a/a1", a1)
             .quit(),
         100,
         {index, p, q, r, z},
         "",
         false,
         0},
        {"426 to LIST on every try fails the walk",
         "2",
         then(then(then(Script().visit("/r", root), listFailing("/r/a", "426 Aborted"))
                       .visit("/r/b", b),
                   listFailing("/r/a", "426 Aborted")),
              listFailing("/r/a", "426 Aborted"))
             .quit(),
         100,
         {index},
         "426 Aborted",
         true,
         0},
        {"550 to CWD: the folder is missing, the walk goes on",
         "2",
         Script().visit("/r", root).refuse("/r/a").visit("/r/b", b).quit(),
         100,
         {index, r, z},
         "フォルダーが存在しません。",
         false,
         1},
        {"450 to CWD over one session fails the walk",
         "1",
         Script().visit("/r", root).cwd("/r/a", "450 Busy").quit(),
         100,
         {index},
         "450 Busy",
         true,
         0},
        {"MLSD refused: LIST for the rest, said and counted",
         "2",
         mlsdSteps,
         100,
         {index, p},
         "LIST",
         false,
         0},
    };
    for (const Case& fault : cases) {
        SCOPED_TRACE(fault.description);
        settings.connections = fault.sessions;
        FakeFtpServer server(fault.script);
        RecordingObserver observer;
        RetrievalLimits limits;
        limits.maxFolders = fault.maxFolders;
        const RetrievalSummary summary =
            walk(server, observer, fault.description, {1000ms, 500ms}, limits);
        EXPECT_EQ(server.Problems(), Lines());
        EXPECT_EQ(observer.rows, fault.rows);
        EXPECT_EQ(summary.endedEarly, fault.endedEarly);
        EXPECT_EQ(summary.foldersRefused, fault.refused);
        EXPECT_EQ(summary.mlsdRefused, summary.exactTimes && summary.foldersListedList > 0);
        ASSERT_EQ(observer.messages.size(), fault.reason.empty() ? 0u : 1u);
        if (!fault.reason.empty()) {
            EXPECT_NE(observer.messages[0].find(fault.reason), std::string::npos)
                << observer.messages[0];
        }
    }
}
