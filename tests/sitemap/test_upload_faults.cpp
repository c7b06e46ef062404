#include "sitemap/upload.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/file_io.h"
#include "ftp/Uftp_module.h"
#include "ftp/ftp_errors.h"
#include "settings/SiteSettings.h"
#include "sitemap/sitemap_writer.h"
#include "support/fake_ftp_server.h"
#include "support/fault_scripts.h"
#include "support/temp_folder.h"

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

    // How the upload ended: the outcome's reason, or the text of what it raised.
    struct Ending {
        UploadOutcome outcome = UploadOutcome::Uploaded;
        std::string error;
    };
    Ending upload(Tftp_module& ftp, const std::string& host) {
        settings_.hostname = host;
        try {
            const UploadResult result = UploadSitemap(ftp, settings_, folder_);
            return {result.outcome, result.reason};
        } catch (const EIdException& error) {
            return {UploadOutcome::StoreFailed, error.what()};
        }
    }

    void expectSitemapUntouched() {
        EXPECT_EQ(ReadFile(SitemapPath(folder_)), document_);
        EXPECT_EQ(fs::last_write_time(SitemapPath(folder_)), written_);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
    }

    TempFolder tempFolder_{"sw_upload_faults"};

    const fs::path folder_ = tempFolder_.Path();
    SiteSettings settings_;
    std::string document_;
    fs::file_time_type written_;
};

} // namespace

TEST_F(UploadFaultTest, EveryPointOfTheUploadFailsCleanly) {
    const std::vector<Step> script = fake_ftp::WithLogin({
        {"CWD /public_html", {"250 OK"}},
        fake_ftp::Pasv(),
        {"STOR sitemap.xml", {"150 Go ahead"}},
        fake_ftp::ReceiveData(),
        {"", {"226 Stored"}},
        fake_ftp::ExpectClose(),
    });
    for (const fake_ftp::FaultyScript& faulty : fake_ftp::FaultsAtEveryStep(script)) {
        SCOPED_TRACE(faulty.description);
        FakeFtpServer server(faulty.script);
        Tftp_module ftp;
        shortenTimeouts(ftp);
        const auto start = std::chrono::steady_clock::now();
        const Ending ending = upload(ftp, server.Host());
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
        if (faulty.completes) {
            EXPECT_EQ(ending.outcome, UploadOutcome::Uploaded) << ending.error;
        } else {
            EXPECT_NE(ending.outcome, UploadOutcome::Uploaded);
            EXPECT_TRUE(fake_ftp::DescribesFault(faulty.fault, ending.error)) << ending.error;
        }
        EXPECT_FALSE(ftp.Lock()->IsConnected());
        expectSitemapUntouched();
    }
}

TEST_F(UploadFaultTest, PasvPortWhereNothingListensFailsTheStore) {
    FakeFtpServer server(fake_ftp::WithLogin({
        {"CWD /public_html", {"250 OK"}},
        fake_ftp::PasvToClosedPort(),
        {"STOR sitemap.xml", {"425 Can't open data connection."}},
        fake_ftp::ExpectClose(),
    }));
    Tftp_module ftp;
    shortenTimeouts(ftp);
    const Ending ending = upload(ftp, server.Host());
    EXPECT_EQ(ending.outcome, UploadOutcome::StoreFailed);
    EXPECT_NE(ending.error.find("cannot connect to 127.0.0.1 port"), std::string::npos)
        << ending.error;
    // STOR was sent, so the conversation cannot go on: the client has closed.
    EXPECT_TRUE(server.WaitUntilFinished());
    EXPECT_EQ(server.Problems(), std::vector<std::string>());
    expectSitemapUntouched();
}
