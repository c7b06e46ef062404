// The built sitewright command against a real FTP server: configure, generate, upload, as a
// user or a scheduler runs it.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <thread>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string_view>

#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/file_io.h"
#include "core/row_order.h"
#include "core/text_util.h"
#include "memory/site_memory.h"
#include "memory/sqlite_database.h"
#include "sitemap/sitemap_writer.h"
#include "support/core_application.h"
#include "support/fake_ftp_server.h"
#include "support/py_ftp_server.h"
#include "support/temp_folder.h"
#include "support/test_certificates.h"
#include "support/test_files.h"

extern char** environ;

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

namespace {

struct Finished {
    int status = -1;
    std::string out;
    std::string err;
};

// How a test starts the command beyond its arguments and input.
struct Start {
    std::string lang = "C.UTF-8";
    // Variables set (or unset, when nullopt) beyond LANG.
    std::map<std::string, std::optional<std::string>> variables = {};
    std::string program = SW_CLI_PATH;
    fs::path out = {}; // stdout's file, when not stdout.txt in the folder
};

// This environment with the locale set by LANG alone, so that the command's language is the
// test's choice and not the caller's, and start's variables.
std::vector<std::string> environmentWith(const Start& start) {
    std::vector<std::string> variables;
    for (char** variable = environ; *variable; ++variable) {
        const std::string_view text = *variable;
        const std::string name(text.substr(0, text.find('=')));
        if (name != "LANG" && name != "LANGUAGE" && name != "LC_ALL" && name != "LC_MESSAGES" &&
            start.variables.count(name) == 0)
            variables.emplace_back(text);
    }
    variables.push_back("LANG=" + start.lang);
    for (const auto& [name, value] : start.variables) {
        if (value)
            variables.push_back(name + "=" + *value);
    }
    return variables;
}

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// The sitewright binary started with args and stdinText as start says; its output goes
// through files in folder. -1 when it could not be started.
pid_t startSitewright(const Args& args, const std::string& stdinText, const fs::path& folder,
                      const Start& start = {}) {
    const fs::path in = folder / "stdin.txt";
    const fs::path out = start.out.empty() ? folder / "stdout.txt" : start.out;
    const fs::path err = folder / "stderr.txt";
    std::ofstream(in, std::ios::binary) << stdinText;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> argv = {start.program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> environment = environmentWith(start);

    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, start.program.c_str(), &actions, nullptr, pointersTo(argv).data(),
                                    pointersTo(environment).data());
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
}

// What the process started in folder left once it has ended; its status as a shell sees it
// (128 + the signal that ended it).
Finished finished(int status, const fs::path& folder) {
    Finished result;
    result.status = WIFEXITED(status)     ? WEXITSTATUS(status)
                    : WIFSIGNALED(status) ? 128 + WTERMSIG(status)
                                          : -1;
    result.out = ReadFile(folder / "stdout.txt");
    result.err = ReadFile(folder / "stderr.txt");
    return result;
}

Finished runSitewright(const Args& args, const std::string& stdinText, const fs::path& folder,
                       const Start& start = {}) {
    const pid_t pid = startSitewright(args, stdinText, folder, start);
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid)
        return {};
    return finished(status, folder);
}

// The lastmod text of a file as the server lists it: pyftpdlib lists times in UTC, with
// hours and minutes for the last six months and only the day for older files.
// The server lists with MLSD: times exact to the second, in UTC, written in the zone of the
// settings' offset (+09:00).
std::string lastmodIn0900(std::time_t when) {
    const std::time_t local = when + 9 * 3600;
    std::tm parts{};
    ::gmtime_r(&local, &parts);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S+09:00", &parts);
    return text;
}

struct Expected {
    std::string folderUrl;  // field 1 of the row
    std::string name;       // field 2, as the row holds it
    std::string escapedLoc; // the location as the document holds it
    std::time_t modified;
};

class CliEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        programFolder = work / "program";
        fs::create_directory(programFolder);
    }

    Finished sitewright(Args args, const std::string& stdinText = "") {
        return runSitewright(args, stdinText, work);
    }

    Finished configure(const std::string& password) {
        return sitewright({"configure",
                           "--dir",
                           programFolder.string(),
                           "--url",
                           "http://www.example.com",
                           "--host",
                           server.Host(),
                           "--user",
                           server.User(),
                           "--password-stdin",
                           "--root",
                           "/site",
                           "--changefreq",
                           "daily",
                           "--priority",
                           "0.8",
                           "--offset",
                           "+09:00",
                           "--tls",
                           "off"},
                          password + "\n");
    }

    PyFtpServer server;
    TempFolder tempFolder_{"sw_cli_e2e"};
    const fs::path work = tempFolder_.Path();
    fs::path programFolder;
};

} // namespace

