#include "ftp/Uftp_module.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/file_io.h"
#include "settings/SiteSettings.h"
#include "sitemap/sitemap_writer.h"
#include "sitemap/upload.h"
#include "support/fake_ftp_server.h"
#include "support/temp_folder.h"

// What a server can make the client show or send: the password never shows in an error, and a
// line break inside an argument never reaches the control connection.

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using fake_ftp::Step;
using Commands = std::vector<std::string>;

namespace {

bool showsPassword(const std::string& text) {
    return text.find("secret") != std::string::npos;
}

class FtpSecurityTest : public ::testing::Test {
protected:
    void SetUp() override {
        FtpTimeouts timeouts;
        timeouts.connect = 2s;
        timeouts.silence = 2s;
        module.Lock()->SetTimeouts(timeouts);
    }
    Tftp_module module;
};

} // namespace

TEST_F(FtpSecurityTest, RefusedLoginThatRepeatsThePasswordMasksIt) {
    FakeFtpServer server({
        {"", {"220 Ready"}},
        {"USER anna", {"331 Password required"}},
        {"PASS secret", {"530-Login incorrect.", "530 'PASS secret' refused for secret"}},
        fake_ftp::ExpectClose(),
    });
    EXPECT_EQ(module.FtpConnect(server.Host(), "anna", "secret"), 1);
    EXPECT_EQ(module.LastError(), "530-Login incorrect.\n530 'PASS ********' refused for ********");
}

TEST_F(FtpSecurityTest, EveryErrorTextOfTheSessionMasksThePassword) {
    const TempFolder temp("sw_security");
    const fs::path& folder = temp.Path();
    WriteSitemap(folder, "<urlset/>");
    FakeFtpServer server(fake_ftp::WithLogin({
        {"CWD /nowhere", {"550 /nowhere: no such folder (user anna, password secret)"}},
        {"PWD", {"257 secret"}},
        {"PASV", {"227 Passive mode refused for secret"}},
        {"CWD /public_html", {"250 OK"}},
        fake_ftp::Pasv(),
        {"STOR sitemap.xml", {"553 secret: cannot create file"}},
        fake_ftp::ExpectClose(),
    }));
    ASSERT_EQ(module.FtpConnect(server.Host(), "anna", "secret"), 0);
    {
        Tftp_module::Session session = module.Lock();
        for (auto operation :
             {+[](TIdFTP& ftp) { ftp.ChangeFolder("/nowhere"); },
              +[](TIdFTP& ftp) { ftp.CurrentFolder(); }, +[](TIdFTP& ftp) { ftp.ListFolder(); }}) {
            try {
                operation(session.Client());
                ADD_FAILURE() << "the server's refusal was taken";
            } catch (const EIdException& error) {
                EXPECT_FALSE(showsPassword(error.what())) << error.what();
                EXPECT_NE(std::string(error.what()).find("********"), std::string::npos);
            }
        }
    }
    SiteSettings settings;
    settings.hostname = server.Host();
    settings.username = "anna";
    settings.password = "secret";
    settings.site_root = "/public_html";
    const UploadResult result = UploadSitemap(module, settings, folder);
    EXPECT_EQ(result.outcome, UploadOutcome::StoreFailed);
    EXPECT_EQ(result.reason, "553 ********: cannot create file");
    EXPECT_TRUE(server.WaitUntilFinished());
    EXPECT_EQ(server.Problems(), Commands());
}

TEST_F(FtpSecurityTest, PasswordInsideTheMaskIsMaskedOnce) {
    FakeFtpServer server({
        {"", {"220 Ready"}},
        {"USER anna", {"331 Password required"}},
        {"PASS *", {"530 * is not ** enough"}},
        fake_ftp::ExpectClose(),
    });
    EXPECT_EQ(module.FtpConnect(server.Host(), "anna", "*"), 1);
    EXPECT_EQ(module.LastError(), "530 ******** is not **************** enough");
}

TEST_F(FtpSecurityTest, LineBreaksInPasswordOrFileNameNeverReachTheServer) {
    const fs::path file = fs::temp_directory_path() / ("sw_security_" + std::to_string(::getpid()));
    WriteFileAtomically(file, "<urlset/>");
    FakeFtpServer server({
        {"", {"220 Ready"}},
        {"USER anna", {"331 Password required"}},
        fake_ftp::ExpectClose(),
        {"", {"220 Ready"}},
        {"USER anna", {"331 Password required"}},
        {"PASS secret", {"230 Logged in"}},
        {"TYPE I", {"200 OK"}},
        {"SYST", {"215 UNIX"}},
        fake_ftp::Pasv(),
        {"CWD /", {"250 OK"}},
    });
    EXPECT_EQ(module.FtpConnect(server.Host(), "anna", "secret\r\nDELE index.html"), 1);
    EXPECT_NE(module.LastError().find("line break"), std::string::npos);
    EXPECT_FALSE(showsPassword(module.LastError()));

    ASSERT_EQ(module.FtpConnect(server.Host(), "anna", "secret"), 0);
    EXPECT_TRUE(module.FtpUpload(file.string(), "sitemap.xml\r\nDELE index.html"));
    EXPECT_NE(module.LastError().find("line break"), std::string::npos);
    module.Lock()->ChangeFolder("/"); // the conversation is still in step
    module.FtpDisconnect();
    EXPECT_TRUE(server.WaitUntilFinished());
    EXPECT_EQ(server.Problems(), Commands());
    fs::remove(file);
}
