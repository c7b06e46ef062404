#include "sitemap/upload.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include <unistd.h>

#include "app/file_io.h"
#include "ftp/Uftp_module.h"
#include "ftp/ftp_errors.h"
#include "settings/SiteSettings.h"
#include "sitemap/sitemap_writer.h"
#include "support/fake_ftp_server.h"
#include "support/py_ftp_server.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using fake_ftp::Step;
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
    SiteSettings settings_;
    Tftp_module ftp_;
};

} // namespace

TEST_F(UploadTest, LogsInEntersTheSiteRootStoresAndDisconnects) {
    const std::string document(100000, 'x');
    writeSitemap(document);
    FakeFtpServer server(fake_ftp::WithLogin({
        {"CWD /public_html", {"250 OK"}},
        fake_ftp::Pasv(),
        {"STOR sitemap.xml", {"150 Go ahead"}},
        fake_ftp::ReceiveData(),
        {"", {"226 Stored"}},
        fake_ftp::ExpectClose(),
    }));
    settings_.hostname = server.Host();

    const UploadResult result = UploadSitemap(ftp_, settings_, folder_);
    EXPECT_EQ(result.outcome, UploadOutcome::Uploaded);
    EXPECT_TRUE(server.WaitUntilFinished());
    EXPECT_EQ(server.Problems(), Commands());
    EXPECT_EQ(server.Commands(),
              fake_ftp::AfterLogin({"CWD /public_html", "PASV", "STOR sitemap.xml"}));
    ASSERT_EQ(server.Uploads().size(), 1u);
    EXPECT_EQ(server.Uploads()[0], document);
    EXPECT_FALSE(ftp_.Lock()->IsConnected());
}

TEST_F(UploadTest, MissingSitemapSendsNothing) {
    FakeFtpServer server({fake_ftp::Stall()});
    settings_.hostname = server.Host();
    EXPECT_EQ(UploadSitemap(ftp_, settings_, folder_).outcome, UploadOutcome::NoSitemap);
    EXPECT_EQ(server.Connections(), 0u);
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

TEST_F(UploadTest, RefusedSiteRootRaisesTheRepliesText) {
    writeSitemap("<x/>");
    FakeFtpServer server(fake_ftp::WithLogin({
        {"CWD /public_html", {"550 /public_html: No such file or directory."}},
        fake_ftp::Stall(),
    }));
    settings_.hostname = server.Host();
    try {
        UploadSitemap(ftp_, settings_, folder_);
        FAIL() << "a refused folder change was not raised";
    } catch (const EIdProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyCode(), 550);
        EXPECT_NE(std::string(error.what()).find("No such file"), std::string::npos);
    }
    EXPECT_EQ(server.Commands(), fake_ftp::AfterLogin({"CWD /public_html"}));
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
    FakeFtpServer server(fake_ftp::WithLogin({
        {"CWD /public_html", {"250 OK"}},
        fake_ftp::Pasv(),
        {"STOR sitemap.xml", {"150 Go ahead"}},
        fake_ftp::ReceiveData(),
        {"", {"226 Stored"}},
        fake_ftp::ExpectClose(),
    }));
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
}