TEST_F(CliEndToEnd, ConfigureThenGenerateAndUploadGivesTheExpectedSitemap) {
    const fs::path site = server.Root() / "site";
    const std::time_t now = std::time(nullptr);
    const std::time_t old = 1164968430; // 2006-12-01 10:20:30 UTC
    const std::time_t recent = now - 3 * 24 * 3600;
    const std::string web = "http://www.example.com";
    const std::vector<Expected> expected = {
        {web + "/", "index.html", web + "/index.html", old},
        {web + "/", "a&b.html", web + "/a&amp;b.html", recent},
        {web + "/", "x<y.html", web + "/x%3Cy.html", old},
        {web + "/", "semi%3Bcolon.html", web + "/semi%3Bcolon.html", old},
        {web + "/", "f.cgi", web + "/f.cgi", recent},
        {web + "/", "home.html", web + "/home.html", old},
        {web + "/img.old/", "photo.html", web + "/img.old/photo.html", old},
        {web + "/日本語/", "ページ.html",
         web + "/%E6%97%A5%E6%9C%AC%E8%AA%9E/%E3%83%9A%E3%83%BC%E3%82%B8.html", recent},
        {web + "/日本語/深い/", "index.php",
         web + "/%E6%97%A5%E6%9C%AC%E8%AA%9E/%E6%B7%B1%E3%81%84/index.php", old},
        {web + "/sub/", "news.htm", web + "/sub/news.htm", recent},
        {web + "/a%3Bb/", "in.html", web + "/a%3Bb/in.html", old},
    };
    MakeFile(site / "index.html", old);
    MakeFile(site / "a&b.html", recent);
    MakeFile(site / "x<y.html", old);
    MakeFile(site / "semi;colon.html", old);
    MakeFile(site / "f.cgi", recent);
    MakeFile(site / "img.old" / "photo.html", old);
    MakeFile(site / "日本語" / "ページ.html", recent);
    MakeFile(site / "日本語" / "深い" / "index.php", old);
    MakeFile(site / "sub" / "news.htm", recent);
    MakeFile(site / "a;b" / "in.html", old);
    // Not taken: other extensions, a name without one, a link to a folder.
    for (const char* name : {"c.HTML", "d.c", "e.php3", "README"})
        MakeFile(site / name, old);
    fs::create_directory_symlink("sub", site / "www");
    fs::create_symlink("index.html", site / "home.html");
    SetModified(site / "home.html", old);

    const Finished configured = configure(server.Password());
    ASSERT_EQ(configured.status, 0) << configured.err;

    const Finished generated =
        sitewright({"generate", "--dir", programFolder.string(), "--upload"});
    EXPECT_EQ(generated.status, 0) << generated.err;
    EXPECT_EQ(generated.err, "");
    EXPECT_NE(generated.out.find("サイトマップをアップロードしました。\n"), std::string::npos)
        << generated.out;
    EXPECT_NE(generated.out.find("取得件数 11、フォルダー数 6、"), std::string::npos)
        << generated.out;
    EXPECT_NE(generated.out.find("、一覧 MLSD\n"), std::string::npos) << generated.out;

    // The expected document: rows in the work table's order, fourteen lines each.
    std::vector<std::string> rows;
    std::map<std::string, const Expected*> byRow;
    for (const Expected& file : expected) {
        rows.push_back(file.folderUrl + ";" + file.name + ";" + lastmodIn0900(file.modified) +
                       ";daily;0.8;");
        byRow[rows.back()] = &file;
    }
    RowOrder().sort(rows);
    std::string document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                           "<urlset xmlns=\"http://www.google.com/schemas/sitemap/0.84\">\r\n";
    for (const std::string& row : rows) {
        const Expected& file = *byRow[row];
        document += "<url>\r\n<loc>\r\n" + file.escapedLoc + "\r\n</loc>\r\n<lastmod>\r\n" +
                    lastmodIn0900(file.modified) +
                    "\r\n</lastmod>\r\n<changefreq>\r\ndaily\r\n</changefreq>\r\n"
                    "<priority>\r\n0.8\r\n</priority>\r\n</url>\r\n";
    }
    document += "</urlset>\r\n";

    const std::string local = ReadFile(programFolder / "sitemap.xml");
    EXPECT_EQ(local, document);
    EXPECT_EQ(ReadFile(site / "sitemap.xml"), local);
}

