#include "jobs/retrieval.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <thread>

#include <QUrl>
#include <QXmlStreamReader>

#include "core/file_io.h"
#include "sitemap/sitemap_writer.h"
#include "ftp/Uftp_module.h"
#include "ftp/server_name.h"
#include "jobs/walk_names.h"
#include "settings/SiteSettings.h"
#include "support/fake_ftp_server.h"
#include "support/fixed_clock.h"
#include "support/py_ftp_server.h"
#include "support/test_files.h"
#include "support/test_rows.h"
#include "support/walk_script.h"
#include "support/temp_folder.h"
#include "support/plain_settings.h"

namespace fs = std::filesystem;
using fake_ftp::AfterLogin;
using fake_ftp::Step;
using Lines = std::vector<std::string>;
using walk_script::dir;
using walk_script::file;
using walk_script::linkLine;
using walk_script::RecordingObserver;
using walk_script::Script;

namespace {

const std::string kWeb = "http://www.example.com";
const std::string kCutShort = "リストの取得が途中で終了しました。";

// Plain settings for the server's account, its login folder as the site root.
SiteSettings settingsFor(const PyFtpServer& server) {
    SiteSettings settings = PlainFtpSettings();
    settings.web_url = kWeb;
    settings.hostname = server.Host();
    settings.username = server.User();
    settings.password = server.Password();
    settings.site_root.clear();
    return settings;
}

class RetrievalTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.web_url = kWeb;
        settings.username = "anna";
        settings.password = "secret";
        settings.site_root = "/r";
        FtpTimeouts timeouts;
        timeouts.connect = std::chrono::seconds(5);
        timeouts.silence = std::chrono::seconds(5);
        ftp.Lock()->SetTimeouts(timeouts);
    }

    // Runs a retrieval against the script; the conversation must follow it to its end.
    RetrievalSummary run(FakeFtpServer& server) {
        settings.hostname = server.Host();
        const RetrievalSummary summary = RunRetrieval(ftp, settings, observer);
        EXPECT_TRUE(server.WaitUntilFinished()) << "the script did not run to its end";
        EXPECT_EQ(server.Problems(), Lines());
        return summary;
    }

    FixedClock clock{DateTime{2007, 1, 15, 12, 0, 0, 0}};
    Tftp_module ftp{clock};
    SiteSettings settings = PlainFtpSettings();
    RecordingObserver observer;
};

} // namespace

TEST_F(RetrievalTest, ARefusedRobotsTxtFailsTheRunNamingTheFileAndTheReply) {
    settings.robots = true;
    FakeFtpServer server(
        Script().raw(fake_ftp::Pasv()).raw({"RETR /r/robots.txt", {"451 Disk trouble"}}).quit());
    const RetrievalSummary summary = run(server);
    EXPECT_TRUE(summary.endedEarly);
    EXPECT_EQ(observer.rows, Lines());
    ASSERT_EQ(observer.messages.size(), 1u);
    EXPECT_NE(observer.messages[0].find("/r/robots.txt"), std::string::npos);
    EXPECT_NE(observer.messages[0].find("451 Disk trouble"), std::string::npos);
    EXPECT_EQ(observer.events.end()[-2], "end failed");
}

TEST_F(RetrievalTest, WalksDepthFirstWithOneListingPerFolderAndOneMorePerReturn) {
    settings.site_root = "/public_html";
    FakeFtpServer server(
        Script()
            .visit("/public_html", {"total 3", file("index.html"), dir("info"), file("z.html")})
            .visit("/public_html/info", {file("news.html")})
            .visit("/public_html", {file("index.html"), dir("info"), file("z.html")})
            .quit());
    const RetrievalSummary summary = run(server);

    EXPECT_EQ(server.Commands(),
              AfterLogin({"CWD /public_html", "PASV", "LIST", "CWD /public_html/info", "PASV",
                          "LIST", "CWD /public_html", "PASV", "LIST", "QUIT"}));
    // Rows in the order the walk met them; the table sorts them.
    EXPECT_EQ(observer.rows, (Lines{Row(kWeb + "/", "index.html"),
                                    Row(kWeb + "/info/", "news.html"), Row(kWeb + "/", "z.html")}));
    EXPECT_EQ(observer.foundOneByOne, observer.rows);
    EXPECT_EQ(observer.events,
              (Lines{"start", "at /public_html", "at http://www.example.com/index.html",
                     "at /public_html/info", "at http://www.example.com/info/news.html",
                     "at http://www.example.com/z.html", "end finished", "fill 3"}));
    EXPECT_EQ(observer.entered, (Lines{"/public_html", "/public_html/info"}));
    EXPECT_EQ(summary.folders, 2u);
    EXPECT_EQ(summary.rows, 3u);
    EXPECT_EQ(summary.commands, AfterLogin({}).size() + 10);
    EXPECT_FALSE(summary.loginFailed || summary.stopped || summary.endedEarly);
    EXPECT_FALSE(ftp.Lock()->IsConnected());
}

TEST_F(RetrievalTest, RefusedSubfolderIsReportedAndTheWalkGoesOn) {
    const Lines root = {dir("a"), dir("b"), file("x.html")};
    FakeFtpServer server(Script()
                             .visit("/r", root)
                             .refuse("/r/a")
                             .visit("/r", root)
                             .visit("/r/b", {file("p.html")})
                             .visit("/r", root)
                             .quit());
    const RetrievalSummary summary = run(server);
    EXPECT_EQ(server.Commands(),
              AfterLogin({"CWD /r", "PASV", "LIST", "CWD /r/a", "CWD /r", "PASV", "LIST",
                          "CWD /r/b", "PASV", "LIST", "CWD /r", "PASV", "LIST", "QUIT"}));
    EXPECT_EQ(observer.messages,
              (Lines{"/r/aフォルダーが存在しません。\r\nリストの取得が途中で終了しました。"}));
    EXPECT_EQ(observer.rows, (Lines{Row(kWeb + "/b/", "p.html"), Row(kWeb + "/", "x.html")}));
    EXPECT_EQ(summary.foldersRefused, 1u);
    EXPECT_EQ(summary.folders, 2u);
    EXPECT_FALSE(summary.endedEarly);
    EXPECT_EQ(observer.events.end()[-2], "end finished");
}

