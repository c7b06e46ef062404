#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <filesystem>
#include <sstream>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <pty.h>
#include <unistd.h>

#include "cli/progress.h"
#include "core/file_io.h"
#include "core/text_util.h"
#include "core/texts.h"
#include "mylib/BF2B64Text.h"
#include "settings/SiteSettings.h"
#include "sitemap/sitemap_writer.h"
#include "support/fake_ftp_server.h"
#include "support/site_faults.h"
#include "support/temp_folder.h"
#include "support/walk_script.h"

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class CommandLineTest : public ::testing::Test {
protected:
    // Runs "sitewright args..." with stdin; out and err keep what it printed.
    int run(Args args, const std::string& stdinText = "") {
        for (std::string& arg : args) {
            if (const std::size_t at = arg.find("DIR"); at != std::string::npos)
                arg.replace(at, 3, folder.string());
        }
        std::istringstream in(stdinText);
        std::ostringstream outStream;
        std::ostringstream errStream;
        CommandLineIo io{in, outStream, errStream};
        io.progress = progress;
        io.escapes = escapes;
        io.columns = 50;
        io.stop = &stop;
        const int status = RunCommandLine(args, io);
        out = outStream.str();
        err = errStream.str();
        return status;
    }

    // Settings for the account the scripted server expects, with the site root /r, in plain FTP
    // over one session and without robots.txt, as the script has it.
    void configureFor(const FakeFtpServer& server) {
        ASSERT_EQ(run({"configure", "--dir", "DIR", "--url", "https://www.example.com", "--host",
                       server.Host(), "--user", "anna", "--password-stdin", "--root", "/r", "--tls",
                       "off", "--connections", "1", "--robots", "off"},
                      "secret\n"),
                  0)
            << err;
    }

    SiteSettings stored() const {
        SiteSettings settings;
        LoadSettings(folder, settings);
        return settings;
    }

    TempFolder tempFolder_{"sw_cli"};

    const fs::path folder = tempFolder_.Path();
    std::string out;
    std::string err;
    bool progress = false;
    bool escapes = true;
    std::atomic<bool> stop{false};
};

} // namespace

TEST_F(CommandLineTest, HelpOnEveryLevel) {
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_TRUE(contains(out, "使い方: sitewright <command>"));
    EXPECT_EQ(run({"-h"}), 0);
    EXPECT_TRUE(contains(out, "使い方: sitewright <command>"));
    for (const std::string command : {"configure", "show", "generate", "upload"}) {
        EXPECT_EQ(run({command, "--help"}), 0) << command;
        EXPECT_TRUE(contains(out, "使い方: sitewright " + command + " [--dir DIR]")) << out;
        EXPECT_EQ(err, "");
        // Help wins over anything else on the line, and does nothing.
        EXPECT_EQ(run({command, "--dir", "DIR", "-h"}), 0) << command;
    }
    EXPECT_TRUE(fs::is_empty(folder));

    EXPECT_EQ(run({}), 2);
    EXPECT_EQ(out, "");
    EXPECT_TRUE(contains(err, "使い方: sitewright <command>"));
}