TEST_F(CliEndToEnd, GenerateNeverShrinksTheSitemapUnaskedNorRunsTwiceInOneFolder) {
    const fs::path site = server.Root() / "site";
    MakeFile(site / "a.html", 1164968430);
    ASSERT_EQ(configure(server.Password()).status, 0);
    // The published sitemap lists three URLs, the new one lists one.
    std::string published = "<urlset>";
    for (const char* page : {"a", "b", "c"})
        published += std::string("<url><loc>http://www.example.com/") + page + ".html</loc></url>";
    published += "</urlset>";
    WriteFileAtomically(site / "sitemap.xml", published);
    const Args generate = {"generate", "--dir", programFolder.string(), "--upload"};
    const Finished refused = sitewright(generate);
    EXPECT_EQ(refused.status, 1) << refused.err;
    EXPECT_NE(refused.err.find("--allow-shrink"), std::string::npos) << refused.err;
    EXPECT_EQ(ReadFile(site / "sitemap.xml"), published);

    Args allowed = generate;
    allowed.push_back("--allow-shrink");
    {
        const FolderLock otherRun(programFolder);
        ASSERT_TRUE(otherRun.Held());
        const Finished busy = sitewright(allowed);
        EXPECT_EQ(busy.status, 1) << busy.err;
        EXPECT_EQ(ReadFile(site / "sitemap.xml"), published);
    }
    const Finished shrunk = sitewright(allowed);
    EXPECT_EQ(shrunk.status, 0) << shrunk.err;
    const std::string local = ReadFile(programFolder / "sitemap.xml");
    EXPECT_EQ(ReadFile(site / "sitemap.xml"), local);

    // A walk that finds no page keeps the sitemap there is.
    fs::remove(site / "a.html");
    const Finished empty = sitewright({"generate", "--dir", programFolder.string()});
    EXPECT_EQ(empty.status, 1) << empty.err;
    EXPECT_EQ(ReadFile(programFolder / "sitemap.xml"), local);
}

