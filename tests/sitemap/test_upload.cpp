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
        {"/public_html",
         {"CWD /public_html", "PASV", "RETR sitemap.xml", "PASV", "STOR sitemap.xml.swtmp-upload",
          "RNFR sitemap.xml.swtmp-upload", "RNTO sitemap.xml"}},
        {"",
         {"PASV", "RETR sitemap.xml", "PASV", "STOR sitemap.xml.swtmp-upload",
          "RNFR sitemap.xml.swtmp-upload", "RNTO sitemap.xml"}},
    };
    for (const auto& [siteRoot, commands] : cases) {
        SCOPED_TRACE(siteRoot);
        FakeFtpServer server(fake_ftp::WithUpload(siteRoot));
        settings_.hostname = server.Host();
        settings_.site_root = siteRoot;
        // The work that follows an upload runs in its session, still logged in.
        int after = 0;
        const UploadResult result =
            UploadSitemap(ftp_, settings_, folder_, {}, [&](SiteConnection&) {
                ++after;
                EXPECT_TRUE(ftp_.Lock()->IsConnected());
            });
        EXPECT_EQ(result.outcome, UploadOutcome::Uploaded)
            << int(result.failure.ftp.kind) << result.fileProblem;
        EXPECT_EQ(after, 1);
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
            EXPECT_TRUE(result.part.empty());
            EXPECT_NE(result.fileProblem.find(SitemapPath(folder_).string()), std::string::npos);
        }
        EXPECT_EQ(server.Connections(), 0u);
    }
}

// The module's stop (the window's stop button, Ctrl-C) ends an upload over SFTP too: a server
// that never sends its banner does not hold it for the session's time-outs.
TEST_F(UploadTest, TheModulesStopEndsAnSftpUpload) {
    writeSitemap("<x/>");
    FakeFtpServer server({fake_ftp::Stall()});
    settings_.transport = "SFTP";
    settings_.hostname = server.Host();
    ftp_.Abort();
    const UploadResult result = UploadSitemap(ftp_, settings_, folder_);
    ftp_.ClearStop();
    EXPECT_EQ(result.outcome, UploadOutcome::LoginFailed);
    ASSERT_TRUE(result.failure.sftp);
    EXPECT_EQ(result.failure.sftp->Kind(), SftpFailureKind::Stopped);
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
    EXPECT_EQ(result.failure.ftp.detail, "530 Login incorrect.") << result.failure.ftp;
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
    const UploadResult result = UploadSitemap(ftp_, settings_, folder_, {}, [](SiteConnection&) {
        ADD_FAILURE() << "no work follows a failed upload";
    });
    EXPECT_EQ(result.outcome, UploadOutcome::FolderRefused);
    EXPECT_NE(result.failure.ftp.detail.find("550 /public_html: No such file"), std::string::npos)
        << result.failure.ftp;
    EXPECT_TRUE(server.WaitUntilFinished()) << "the session was left open";
    EXPECT_EQ(server.Commands(), fake_ftp::AfterLogin({"CWD /public_html"}));
    EXPECT_FALSE(ftp_.Lock()->IsConnected());
}

