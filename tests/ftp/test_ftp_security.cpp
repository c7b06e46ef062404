#include "ftp/Uftp_module.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/file_io.h"
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
    EXPECT_EQ(module.LastError().detail, "530-Login incorrect.\n530 'PASS ********' refused for ********");
}

TEST_F(FtpSecurityTest, EveryErrorTextOfTheSessionMasksThePassword) {
    const TempFolder temp("sw_security");
    const fs::path& folder = temp.Path();
    const fs::path file = folder / "sitemap.xml";
    WriteFileAtomically(file, "<urlset/>");
    FakeFtpServer server(fake_ftp::WithLogin({
        {"CWD /nowhere", {"550 /nowhere: no such folder (user anna, password secret)"}},
        {"PWD", {"257 secret"}},
        {"PASV", {"227 Passive mode refused for secret"}},
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
                EXPECT_FALSE(showsPassword(error.Failure().detail)) << error.what();
                EXPECT_NE(error.Failure().detail.find("********"), std::string::npos);
            }
        }
    }
    try {
        module.Lock()->StoreFile(file.string(), "sitemap.xml");
        ADD_FAILURE() << "the server's refusal was taken";
    } catch (const EIdException& error) {
        EXPECT_EQ(error.Failure().detail, "553 ********: cannot create file");
    }
    module.FtpDisconnect();
    EXPECT_TRUE(server.WaitUntilFinished());
    EXPECT_EQ(server.Problems(), Commands());
}

// The password is masked in whole server lines, also where a line beyond 16 KiB is cut into
// pieces across it, and never in the program's own words. A one-letter password is masked
// wherever its letter stands in a server's text: that text is garbled, the password never shown.
TEST_F(FtpSecurityTest, PasswordIsMaskedInServerTextsOnly) {
    const std::string padding(16377, 'x'); // "530 " and this end 3 bytes into "secret"
    struct Case {
        std::string password;
        std::vector<Step> rest; // after the login
        std::string error;
    };
    const std::vector<Case> cases = {
        {"secret",
         {{"CWD /", {"550 " + padding + "secret refused"}}},
         "550 " + padding + "******** refused"},
        {"PASV",
         {{"PASV", {"227 PASV unavailable"}}},
         "227 ******** unavailable"},
        {"e",
         {{"CWD /", {"550 /home: no such folder"}}},
         "550 /hom********: no such fold********r"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.password);
        std::vector<Step> script = {
            {"", {"220 Ready"}},
            {"USER anna", {"331 Password required"}},
            {"PASS " + c.password, {"230 Logged in"}},
            {"FEAT", {"500 Unknown command"}},
            {"TYPE I", {"200 OK"}},
            {"SYST", {"215 UNIX"}},
        };
        script.insert(script.end(), c.rest.begin(), c.rest.end());
        FakeFtpServer server(script);
        ASSERT_EQ(module.FtpConnect(server.Host(), "anna", c.password), 0) << module.LastError();
        try {
            Tftp_module::Session session = module.Lock();
            if (c.rest.front().command == "PASV")
                session->ListFolder();
            else
                session->ChangeFolder("/");
            ADD_FAILURE() << "the refusal was taken";
        } catch (const EIdException& error) {
            EXPECT_EQ(error.Failure().detail, c.error);
        }
        module.FtpDisconnect();
        EXPECT_EQ(server.Problems(), Commands());
    }
}

// A server's text cannot drive a terminal: wherever an error quotes it, its control characters
// are escaped.
TEST_F(FtpSecurityTest, ControlCharactersOfServerTextsAreEscaped) {
    FakeFtpServer server(fake_ftp::WithLogin({
        {"CWD /x", {"550 \x1b]0;owned\x07 no"}},
        {"PWD", {"257 \x1b[31m"}},
        {"PASV", {"227 \x1b[1m"}},
    }));
    ASSERT_EQ(module.FtpConnect(server.Host(), "anna", "secret"), 0);
    const std::vector<std::pair<void (*)(TIdFTP&), std::string>> cases = {
        {[](TIdFTP& ftp) { ftp.ChangeFolder("/x"); }, "550 %1B]0;owned%07 no"},
        {[](TIdFTP& ftp) { ftp.CurrentFolder(); },
         "257 %1B[31m"},
        {[](TIdFTP& ftp) { ftp.ListFolder(); },
         "227 %1B[1m"},
    };
    Tftp_module::Session session = module.Lock();
    for (const auto& [operation, text] : cases) {
        try {
            operation(session.Client());
            ADD_FAILURE() << "the refusal was taken";
        } catch (const EIdException& error) {
            EXPECT_EQ(error.Failure().detail, text);
        }
    }
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
    EXPECT_EQ(module.LastError().detail, "530 ******** is not **************** enough");
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
        {"FEAT", {"500 Unknown command"}},
        {"TYPE I", {"200 OK"}},
        {"SYST", {"215 UNIX"}},
        fake_ftp::Pasv(),
        {"CWD /", {"250 OK"}},
    });
    EXPECT_EQ(module.FtpConnect(server.Host(), "anna", "secret\r\nDELE index.html"), 1);
    EXPECT_EQ(module.LastError().kind, FtpFailureKind::LineBreakInCommand);

    ASSERT_EQ(module.FtpConnect(server.Host(), "anna", "secret"), 0);
    EXPECT_TRUE(module.FtpUpload(file.string(), "sitemap.xml\r\nDELE index.html"));
    EXPECT_EQ(module.LastError().kind, FtpFailureKind::LineBreakInCommand);
    module.Lock()->ChangeFolder("/"); // the conversation is still in step
    module.FtpDisconnect();
    EXPECT_TRUE(server.WaitUntilFinished());
    EXPECT_EQ(server.Problems(), Commands());
    fs::remove(file);
}