TEST_F(CliEndToEnd, TheWindowsRememberedChoicesReachGenerateAndTheMemoryCommands) {
    EnsureCoreApplication();
    const fs::path site = server.Root() / "site";
    const std::string web = "http://www.example.com";
    for (const char* name : {"a.html", "b.html", "c.html"})
        MakeFile(site / name, 1164968430);
    ASSERT_EQ(configure(server.Password()).status, 0);
    const std::string dir = programFolder.string();
    // As the window leaves it: a.html unticked, b.html's priority typed, gone.html known.
    SiteMemory(programFolder, web, {})
        .Record({{web + "/a.html", true, "", "", ""},
                 {web + "/b.html", false, "", "0.95", ""},
                 {web + "/gone.html", false, "", "", ""}});

    {
        // Held by another program past the wait: no sitemap without the memory.
        SqliteDatabase hold;
        ASSERT_TRUE(hold.open(programFolder / "site_memory.db", std::chrono::milliseconds(100)));
        ASSERT_TRUE(hold.exec("PRAGMA locking_mode=EXCLUSIVE"));
        ASSERT_TRUE(hold.exec("BEGIN EXCLUSIVE"));
        const Finished locked = sitewright({"generate", "--dir", dir});
        EXPECT_EQ(locked.status, 1) << locked.err;
        EXPECT_FALSE(fs::exists(programFolder / "sitemap.xml"));
        hold.exec("ROLLBACK");
    }

    Finished run = sitewright({"generate", "--dir", dir});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(
        run.out.find("記憶した選択: チェックを外したページ 1件、更新頻度・優先度を変えたページ "
                     "1件、新しいページ 1件、サーバーにないページ 1件\n"
                     "サーバーにないページを記憶から削除するには: sitewright forget "
                     "--missing\n"),
        std::string::npos)
        << run.out;
    const std::string sitemap = ReadFile(programFolder / "sitemap.xml");
    EXPECT_EQ(sitemap.find("a.html"), std::string::npos);
    EXPECT_NE(sitemap.find("b.html\r\n</loc>\r\n<lastmod>\r\n2006-12-01T19:20:30+09:00\r\n"
                           "</lastmod>\r\n<changefreq>\r\ndaily\r\n</changefreq>\r\n"
                           "<priority>\r\n0.95\r\n"),
              std::string::npos)
        << sitemap;
    EXPECT_NE(sitemap.find("c.html\r\n</loc>"), std::string::npos);

    run = sitewright({"memory", "list", "--dir", dir});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = SplitLines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    EXPECT_EQ(lines[0], "サイト「" + web + "」の記憶した選択 2件");
    EXPECT_EQ(lines[1].substr(20), "  外す  -  -  " + web + "/a.html") << lines[1];
    EXPECT_EQ(lines[2].substr(20), "  -  -  0.95  " + web + "/b.html") << lines[2];

    run = sitewright({"forget", "--missing", "--dir", dir});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "サーバーにないページ 1件を記憶から削除しました。\n");
    run = sitewright({"memory", "reset", "--dir", dir});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "サイト「" + web + "」の記憶 2件を消去しました。\n");
    EXPECT_EQ(sitewright({"memory", "--dir", dir}).status, 2);
    EXPECT_EQ(sitewright({"memory", "--help"}).status, 0);

    // A damaged memory is said once and set aside; the sitemap holds every page.
    WriteFileAtomically(programFolder / "site_memory.db", "not a database");
    run = sitewright({"generate", "--dir", dir});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(SplitLines(run.err).size(), 1u) << run.err;
    EXPECT_NE(run.err.find("が壊れていたため"), std::string::npos) << run.err;
    EXPECT_NE(ReadFile(programFolder / "sitemap.xml").find("a.html"), std::string::npos);
    int aside = 0;
    for (const auto& entry : fs::directory_iterator(programFolder))
        aside += entry.path().filename().string().rfind("site_memory.db.damaged-", 0) == 0;
    EXPECT_EQ(aside, 1);
}