TEST_F(UploadTest, AbortedStoreFailsAndStillDisconnects) {
    writeSitemap("<x/>");
    FakeFtpServer server(fake_ftp::WithLogin({
        {"CWD /public_html", {"250 OK"}},
        fake_ftp::Pasv(),
        {"RETR sitemap.xml", {"550 No such file"}},
        fake_ftp::Pasv(),
        {"STOR sitemap.xml.swtmp-upload", {"150 Go ahead"}},
        fake_ftp::ReceiveData(),
        {"", {"426 Connection closed; transfer aborted.", "226 Closing"}},
        fake_ftp::ExpectClose(),
    }));
    settings_.hostname = server.Host();
    const UploadResult result = UploadSitemap(ftp_, settings_, folder_);
    EXPECT_EQ(result.outcome, UploadOutcome::StoreFailed);
    EXPECT_EQ(result.failure.ftp.code, 426) << result.failure.ftp;
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

    // A second upload replaces the server's copy rather than appending to it, once the shrink
    // check has let it.
    writeSitemap("<short/>");
    const auto allow = [](const ShrinkFinding&) { return true; };
    EXPECT_EQ(UploadSitemap(ftp_, settings_, folder_, allow).outcome, UploadOutcome::Uploaded);
    EXPECT_EQ(ReadFile(server.Root() / "public_html" / "sitemap.xml"), "<short/>");

    // An empty site root stores into the login folder.
    settings_.site_root.clear();
    const UploadResult result = UploadSitemap(ftp_, settings_, folder_, allow);
    EXPECT_EQ(result.outcome, UploadOutcome::Uploaded)
        << int(result.failure.ftp.kind) << result.fileProblem;
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

TEST_F(UploadTest, ASplitSetIsReplacedWholeWhereverTheUploadFails) {
    writeParts(folder_, 4, true);
    const std::vector<std::string> parts = IndexedParts(folder_);
    ASSERT_EQ(parts.size(), 2u);
    // The published set: an index of this program naming two parts of an earlier run, one of
    // which the new set names again (the same run's part, whole on the server: not stored).
    const std::string published =
        "<sitemapindex><sitemap><loc>https://e.jp/sitemap-1-1.xml.gz</loc></sitemap><sitemap>"
        "<loc>https://e.jp/" +
        parts[1] +
        "</loc></sitemap></sitemapindex><!-- sitewright urls=4 "
        "complete -->";
    const std::string temporary = "sitemap.xml.swtmp-upload";
    using Exchange = std::pair<std::string, std::string>; // a command and the reply to it
    struct Case {
        std::vector<Exchange> exchanges; // after the CWD and the RETR of the published index
        UploadOutcome outcome;
        bool notice;
    };
    const Exchange part{"STOR " + parts[0], "150 Go"}, index{"STOR " + temporary, "150 Go"},
        rnfr{"RNFR " + temporary, "350 Ready"}, rnto{"RNTO sitemap.xml", "250 Done"},
        direct{"STOR sitemap.xml", "150 Go"}, dele{"DELE " + temporary, "250 Done"},
        old{"DELE sitemap-1-1.xml.gz", "250 Done"};
    const std::vector<Case> cases = {
        {{part, index, rnfr, rnto, old}, UploadOutcome::Uploaded, false},
        {{{part.first, "552 Quota exceeded"}}, UploadOutcome::StoreFailed, false},
        {{part, {index.first, "553 Not allowed"}}, UploadOutcome::StoreFailed, false},
        // A server that will not rename over a file: stored directly, and said so.
        {{part, index, {rnfr.first, "502 Not implemented"}, direct, dele, old},
         UploadOutcome::Uploaded,
         true},
        {{part, index, rnfr, {rnto.first, "553 File exists"}, direct, dele, old},
         UploadOutcome::Uploaded,
         true},
        {{part, index, rnfr, {rnto.first, "553 File exists"}, {direct.first, "452 Disk full"}},
         UploadOutcome::StoreFailed,
         false},
        // The old part stays where no index names it: harmless.
        {{part, index, rnfr, rnto, {old.first, "550 Permission denied"}},
         UploadOutcome::Uploaded,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.exchanges.back().first + " " + c.exchanges.back().second);
        std::vector<fake_ftp::Step> script = {{"CWD /public_html", {"250 OK"}},
                                              fake_ftp::Pasv(),
                                              {"RETR sitemap.xml", {"150 Here"}},
                                              fake_ftp::SendData(published),
                                              {"", {"226 Sent"}}};
        Commands commands = {"CWD /public_html", "PASV", "RETR sitemap.xml"};
        for (const auto& [command, reply] : c.exchanges) {
            const bool store = command.rfind("STOR", 0) == 0;
            if (store) {
                script.push_back(fake_ftp::Pasv());
                commands.push_back("PASV");
            }
            script.push_back({command, {reply}});
            commands.push_back(command);
            if (store && reply[0] == '1')
                script.insert(script.end(), {fake_ftp::ReceiveData(), {"", {"226 Stored"}}});
        }
        script.push_back(fake_ftp::ExpectClose());
        FakeFtpServer server(fake_ftp::WithLogin(script));
        settings_.hostname = server.Host();
        const UploadResult result = UploadSitemap(ftp_, settings_, folder_);
        EXPECT_EQ(result.outcome, c.outcome) << int(result.failure.ftp.kind) << result.fileProblem;
        EXPECT_EQ(result.renameRefused, c.notice);
        EXPECT_TRUE(server.WaitUntilFinished());
        EXPECT_EQ(server.Problems(), Commands());
        EXPECT_EQ(server.Commands(), fake_ftp::AfterLogin(commands));
    }
}

TEST_F(UploadTest, RealServerKeepsThePublishedSetWholeWhenAnUploadFails) {
    PyFtpServer server;
    const fs::path root = server.Root() / "public_html";
    fs::create_directory(root);
    settings_.hostname = server.Host();
    settings_.username = server.User();
    settings_.password = server.Password();
    const auto expectPublished = [&](const std::vector<std::string>& parts) {
        EXPECT_EQ(ReadFile(root / "sitemap.xml"), ReadFile(folder_ / "sitemap.xml"));
        for (const std::string& part : parts)
            EXPECT_EQ(ReadFile(root / part), ReadFile(folder_ / part)) << part;
    };
    writeParts(folder_, 5, false);
    const std::vector<std::string> first = IndexedParts(folder_);
    ASSERT_EQ(first.size(), 3u);
    ASSERT_EQ(UploadSitemap(ftp_, settings_, folder_).outcome, UploadOutcome::Uploaded);
    expectPublished(first);
    const TempFolder keptFolder("sw_upload_kept");
    for (const auto& entry : fs::directory_iterator(folder_))
        fs::copy(entry.path(), keptFolder.Path());

    // The next set; the server refuses its second part (a folder stands in the way).
    writeParts(folder_, 6, false);
    const std::vector<std::string> second = IndexedParts(folder_);
    ASSERT_EQ(second.size(), 3u);
    fs::create_directory(root / second[1]);
    const UploadResult refused = UploadSitemap(ftp_, settings_, folder_);
    EXPECT_EQ(refused.outcome, UploadOutcome::StoreFailed)
        << int(refused.failure.ftp.kind) << refused.fileProblem;
    EXPECT_EQ(ReadFile(root / "sitemap.xml"), ReadFile(keptFolder.Path() / "sitemap.xml"));
    for (const std::string& part : first)
        EXPECT_EQ(ReadFile(root / part), ReadFile(keptFolder.Path() / part)) << part;

    // Once the server takes it, the new set stands and the old parts are gone.
    fs::remove(root / second[1]);
    const UploadResult result = UploadSitemap(ftp_, settings_, folder_);
    EXPECT_EQ(result.outcome, UploadOutcome::Uploaded)
        << int(result.failure.ftp.kind) << result.fileProblem;
    expectPublished(second);
    for (const std::string& part : first)
        EXPECT_FALSE(fs::exists(root / part)) << part;

    // A part gone from the program folder: refused before the login, the server unchanged.
    fs::remove(folder_ / second[1]);
    const UploadResult missing = UploadSitemap(ftp_, settings_, folder_);
    EXPECT_EQ(missing.outcome, UploadOutcome::UnusableFile);
    EXPECT_EQ(missing.part, second[1]);
    EXPECT_TRUE(fs::exists(root / second[1]));
}