TEST_F(RetrievalTest, OverSeveralSessionsRefusalsAndALostSessionEndAsOverOne) {
    // The scripted server takes one connection at a time, as a server that will not take
    // another does: the first session lists every folder once, the others never log in.
    for (const char* sessions : {"2", "4"}) {
        SCOPED_TRACE(sessions);
        settings.connections = sessions;
        {
            RecordingObserver refusedRun;
            std::swap(observer, refusedRun);
            FakeFtpServer server(Script()
                                     .visit("/r", {dir("a"), dir("b"), file("x.html")})
                                     .refuse("/r/a")
                                     .visit("/r/b", {file("p.html")})
                                     .quit());
            const RetrievalSummary summary = run(server);
            EXPECT_EQ(
                observer.messages,
                (Lines{"/r/aフォルダーが存在しません。\r\nリストの取得が途中で終了しました。"}));
            EXPECT_EQ(observer.rows,
                      (Lines{Row(kWeb + "/b/", "p.html"), Row(kWeb + "/", "x.html")}));
            EXPECT_EQ(summary.foldersRefused, 1u);
            EXPECT_EQ(summary.folders, 2u);
            EXPECT_FALSE(summary.endedEarly);
        }
        {
            RecordingObserver lostRun;
            std::swap(observer, lostRun);
            FakeFtpServer server(
                fake_ftp::WithLogin(Script()
                                        .visit("/r", {file("a.html"), dir("sub"), file("z.html")})
                                        .raw(fake_ftp::Disconnect())
                                        .steps));
            const RetrievalSummary summary = run(server);
            ASSERT_EQ(observer.messages.size(), 1u);
            EXPECT_EQ(observer.messages[0].rfind(kCutShort + "\r\n", 0), 0u);
            EXPECT_EQ(observer.rows, (Lines{Row(kWeb + "/", "a.html")}));
            EXPECT_TRUE(summary.endedEarly);
        }
    }
}

TEST_F(RetrievalTest, RefusedSiteRootGivesTheMessageAndAnEmptyTable) {
    FakeFtpServer server(Script().refuse("/r").quit());
    const RetrievalSummary summary = run(server);
    EXPECT_EQ(server.Commands(), AfterLogin({"CWD /r", "QUIT"}));
    EXPECT_EQ(observer.messages,
              (Lines{"/rフォルダーが存在しません。\r\nリストの取得が途中で終了しました。"}));
    EXPECT_EQ(observer.events.back(), "fill 0");
    EXPECT_EQ(summary.folders, 0u);
}

TEST_F(RetrievalTest, FailedReturnToTheParentEndsTheWalkAndKeepsTheRows) {
    FakeFtpServer server(Script()
                             .visit("/r", {file("a.html"), dir("sub"), file("z.html")})
                             .visit("/r/sub", {file("b.html")})
                             .cwd("/r", "550 Permission denied.")
                             .quit());
    const RetrievalSummary summary = run(server);
    EXPECT_EQ(server.Commands(), AfterLogin({"CWD /r", "PASV", "LIST", "CWD /r/sub", "PASV", "LIST",
                                             "CWD /r", "QUIT"}));
    EXPECT_EQ(observer.messages, (Lines{kCutShort + "\r\n550 Permission denied."}));
    EXPECT_EQ(observer.rows, (Lines{Row(kWeb + "/", "a.html"), Row(kWeb + "/sub/", "b.html")}));
    EXPECT_TRUE(summary.endedEarly);
    // The message comes before the end of the run is shown and the rows are filled.
    EXPECT_EQ(observer.events.end()[-3], "problem " + observer.messages[0]);
    EXPECT_EQ(observer.events.end()[-2], "end failed");
}

TEST_F(RetrievalTest, FailedListingEndsTheWalk) {
    FakeFtpServer server(Script()
                             .visit("/r", {file("a.html"), dir("sub")})
                             .cwd("/r/sub")
                             .raw(fake_ftp::Pasv())
                             .raw({"LIST", {"550 Cannot read the folder."}})
                             .quit());
    const RetrievalSummary summary = run(server);
    EXPECT_EQ(observer.messages, (Lines{kCutShort + "\r\n550 Cannot read the folder."}));
    EXPECT_EQ(observer.rows, (Lines{Row(kWeb + "/", "a.html")}));
    EXPECT_TRUE(summary.endedEarly);
}

TEST_F(RetrievalTest, ConnectionLostOnTheWayInEndsTheWalkWithoutAFolderMessage) {
    FakeFtpServer server(fake_ftp::WithLogin(
        Script().visit("/r", {file("a.html"), dir("sub")}).raw(fake_ftp::Disconnect()).steps));
    const RetrievalSummary summary = run(server);
    ASSERT_EQ(observer.messages.size(), 1u);
    EXPECT_EQ(observer.messages[0].rfind(kCutShort + "\r\n", 0), 0u) << observer.messages[0];
    EXPECT_EQ(observer.rows, (Lines{Row(kWeb + "/", "a.html")}));
    EXPECT_TRUE(summary.endedEarly);
    EXPECT_EQ(summary.foldersRefused, 0u);
}

TEST_F(RetrievalTest, EntriesAfterASubfolderComeFromTheParentsNewListing) {
    // The folder changed while its subfolder was walked: the walk goes on by position in the
    // new listing, and ends where that listing ends early.
    FakeFtpServer server(Script()
                             .visit("/r", {dir("a"), file("x.html"), file("y.html")})
                             .visit("/r/a", {file("p.html")})
                             .visit("/r", {dir("a"), file("z.html")})
                             .quit());
    const RetrievalSummary summary = run(server);
    EXPECT_EQ(observer.rows, (Lines{Row(kWeb + "/a/", "p.html"), Row(kWeb + "/", "z.html")}));
    ASSERT_EQ(observer.messages.size(), 1u);
    EXPECT_EQ(observer.messages[0],
              kCutShort + "\r\nフォルダー「/r」の一覧が、取得中に短くなりました。");
    EXPECT_TRUE(summary.endedEarly);
}