TEST_F(CliEndToEnd, WrongPasswordAndUsageErrors) {
    fs::create_directories(server.Root() / "site");
    ASSERT_EQ(configure("not the password").status, 0);

    const Finished generated = sitewright({"generate", "--dir", programFolder.string()});
    EXPECT_EQ(generated.status, 1);
    EXPECT_EQ(generated.err.rfind("接続失敗\n", 0), 0u) << generated.err;
    EXPECT_NE(
        generated.err.find("\nsitewright generate: 接続失敗。サイトマップは作成しませんでした。\n"),
        std::string::npos)
        << generated.err;
    EXPECT_EQ(generated.err.find("not the password"), std::string::npos);
    EXPECT_FALSE(fs::exists(programFolder / "sitemap.xml"));

    const Finished uploaded = sitewright({"upload", "--dir", programFolder.string()});
    EXPECT_EQ(uploaded.status, 1);
    EXPECT_EQ(uploaded.err, "sitewright upload: サイトマップがまだ作成されていません。\n");

    const Finished bare = sitewright({});
    EXPECT_EQ(bare.status, 2);
    EXPECT_NE(bare.err.find("使い方: sitewright <command>"), std::string::npos);
    const Finished unknown = sitewright({"generate", "--dir", programFolder.string(), "--fast"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err, "sitewright generate: オプション --fast はありません。"
                           "（sitewright generate --help を参照）\n");
    const Finished help = sitewright({"upload", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("使い方: sitewright upload [--dir DIR]", 0), 0u);
    const Finished version = sitewright({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "sitewright " SW_VERSION "\n");
}

// English when the locale's language is English, Japanese otherwise, the C locale included.
TEST(CliLanguage, TheLocaleChoosesTheLanguage) {
    const TempFolder work("sw_cli_language");
    const struct {
        const char* lang;
        const char* usage;
        const char* unknown;
    } cases[] = {
        {"en_US.UTF-8", "Usage: sitewright <command>", "sitewright: There is no such command."},
        {"en_GB.UTF-8", "Usage: sitewright <command>", "sitewright: There is no such command."},
        {"C", "使い方: sitewright <command>", "sitewright: そのようなコマンドはありません。"},
        {"ja_JP.UTF-8", "使い方: sitewright <command>",
         "sitewright: そのようなコマンドはありません。"},
        {"de_DE.UTF-8", "使い方: sitewright <command>",
         "sitewright: そのようなコマンドはありません。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lang);
        const Finished help = runSitewright({"--help"}, "", work.Path(), {c.lang});
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.rfind(c.usage, 0), 0u) << help.out;
        const Finished unknown = runSitewright({"nosuch"}, "", work.Path(), {c.lang});
        EXPECT_EQ(unknown.status, 2);
        EXPECT_NE(unknown.err.find(c.unknown), std::string::npos) << unknown.err;
    }
}

TEST(CliSignals, CtrlCOrTermEndsAStalledWalkAtOnceAsAStop) {
    // The server takes LIST and then says nothing: without the stop the walk would wait out
    // its 60 s of silence. Once it has cleaned up, the command ends by the signal, so that a
    // calling shell loop stops too.
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        TempFolder work("sw_cli_signal");
        FakeFtpServer server(fake_ftp::WithLogin(
            {{"CWD /r", {"250 OK"}}, fake_ftp::Pasv(), {"LIST", {}}, fake_ftp::Stall()}));
        ASSERT_EQ(runSitewright({"configure", "--dir", work.Path().string(), "--host",
                                 server.Host(), "--user", "anna", "--password-stdin", "--root",
                                 "/r", "--tls", "off", "--robots", "off"},
                                "secret\n", work.Path())
                      .status,
                  0);
        WriteSitemap(work.Path(), "<old/>");
        const pid_t pid =
            startSitewright({"generate", "--dir", work.Path().string()}, "", work.Path());
        ASSERT_GT(pid, 0);
        const auto waitFor = [](std::chrono::seconds bound, const std::function<bool()>& done) {
            const auto deadline = std::chrono::steady_clock::now() + bound;
            for (;;) {
                if (done())
                    return true;
                if (std::chrono::steady_clock::now() >= deadline)
                    return false;
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        };
        EXPECT_TRUE(
            waitFor(std::chrono::seconds(30), [&] { return server.Commands().size() >= 8; }));
        ::kill(pid, signal);
        int status = 0;
        // Far less than the 60 s the silence would last, even under the sanitizers.
        const bool ended = waitFor(std::chrono::seconds(20),
                                   [&] { return ::waitpid(pid, &status, WNOHANG) == pid; });
        if (!ended) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
        }
        ASSERT_TRUE(ended) << "the walk waited for the server";
        const Finished result = finished(status, work.Path());
        EXPECT_EQ(result.status, 128 + signal);
        EXPECT_EQ(result.err,
                  "sitewright generate: 取得中止。サイトマップは作成しませんでした。\n");
        EXPECT_EQ(server.Commands(), fake_ftp::AfterLogin({"CWD /r", "PASV", "LIST"}));
        EXPECT_EQ(ReadFile(SitemapPath(work.Path())), "<old/>");
    }
}

// The whole road over TLS: a server that requires it, with a certificate no authority signed.
// The first run refuses the certificate and says how to trust it; trusted, the walk and the
// upload go through, and the uploaded sitemap is the local one byte for byte. "auto" against a
// server without TLS says on stderr that it went on in plain FTP.
TEST(CliTls, ACertificateTrustedOnceCarriesTheWholeRoad) {
    TempFolder work("sw_cli_tls");
    const TestCertificates certificates(work.Path());
    PyFtpServer server(
        PyFtpServer::Tls{certificates.selfSigned.certificate, certificates.selfSigned.key, true});
    MakeFile(server.Root() / "site" / "index.html", 1164968430);
    MakeFile(server.Root() / "site" / "sub" / "page.html", 1164968430);
    const fs::path program = work.Path() / "program";
    ASSERT_EQ(
        runSitewright({"configure", "--dir", program.string(), "--url", "https://www.example.com",
                       "--host", server.Host(), "--user", server.User(), "--password-stdin",
                       "--root", "/site", "--tls", "required"},
                      server.Password() + "\n", work.Path())
            .status,
        0);

    const Finished refused =
        runSitewright({"generate", "--dir", program.string(), "--upload"}, "", work.Path());
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("自己署名"), std::string::npos) << refused.err;
    const std::size_t hint = refused.err.find("--trust-fingerprint SHA256:");
    ASSERT_NE(hint, std::string::npos) << refused.err;
    const std::string fingerprint = refused.err.substr(hint + 20, 7 + 32 * 3 - 1);
    EXPECT_FALSE(fs::exists(SitemapPath(program)));
    EXPECT_EQ(server.CommandLog().find("USER"), std::string::npos) << "a login went out";

    ASSERT_EQ(
        runSitewright({"configure", "--dir", program.string(), "--trust-fingerprint", fingerprint},
                      "", work.Path())
            .status,
        0);
    const Finished walked =
        runSitewright({"generate", "--dir", program.string(), "--upload"}, "", work.Path());
    ASSERT_EQ(walked.status, 0) << walked.err;
    EXPECT_EQ(walked.err, "");
    EXPECT_NE(walked.out.find("取得件数 2、フォルダー数 2、"), std::string::npos) << walked.out;
    EXPECT_EQ(ReadFile(server.Root() / "site" / "sitemap.xml"), ReadFile(SitemapPath(program)));

    // The same settings against a server without TLS: "auto" goes on in plain FTP and says so.
    PyFtpServer plain;
    MakeFile(plain.Root() / "site" / "index.html", 1164968430);
    ASSERT_EQ(runSitewright({"configure", "--dir", program.string(), "--host", plain.Host(),
                             "--user", plain.User(), "--password-stdin", "--tls", "auto"},
                            plain.Password() + "\n", work.Path())
                  .status,
              0);
    const Finished fellBack =
        runSitewright({"generate", "--dir", program.string()}, "", work.Path());
    EXPECT_EQ(fellBack.status, 0) << fellBack.err;
    EXPECT_NE(fellBack.err.find("暗号化せずに接続しました"), std::string::npos) << fellBack.err;
}

// Where the installed command keeps its settings, as the XDG rules and the account say; show
// only looks and creates nothing. A result that cannot be written is a failure.
TEST(CliPlaces, TheSettingsFolderFollowsXdgAndHomeAndShowCreatesNothing) {
    const TempFolder work("sw_cli_places");
    const fs::path home = work.Path() / "home";
    // Installed: in a bin folder, the settings go to the user's configuration folder.
    const fs::path program = work.Path() / "usr" / "bin" / "sitewright";
    fs::create_directories(program.parent_path());
    fs::copy_file(SW_CLI_PATH, program);
    const passwd* account = ::getpwuid(::getuid());
    ASSERT_NE(account, nullptr);
    using Variables = std::map<std::string, std::optional<std::string>>;
    const struct {
        Variables variables;
        fs::path expected;
    } cases[] = {
        {{{"HOME", home.string()}, {"XDG_CONFIG_HOME", std::nullopt}}, home / ".config"},
        {{{"HOME", home.string()}, {"XDG_CONFIG_HOME", (work.Path() / "xdg").string()}},
         work.Path() / "xdg"},
        // A relative XDG_CONFIG_HOME is invalid and ignored.
        {{{"HOME", home.string()}, {"XDG_CONFIG_HOME", "xdg"}}, home / ".config"},
        // Without HOME the account's home, never a shared temporary folder.
        {{{"HOME", std::nullopt}, {"XDG_CONFIG_HOME", std::nullopt}},
         fs::path(account->pw_dir) / ".config"},
    };
    for (const auto& c : cases) {
        const fs::path folder = c.expected / "site-wright";
        SCOPED_TRACE(folder.string());
        const bool existed = fs::exists(folder);
        const Finished shown =
            runSitewright({"show"}, "", work.Path(), {"C.UTF-8", c.variables, program.string()});
        EXPECT_NE((shown.out + shown.err).find(folder.string()), std::string::npos)
            << shown.out << shown.err;
        EXPECT_EQ(fs::exists(folder), existed);
    }
    EXPECT_FALSE(fs::exists(work.Path() / "xdg" / "site-wright"));

    ASSERT_EQ(runSitewright({"configure", "--dir", work.Path().string()}, "", work.Path()).status,
              0);
    for (const Args& args : {Args{"show", "--dir", work.Path().string()}, Args{"--help"}}) {
        const Finished full = runSitewright(args, "", work.Path(), {"C.UTF-8", {}, SW_CLI_PATH, "/dev/full"});
        EXPECT_EQ(full.status, 1) << args[0];
        EXPECT_EQ(full.err, "sitewright: 結果を標準出力に書き込めませんでした。\n");
    }
}
