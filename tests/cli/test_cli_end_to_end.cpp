// The built sitewright command against a real FTP server: configure, generate, upload, as a
// user or a scheduler runs it.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/file_io.h"
#include "app/row_order.h"
#include "support/py_ftp_server.h"
#include "support/temp_folder.h"

extern char** environ;

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

namespace {

struct Finished {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the sitewright binary with args and stdinText; its output goes through files in
// folder.
Finished runSitewright(const Args& args, const std::string& stdinText, const fs::path& folder) {
    const fs::path in = folder / "stdin.txt";
    const fs::path out = folder / "stdout.txt";
    const fs::path err = folder / "stderr.txt";
    std::ofstream(in, std::ios::binary) << stdinText;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> argv = {SW_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);

    Finished finished;
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, SW_CLI_PATH, &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return finished;
    int status = 0;
    ::waitpid(pid, &status, 0);
    finished.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    finished.out = ReadFile(out);
    finished.err = ReadFile(err);
    return finished;
}

void setModified(const fs::path& path, std::time_t when) {
    const timespec times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

void makeFile(const fs::path& path, std::time_t when) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "<html></html>";
    setModified(path, when);
}

// The lastmod text of a file as the server lists it: pyftpdlib lists times in UTC, with
// hours and minutes for the last six months and only the day for older files.
std::string listedTime(std::time_t when, std::time_t now) {
    std::tm utc{};
    ::gmtime_r(&when, &utc);
    const bool old = now - when > 180 * 24 * 60 * 60;
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:00", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, old ? 0 : utc.tm_hour, old ? 0 : utc.tm_min);
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
        return sitewright({"configure", "--dir", programFolder.string(), "--url",
                           "http://www.example.com", "--host", server.Host(), "--user",
                           server.User(), "--password-stdin", "--root", "/site", "--changefreq",
                           "daily", "--priority", "0.8", "--offset", "+00:00"},
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
    const std::time_t old = 1164968430;             // 2006-12-01 10:20:30 UTC
    const std::time_t recent = now - 3 * 24 * 3600; // listed with hours and minutes
    const std::string web = "http://www.example.com";
    const std::vector<Expected> expected = {
        {web + "/", "index.html", web + "/index.html", old},
        {web + "/", "a&b.html", web + "/a&amp;b.html", recent},
        {web + "/", "x<y.html", web + "/x&lt;y.html", old},
        {web + "/", "semi%3Bcolon.html", web + "/semi%3Bcolon.html", old},
        {web + "/", "f.cgi", web + "/f.cgi", recent},
        {web + "/", "home.html", web + "/home.html", old},
        {web + "/img.old/", "photo.html", web + "/img.old/photo.html", old},
        {web + "/日本語/", "ページ.html", web + "/日本語/ページ.html", recent},
        {web + "/日本語/深い/", "index.php", web + "/日本語/深い/index.php", old},
        {web + "/sub/", "news.htm", web + "/sub/news.htm", recent},
        {web + "/a%3Bb/", "in.html", web + "/a%3Bb/in.html", old},
    };
    makeFile(site / "index.html", old);
    makeFile(site / "a&b.html", recent);
    makeFile(site / "x<y.html", old);
    makeFile(site / "semi;colon.html", old);
    makeFile(site / "f.cgi", recent);
    makeFile(site / "img.old" / "photo.html", old);
    makeFile(site / "日本語" / "ページ.html", recent);
    makeFile(site / "日本語" / "深い" / "index.php", old);
    makeFile(site / "sub" / "news.htm", recent);
    makeFile(site / "a;b" / "in.html", old);
    // Not taken: other extensions, a name without one, a link to a folder.
    for (const char* name : {"c.HTML", "d.c", "e.php3", "README"})
        makeFile(site / name, old);
    fs::create_directory_symlink("sub", site / "www");
    fs::create_symlink("index.html", site / "home.html");
    setModified(site / "home.html", old);

    const Finished configured = configure(server.Password());
    ASSERT_EQ(configured.status, 0) << configured.err;

    const Finished generated =
        sitewright({"generate", "--dir", programFolder.string(), "--upload"});
    EXPECT_EQ(generated.status, 0) << generated.err;
    EXPECT_EQ(generated.err, "");
    EXPECT_NE(generated.out.find("サイトマップをアップロードしました。\n"), std::string::npos)
        << generated.out;
    EXPECT_NE(generated.out.find("rows 11, folders 6, seconds "), std::string::npos)
        << generated.out;
    // Login (USER, PASS, FEAT, OPTS UTF8 ON, TYPE, SYST), CWD, EPSV, LIST for each of the 6
    // folders and again for the parent after each of the 5 subfolders, QUIT: no command more
    // than the walk needs.
    EXPECT_NE(generated.out.find(", commands 40\n"), std::string::npos) << generated.out;

    // The expected document: rows in the work table's order, fourteen lines each.
    std::vector<std::string> rows;
    std::map<std::string, const Expected*> byRow;
    for (const Expected& file : expected) {
        rows.push_back(file.folderUrl + ";" + file.name + ";" + listedTime(file.modified, now) +
                       "+00:00;daily;0.8;");
        byRow[rows.back()] = &file;
    }
    RowOrder().sort(rows);
    std::string document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                           "<urlset xmlns=\"http://www.google.com/schemas/sitemap/0.84\">\r\n";
    for (const std::string& row : rows) {
        const Expected& file = *byRow[row];
        document += "<url>\r\n<loc>\r\n" + file.escapedLoc + "\r\n</loc>\r\n<lastmod>\r\n" +
                    listedTime(file.modified, now) +
                    "+00:00\r\n</lastmod>\r\n<changefreq>\r\ndaily\r\n</changefreq>\r\n"
                    "<priority>\r\n0.8\r\n</priority>\r\n</url>\r\n";
    }
    document += "</urlset>\r\n";

    const std::string local = ReadFile(programFolder / "sitemap.xml");
    EXPECT_EQ(local, document);
    EXPECT_EQ(ReadFile(site / "sitemap.xml"), local);
}

TEST_F(CliEndToEnd, WrongPasswordAndUsageErrors) {
    fs::create_directories(server.Root() / "site");
    ASSERT_EQ(configure("not the password").status, 0);

    const Finished generated = sitewright({"generate", "--dir", programFolder.string()});
    EXPECT_EQ(generated.status, 1);
    EXPECT_EQ(generated.err.rfind("接続失敗\n", 0), 0u) << generated.err;
    EXPECT_NE(generated.err.find("\nsitewright generate: the login failed; no sitemap written\n"),
              std::string::npos)
        << generated.err;
    EXPECT_EQ(generated.err.find("not the password"), std::string::npos);
    EXPECT_FALSE(fs::exists(programFolder / "sitemap.xml"));

    const Finished uploaded = sitewright({"upload", "--dir", programFolder.string()});
    EXPECT_EQ(uploaded.status, 1);
    EXPECT_EQ(uploaded.err, "sitewright upload: サイトマップがまだ作成されていません。\n");

    const Finished bare = sitewright({});
    EXPECT_EQ(bare.status, 2);
    EXPECT_NE(bare.err.find("Usage: sitewright <command>"), std::string::npos);
    const Finished unknown = sitewright({"generate", "--dir", programFolder.string(), "--fast"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err,
              "sitewright generate: unknown option --fast (see sitewright generate --help)\n");
    const Finished help = sitewright({"upload", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: sitewright upload [--dir DIR]", 0), 0u);
}