TEST_F(CommandLineTest, UsageErrorsNeverRepeatWhatWasTyped) {
    EXPECT_EQ(run({"hunter2"}), 2);
    EXPECT_TRUE(contains(err, "そのようなコマンドはありません。"));
    EXPECT_FALSE(contains(err, "hunter2"));

    // There is no option that takes the password.
    EXPECT_EQ(run({"configure", "--dir", "DIR", "--password=hunter2"}), 2);
    EXPECT_EQ(err, "sitewright configure: オプション --password はありません。"
                   "（sitewright configure --help を参照）\n");
    EXPECT_EQ(run({"configure", "--dir", "DIR", "--password", "hunter2"}), 2);
    EXPECT_FALSE(contains(err, "hunter2"));
    EXPECT_EQ(run({"configure", "--user", "anna", "hunter2"}), 2);
    EXPECT_TRUE(contains(err, "4番目の引数はオプションではありません"));
    EXPECT_FALSE(contains(err, "hunter2"));

    const std::pair<Args, std::string> mistakes[] = {
        {{"configure", "--url"}, "オプション --url には値が必要です。"},
        {{"generate", "--upload=yes"}, "オプション --upload に値は指定できません。"},
        {{"show", "--dir="}, "オプション --dir にはフォルダーを指定してください。"},
        {{"generate", "--max-rows", "0"}, "--max-rows には1以上の整数を指定してください。"},
        {{"upload", "--robots-sitemap-line", "yes"},
         "--robots-sitemap-line には次のいずれかを指定してください: add"},
        {{"generate", "--max-rows", "-1"}, "--max-rows には1以上の整数を指定してください。"},
        {{"generate", "--max-folders", "12x"}, "--max-folders には1以上の整数を指定してください。"},
        {{"generate", "--max-folders", "99999999999999999999999"},
         "--max-folders には1以上の整数を指定してください。"},
    };
    for (const auto& [args, message] : mistakes) {
        EXPECT_EQ(run(args), 2) << message;
        EXPECT_TRUE(contains(err, message)) << err;
    }
    EXPECT_TRUE(fs::is_empty(folder));
}

TEST_F(CommandLineTest, ConfigureRefusesWhatTheSettingsDialogCouldNotHold) {
    ASSERT_EQ(run({"configure", "--dir", "DIR", "--url", "https://www.example.com"}), 0);
    const std::string dat = ReadFile(folder / "config_v1.dat");
    const std::string conf = ReadFile(folder / "config_v1.conf");

    const std::string offsetForm = "--offset は符号、時（00〜23）";
    const std::string unusableUrl = "制御文字など、アドレスに使用できない文字が含まれています。";
    const std::vector<std::pair<Args, std::string>> refusals = {
        {{"--changefreq", "sometimes"},
         "--changefreq には次のいずれかを指定してください: always, hourly, daily"},
        {{"--changefreq", "Weekly"}, "--changefreq には次のいずれかを"},
        {{"--priority", "0.55"}, "--priority には次のいずれかを指定してください: 0.0, 0.1"},
        {{"--priority", "1"}, "--priority には次のいずれかを"},
        {{"--offset", "+9:00"}, offsetForm},
        {{"--offset", "09:00"}, offsetForm},
        {{"--offset", "+24:00"}, offsetForm},
        {{"--offset", "+09:60"}, offsetForm},
        {{"--offset", "*09:00"}, offsetForm},
        {{"--offset", "+09:00 "}, offsetForm},
        {{"--root", "public_html"}, "--root は「/」で始めてください"},
        {{"--host", "ftp.example.com:70000"},
         "--host: ホスト「ftp.example.com:70000」のポート番号が正しくありません（1～65535）。"},
        // A ";" would shift the fields of every row; a control character has no place in a URL.
        {{"--url", "https://a.example/a;b"}, "「;」は使用できません。"},
        {{"--url", "https://a.example\n"}, unusableUrl},
        {{"--url", "https://a.example/\x7f"}, unusableUrl},
        {{"--url", "www.example.com/"}, "http:// か https://"},
        {{"--user", std::string("an\0na", 5)},
         "--userに、制御文字など使用できない文字が含まれています。"},
        {{"--root", "/public\thtml"}, "--rootに、制御文字など使用できない文字が含まれています。"},
        {{"--host", "ftp.example.com\xff"},
         "--hostに、制御文字など使用できない文字が含まれています。"},
        {{"--protocol", "1.0"}, "--protocol には次のいずれかを指定してください: 0.84, 0.9"},
        {{"--gzip", "yes"}, "--gzip には次のいずれかを指定してください: on, off"},
        {{"--indexnow-endpoint", "ftp://engine.example/"}, "--indexnow-endpoint: http://"},
        {{"--exclude", "/a/\t"}, "--excludeに、制御文字など使用できない文字が含まれています。"},
    };
    for (const auto& [options, message] : refusals) {
        Args args = {"configure", "--dir", "DIR", "--user", "changed"};
        args.insert(args.end(), options.begin(), options.end());
        EXPECT_EQ(run(args), 2) << options[1];
        EXPECT_TRUE(contains(err, message)) << err;
        EXPECT_EQ(err.find('\n'), err.size() - 1) << "not one line: " << err;
    }
    // Nothing was written: not even the valid --user of the refused lines.
    EXPECT_EQ(ReadFile(folder / "config_v1.dat"), dat);
    EXPECT_EQ(ReadFile(folder / "config_v1.conf"), conf);
}

