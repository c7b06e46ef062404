#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <sstream>

#include <unistd.h>

#include "app/file_io.h"
#include "settings/SiteSettings.h"
#include "sitemap/sitemap_writer.h"
#include "support/fake_ftp_server.h"
#include "support/temp_folder.h"

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
        io.columns = 50;
        io.stop = &stop;
        const int status = RunCommandLine(args, io);
        out = outStream.str();
        err = errStream.str();
        return status;
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
    std::atomic<bool> stop{false};
};

} // namespace

TEST_F(CommandLineTest, HelpOnEveryLevel) {
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_TRUE(contains(out, "Usage: sitewright <command>"));
    EXPECT_EQ(run({"-h"}), 0);
    EXPECT_TRUE(contains(out, "Usage: sitewright <command>"));
    for (const std::string command : {"configure", "show", "generate", "upload"}) {
        EXPECT_EQ(run({command, "--help"}), 0) << command;
        EXPECT_TRUE(contains(out, "Usage: sitewright " + command + " [--dir DIR]")) << out;
        EXPECT_EQ(err, "");
        // Help wins over anything else on the line, and does nothing.
        EXPECT_EQ(run({command, "--dir", "DIR", "-h"}), 0) << command;
    }
    EXPECT_TRUE(fs::is_empty(folder));

    EXPECT_EQ(run({}), 2);
    EXPECT_EQ(out, "");
    EXPECT_TRUE(contains(err, "Usage: sitewright <command>"));
}

TEST_F(CommandLineTest, UsageErrorsNeverRepeatWhatWasTyped) {
    EXPECT_EQ(run({"hunter2"}), 2);
    EXPECT_TRUE(contains(err, "unknown command"));
    EXPECT_FALSE(contains(err, "hunter2"));

    // There is no option that takes the password.
    EXPECT_EQ(run({"configure", "--dir", "DIR", "--password=hunter2"}), 2);
    EXPECT_EQ(err, "sitewright configure: unknown option --password "
                   "(see sitewright configure --help)\n");
    EXPECT_EQ(run({"configure", "--dir", "DIR", "--password", "hunter2"}), 2);
    EXPECT_FALSE(contains(err, "hunter2"));
    EXPECT_EQ(run({"configure", "--user", "anna", "hunter2"}), 2);
    EXPECT_TRUE(contains(err, "unexpected argument"));
    EXPECT_FALSE(contains(err, "hunter2"));

    EXPECT_EQ(run({"configure", "--url"}), 2);
    EXPECT_TRUE(contains(err, "--url needs a value"));
    EXPECT_EQ(run({"generate", "--upload=yes"}), 2);
    EXPECT_TRUE(contains(err, "--upload takes no value"));
    EXPECT_EQ(run({"show", "--dir="}), 2);
    EXPECT_TRUE(fs::is_empty(folder));
}

