#include "sitemap/upload.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/file_io.h"
#include "ftp/Uftp_module.h"
#include "settings/SiteSettings.h"
#include "sitemap/sitemap_writer.h"
#include "support/fake_ftp_server.h"
#include "support/fault_scripts.h"
#include "support/temp_folder.h"
#include "support/plain_settings.h"

// The upload broken at every point by a server that drops, stalls or floods: each ends within
// its time-outs with a clear reason and a closed client, and the local sitemap.xml is untouched.

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using fake_ftp::Step;

namespace {

class UploadFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings_.username = "anna";
        settings_.password = "secret";
        settings_.site_root = "/public_html";
        for (int i = 0; i < 2000; ++i)
            document_ +=
                "<url><loc>https://www.example.jp/" + std::to_string(i) + ".html</loc></url>\r\n";
        WriteSitemap(folder_, document_);
        written_ = fs::last_write_time(SitemapPath(folder_));
    }

    static void shortenTimeouts(Tftp_module& ftp) {
        FtpTimeouts timeouts;
        timeouts.connect = 500ms;
        timeouts.silence = 200ms;
        ftp.Lock()->SetTimeouts(timeouts);
    }

    UploadResult upload(Tftp_module& ftp, const std::string& host) {
        settings_.hostname = host;
        return UploadSitemap(ftp, settings_, folder_);
    }

    void expectSitemapUntouched() {
        EXPECT_EQ(ReadFile(SitemapPath(folder_)), document_);
        EXPECT_EQ(fs::last_write_time(SitemapPath(folder_)), written_);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
    }

    TempFolder tempFolder_{"sw_upload_faults"};

    const fs::path folder_ = tempFolder_.Path();
    SiteSettings settings_ = PlainFtpSettings();
    std::string document_;
    fs::file_time_type written_;
};

} // namespace

TEST_F(UploadFaultTest, EveryPointOfTheUploadFailsCleanly) {
    for (const fake_ftp::FaultyScript& faulty :
         fake_ftp::FaultsAtEveryStep(fake_ftp::WithUpload())) {
        SCOPED_TRACE(faulty.description);
        FakeFtpServer server(faulty.script);
        Tftp_module ftp;
        shortenTimeouts(ftp);
        const auto start = std::chrono::steady_clock::now();
        const UploadResult ending = upload(ftp, server.Host());
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
        if (faulty.completes) {
            EXPECT_EQ(ending.outcome, UploadOutcome::Uploaded)
                << int(ending.failure.ftp.kind) << ending.fileProblem;
        } else {
            EXPECT_NE(ending.outcome, UploadOutcome::Uploaded);
            EXPECT_TRUE(fake_ftp::DescribesFault(faulty.fault, ending.failure.ftp))
                << ending.failure.ftp;
        }
        EXPECT_FALSE(ftp.Lock()->IsConnected());
        expectSitemapUntouched();
    }
}

TEST_F(UploadFaultTest, PasvPortWhereNothingListensFailsTheStore) {
    FakeFtpServer server(fake_ftp::WithLogin({
        {"CWD /public_html", {"250 OK"}},
        fake_ftp::Pasv(),
        {"RETR sitemap.xml", {"550 No such file"}},
        fake_ftp::PasvToClosedPort(),
        {"STOR sitemap.xml.swtmp-upload", {"425 Can't open data connection."}},
        fake_ftp::ExpectClose(),
    }));
    Tftp_module ftp;
    shortenTimeouts(ftp);
    const UploadResult ending = upload(ftp, server.Host());
    EXPECT_EQ(ending.outcome, UploadOutcome::StoreFailed);
    EXPECT_EQ(ending.failure.ftp.kind, FtpFailureKind::CannotConnect) << ending.failure.ftp;
    // STOR was sent, so the conversation cannot go on: the client has closed.
    EXPECT_TRUE(server.WaitUntilFinished());
    EXPECT_EQ(server.Problems(), std::vector<std::string>());
    expectSitemapUntouched();
}