TEST_F(RetrievalTest, FailedLoginShowsTheReasonAndEndsWithAnEmptyTable) {
    FakeFtpServer server({
        {"", {"220 Ready"}},
        {"USER anna", {"331 Password required"}},
        {"PASS secret", {"530 Login incorrect."}},
        fake_ftp::ExpectClose(),
    });
    const RetrievalSummary summary = run(server);
    EXPECT_EQ(server.Commands(), (Lines{"USER anna", "PASS secret"}));
    EXPECT_EQ(observer.messages, (Lines{"接続失敗\r\n530 Login incorrect."}));
    EXPECT_EQ(observer.events,
              (Lines{"start", "problem 接続失敗\r\n530 Login incorrect.", "end failed", "fill 0"}));
    EXPECT_TRUE(summary.loginFailed);
    EXPECT_EQ(summary.folders, 0u);
}

TEST_F(RetrievalTest, EmptySiteRootWalksTheFolderTheLoginLeftTheClientIn) {
    settings.site_root.clear();
    const Lines home = {dir("sub"), file("i.html")};
    FakeFtpServer server(Script()
                             .raw({"PWD", {"257 \"/home/anna\" is the current directory."}})
                             .visit("/home/anna", home)
                             .visit("/home/anna/sub", {file("p.html")})
                             .visit("/home/anna", home)
                             .quit());
    run(server);
    EXPECT_EQ(server.Commands(),
              AfterLogin({"PWD", "CWD /home/anna", "PASV", "LIST", "CWD /home/anna/sub", "PASV",
                          "LIST", "CWD /home/anna", "PASV", "LIST", "QUIT"}));
    EXPECT_EQ(observer.rows, (Lines{Row(kWeb + "/sub/", "p.html"), Row(kWeb + "/", "i.html")}));
    EXPECT_EQ(observer.messages, Lines());
}

TEST_F(RetrievalTest, ServerRootAsSiteRootAddsNoSecondSlash) {
    settings.site_root.clear();
    const Lines top = {dir("a")};
    FakeFtpServer server(Script()
                             .raw({"PWD", {"257 \"/\" is the current directory."}})
                             .visit("/", top)
                             .visit("/a", {file("p.html")})
                             .visit("/", top)
                             .quit());
    run(server);
    EXPECT_EQ(observer.rows, (Lines{Row(kWeb + "/a/", "p.html")}));
}

TEST_F(RetrievalTest, EmptyNamesAndFoldersWalkedAlreadyAreNotEntered) {
    // A line without a name column gives an empty name; the same folder listed twice is
    // walked once.
    const Lines root = {"drwxr-xr-x   2 user group 4096 Dec  1 10:20", dir("a"), dir("a"),
                        file("x.html")};
    FakeFtpServer server(
        Script().visit("/r", root).visit("/r/a", {file("p.html")}).visit("/r", root).quit());
    run(server);
    EXPECT_EQ(server.Commands(), AfterLogin({"CWD /r", "PASV", "LIST", "CWD /r/a", "PASV", "LIST",
                                             "CWD /r", "PASV", "LIST", "QUIT"}));
    EXPECT_EQ(observer.rows, (Lines{Row(kWeb + "/a/", "p.html"), Row(kWeb + "/", "x.html")}));
}

TEST_F(RetrievalTest, FolderLeadingBackToItselfEndsSixtyFourLevelsDown) {
    // A server that shows a link to "." (or to a parent) as a folder offers a new path at
    // every level.
    const Lines level = {dir("loop"), file("p.html")};
    Script script;
    std::vector<std::string> paths = {"/r"};
    for (int depth = 1; depth <= 64; ++depth)
        paths.push_back(paths.back() + "/loop");
    for (const std::string& path : paths)
        script.visit(path, level);
    for (int depth = 63; depth >= 0; --depth)
        script.visit(paths[std::size_t(depth)], level);
    FakeFtpServer server(script.quit());
    const RetrievalSummary summary = run(server);
    EXPECT_EQ(summary.folders, 65u);
    EXPECT_EQ(summary.foldersTooDeep, 1u);
    EXPECT_EQ(observer.messages,
              (Lines{"サイトのルートから64階層より深いフォルダー（1個）は取得しませんでした。最初の"
                     "フォルダー:\r\n" +
                     paths.back() + "/loop"}));
    ASSERT_EQ(observer.rows.size(), 65u);
    EXPECT_EQ(observer.rows.front(), Row(kWeb + paths.back().substr(2) + "/", "p.html"));
    EXPECT_EQ(observer.rows.back(), Row(kWeb + "/", "p.html"));
}

TEST_F(RetrievalTest, DotEntriesAreNeitherEnteredNorRows) {
    settings.ext_list = ".htm,.html,.";
    FakeFtpServer server(
        Script().visit("/r", {dir("."), dir(".."), file("."), file(".."), file("a.html")}).quit());
    run(server);
    EXPECT_EQ(server.Commands(), AfterLogin({"CWD /r", "PASV", "LIST", "QUIT"}));
    EXPECT_EQ(observer.rows, (Lines{Row(kWeb + "/", "a.html")}));
}