TEST_F(CommandLineTest, ConfigureChangesOnlyTheGivenValuesAndShowMasksThePassword) {
    ASSERT_EQ(run({"configure",
                   "--dir",
                   "DIR",
                   "--url",
                   "https://www.example.com",
                   "--host",
                   "ftp.example.com:2121",
                   "--user",
                   "anna",
                   "--password-stdin",
                   "--root",
                   "/public_html",
                   "--changefreq",
                   "daily",
                   "--priority",
                   "0.8",
                   "--offset",
                   "-05:30",
                   "--protocol",
                   "0.9",
                   "--gzip",
                   "on",
                   "--exclude",
                   "/drafts/",
                   "--exclude",
                   " */admin/*, *.bak.html",
                   "--robots",
                   "off",
                   "--folder-addresses",
                   "on",
                   "--index-names",
                   "index.php"},
                  "s3cr3t pass\r\nsecond line\n"),
              0)
        << err;
    EXPECT_EQ(out, "設定を保存しました: " + folder.string() + "\n");
    ASSERT_EQ(run({"configure", "--dir=DIR", "--root=", "--user", "ユーザー"}), 0) << err;

    const SiteSettings settings = stored();
    EXPECT_EQ(settings.web_url, "https://www.example.com");
    EXPECT_EQ(settings.hostname, "ftp.example.com:2121");
    EXPECT_EQ(settings.username, "ユーザー");
    EXPECT_EQ(settings.password, "s3cr3t pass");
    EXPECT_EQ(settings.site_root, "");
    EXPECT_EQ(settings.changefreq, "daily");
    EXPECT_EQ(settings.priority, "0.8");
    EXPECT_EQ(settings.TimeZoneOffset(), "-05:30");
    EXPECT_EQ(settings.sitemap_format, "0.9");
    EXPECT_TRUE(settings.gzip);
    EXPECT_EQ(settings.exclude, "/drafts/,*/admin/*,*.bak.html");
    EXPECT_FALSE(settings.robots);
    EXPECT_TRUE(settings.folder_addresses);
    EXPECT_EQ(settings.index_names, "index.php");
    EXPECT_EQ(fs::status(folder / "config_v1.dat").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    ASSERT_EQ(run({"show", "--dir", "DIR"}), 0);
    EXPECT_TRUE(contains(out, "host        ftp.example.com:2121\n"));
    EXPECT_TRUE(contains(out, "user        ユーザー\n"));
    EXPECT_TRUE(contains(out, "password    ********\n"));
    EXPECT_TRUE(contains(out, "offset      -05:30\n"));
    EXPECT_FALSE(contains(out + err, "s3cr3t"));
}

TEST_F(CommandLineTest, IndexNowKeyIsMadeWhenFirstTurnedOnAndKept) {
    ASSERT_EQ(run({"configure", "--dir", "DIR", "--url", "https://www.example.com"}), 0);
    EXPECT_EQ(run({"notify", "--dir", "DIR"}), 1) << "off until the user turns it on";
    EXPECT_FALSE(stored().indexnow);
    EXPECT_TRUE(stored().indexnow_key.empty());

    ASSERT_EQ(run({"configure", "--dir", "DIR", "--indexnow", "on", "--indexnow-endpoint",
                   "http://127.0.0.1:9/indexnow"}),
              0)
        << err;
    const std::string key = stored().indexnow_key;
    EXPECT_EQ(key.size(), 32u);
    EXPECT_EQ(key.find_first_not_of("0123456789abcdef"), std::string::npos) << key;
    ASSERT_EQ(run({"configure", "--dir", "DIR", "--indexnow", "off"}), 0);
    ASSERT_EQ(run({"configure", "--dir", "DIR", "--indexnow", "on"}), 0);
    EXPECT_TRUE(stored().indexnow);
    EXPECT_EQ(stored().indexnow_key, key) << "the key the site holds stays";
    EXPECT_EQ(stored().indexnow_endpoint, "http://127.0.0.1:9/indexnow");
    ASSERT_EQ(run({"configure", "--dir", "DIR", "--indexnow-endpoint", ""}), 0);
    EXPECT_EQ(stored().indexnow_endpoint, "") << "back to the shared endpoint";
}

TEST_F(CommandLineTest, PasswordFromStandardInput) {
    // An empty line is an empty password; no line at all is a mistake.
    ASSERT_EQ(run({"configure", "--dir", "DIR", "--password-stdin"}, "\n"), 0);
    EXPECT_EQ(stored().password, "");
    EXPECT_EQ(run({"configure", "--dir", "DIR", "--password-stdin"}, ""), 2);
    EXPECT_TRUE(contains(err, "標準入力に行がありません"));
    EXPECT_EQ(run({"configure", "--dir", "DIR", "--password-stdin"}, "tab\there\n"), 2);
    EXPECT_TRUE(contains(err, "パスワードに、制御文字など使用できない文字が含まれています。"));
    ASSERT_EQ(run({"configure", "--dir", "DIR", "--password-stdin"}, "last line without end"), 0);
    EXPECT_EQ(stored().password, "last line without end");
    ASSERT_EQ(run({"show", "--dir", "DIR"}), 0);
    EXPECT_FALSE(contains(out, "without end"));

    // Only the server's texts are masked: a password found in the program's own words leaves
    // them as they are.
    ASSERT_EQ(run({"configure", "--dir", "DIR/site-e", "--password-stdin"}, "e\n"), 0) << err;
    EXPECT_EQ(out, "設定を保存しました: " + (folder / "site-e").string() + "\n");
    ASSERT_EQ(run({"show", "--dir", "DIR/site-e"}), 0);
    EXPECT_TRUE(contains(out, "folder      " + (folder / "site-e").string() + "\n")) << out;
    EXPECT_TRUE(contains(out, "password    ********\n")) << out;
}

TEST_F(CommandLineTest, DamagedSettingsAreReportedAndLeftAsTheyAre) {
    const std::string dat = (folder / "config_v1.dat").string();
    // A line that does not decipher, and a file enciphered under another value: it deciphers,
    // into bytes no one typed.
    const std::pair<std::string, std::string> files[] = {
        {"AAAAAAA=\r\n", "sitewright configure: 設定ファイル「" + dat +
                             "」の1行目が壊れています。Assertion failure (mylib\\CryptUtils, "
                             "315 行)\n"},
        {EncryptText("QZV", "ftp.example.jp", ConfFileIV()) + "\r\n",
         "sitewright configure: 設定ファイル「" + dat +
             "」の内容を読み取れません。別の鍵で暗号化されたか、壊れています。\n"},
    };
    for (const auto& [bytes, message] : files) {
        WriteFileAtomically(folder / "config_v1.dat", bytes);
        EXPECT_EQ(run({"configure", "--dir", "DIR", "--user", "anna"}), 1);
        EXPECT_EQ(err, message);
        EXPECT_EQ(ReadFile(folder / "config_v1.dat"), bytes);
        for (const std::string command : {"show", "generate", "upload"}) {
            WriteSitemap(folder, "<urlset><url/></urlset>");
            EXPECT_EQ(run({command, "--dir", "DIR"}), 1) << command;
            EXPECT_EQ(err.substr(err.find(':')), message.substr(message.find(':'))) << command;
        }
        // What show prints holds no control character, whatever the file deciphers to.
        EXPECT_EQ(std::count_if(out.begin(), out.end(),
                                [](char c) { return c != '\n' && std::iscntrl(c); }),
                  0)
            << out;
    }
}

TEST_F(CommandLineTest, MissingFolderIsAnErrorExceptForConfigure) {
    for (const std::string command : {"show", "generate", "upload"}) {
        EXPECT_EQ(run({command, "--dir", "DIR/missing"}), 1) << command;
        EXPECT_EQ(err, "sitewright " + command + ": フォルダー「" + (folder / "missing").string() +
                           "」が存在しません。\n");
        EXPECT_FALSE(fs::exists(folder / "missing"));
    }
    EXPECT_EQ(run({"configure", "--dir", "DIR/missing", "--user", "anna"}), 0) << err;
    EXPECT_EQ(run({"show", "--dir", "DIR/missing"}), 0) << err;
}

TEST_F(CommandLineTest, UploadWithoutASitemapAndGenerateWithoutAHost) {
    EXPECT_EQ(run({"upload", "--dir", "DIR"}), 1);
    EXPECT_EQ(err, "sitewright upload: サイトマップがまだ作成されていません。\n");
    EXPECT_EQ(run({"generate", "--dir", "DIR"}), 1);
    EXPECT_TRUE(contains(err, "FTPのホスト名が設定されていません。")) << err;
}

namespace {

// The usual login, then the site root /r with one page and a folder the server refuses.
std::vector<fake_ftp::Step> siteWithARefusedFolder() {
    const walk_script::Lines root = {walk_script::file("index.html"), walk_script::dir("private")};
    return walk_script::Script().visit("/r", root).refuse("/r/private").visit("/r", root).quit();
}

} // namespace

TEST_F(CommandLineTest, GenerateReportsMessagesOnStderrAndWritesTheSitemap) {
    FakeFtpServer server(siteWithARefusedFolder());
    configureFor(server);
    progress = true;
    EXPECT_EQ(run({"generate", "--dir", "DIR"}), 0) << err;
    EXPECT_TRUE(server.WaitUntilFinished());
    EXPECT_EQ(server.Problems(), Args());

    // The progress line, cleared for the window's message box.
    EXPECT_EQ(err, "\rフォルダー 1、ファイル 0: /r\x1b[K\r\x1b[K"
                   "/r/privateフォルダーが存在しません。\n"
                   "リストの取得が途中で終了しました。\n");
    EXPECT_TRUE(
        contains(out, "サイトマップを作成しました: " + SitemapPath(folder).string() + "\n"));
    EXPECT_TRUE(contains(out,
                         "取得件数 1、フォルダー数 1、入れなかったフォルダー 1、"
                         "一覧を読み取れなかったフォルダー 0、深すぎて入らなかったフォルダー 0、"
                         "除外パスで除いたもの 0、robots.txtで除いたもの 0、所要時間 "))
        << out;
    // The server refused FEAT: its times came from LIST.
    EXPECT_TRUE(contains(out, "、一覧 LIST\n")) << out;
    EXPECT_TRUE(contains(ReadFile(SitemapPath(folder)),
                         "<loc>\r\nhttps://www.example.com/index.html\r\n</loc>\r\n"));
}

TEST_F(CommandLineTest, FailedLoginWritesNoSitemapAndNeverShowsThePassword) {
    // A server that repeats the password in its reply.
    FakeFtpServer server({
        {"", {"220 Ready"}},
        {"USER anna", {"331 Password required"}},
        {"PASS hunter2", {"530 Password hunter2 is wrong."}},
        fake_ftp::ExpectClose(),
    });
    ASSERT_EQ(run({"configure", "--dir", "DIR", "--host", server.Host(), "--user", "anna",
                   "--password-stdin", "--root", "/r", "--tls", "off"},
                  "hunter2\n"),
              0);
    WriteSitemap(folder, "<old/>");
    EXPECT_EQ(run({"generate", "--dir", "DIR", "--upload"}), 1);
    EXPECT_EQ(err, "接続失敗\n530 Password ******** is wrong.\n"
                   "sitewright generate: 接続失敗。サイトマップは作成しませんでした。\n");
    EXPECT_TRUE(contains(out, "取得件数 0、フォルダー数 0、")) << out;
    EXPECT_FALSE(contains(out, "、一覧 ")) << out; // nothing was listed
    // The sitemap of the last run that succeeded is kept.
    EXPECT_EQ(ReadFile(SitemapPath(folder)), "<old/>");
}

TEST_F(CommandLineTest, StoppedWalkWritesNoSitemap) {
    FakeFtpServer server({fake_ftp::Stall()});
    ASSERT_EQ(run({"configure", "--dir", "DIR", "--host", server.Host(), "--root", "/r"}), 0);
    stop = true;
    EXPECT_EQ(run({"generate", "--dir", "DIR"}), 1);
    EXPECT_EQ(err, "sitewright generate: 取得中止。サイトマップは作成しませんでした。\n");
    EXPECT_EQ(server.Connections(), 0u);
}

TEST_F(CommandLineTest, AWalkThatEndsAtALimitWritesNoSitemap) {
    FakeFtpServer server(walk_script::Script().visit("/r", {walk_script::dir("sub")}).quit());
    configureFor(server);
    WriteSitemap(folder, "<old/>");
    EXPECT_EQ(run({"generate", "--dir", "DIR", "--max-folders", "1"}), 1);
    EXPECT_TRUE(server.WaitUntilFinished());
    EXPECT_EQ(server.Problems(), Args());
    EXPECT_EQ(err, "リストの取得が途中で終了しました。\nフォルダー数が上限（1）に達しました。\n"
                   "sitewright generate: リストの取得が途中で終了しました。"
                   "サイトマップは作成しませんでした。\n");
    EXPECT_EQ(ReadFile(SitemapPath(folder)), "<old/>");
}

TEST_F(CommandLineTest, ASitemapWithoutAnyUrlIsNeverUploaded) {
    // A walk that found no page: generate --upload writes and sends nothing.
    FakeFtpServer server(
        walk_script::Script().visit("/r", {walk_script::file("notes.txt")}).quit());
    configureFor(server);
    WriteSitemap(folder, "<old/>");
    EXPECT_EQ(run({"generate", "--dir", "DIR", "--upload"}), 1);
    EXPECT_TRUE(server.WaitUntilFinished());
    EXPECT_EQ(server.Problems(), Args());
    EXPECT_EQ(err,
              "sitewright generate: サイトマップにURLがひとつもないため、アップロードしません。"
              "サイトマップは作成しませんでした。\n");
    EXPECT_EQ(ReadFile(SitemapPath(folder)), "<old/>");

    // upload of a sitemap without a URL: no connection at all.
    FakeFtpServer idle({fake_ftp::Stall()});
    ASSERT_EQ(run({"configure", "--dir", "DIR", "--host", idle.Host()}), 0);
    for (const std::string& document :
         {std::string("<?xml version=\"1.0\"?><urlset/>"), std::string("damaged")}) {
        WriteSitemap(folder, document);
        EXPECT_EQ(run({"upload", "--dir", "DIR"}), 1);
        EXPECT_EQ(
            err,
            "sitewright upload: サイトマップにURLがひとつもないため、アップロードしません。\n");
        EXPECT_EQ(ReadFile(SitemapPath(folder)), document);
    }
    EXPECT_EQ(idle.Connections(), 0u);
}

// What scripts read: --json gives one object with its keys whatever happened, --quiet the
// summary alone, and the messages of the walk become the object's problems.
TEST_F(CommandLineTest, GenerateWritesNoSitemapAfterAFaultAndKeepsTheEarlierOne) {
    using namespace site_faults;
    // The command line waits the full time-outs, so only faults that end by themselves: drops,
    // floods, dead data ports.
    std::vector<FaultCase> cases;
    for (FaultCase& fault : faultsAtEveryPoint(siteScript())) {
        if (fault.description.find("stall") == std::string::npos)
            cases.push_back(std::move(fault));
    }
    ASSERT_GT(cases.size(), 50u);
    for (const FaultCase& fault : cases) {
        SCOPED_TRACE(fault.description);
        FakeFtpServer server(fault.script);
        configureFor(server);
        const std::string dat = ReadFile(folder / "config_v1.dat");
        const std::string conf = ReadFile(folder / "config_v1.conf");
        WriteSitemap(folder, kOldSitemap);

        int status = -1;
        {
            const Watchdog watchdog(fault.description, kRunBound);
            status = run({"generate", "--dir", "DIR"});
        }
        EXPECT_TRUE(server.WaitUntilFinished(std::chrono::seconds(30)));
        EXPECT_EQ(server.Commands(), commandsOf(fault.script));
        EXPECT_EQ(ReadFile(folder / "config_v1.dat"), dat);
        EXPECT_EQ(ReadFile(folder / "config_v1.conf"), conf);

        const Reach reach = reachOf(fault.script);
        if (reach.listings == 3) {
            EXPECT_EQ(status, kExitSuccess) << err;
            const std::string sitemap = ReadFile(SitemapPath(folder));
            EXPECT_NE(sitemap.find(kWeb + "/sub/c.php"), std::string::npos);
            continue;
        }
        EXPECT_EQ(status, kExitFailure);
        EXPECT_EQ(ReadFile(SitemapPath(folder)), kOldSitemap);
        const std::string heading = reach.loggedIn ? kCutShort : kConnectFailed;
        const std::string last =
            "sitewright generate: " + (reach.loggedIn ? kCutShort : kConnectFailed + "。") +
            "サイトマップは作成しませんでした。\n";
        EXPECT_EQ(err.rfind(heading + "\n", 0), 0u) << err;
        ASSERT_GE(err.size(), last.size());
        EXPECT_EQ(err.substr(err.size() - last.size()), last);
        EXPECT_NE(out.find("取得件数 " +
                                 std::to_string(kRowsAfterListings[reach.listings].size()) +
                                 "、フォルダー数 "),
                  std::string::npos)
            << out;
    }
}

TEST_F(CommandLineTest, JsonAndQuietReportsForScripts) {
    FakeFtpServer first(siteWithARefusedFolder());
    configureFor(first);
    progress = true; // neither report draws a progress line
    ASSERT_EQ(run({"generate", "--dir", "DIR", "--json"}), 0) << err;
    EXPECT_EQ(err, "");
    QJsonParseError error{};
    const QJsonObject generated = QJsonDocument::fromJson(QByteArray::fromStdString(out), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << out;
    EXPECT_EQ(out.find('\n'), out.size() - 1) << "one line";
    EXPECT_EQ(generated["command"].toString(), "generate");
    EXPECT_EQ(generated["status"].toInt(-1), 0);
    const QJsonObject counts = generated["counts"].toObject();
    EXPECT_EQ(counts["rows"].toInt(-1), 1);
    EXPECT_EQ(counts["folders"].toInt(-1), 1);
    EXPECT_EQ(counts["folders_refused"].toInt(-1), 1);
    EXPECT_EQ(generated["files"].toArray(),
              QJsonArray{QString::fromStdString(SitemapPath(folder).string())});
    EXPECT_EQ(generated["upload"].toString(), "not_asked");
    const QJsonArray problems = generated["problems"].toArray();
    ASSERT_EQ(problems.size(), 1) << out;
    EXPECT_EQ(problems[0].toObject()["level"].toString(), "message");

    FakeFtpServer second(siteWithARefusedFolder());
    configureFor(second);
    ASSERT_EQ(run({"generate", "--dir", "DIR", "--quiet"}), 0) << err;
    EXPECT_EQ(err, "");
    EXPECT_EQ(out.rfind("取得件数 1、", 0), 0u) << out;
    EXPECT_EQ(out.find('\n'), out.size() - 1) << "the summary alone";

    // show: the settings as keys, the password masked; or nothing at all.
    ASSERT_EQ(run({"show", "--dir", "DIR", "--json"}), 0) << err;
    const QJsonObject settings = QJsonDocument::fromJson(QByteArray::fromStdString(out))
                                     .object()["settings"]
                                     .toObject();
    EXPECT_EQ(settings["host"].toString().toStdString(), second.Host());
    EXPECT_EQ(settings["password"].toString(), "********");
    EXPECT_EQ(settings["robots"].toString(), "off");
    EXPECT_EQ(run({"show", "--dir", "DIR", "--quiet"}), 0);
    EXPECT_EQ(out + err, "");

    // A failure: every key still there, the reason a problem and on stderr.
    ASSERT_EQ(run({"generate", "--dir", "DIR/missing", "--json", "--upload"}), 1);
    const QJsonObject failed = QJsonDocument::fromJson(QByteArray::fromStdString(out)).object();
    EXPECT_EQ(failed["status"].toInt(-1), 1);
    EXPECT_EQ(failed["counts"].toObject()["rows"].toInt(-1), 0);
    EXPECT_EQ(failed["files"].toArray(), QJsonArray());
    EXPECT_EQ(failed["upload"].toString(), "not_done");
    EXPECT_EQ(failed["problems"].toArray().first().toObject()["level"].toString(), "error");
    EXPECT_TRUE(contains(err, "sitewright generate: ")) << err;
    EXPECT_EQ(run({"show", "--json", "--quiet"}), 2);
}

TEST_F(CommandLineTest, DoubleDashEndsTheOptions) {
    const std::pair<Args, int> cases[] = {
        {{"configure", "--dir", "DIR", "--user", "anna", "--"}, 0},
        {{"show", "--dir", "DIR", "--"}, 0},
        // After "--" nothing is an option, help included; no command takes anything else.
        {{"show", "--dir", "DIR", "--", "--help"}, 2},
        {{"show", "--", "--dir", "DIR"}, 2},
    };
    for (const auto& [args, status] : cases) {
        EXPECT_EQ(run(args), status) << args.back() << err;
        EXPECT_EQ(contains(out, "使い方"), false);
    }
}

// A dumb terminal gets the progress line without escape sequences, blanks in their place.
TEST_F(CommandLineTest, ADumbTerminalGetsNoEscapeSequences) {
    FakeFtpServer server(siteWithARefusedFolder());
    configureFor(server);
    progress = true;
    escapes = false;
    EXPECT_EQ(run({"generate", "--dir", "DIR"}), 0) << err;
    // The line took 28 columns, the Japanese characters two each.
    EXPECT_EQ(err, "\rフォルダー 1、ファイル 0: /r\r" + std::string(28, ' ') +
                       "\r/r/privateフォルダーが存在しません。\n"
                   "リストの取得が途中で終了しました。\n");
}

TEST(CommandLineTerminal, ProgressOnATerminalEscapesWhereTermTakesThem) {
    int master = -1;
    int slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const char* savedTerm = std::getenv("TERM");
    const std::string saved = savedTerm ? savedTerm : "";
    const struct {
        int fd;
        const char* term;
        bool progress;
        bool escapes;
    } cases[] = {
        {slave, "xterm-256color", true, true},
        {slave, "dumb", true, false},
        {slave, nullptr, true, false},
        {pipeEnds[1], "xterm", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.term ? c.term : "(unset)");
        if (c.term)
            ::setenv("TERM", c.term, 1);
        else
            ::unsetenv("TERM");
        std::istringstream in;
        std::ostringstream out;
        CommandLineIo io{in, out, out};
        DescribeTerminal(io, c.fd);
        EXPECT_EQ(io.progress, c.progress);
        EXPECT_EQ(io.escapes, c.escapes);
    }
    if (savedTerm)
        ::setenv("TERM", saved.c_str(), 1);
    for (const int fd : {master, slave, pipeEnds[0], pipeEnds[1]})
        ::close(fd);
}

// Widths as a terminal shows them, whatever the locale, and help that fits 79 of them.
TEST(CommandLineTerminal, DisplayWidthAndHelpWithinEightyColumns) {
    const std::pair<std::string, std::size_t> widths[] = {
        {"", 0}, {"abc", 3}, {"日本語", 6}, {"ｱｲ", 2}, {"e\u0301", 1}, {"é", 1}, {"\xff", 1},
    };
    for (const auto& [text, width] : widths)
        EXPECT_EQ(DisplayWidth(text), width) << text;

    for (const texts::Language language : {texts::Language::Japanese, texts::Language::English}) {
        texts::UseLanguage(language);
        for (const texts::Text usage :
             {texts::kTopUsage, texts::kConfigureUsage, texts::kShowUsage, texts::kGenerateUsage,
              texts::kUploadUsage, texts::kForgetUsage, texts::kMemoryUsage, texts::kWindowUsage,
              texts::kCheckUsage}) {
            for (const std::string& line : SplitLines(std::string_view(usage)))
                EXPECT_LE(DisplayWidth(line), 79u) << line;
        }
    }
    texts::UseLanguage(texts::Language::Japanese);
}
