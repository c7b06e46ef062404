#include "sitemap/upload.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include <sys/stat.h>

#include "core/file_io.h"
#include "ftp/Uftp_module.h"
#include "settings/SiteSettings.h"
#include "sitemap/sitemap_writer.h"
#include "support/fake_ftp_server.h"
#include "support/py_ftp_server.h"
#include "support/temp_folder.h"
#include "support/plain_settings.h"

namespace fs = std::filesystem;
using Commands = std::vector<std::string>;

namespace {

class UploadTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings_.username = "anna";
        settings_.password = "secret";
        settings_.site_root = "/public_html";
    }

    void writeSitemap(const std::string& bytes) { WriteSitemap(folder_, bytes); }

    TempFolder tempFolder_{"sw_upload"};

    const fs::path folder_ = tempFolder_.Path();
    SiteSettings settings_ = PlainFtpSettings();
    Tftp_module ftp_;
};

} // namespace

TEST_F(UploadTest, LogsInEntersTheSiteRootStoresAndDisconnects) {
    const std::string document(100000, 'x');
    writeSitemap(document);
    // An empty site root stores into the login folder: no CWD at all, not a bare "CWD ".
    const std::pair<std::string, Commands> cases[] = {
        {"/public_html", {"CWD /public_html", "PASV", "STOR sitemap.xml"}},
        {"", {"PASV", "STOR sitemap.xml"}},
    };
    for (const auto& [siteRoot, commands] : cases) {
        SCOPED_TRACE(siteRoot);
        FakeFtpServer server(fake_ftp::WithUpload(siteRoot));
        settings_.hostname = server.Host();
        settings_.site_root = siteRoot;
        const UploadResult result = UploadSitemap(ftp_, settings_, folder_);
        EXPECT_EQ(result.outcome, UploadOutcome::Uploaded) << result.reason;
        EXPECT_TRUE(server.WaitUntilFinished());
        EXPECT_EQ(server.Problems(), Commands());
        EXPECT_EQ(server.Commands(), fake_ftp::AfterLogin(commands));
        ASSERT_EQ(server.Uploads().size(), 1u);
        EXPECT_EQ(server.Uploads()[0], document);
        EXPECT_FALSE(ftp_.Lock()->IsConnected());
    }
}

TEST_F(UploadTest, NothingIsSentForALocalSitemapThatCannotBeUploaded) {
    // Missing, a folder in its place (it would store an empty file), a FIFO (it would hang).
    const std::vector<std::tuple<std::string, std::function<void()>, UploadOutcome>> cases = {
        {"missing", [] {}, UploadOutcome::NoSitemap},
        {"a folder", [this] { fs::create_directory(SitemapPath(folder_)); },
         UploadOutcome::UnusableFile},
        {"a FIFO", [this] { ASSERT_EQ(::mkfifo(SitemapPath(folder_).c_str(), 0600), 0); },
         UploadOutcome::UnusableFile},
    };
    for (const auto& [what, make, outcome] : cases) {
        SCOPED_TRACE(what);
        fs::remove(SitemapPath(folder_));
        make();
        FakeFtpServer server({fake_ftp::Stall()});
        settings_.hostname = server.Host();
        const UploadResult result = UploadSitemap(ftp_, settings_, folder_);
        EXPECT_EQ(result.outcome, outcome);
        if (outcome == UploadOutcome::UnusableFile) {
            EXPECT_EQ(result.reason,
                      "「" + SitemapPath(folder_).string() + "」は通常のファイルではありません。");
        }
        EXPECT_EQ(server.Connections(), 0u);
    }
}

TEST_F(UploadTest, FailedLoginEndsWithTheReasonAndNoFurtherCommand) {
    writeSitemap("<x/>");
    FakeFtpServer server({
        {"", {"220 Ready"}},
        {"USER anna", {"331 Password required"}},
        {"PASS secret", {"530 Login incorrect."}},
        fake_ftp::ExpectClose(),
    });
    settings_.hostname = server.Host();
    const UploadResult result = UploadSitemap(ftp_, settings_, folder_);
    EXPECT_EQ(result.outcome, UploadOutcome::LoginFailed);
    EXPECT_NE(result.reason.find("530 Login incorrect."), std::string::npos) << result.reason;
    EXPECT_TRUE(server.WaitUntilFinished());
    EXPECT_EQ(server.Commands(), (Commands{"USER anna", "PASS secret"}));
}