TEST_F(RetrievalTest, FoldersAreWalkedByTheirKindNotByTheirName) {
    // A folder with a dot is walked; a file without an extension is neither entered nor
    // reported.
    const Lines root = {dir("img.old"), file("README"), file("LICENSE"), dir("docs")};
    FakeFtpServer server(Script()
                             .visit("/r", root)
                             .visit("/r/img.old", {file("x.html")})
                             .visit("/r", root)
                             .visit("/r/docs", {})
                             .visit("/r", root)
                             .quit());
    run(server);
    EXPECT_EQ(server.Commands(), AfterLogin({"CWD /r", "PASV", "LIST", "CWD /r/img.old", "PASV",
                                             "LIST", "CWD /r", "PASV", "LIST", "CWD /r/docs",
                                             "PASV", "LIST", "CWD /r", "PASV", "LIST", "QUIT"}));
    EXPECT_EQ(observer.messages, Lines());
    EXPECT_EQ(observer.rows, (Lines{Row(kWeb + "/img.old/", "x.html")}));
}

TEST_F(RetrievalTest, ExtensionsMatchWholeItemsOfTheList) {
    const Lines root = {file("a.htm"),  file("b.html"), file("c.HTML"),   file("d.c"),
                        file("e.php3"), file("f.cgi"),  file("g.txt\\x"), file("h.x:y")};
    const std::vector<std::pair<std::string, Lines>> cases = {
        {".htm,.html,.php,.cgi", {"a.htm", "b.html", "f.cgi"}},
        {" .htm ,\t.HTML, ", {"a.htm", "c.HTML"}},
        {".php", {}},
        {"", {}},
    };
    for (const auto& [list, names] : cases) {
        RecordingObserver observed;
        settings.ext_list = list;
        FakeFtpServer server(Script().visit("/r", root).quit());
        settings.hostname = server.Host();
        RunRetrieval(ftp, settings, observed);
        EXPECT_TRUE(server.WaitUntilFinished());
        Lines expected;
        for (const std::string& name : names)
            expected.push_back(Row(kWeb + "/", name));
        EXPECT_EQ(observed.rows, expected) << "list \"" << list << "\"";
    }
}

TEST_F(RetrievalTest, LinksAreNotFollowedButCanBeRows) {
    FakeFtpServer server(Script()
                             .visit("/r", {linkLine("www", "/r"),
                                           linkLine("home.html", "index.html"), file("index.html")})
                             .quit());
    run(server);
    EXPECT_EQ(server.Commands(), AfterLogin({"CWD /r", "PASV", "LIST", "QUIT"}));
    EXPECT_EQ(observer.rows, (Lines{Row(kWeb + "/", "home.html"), Row(kWeb + "/", "index.html")}));
}

TEST_F(RetrievalTest, SemicolonsAndNonCharactersInNamesAreWrittenEscapedInRows) {
    // ";" would shift the row's fields; U+FFFE and U+FFFF are no characters to XML.
    const std::string nonCharacter = "\xEF\xBF\xBE";
    const Lines root = {dir("x;y"), file("a;b.html"), file("c" + nonCharacter + ".html")};
    FakeFtpServer server(
        Script().visit("/r", root).visit("/r/x;y", {file("c.html")}).visit("/r", root).quit());
    run(server);
    // The server gets the name as it listed it.
    EXPECT_EQ(server.Commands()[AfterLogin({}).size() + 3], "CWD /r/x;y");
    EXPECT_EQ(observer.rows, (Lines{Row(kWeb + "/x%3By/", "c.html"), Row(kWeb + "/", "a%3Bb.html"),
                                    Row(kWeb + "/", "c%EF%BF%BE.html")}));
}

TEST_F(RetrievalTest, MlsdTimesAreUtcAndOnlyAFolderInsideItselfIsLeftOut) {
    // Some servers give folders one "unique" fact each (both siblings are walked); a link
    // back up shows as the folder it leads to, with that one's fact (not entered, named).
    const auto mlsd = [](const std::string& payload) {
        return std::vector<Step>{
            fake_ftp::Pasv(), {"MLSD", {"150 OK"}}, fake_ftp::SendData(payload), {"", {"226 OK"}}};
    };
    const std::string root = "type=cdir;unique=r1; .\r\n"
                             "type=dir;modify=20240101000000;unique=d7; www\r\n"
                             "type=dir;modify=20240101000000;unique=d7; sub\r\n"
                             "type=file;modify=20231231203040; a.html\r\n";
    const std::string www = "type=file;modify=20240229235959; p.html\r\n"
                            "type=dir;modify=20240101000000;unique=d7; loop\r\n";
    std::vector<Step> steps = {
        {"", {"220 Ready"}},
        {"USER anna", {"331 Password"}},
        {"PASS secret", {"230 Logged in"}},
        {"FEAT", {"211-Features:", " MLST type*;modify*;unique*;", "211 End"}},
        {"TYPE I", {"200 OK"}},
        {"SYST", {"215 UNIX"}},
        {"CWD /r", {"250 OK"}},
    };
    for (const auto& part : {mlsd(root),
                             {{"CWD /r/www", {"250 OK"}}},
                             mlsd(www),
                             {{"CWD /r", {"250 OK"}}},
                             mlsd(root),
                             {{"CWD /r/sub", {"250 OK"}}},
                             mlsd("type=file;modify=20240101000000; q.html\r\n"),
                             {{"CWD /r", {"250 OK"}}},
                             mlsd(root),
                             {{"QUIT", {"221 Bye"}}, fake_ftp::ExpectClose()}})
        steps.insert(steps.end(), part.begin(), part.end());
    FakeFtpServer server(steps);
    settings.offset_1 = "-";
    settings.offset_2 = "05";
    settings.offset_3 = "3";
    const RetrievalSummary summary = run(server);
    EXPECT_EQ(observer.rows, (Lines{Row(kWeb + "/www/", "p.html", "2024-02-29T18:29:59-05:30"),
                                    Row(kWeb + "/sub/", "q.html", "2023-12-31T18:30:00-05:30"),
                                    Row(kWeb + "/", "a.html", "2023-12-31T15:00:40-05:30")}));
    EXPECT_EQ(summary.foldersRepeated, 1u);
    ASSERT_EQ(observer.messages.size(), 1u);
    EXPECT_NE(observer.messages[0].find("/r/www/loop"), std::string::npos);
    EXPECT_EQ(summary.foldersListedExact, 3u);
    EXPECT_TRUE(summary.WalkedWholeSite());
}