TEST_F(CommandLineTest, ConfigureRefusesWhatTheSettingsDialogCouldNotHold) {
    ASSERT_EQ(run({"configure", "--dir", "DIR", "--url", "https://www.example.com"}), 0);
    const std::string dat = ReadFile(folder / "config_v1.dat");
    const std::string conf = ReadFile(folder / "config_v1.conf");

    const std::vector<std::pair<Args, std::string>> refusals = {
        {{"--changefreq", "sometimes"}, "--changefreq must be one of always, hourly, daily"},
        {{"--changefreq", "Weekly"}, "--changefreq must be one of"},
        {{"--priority", "0.55"}, "--priority must be one of 0.0, 0.1"},
        {{"--priority", "1"}, "--priority must be one of"},
        {{"--offset", "+9:00"}, "--offset must be"},
        {{"--offset", "09:00"}, "--offset must be"},
        {{"--offset", "+24:00"}, "--offset must be"},
        {{"--offset", "+09:60"}, "--offset must be"},
        {{"--offset", "*09:00"}, "--offset must be"},
        {{"--offset", "+09:00 "}, "--offset must be"},
        {{"--root", "public_html"}, "--root must begin with \"/\""},
        {{"--host", "ftp.example.com:70000"}, "--host: invalid port"},
        {{"--url", "https://a.example\n"}, "--url may not hold a line break"},
        {{"--user", std::string("an\0na", 5)}, "--user may not hold a line break or NUL"},
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
    ASSERT_EQ(
        run({"configure", "--dir", "DIR", "--url", "https://www.example.com", "--host",
             "ftp.example.com:2121", "--user", "anna", "--password-stdin", "--root", "/public_html",
             "--changefreq", "daily", "--priority", "0.8", "--offset", "-05:30"},
            "s3cr3t pass\r\nsecond line\n"),
        0)
        << err;
    EXPECT_TRUE(contains(out, "Settings saved in " + folder.string()));
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
    EXPECT_EQ(fs::status(folder / "config_v1.dat").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    ASSERT_EQ(run({"show", "--dir", "DIR"}), 0);
    EXPECT_TRUE(contains(out, "host        ftp.example.com:2121\n"));
    EXPECT_TRUE(contains(out, "user        ユーザー\n"));
    EXPECT_TRUE(contains(out, "password    ********\n"));
    EXPECT_TRUE(contains(out, "offset      -05:30\n"));
    EXPECT_FALSE(contains(out + err, "s3cr3t"));
}

TEST_F(CommandLineTest, PasswordFromStandardInput) {
    // An empty line is an empty password; no line at all is a mistake.
    ASSERT_EQ(run({"configure", "--dir", "DIR", "--password-stdin"}, "\n"), 0);
    EXPECT_EQ(stored().password, "");
    EXPECT_EQ(run({"configure", "--dir", "DIR", "--password-stdin"}, ""), 2);
    EXPECT_TRUE(contains(err, "standard input holds no line"));
    ASSERT_EQ(run({"configure", "--dir", "DIR", "--password-stdin"}, "last line without end"), 0);
    EXPECT_EQ(stored().password, "last line without end");
    ASSERT_EQ(run({"show", "--dir", "DIR"}), 0);
    EXPECT_FALSE(contains(out, "without end"));
}

TEST_F(CommandLineTest, DamagedSettingsAreReportedAndLeftAsTheyAre) {
    WriteFileAtomically(folder / "config_v1.dat", "AAAAAAA=\r\n");
    EXPECT_EQ(run({"configure", "--dir", "DIR", "--user", "anna"}), 1);
    EXPECT_TRUE(contains(err, "sitewright configure: cannot read the settings in")) << err;
    EXPECT_EQ(ReadFile(folder / "config_v1.dat"), "AAAAAAA=\r\n");
    EXPECT_EQ(run({"show", "--dir", "DIR"}), 1);
}

TEST_F(CommandLineTest, UploadWithoutASitemapAndGenerateWithoutAHost) {
    EXPECT_EQ(run({"upload", "--dir", "DIR"}), 1);
    EXPECT_EQ(err, "sitewright upload: サイトマップがまだ作成されていません。\n");
    EXPECT_EQ(run({"generate", "--dir", "DIR"}), 1);
    EXPECT_TRUE(contains(err, "no FTP host is set")) << err;
}

namespace {

// The usual login, then the site root /r with one page and a folder the server refuses.
std::vector<fake_ftp::Step> siteWithARefusedFolder() {
    const std::string listing = "-rw-r--r-- 1 u g 10 Dec  1 10:20 index.html\r\n"
                                "drwxr-xr-x 2 u g 4096 Dec  1 10:20 private\r\n";
    return fake_ftp::WithLogin({
        {"CWD /r", {"250 OK"}},
        fake_ftp::Pasv(),
        {"LIST", {"150 Listing"}},
        fake_ftp::SendData(listing),
        {"", {"226 Done"}},
        {"CWD /r/private", {"550 /r/private: Permission denied."}},
        {"CWD /r", {"250 OK"}},
        fake_ftp::Pasv(),
        {"LIST", {"150 Listing"}},
        fake_ftp::SendData(listing),
        {"", {"226 Done"}},
        {"QUIT", {"221 Bye"}},
        fake_ftp::ExpectClose(),
    });
}

} // namespace

TEST_F(CommandLineTest, GenerateReportsMessagesOnStderrAndWritesTheSitemap) {
    FakeFtpServer server(siteWithARefusedFolder());
    ASSERT_EQ(run({"configure", "--dir", "DIR", "--url", "https://www.example.com", "--host",
                   server.Host(), "--user", "anna", "--password-stdin", "--root", "/r"},
                  "secret\n"),
              0);
    progress = true;
    EXPECT_EQ(run({"generate", "--dir", "DIR"}), 0) << err;
    EXPECT_TRUE(server.WaitUntilFinished());
    EXPECT_EQ(server.Problems(), Args());

    // The progress line, cleared for the window's message box.
    EXPECT_EQ(err, "\rfolders 1, files 0: /r\x1b[K\r\x1b[K"
                   "/r/privateフォルダーが存在しません。\n"
                   "リストの取得が途中で終了しました。\n");
    EXPECT_TRUE(contains(out, "Wrote " + SitemapPath(folder).string() + "\n"));
    EXPECT_TRUE(contains(out, "rows 1, folders 1, seconds ")) << out;
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
                   "--password-stdin", "--root", "/r"},
                  "hunter2\n"),
              0);
    WriteSitemap(folder, "<old/>");
    EXPECT_EQ(run({"generate", "--dir", "DIR", "--upload"}), 1);
    EXPECT_EQ(err, "接続失敗\n530 Password ******** is wrong.\n"
                   "sitewright generate: the login failed; no sitemap written\n");
    EXPECT_TRUE(contains(out, "rows 0, folders 0, seconds ")) << out;
    // The sitemap of the last run that succeeded is kept.
    EXPECT_EQ(ReadFile(SitemapPath(folder)), "<old/>");
}

TEST_F(CommandLineTest, StoppedWalkWritesNoSitemap) {
    FakeFtpServer server({fake_ftp::Stall()});
    ASSERT_EQ(run({"configure", "--dir", "DIR", "--host", server.Host(), "--root", "/r"}), 0);
    stop = true;
    EXPECT_EQ(run({"generate", "--dir", "DIR"}), 1);
    EXPECT_EQ(err, "sitewright generate: stopped; no sitemap written\n");
    EXPECT_EQ(server.Connections(), 0u);
}