TEST_F(UploadTest, RefusedSiteRootEndsTheUploadAndClosesTheSession) {
    writeSitemap("<x/>");
    FakeFtpServer server(fake_ftp::WithLogin({
        {"CWD /public_html", {"550 /public_html: No such file or directory."}},
        fake_ftp::ExpectClose(),
    }));
    settings_.hostname = server.Host();
    const UploadResult result = UploadSitemap(ftp_, settings_, folder_);
    EXPECT_EQ(result.outcome, UploadOutcome::FolderRefused);
    EXPECT_NE(result.reason.find("550 /public_html: No such file"), std::string::npos)
        << result.reason;
    EXPECT_TRUE(server.WaitUntilFinished()) << "the session was left open";
    EXPECT_EQ(server.Commands(), fake_ftp::AfterLogin({"CWD /public_html"}));
    EXPECT_FALSE(ftp_.Lock()->IsConnected());
}

TEST_F(UploadTest, AbortedStoreFailsAndStillDisconnects) {
    writeSitemap("<x/>");
    FakeFtpServer server(fake_ftp::WithLogin({
        {"CWD /public_html", {"250 OK"}},
        fake_ftp::Pasv(),
        {"STOR sitemap.xml", {"150 Go ahead"}},
        fake_ftp::ReceiveData(),
        {"", {"426 Connection closed; transfer aborted.", "226 Closing"}},
        fake_ftp::ExpectClose(),
    }));
    settings_.hostname = server.Host();
    const UploadResult result = UploadSitemap(ftp_, settings_, folder_);
    EXPECT_EQ(result.outcome, UploadOutcome::StoreFailed);
    EXPECT_NE(result.reason.find("426"), std::string::npos) << result.reason;
    EXPECT_TRUE(server.WaitUntilFinished()) << "the session was not closed";
}

TEST_F(UploadTest, RightAfterAConnectionTestUsesThatConnection) {
    writeSitemap("<x/>");
    FakeFtpServer server(fake_ftp::WithUpload());
    settings_.hostname = server.Host();
    ASSERT_EQ(ftp_.FtpConnect(server.Host(), "anna", "secret"), 0);
    EXPECT_EQ(UploadSitemap(ftp_, settings_, folder_).outcome, UploadOutcome::Uploaded);
    EXPECT_TRUE(server.WaitUntilFinished());
    EXPECT_EQ(server.Connections(), 1u);
    EXPECT_EQ(server.Problems(), Commands());
}

TEST_F(UploadTest, RealServerReceivesAnIdenticalCopy) {
    PyFtpServer server;
    fs::create_directory(server.Root() / "public_html");
    std::string document;
    for (int i = 0; i < 20000; ++i)
        document += "<url>\r\n" + std::to_string(i) + " 日本語\r\n</url>\r\n";
    writeSitemap(document);
    settings_.hostname = server.Host();
    settings_.username = server.User();
    settings_.password = server.Password();
    EXPECT_EQ(UploadSitemap(ftp_, settings_, folder_).outcome, UploadOutcome::Uploaded);
    EXPECT_EQ(ReadFile(server.Root() / "public_html" / "sitemap.xml"), document);

    // A second upload replaces the server's copy rather than appending to it.
    writeSitemap("<short/>");
    EXPECT_EQ(UploadSitemap(ftp_, settings_, folder_).outcome, UploadOutcome::Uploaded);
    EXPECT_EQ(ReadFile(server.Root() / "public_html" / "sitemap.xml"), "<short/>");

    // An empty site root stores into the login folder.
    settings_.site_root.clear();
    const UploadResult result = UploadSitemap(ftp_, settings_, folder_);
    EXPECT_EQ(result.outcome, UploadOutcome::Uploaded) << result.reason;
    EXPECT_EQ(ReadFile(server.Root() / "sitemap.xml"), "<short/>");
}