TEST_F(RetrievalTest, ALastmodOutsideTheYearsASitemapWritesIsLeftOutAndCounted) {
    struct Case {
        std::string offsetHours; // of "+HH:00" or "-HH:00"
        std::string facts;       // before "type=file"
        std::string lastmod;     // empty: none written
    };
    const Case cases[] = {
        {"+14", "modify=99991231230000;", ""}, // 10000-01-01 in that zone
        {"+09", "modify=99991231000000;", "9999-12-31T09:00:00+09:00"},
        {"-05", "modify=00010101000000;", ""}, // 0000-12-31
        {"-05", "modify=00010101120000;", "0001-01-01T07:00:00-05:00"},
        {"+09", "", ""},                       // no date: never the zero date 1899-12-30
        {"+09", "modify=20241301000000;", ""}, // month 13
    };
    for (const Case& date : cases) {
        SCOPED_TRACE(date.offsetHours + " " + date.facts);
        std::vector<Step> steps = fake_ftp::WithLogin({});
        steps[3] = {"FEAT", {"211-Features:", " MLST type*;modify*;", "211 End"}};
        const std::string listing = date.facts + "type=file; p.html\r\n";
        for (const Step& step : std::vector<Step>{{"CWD /r", {"250 OK"}},
                                                  fake_ftp::Pasv(),
                                                  {"MLSD", {"150 OK"}},
                                                  fake_ftp::SendData(listing),
                                                  {"", {"226 OK"}},
                                                  {"QUIT", {"221 Bye"}},
                                                  fake_ftp::ExpectClose()})
            steps.push_back(step);
        FakeFtpServer server(steps);
        settings.offset_1 = date.offsetHours.substr(0, 1);
        settings.offset_2 = date.offsetHours.substr(1);
        settings.offset_3 = "0";
        RecordingObserver dated;
        std::swap(observer, dated);
        const RetrievalSummary summary = run(server);
        EXPECT_EQ(observer.rows, (Lines{Row(kWeb + "/", "p.html", date.lastmod)}));
        EXPECT_EQ(summary.undated, date.lastmod.empty() ? 1u : 0u);
    }
}

TEST_F(RetrievalTest, SettingsThatWouldShiftTheRowsAreRefusedBeforeTheLogin) {
    // A stored value from an older file, or one edited by hand.
    const std::pair<std::function<void(SiteSettings&)>, std::string> cases[] = {
        {[](SiteSettings& s) { s.web_url = kWeb + "/a;b"; }, "「;」は使用できません。"},
        {[](SiteSettings& s) { s.web_url = kWeb + "/\x01"; },
         "制御文字など、アドレスに使用できない文字が含まれています。"},
        {[](SiteSettings& s) { s.priority = "0.5;x"; }, "「;」は使用できません。"},
    };
    for (const auto& [change, problem] : cases) {
        RecordingObserver observed;
        FakeFtpServer server({fake_ftp::Stall()});
        SiteSettings changed = settings;
        changed.hostname = server.Host();
        change(changed);
        const RetrievalSummary summary = RunRetrieval(ftp, changed, observed);
        EXPECT_EQ(server.Connections(), 0u);
        EXPECT_EQ(observed.messages, (Lines{kCutShort + "\r\n" + problem}));
        EXPECT_TRUE(summary.endedEarly);
        EXPECT_EQ(observed.events.back(), "fill 0");
    }
}

TEST_F(RetrievalTest, ReachingALimitEndsTheWalkAndKeepsTheRows) {
    // /r holds a page and two folders of one page each.
    const Lines root = {file("a.html"), dir("s"), dir("t")};
    struct Case {
        RetrievalLimits limits;
        std::string reason;
        Lines commands;
        Lines rows;
    };
    const Case cases[] = {
        {{2, 10},
         "フォルダー数が上限（2）に達しました。",
         {"CWD /r", "PASV", "LIST", "CWD /r/s", "PASV", "LIST", "CWD /r", "PASV", "LIST", "QUIT"},
         {Row(kWeb + "/", "a.html"), Row(kWeb + "/s/", "b.html")}},
        {{10, 1},
         "ファイル数が上限（1）に達しました。",
         {"CWD /r", "PASV", "LIST", "CWD /r/s", "PASV", "LIST", "QUIT"},
         {Row(kWeb + "/", "a.html")}},
    };
    for (const Case& limit : cases) {
        SCOPED_TRACE(limit.reason);
        RecordingObserver observed;
        Script script;
        script.visit("/r", root).visit("/r/s", {file("b.html")});
        if (limit.commands.size() > 7)
            script.visit("/r", root);
        FakeFtpServer server(script.quit());
        settings.hostname = server.Host();
        const RetrievalSummary summary = RunRetrieval(ftp, settings, observed, limit.limits);
        EXPECT_TRUE(server.WaitUntilFinished());
        EXPECT_EQ(server.Commands(), AfterLogin(limit.commands));
        EXPECT_EQ(observed.messages, (Lines{kCutShort + "\r\n" + limit.reason}));
        EXPECT_EQ(observed.rows, limit.rows);
        EXPECT_TRUE(summary.endedEarly);
    }
}

TEST_F(RetrievalTest, AbortEndsAStalledWaitAtOnceAsAStop) {
    // No time-out for a while: only the stop can end the wait for the listing, and, over
    // several sessions, the others' wait for a greeting the server never sends.
    ftp.Lock()->SetTimeouts(FtpTimeouts{std::chrono::seconds(60), std::chrono::seconds(60)});
    for (const char* sessions : {"1", "4"}) {
        SCOPED_TRACE(sessions);
        settings.connections = sessions;
        RecordingObserver run;
        FakeFtpServer server(fake_ftp::WithLogin(
            {{"CWD /r", {"250 OK"}}, fake_ftp::Pasv(), {"LIST", {}}, fake_ftp::Stall()}));
        settings.hostname = server.Host();
        std::thread stopper([&] {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            while (server.Commands().size() < 8 && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ftp.Abort();
        });
        const RetrievalSummary summary = RunRetrieval(ftp, settings, run);
        stopper.join();
        ftp.ClearStop();
        EXPECT_EQ(server.Commands(), AfterLogin({"CWD /r", "PASV", "LIST"}));
        EXPECT_TRUE(summary.stopped);
        EXPECT_FALSE(summary.endedEarly);
        EXPECT_EQ(run.messages, Lines());
        EXPECT_EQ(run.events.end()[-2], "end stopped");
        EXPECT_FALSE(ftp.Lock()->IsConnected());
    }
}

TEST_F(RetrievalTest, NamesAreSentAsListedAndShownAsText) {
    const std::string shiftJisFolder = "\x93\xfa\x96\x7b"; // 日本
    const std::string shiftJisFile = "\x95\x5c.html";      // 表.html, its second byte is "\"
    const std::string utf8File = "ページ.html";
    const Lines root = {dir(shiftJisFolder), file(utf8File)};
    FakeFtpServer server(Script()
                             .visit("/r", root)
                             .visit("/r/" + shiftJisFolder, {file(shiftJisFile)})
                             .visit("/r", root)
                             .quit());
    run(server);
    EXPECT_EQ(server.Commands()[AfterLogin({}).size() + 3], "CWD /r/" + shiftJisFolder);
    EXPECT_EQ(observer.rows,
              (Lines{Row(kWeb + "/日本/", "表.html"), Row(kWeb + "/", "ページ.html")}));
    EXPECT_NE(std::find(observer.events.begin(), observer.events.end(), "at /r/日本"),
              observer.events.end());
}

TEST(NameFromServer, KeepsUtf8DecodesShiftJisAndReplacesTheRest) {
    EXPECT_EQ(NameFromServer("index.html"), "index.html");
    EXPECT_EQ(NameFromServer("日本語.html"), "日本語.html");
    EXPECT_EQ(NameFromServer("\x93\xfa\x96\x7b\x8c\xea.html"), "日本語.html");
    // Code page 932 characters beyond plain Shift-JIS.
    EXPECT_EQ(NameFromServer("\x87\x40\x81\x60"), "①～");
    // Neither UTF-8 nor Shift-JIS: a lone lead byte at the end, an undefined byte.
    EXPECT_EQ(NameFromServer("ab\x93"), "ab\xEF\xBF\xBD");
    EXPECT_EQ(NameFromServer("\xFF.html"), "\xEF\xBF\xBD.html");
    // UTF-8 forms that are not valid UTF-8 are not taken for it.
    EXPECT_NE(NameFromServer("\xC0\xAF"), "\xC0\xAF");         // overlong "/"
    EXPECT_NE(NameFromServer("\xED\xA0\x80"), "\xED\xA0\x80"); // surrogate
}

TEST(WalkNames, WhichNamesAreSkippedAndHowTheRestAreWrittenAndMatched) {
    struct Case {
        std::string name;
        bool ignored;
    };
    const Case cases[] = {
        {"page.html", false},
        {"", true},
        {".", true},
        {"..", true},
        {"...", true},
        {".. ", true},
        {"a/b", true},
        {"a\\..\\b", true},
        {"a\\b", false},
        {"x\r\ny", true},
        {std::string("a\0b", 3), true},
        {".hidden", false},
        {std::string(kMaxNameBytes, 'n'), false},
        {std::string(kMaxNameBytes + 1, 'n'), true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsIgnoredName(c.name), c.ignored) << c.name;
    EXPECT_EQ(RowName("a;b%c d.html"), "a%3Bb%25c d.html");
    EXPECT_EQ(ShownName("a\x1b.html"), "a%1B.html");
    EXPECT_EQ(JoinPath("/", "a"), "/a");
    EXPECT_EQ(JoinPath("/r", "a"), "/r/a");
    EXPECT_EQ(WithoutTrailingSlashes("https://example.com//"), "https://example.com");
    EXPECT_EQ(ExtensionOf("a.b.html"), ".html");
    EXPECT_EQ(ExtensionOf("dir.d\\file"), "");
    const ExtensionList list(" .html , .htm,,");
    EXPECT_TRUE(list.Contains(".htm"));
    EXPECT_FALSE(list.Contains(".HTML"));
    EXPECT_FALSE(list.Contains(""));
}

TEST_F(RetrievalTest, NamesThatWouldBreakACommandOrLeaveTheFolderAreSkipped) {
    const Lines root = {dir(std::string("a\0b", 3)),      dir("../../etc"), dir("x/y"),
                        file(std::string("p\0.html", 7)), file("q/r.html"), file("ok.html")};
    FakeFtpServer server(Script().visit("/r", root).quit());
    run(server);
    EXPECT_EQ(server.Commands(), AfterLogin({"CWD /r", "PASV", "LIST", "QUIT"}));
    EXPECT_EQ(observer.rows, (Lines{Row(kWeb + "/", "ok.html")}));
}

TEST_F(RetrievalTest, StopEndsTheWalkBeforeItsNextCommandAndKeepsTheRows) {
    const Lines root = {file("a.html"), dir("sub"), file("z.html")};
    FakeFtpServer server(Script().visit("/r", root).cwd("/r/sub").quit());
    // Asked to stop once the subfolder has been entered: its LIST is not sent.
    observer.stop = [this] { return observer.entered.size() == 2; };
    const RetrievalSummary summary = run(server);
    EXPECT_EQ(server.Commands(), AfterLogin({"CWD /r", "PASV", "LIST", "CWD /r/sub", "QUIT"}));
    EXPECT_EQ(observer.rows, (Lines{Row(kWeb + "/", "a.html")}));
    EXPECT_EQ(observer.messages, Lines());
    EXPECT_EQ(observer.events.end()[-2], "end stopped");
    EXPECT_TRUE(summary.stopped);
    EXPECT_FALSE(summary.endedEarly);
}

TEST_F(RetrievalTest, StopWhileAFolderIsGoneThroughEndsTheWalkThere) {
    // Asked once the first page is a row, with no command left to send: the run is stopped.
    for (const char* sessions : {"1", "3"}) {
        SCOPED_TRACE(sessions);
        settings.connections = sessions;
        settings.exclude = "/x1/,/x2/,*.bak";
        RecordingObserver stoppedRun;
        std::swap(observer, stoppedRun);
        observer.stop = [this] { return !observer.foundOneByOne.empty(); };
        FakeFtpServer server(
            Script().visit("/r", {file("a.html"), file("b.html"), file("c.html")}).quit());
        const RetrievalSummary summary = run(server);
        EXPECT_TRUE(summary.stopped);
        EXPECT_EQ(observer.rows, (Lines{Row(kWeb + "/", "a.html")}));
    }
}

TEST_F(RetrievalTest, StopBeforeTheLoginSendsNothing) {
    FakeFtpServer server({fake_ftp::Stall()});
    settings.hostname = server.Host();
    observer.stop = [] { return true; };
    const RetrievalSummary summary = RunRetrieval(ftp, settings, observer);
    EXPECT_EQ(server.Connections(), 0u);
    EXPECT_TRUE(summary.stopped);
    EXPECT_EQ(observer.events.end()[-2], "end stopped");
    EXPECT_EQ(observer.events.back(), "fill 0");
}

TEST(RetrievalRealServer, AddressesNameTheFilesAndTimesAreExactToTheSecond) {
    // A server with MLSD: every name a URL cannot carry raw, a link to a folder (not walked),
    // a site URL typed with "/" at its end, times in UTC written in the +09:00 zone.
    PyFtpServer server;
    const std::map<std::string, std::time_t> files = {
        {"top.html", 1709634030}, // 2024-03-05 10:20:30 UTC
        {"my page.html", 1164968430},
        {"100%.html", 1164968430},
        {"#top?.html", 1164968430},
        {"a;b&c.html", 1164968430},
        {"%41.html", 1164968430},
        {"お知らせ/営業日.html", 1704047400}, // 2023-12-31 18:30:00 UTC
        {"a/b/deep.php", 1164968430},
    };
    for (const auto& [path, time] : files)
        MakeFile(server.Root() / path, time);
    std::ofstream(server.Root() / "a" / "notes.txt") << "x";
    fs::create_directory_symlink("a", server.Root() / "link");

    Tftp_module ftp;
    SiteSettings settings = settingsFor(server);
    settings.web_url = kWeb + "/";
    RecordingObserver observer;
    const RetrievalSummary summary = RunRetrieval(ftp, settings, observer);
    EXPECT_EQ(observer.messages, Lines());
    EXPECT_TRUE(summary.exactTimes);
    EXPECT_EQ(summary.folders, 4u) << "the link is no folder to walk";

    // The sitemap's addresses, decoded, name the files on the server, each with its time.
    SitemapBuilder builder;
    for (const std::string& row : observer.rows)
        builder.AddRow(row);
    QXmlStreamReader reader(QByteArray::fromStdString(builder.Finish()));
    std::map<std::string, std::string> found;
    std::string loc;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (reader.name() == u"loc")
            loc = reader.readElementText().trimmed().toStdString();
        else if (reader.name() == u"lastmod")
            found[loc] = reader.readElementText().trimmed().toStdString();
    }
    ASSERT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    ASSERT_EQ(found.size(), files.size());
    for (const auto& [address, lastmod] : found) {
        SCOPED_TRACE(address);
        const QUrl url(QString::fromStdString(address), QUrl::StrictMode);
        EXPECT_TRUE(url.isValid()) << url.errorString().toStdString();
        EXPECT_EQ(url.toEncoded().toStdString(), address) << "escaped as a URL is";
        const std::string path =
            QByteArray::fromPercentEncoding(QByteArray::fromStdString(address.substr(kWeb.size())))
                .toStdString();
        ASSERT_EQ(files.count(path.substr(1)), 1u) << path;
        std::time_t local = files.at(path.substr(1)) + 9 * 3600;
        std::tm parts{};
        ::gmtime_r(&local, &parts);
        char want[32];
        std::strftime(want, sizeof want, "%Y-%m-%dT%H:%M:%S+09:00", &parts);
        EXPECT_EQ(lastmod, want);
    }
    EXPECT_EQ(found.count(kWeb + "/a%3Bb&c.html"), 1u);
    EXPECT_EQ(found.count(kWeb + "/%E3%81%8A%E7%9F%A5%E3%82%89%E3%81%9B/"
                                 "%E5%96%B6%E6%A5%AD%E6%97%A5.html"),
              1u);
}

TEST(RetrievalRealServer, OneTwoOrFourSessionsGiveTheSameRowsListingEachFolderOnceByItsPath) {
    // Slow enough that the further sessions log in before the first has walked the site.
    PyFtpServer server(PyFtpServer::Slow{std::chrono::milliseconds(20)});
    for (int a = 0; a < 4; ++a) {
        for (int b = 0; b < 3; ++b) {
            const fs::path inner =
                server.Root() / ("f" + std::to_string(a)) / ("g" + std::to_string(b));
            MakeFile(inner / "page.html", 1164968430);
            MakeFile(inner / "h" / "deep.htm", 1164968430);
        }
        MakeFile(server.Root() / ("f" + std::to_string(a)) / "index.html", 1164968430);
    }
    MakeFile(server.Root() / "top.html", 1164968430);
    const std::size_t folders = 1 + 4 * (1 + 3 * 2);

    Lines onePass;
    for (const char* sessions : {"1", "2", "4"}) {
        SCOPED_TRACE(sessions);
        const std::size_t logStart = server.CommandLog().size();
        Tftp_module ftp;
        SiteSettings settings = settingsFor(server);
        settings.connections = sessions;
        RecordingObserver observer;
        const RetrievalSummary summary = RunRetrieval(ftp, settings, observer);
        EXPECT_EQ(observer.messages, Lines());
        EXPECT_EQ(summary.folders, folders);
        EXPECT_EQ(observer.rows.size(), 4u * 7 + 1);
        if (onePass.empty())
            onePass = observer.rows;
        // Rows in the order of the walk over one session: depth first, in listing order.
        EXPECT_EQ(observer.rows, onePass);
        const std::string log = server.CommandLog().substr(logStart);
        std::size_t listings = 0, changes = 0;
        for (std::size_t at = 0; (at = log.find("<- MLSD", at)) != std::string::npos; ++at)
            ++listings;
        for (std::size_t at = 0; (at = log.find("<- CWD", at)) != std::string::npos; ++at)
            ++changes;
        std::size_t logins = 0;
        for (std::size_t at = 0; (at = log.find("<- USER", at)) != std::string::npos; ++at)
            ++logins;
        EXPECT_EQ(logins, settings.ConnectionCount());
        if (std::string(sessions) == "1") {
            EXPECT_EQ(listings, 2 * folders - 1) << "each subfolder lists its parent again";
            EXPECT_TRUE(observer.progress.empty());
        } else {
            // Progress counts up to the whole site, over the sessions that logged in.
            ASSERT_FALSE(observer.progress.empty());
            for (const auto& shown : observer.progress) {
                EXPECT_LE(shown.done, shown.known);
                EXPECT_LE(shown.known, folders);
                EXPECT_LE(shown.sessions, settings.ConnectionCount());
            }
            EXPECT_GT(observer.progress.back().done, observer.progress.front().done);
            EXPECT_EQ(listings, folders) << log;
            EXPECT_EQ(changes, 0u);
        }
    }
}

TEST(RetrievalRealServer, ExclusionsAndRobotsTxtLeaveOutPagesAndLeaveTheirFoldersUnlisted) {
    // It logs the commands, so that a folder never listed by any session shows.
    PyFtpServer server(PyFtpServer::Slow{std::chrono::milliseconds(1)});
    for (const char* folder : {"private/sub", "g-only", "drafts", "news"})
        fs::create_directories(server.Root() / folder);
    for (const char* page :
         {"index.html", "x.php", "private/a.html", "private/open.html", "private/sub/x.html",
          "g-only/y.html", "drafts/d.html", "news/old.bak.html", "news/n.html"})
        std::ofstream(server.Root() / page) << "x";
    const std::string robots = "User-agent: *\n"
                               "Disallow: /private/\n"
                               "Allow: /private/open.html\n"
                               "Disallow: /*.php$\n"
                               "User-agent: Googlebot\n"
                               "Disallow: /g-only/\n";

    struct Case {
        const char* what;
        bool robotsFile;
        bool robotsOn;
        Lines rows; // below the site URL
        Lines entered;
        std::size_t excluded;
        std::size_t robotsExcluded;
    };
    const Lines everyFolder = {"/", "/drafts", "/g-only", "/news", "/private", "/private/sub"};
    const Case cases[] = {
        {"robots.txt honoured",
         true,
         true,
         {"/index.html", "/news/n.html", "/private/open.html"},
         {"/", "/news", "/private"},
         2,
         4},
        {"robots.txt turned off",
         true,
         false,
         {"/g-only/y.html", "/index.html", "/news/n.html", "/private/a.html", "/private/open.html",
          "/private/sub/x.html", "/x.php"},
         {"/", "/g-only", "/news", "/private", "/private/sub"},
         2,
         0},
        {"no robots.txt on the server",
         false,
         true,
         {"/g-only/y.html", "/index.html", "/news/n.html", "/private/a.html", "/private/open.html",
          "/private/sub/x.html", "/x.php"},
         {"/", "/g-only", "/news", "/private", "/private/sub"},
         2,
         0},
    };
    for (const auto& [c, sessions] : {std::pair{cases[0], "1"},
                                      {cases[0], "4"},
                                      {cases[1], "1"},
                                      {cases[1], "4"},
                                      {cases[2], "4"}}) {
        SCOPED_TRACE(c.what + std::string(", sessions ") + sessions);
        if (c.robotsFile)
            std::ofstream(server.Root() / "robots.txt") << robots;
        else
            fs::remove(server.Root() / "robots.txt");
        const std::size_t logStart = server.CommandLog().size();
        Tftp_module ftp;
        SiteSettings settings = settingsFor(server);
        settings.connections = sessions;
        settings.ext_list = ".html,.php";
        settings.exclude = "/drafts/,*.bak.html";
        settings.robots = c.robotsOn;
        RecordingObserver observer;
        const RetrievalSummary summary = RunRetrieval(ftp, settings, observer);
        EXPECT_EQ(observer.messages, Lines());
        Lines pages;
        for (const std::string& row : observer.rows) {
            const std::size_t split = row.find(';');
            pages.push_back(row.substr(kWeb.size(), split - kWeb.size()) +
                            row.substr(split + 1, row.find(';', split + 1) - split - 1));
        }
        std::sort(pages.begin(), pages.end());
        EXPECT_EQ(pages, c.rows);
        Lines entered = observer.entered;
        std::sort(entered.begin(), entered.end());
        EXPECT_EQ(entered, c.entered);
        EXPECT_EQ(summary.excluded, c.excluded);
        EXPECT_EQ(summary.robotsExcluded, c.robotsExcluded);
        EXPECT_EQ(summary.robotsTxt.empty(), !(c.robotsFile && c.robotsOn));
        EXPECT_FALSE(summary.endedEarly);
        // The sessions asked for the folders entered, and for no folder the walk left out.
        const std::string log = server.CommandLog().substr(logStart);
        for (const std::string& folder : everyFolder) {
            if (folder == "/")
                continue;
            EXPECT_EQ(log.find(" " + folder + "\n") != std::string::npos,
                      std::find(c.entered.begin(), c.entered.end(), folder) != c.entered.end())
                << folder;
        }
    }
}