namespace {

// Writes a sitemap of count rows split into parts of two URLs each.
void writeParts(const fs::path& folder, int count, bool gzip) {
    SitemapFilesOptions options;
    options.format.limits.maxUrls = 2;
    options.gzipParts = gzip;
    options.siteUrl = "https://e.jp";
    SitemapFilesWriter writer(folder, options);
    for (int i = 0; i < count; ++i)
        writer.AddRow("https://e.jp/;p" + std::to_string(i) + ".html;;;;");
    writer.Finish();
}

} // namespace

TEST_F(UploadTest, PartsGoFirstAndTheIndexLastAndAFailedPartKeepsTheServersIndex) {
    writeParts(folder_, 4, true);
    const std::vector<std::string> names = {"sitemap-1.xml.gz", "sitemap-2.xml.gz", "sitemap.xml"};
    std::vector<std::string> files;
    for (const std::string& name : names)
        files.push_back(ReadFile(folder_ / name));
    // The server takes the files before refused (all when it is empty) and refuses that one.
    for (const std::string refused : {"", "sitemap-2.xml.gz"}) {
        SCOPED_TRACE(refused);
        std::vector<fake_ftp::Step> script = {{"CWD /public_html", {"250 OK"}}};
        Commands commands = {"CWD /public_html"};
        std::size_t taken = 0;
        for (const std::string& name : names) {
            script.push_back(fake_ftp::Pasv());
            commands.insert(commands.end(), {"PASV", "STOR " + name});
            if (name == refused) {
                script.push_back({"STOR " + name, {"553 Quota exceeded"}});
                break;
            }
            script.insert(script.end(), {{"STOR " + name, {"150 Go ahead"}},
                                         fake_ftp::ReceiveData(),
                                         {"", {"226 Stored"}}});
            ++taken;
        }
        script.push_back(fake_ftp::ExpectClose());
        FakeFtpServer server(fake_ftp::WithLogin(script));
        settings_.hostname = server.Host();
        const UploadResult result = UploadSitemap(ftp_, settings_, folder_);
        EXPECT_EQ(result.outcome,
                  refused.empty() ? UploadOutcome::Uploaded : UploadOutcome::StoreFailed)
            << result.reason;
        EXPECT_TRUE(server.WaitUntilFinished());
        EXPECT_EQ(server.Problems(), Commands());
        EXPECT_EQ(server.Commands(), fake_ftp::AfterLogin(commands));
        EXPECT_EQ(server.Uploads(), std::vector<std::string>(files.begin(), files.begin() + taken));
    }
}

TEST_F(UploadTest, RealServerStoresEveryPartAndNothingWhenAPartIsMissing) {
    PyFtpServer server;
    fs::create_directory(server.Root() / "public_html");
    settings_.hostname = server.Host();
    settings_.username = server.User();
    settings_.password = server.Password();
    writeParts(folder_, 5, false);
    const UploadResult result = UploadSitemap(ftp_, settings_, folder_);
    EXPECT_EQ(result.outcome, UploadOutcome::Uploaded) << result.reason;
    for (const char* name : {"sitemap-1.xml", "sitemap-2.xml", "sitemap-3.xml", "sitemap.xml"})
        EXPECT_EQ(ReadFile(server.Root() / "public_html" / name), ReadFile(folder_ / name)) << name;

    // A part gone from the program folder: refused before the login, the server unchanged.
    const std::string serverIndex = ReadFile(server.Root() / "public_html" / "sitemap.xml");
    fs::remove(folder_ / "sitemap-2.xml");
    const UploadResult missing = UploadSitemap(ftp_, settings_, folder_);
    EXPECT_EQ(missing.outcome, UploadOutcome::UnusableFile);
    EXPECT_NE(missing.reason.find("sitemap-2.xml"), std::string::npos) << missing.reason;
    EXPECT_EQ(ReadFile(server.Root() / "public_html" / "sitemap.xml"), serverIndex);
}
