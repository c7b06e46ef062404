#include "ftp/Uftp_module.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/fake_ftp_server.h"
#include "support/fixed_clock.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using fake_ftp::Step;
using Commands = std::vector<std::string>;

namespace {

// Counts how often the listing asks for the date.
class CountingClock final : public Clock {
public:
    DateTime Now() const override {
        ++reads;
        return DateTime{2026, 3, 15, 12, 0, 0, 0};
    }
    mutable std::atomic<int> reads{0};
};

class FtpClientTest : public ::testing::Test {
protected:
    void SetUp() override { setTimeouts(3s, 3s); }

    void setTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds silence) {
        FtpTimeouts timeouts;
        timeouts.connect = connect;
        timeouts.silence = silence;
        module.Lock()->SetTimeouts(timeouts);
    }

    int connect(const FakeFtpServer& server, const std::string& password = "secret") {
        return module.FtpConnect(server.Host(), "anna", password);
    }

    // Ends the conversation and returns what the server received; the script must have been
    // followed to its end.
    Commands conversation(FakeFtpServer& server) {
        module.FtpDisconnect();
        EXPECT_TRUE(server.WaitUntilFinished()) << "the script did not run to its end";
        EXPECT_EQ(server.Problems(), Commands());
        return server.Commands();
    }

    std::string temporaryFile(const std::string& bytes) {
        const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                           ("sw_ftp_upload_" + std::to_string(::getpid()));
        std::ofstream(path, std::ios::binary) << bytes;
        files_.push_back(path);
        return path.string();
    }

    void TearDown() override {
        for (const auto& file : files_)
            std::filesystem::remove(file);
    }

    CountingClock clock;
    Tftp_module module{clock};

private:
    std::vector<std::filesystem::path> files_;
};

std::string listingPayload() {
    return "-rw-r--r-- 1 user group 10 Dec 6 10:20 a.html\r\n"
           "drwxr-xr-x 2 user group 4096 Jan 5 2005 sub\r"
           "-rw-r--r-- 1 user group 10 Jan 5 2005 b.html\n"
           "\n"
           "-rw-r--r-- 1 user group 10 Jan 5 2005 c.html";
}

} // namespace

TEST(FtpTextTest, PassiveReplyWithAndWithoutBrackets) {
    const PassiveAddress bracketed =
        ParsePassiveAddress("227 Entering Passive Mode (192,168,1,20,19,137)");
    EXPECT_EQ(bracketed.host, "192.168.1.20");
    EXPECT_EQ(bracketed.port, 5001);
    const PassiveAddress bare =
        ParsePassiveAddress("227 Entering Passive Mode 192,168,1,20,19,137");
    EXPECT_EQ(bare.host, "192.168.1.20");
    EXPECT_EQ(bare.port, 5001);
    EXPECT_EQ(ParsePassiveAddress("227 =(10,0,0,1,0,21).").port, 21);

    for (const char* broken :
         {"227 Entering Passive Mode", "227 Entering Passive Mode (1,2,3,4,5)",
          "227 (1,2,3,4,256,1)", "227 (1,2,3,4,0,0)", "227 )1,2,3,4,5,6(", "227 (a,b,c,d,e,f)",
          // Fields of many digits are refused before their value could overflow.
          "227 Entering Passive Mode 2109786556999", "227 (1,2,3,4,5,99999999999999999999)"}) {
        EXPECT_THROW(ParsePassiveAddress(broken), EIdException) << broken;
    }
}

TEST(FtpTextTest, ExtendedPassiveReplyNamesOnlyAPort) {
    EXPECT_EQ(ParseExtendedPassivePort("229 Entering Extended Passive Mode (|||6446|)"), 6446);
    EXPECT_EQ(ParseExtendedPassivePort("229 ok (!!!65535!)."), 65535);
    for (const char* broken :
         {"229 Entering Extended Passive Mode", "229 (|||0|)", "229 (|||65536|)", "229 (||||)",
          "229 (|||12a|)", "229 (|1|2|3|)", "229 (111211)", "229 (|||6446)", "229 |||6446|)",
          "229 (|||99999999999999999999|)", "229 ( ||6446 )"}) {
        EXPECT_THROW(ParseExtendedPassivePort(broken), EIdException) << broken;
    }
    try {
        ParseExtendedPassivePort("229 (|||0|)\x01");
        ADD_FAILURE() << "port 0 taken";
    } catch (const EIdException& error) {
        EXPECT_EQ(error.Failure().kind, FtpFailureKind::NoExtendedPassivePort);
        EXPECT_EQ(error.Failure().detail, "229 (|||0|)%01");
    }
}

TEST(FtpTextTest, FeaturesOfAFeatReply) {
    FtpReply reply;
    reply.code = 211;
    reply.lines = {"211-Extensions supported:",
                   "UTF8",
                   "epsv",
                   "MLST Type*;Size*;modify*;UNIX.mode;unique;",
                   "211-MDTM",
                   "211 End."};
    const FtpFeatures features = ParseFeatures(reply);
    EXPECT_TRUE(features.listed);
    EXPECT_TRUE(features.utf8);
    EXPECT_TRUE(features.epsv);
    EXPECT_EQ(features.lines,
              (Commands{"UTF8", "epsv", "MLST Type*;Size*;modify*;UNIX.mode;unique;", "MDTM"}));
    EXPECT_EQ(features.mlstFacts, (Commands{"type", "size", "modify", "unix.mode", "unique"}));
    EXPECT_EQ(features.mlstDefaultFacts, (Commands{"type", "size", "modify"}));
    EXPECT_TRUE(features.Mlsd());

    // MLSD only when it sends the kind and the time of every entry unasked.
    reply.lines = {"211-Features:", "MLST type*;size*;modify;", "211 End"};
    EXPECT_FALSE(ParseFeatures(reply).Mlsd());
    reply.lines = {"211 No features"};
    EXPECT_TRUE(ParseFeatures(reply).listed);
    EXPECT_TRUE(ParseFeatures(reply).lines.empty());
    reply.code = 500;
    reply.lines = {"500-Features:", "MLST type*;modify*;", "UTF8", "500 End"};
    EXPECT_FALSE(ParseFeatures(reply).listed);
    EXPECT_FALSE(ParseFeatures(reply).Mlsd());
    EXPECT_FALSE(ParseFeatures(reply).utf8);
}

TEST(FtpTextTest, HostWithPort) {
    EXPECT_EQ(ParseFtpEndpoint("ftp.example.jp").host, "ftp.example.jp");
    EXPECT_EQ(ParseFtpEndpoint("ftp.example.jp").port, 21);
    EXPECT_EQ(ParseFtpEndpoint("ftp.example.jp:2121").host, "ftp.example.jp");
    EXPECT_EQ(ParseFtpEndpoint("ftp.example.jp:2121").port, 2121);
    EXPECT_EQ(ParseFtpEndpoint("[::1]:2121").host, "::1");
    EXPECT_EQ(ParseFtpEndpoint("[::1]:2121").port, 2121);
    EXPECT_EQ(ParseFtpEndpoint("[2001:db8::1]").port, 21);
    EXPECT_EQ(ParseFtpEndpoint("2001:db8::1").host, "2001:db8::1");
    EXPECT_EQ(ParseFtpEndpoint("2001:db8::1").port, 21);
    EXPECT_EQ(ParseFtpEndpoint("h:65535").port, 65535);
    for (const char* broken : {"h:0", "h:65536", "h:", "h:21x", "h:-1", "[::1", "[::1]x"})
        EXPECT_THROW(ParseFtpEndpoint(broken), EIdException) << broken;
}

TEST(FtpTextTest, FolderOfPwdReply) {
    EXPECT_EQ(ParseFolderReply("257 \"/public_html\" is the current directory"), "/public_html");
    EXPECT_EQ(ParseFolderReply("257 \"/a \"\"quoted\"\" dir\" is current"), "/a \"quoted\" dir");
    EXPECT_EQ(ParseFolderReply("257 \"\""), "");
    EXPECT_THROW(ParseFolderReply("257 /no/quotes"), EIdException);
    EXPECT_THROW(ParseFolderReply("257 \"unterminated"), EIdException);
}

// A multi-line reply ends only at the line that begins with its code and a blank: greetings as
// daemons send them, with short, indented and empty lines, leave the conversation in step.
TEST_F(FtpClientTest, MultiLineGreetingsOfRealDaemons) {
    struct Case {
        const char* daemon;
        std::vector<std::string> greeting;
        std::string text; // the greeting as kept: lines stripped, empty ones left out
    };
    const std::vector<Case> cases = {
        {"ProFTPD, a DisplayConnect file",
         {"220-Welcome to the example.com FTP service", " ", "   *", "  Authorized users only.", "",
          "220 ProFTPD Server (Debian) [192.0.2.10]"},
         "220-Welcome to the example.com FTP service\n*\nAuthorized users only.\n"
         "220 ProFTPD Server (Debian) [192.0.2.10]"},
        {"vsftpd, a banner_file",
         {"220-", "220-  ___", "220- |___|", "**", "-", "220 (vsFTPd 3.0.3)"},
         "220-\n220-  ___\n220- |___|\n**\n-\n220 (vsFTPd 3.0.3)"},
        {"Pure-FTPd",
         {"220---------- Welcome to Pure-FTPd [privsep] [TLS] ----------",
          "220-You are user number 1 of 50 allowed.",
          "220-Local time is now 10:20. Server port: 21.",
          "220-This is a private system - No anonymous login",
          "220 You will be disconnected after 15 minutes of inactivity."},
         "220---------- Welcome to Pure-FTPd [privsep] [TLS] ----------\n"
         "220-You are user number 1 of 50 allowed.\n"
         "220-Local time is now 10:20. Server port: 21.\n"
         "220-This is a private system - No anonymous login\n"
         "220 You will be disconnected after 15 minutes of inactivity."},
        {"indented and other codes",
         {"220-Welcome", "", "   220 still welcome  ", "230 not the end", "220", "220 Ready   "},
         "220-Welcome\n220 still welcome\n230 not the end\n220\n220 Ready"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.daemon);
        std::vector<Step> script = fake_ftp::WithLogin({});
        script[0] = Step("", c.greeting);
        FakeFtpServer server(script);
        ASSERT_EQ(connect(server), 0) << module.LastError();
        {
            Tftp_module::Session session = module.Lock();
            EXPECT_EQ(session->Greeting(), c.text);
            EXPECT_EQ(session->SystemDescription(), "215 UNIX Type: L8");
            EXPECT_EQ(session->LastReply().code, 215);
            // One client throughout: the login's commands for each greeting so far.
            EXPECT_EQ(session->CommandsSent(),
                      fake_ftp::AfterLogin({}).size() * std::size_t(&c - cases.data() + 1));
        }
        EXPECT_EQ(conversation(server), fake_ftp::AfterLogin({}));
    }
}

TEST_F(FtpClientTest, UserAcceptedAt230SendsNoPassword) {
    FakeFtpServer server({
        {"", {"220 Ready"}},
        {"USER anna", {"230 No password needed"}},
        {"FEAT", {"502 Command not implemented"}},
        {"TYPE I", {"200 OK"}},
        {"SYST", {"215 UNIX"}},
    });
    EXPECT_EQ(connect(server), 0);
    EXPECT_EQ(conversation(server), (Commands{"USER anna", "FEAT", "TYPE I", "SYST"}));
}

TEST_F(FtpClientTest, EmptyPasswordStillSendsPass) {
    FakeFtpServer server({
        {"", {"220 Ready"}},
        {"USER anna", {"331 Password"}},
        {"PASS ", {"230 Logged in"}},
        {"FEAT", {"211 No features"}},
        {"TYPE I", {"200 OK"}},
        {"SYST", {"215 UNIX"}},
    });
    EXPECT_EQ(connect(server, ""), 0);
    EXPECT_EQ(conversation(server), (Commands{"USER anna", "PASS ", "FEAT", "TYPE I", "SYST"}));
}

TEST_F(FtpClientTest, SystAnswered500IsAcceptedAnd502Refused) {
    FakeFtpServer accepting({
        {"", {"220 Ready"}},
        {"USER anna", {"230 OK"}},
        {"FEAT", {"500 Unknown command"}},
        {"TYPE I", {"200 OK"}},
        {"SYST", {"500 Unknown command"}},
    });
    EXPECT_EQ(connect(accepting), 0);
    EXPECT_TRUE(module.Lock()->IsConnected());
    conversation(accepting);

    FakeFtpServer refusing({
        {"", {"220 Ready"}},
        {"USER anna", {"230 OK"}},
        {"FEAT", {"500 Unknown command"}},
        {"TYPE I", {"200 OK"}},
        {"SYST", {"502 Command not implemented"}},
        fake_ftp::ExpectClose(),
    });
    EXPECT_EQ(connect(refusing), 1);
    EXPECT_FALSE(module.Lock()->IsConnected());
    EXPECT_EQ(module.LastError().detail, "502 Command not implemented");
    EXPECT_TRUE(refusing.WaitUntilFinished()) << "the client left the connection open";
    EXPECT_EQ(refusing.Problems(), Commands());
}

TEST_F(FtpClientTest, RefusedLoginStepsFailAndClose) {
    FakeFtpServer busy({{"", {"421 Too many users"}}, fake_ftp::ExpectClose()});
    EXPECT_EQ(connect(busy), 1);
    EXPECT_EQ(module.LastError().detail, "421 Too many users");
    EXPECT_TRUE(busy.WaitUntilFinished());
    EXPECT_EQ(busy.Commands(), Commands());

    FakeFtpServer wrongPassword({
        {"", {"220 Ready"}},
        {"USER anna", {"331 Password"}},
        {"PASS wrong", {"530 Login incorrect."}},
        fake_ftp::ExpectClose(),
    });
    EXPECT_EQ(connect(wrongPassword, "wrong"), 1);
    EXPECT_EQ(module.LastError().detail, "530 Login incorrect.");
    EXPECT_FALSE(module.Lock()->IsConnected());
    EXPECT_TRUE(wrongPassword.WaitUntilFinished());
    EXPECT_EQ(wrongPassword.Problems(), Commands());
}

TEST_F(FtpClientTest, ConnectOnConnectedClientSendsNothing) {
    FakeFtpServer server(fake_ftp::WithLogin({}));
    EXPECT_EQ(connect(server), 0);
    EXPECT_EQ(module.FtpConnect("elsewhere.invalid", "bob", "other"), 0);
    EXPECT_TRUE(module.Lock()->IsConnected());
    EXPECT_EQ(conversation(server), fake_ftp::AfterLogin({}));
    EXPECT_EQ(server.Connections(), 1u);
}

TEST_F(FtpClientTest, ConnectAfterTheServerClosedLogsInAgain) {
    FakeFtpServer server(fake_ftp::WithLogin({
        fake_ftp::Disconnect(),
        {"", {"220 Ready again"}},
        {"USER anna", {"230 OK"}},
        {"FEAT", {"500 Unknown command"}},
        {"TYPE I", {"200 OK"}},
        {"SYST", {"215 UNIX"}},
    }));
    EXPECT_EQ(connect(server), 0);
    // Give the server time to close; the client notices before reusing the connection.
    for (int i = 0; i < 200 && module.Lock()->IsConnected(); ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(module.Lock()->IsConnected());
    EXPECT_EQ(connect(server), 0);
    EXPECT_EQ(module.Lock()->Greeting(), "220 Ready again");
    EXPECT_EQ(conversation(server), fake_ftp::AfterLogin({"USER anna", "FEAT", "TYPE I", "SYST"}));
}

TEST_F(FtpClientTest, HostNameIsResolved) {
    FakeFtpServer server(fake_ftp::WithLogin({}));
    // localhost may resolve to ::1 first, where nothing listens: the next address is tried.
    EXPECT_EQ(module.FtpConnect("localhost:" + std::to_string(server.Port()), "anna", "secret"), 0)
        << module.LastError();
    conversation(server);
}

TEST_F(FtpClientTest, RefusedConnectionFails) {
    unsigned short port = 0;
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), length), 0);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        ::close(fd); // bound, never listened: connecting is refused
    }
    EXPECT_EQ(module.FtpConnect("127.0.0.1:" + std::to_string(port), "anna", "secret"), 1);
    EXPECT_EQ(module.LastError().kind, FtpFailureKind::CannotConnect);
    EXPECT_EQ(module.LastError().subject, "127.0.0.1:" + std::to_string(port));
    EXPECT_EQ(module.LastError().detail, "Connection refused");
    EXPECT_EQ(module.FtpConnect("127.0.0.1:99999", "anna", "secret"), 1);
    EXPECT_EQ(module.LastError().kind, FtpFailureKind::InvalidPort);
    EXPECT_EQ(module.LastError().subject, "127.0.0.1:99999");
}

TEST_F(FtpClientTest, ListingSplitsLinesAndIsParsedOnce) {
    FakeFtpServer server(fake_ftp::WithLogin({
        {"CWD /public_html", {"250 OK"}},
        fake_ftp::Pasv(),
        {"LIST", {"150 Here comes the listing"}},
        fake_ftp::SendData(listingPayload()),
        {"", {"226 Transfer complete"}},
        fake_ftp::Pasv("127.0.0.1", false),
        {"LIST", {"125 Data connection already open"}},
        fake_ftp::SendData("-rw-r--r-- 1 user group 10 Jan 5 2005 only.html\r\n"),
        {"", {"250 Done"}},
    }));
    ASSERT_EQ(connect(server), 0);
    {
        Tftp_module::Session session = module.Lock();
        session->ChangeFolder("/public_html");
        session->ListFolder();
        EXPECT_EQ(session->ListingLines(),
                  (Commands{"-rw-r--r-- 1 user group 10 Dec 6 10:20 a.html",
                            "drwxr-xr-x 2 user group 4096 Jan 5 2005 sub",
                            "-rw-r--r-- 1 user group 10 Jan 5 2005 b.html",
                            "-rw-r--r-- 1 user group 10 Jan 5 2005 c.html"}));
        EXPECT_EQ(clock.reads, 0) << "parsed before it was asked for";
        const TIdFTPListItems& listing = session->FolderListing();
        ASSERT_EQ(listing.size(), 4u);
        EXPECT_EQ(listing[0].name, "a.html");
        EXPECT_EQ(listing[1].kind, ListItemKind::Folder);
        EXPECT_EQ(listing[3].name, "c.html");
        EXPECT_EQ(session->FolderListing().size(), 4u);
        EXPECT_EQ(clock.reads, 1) << "parsed more than once";

        session->ListFolder();
        ASSERT_EQ(session->FolderListing().size(), 1u);
        EXPECT_EQ(session->FolderListing()[0].name, "only.html");
        EXPECT_EQ(clock.reads, 2);
        EXPECT_EQ(session->LastPassiveAddress().host, "127.0.0.1");
    }
    EXPECT_EQ(conversation(server),
              fake_ftp::AfterLogin({"CWD /public_html", "PASV", "LIST", "PASV", "LIST"}));
}

TEST_F(FtpClientTest, EmptyListing) {
    FakeFtpServer server(fake_ftp::WithLogin({
        fake_ftp::Pasv(),
        {"LIST", {"150 OK"}},
        fake_ftp::SendData(""),
        {"", {"226 OK"}},
    }));
    ASSERT_EQ(connect(server), 0);
    module.Lock()->ListFolder();
    EXPECT_TRUE(module.Lock()->ListingLines().empty());
    EXPECT_TRUE(module.Lock()->FolderListing().empty());
    EXPECT_EQ(conversation(server), fake_ftp::AfterLogin({"PASV", "LIST"}));
}

TEST_F(FtpClientTest, ListingAbortedWith426KeepsWhatArrived) {
    FakeFtpServer server(fake_ftp::WithLogin({
        fake_ftp::Pasv(),
        {"LIST", {"150 OK"}},
        fake_ftp::SendData("-rw-r--r-- 1 user group 10 Jan 5 2005 a.html\r\n"
                           "-rw-r--r-- 1 user group 10 Jan 5 2005 b.ht"),
        {"", {"426 Connection closed; transfer aborted", "226 Closing data connection"}},
        {"CWD sub", {"250 OK"}},
    }));
    ASSERT_EQ(connect(server), 0);
    Tftp_module::Session session = module.Lock();
    session->ListFolder();
    EXPECT_EQ(session->ListingLines(), (Commands{"-rw-r--r-- 1 user group 10 Jan 5 2005 a.html",
                                                 "-rw-r--r-- 1 user group 10 Jan 5 2005 b.ht"}));
    session->ChangeFolder("sub"); // the conversation is still in step
    EXPECT_EQ(conversation(server), fake_ftp::AfterLogin({"PASV", "LIST", "CWD sub"}));
}

TEST_F(FtpClientTest, RefusedCommandsRaiseAndKeepTheListing) {
    FakeFtpServer server(fake_ftp::WithLogin({
        fake_ftp::Pasv(),
        {"LIST", {"150 OK"}},
        fake_ftp::SendData("-rw-r--r-- 1 user group 10 Jan 5 2005 kept.html\r\n"),
        {"", {"226 OK"}},
        {"CWD missing", {"550 missing: No such file or directory"}},
        fake_ftp::Pasv(),
        {"LIST", {"550 Permission denied"}},
        {"PASV", {"425 Cannot open passive port"}},
        {"PWD", {"257 \"/public_html\" is current"}},
    }));
    ASSERT_EQ(connect(server), 0);
    Tftp_module::Session session = module.Lock();
    session->ListFolder();
    try {
        session->ChangeFolder("missing");
        ADD_FAILURE() << "CWD refused without an error";
    } catch (const EIdProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyCode(), 550);
        EXPECT_EQ(error.Failure().detail, "550 missing: No such file or directory");
    }
    try {
        session->ListFolder();
        ADD_FAILURE() << "LIST refused without an error";
    } catch (const EIdProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyCode(), 550);
    }
    EXPECT_THROW(session->ListFolder(), EIdProtocolReplyError);
    ASSERT_EQ(session->FolderListing().size(), 1u);
    EXPECT_EQ(session->FolderListing()[0].name, "kept.html");
    EXPECT_EQ(session->CurrentFolder(), "/public_html");
    EXPECT_TRUE(session->IsConnected());
    EXPECT_EQ(conversation(server),
              fake_ftp::AfterLogin({"PASV", "LIST", "CWD missing", "PASV", "LIST", "PASV", "PWD"}));
}

TEST_F(FtpClientTest, OperationsOnClosedClient) {
    Tftp_module::Session session = module.Lock();
    EXPECT_THROW(session->ChangeFolder("/"), EIdNotConnected);
    EXPECT_THROW(session->ListFolder(), EIdNotConnected);
    EXPECT_THROW(session->CurrentFolder(), EIdNotConnected);
    EXPECT_NO_THROW(session->SendQuit());
    EXPECT_NO_THROW(module.FtpDisconnect());
    EXPECT_FALSE(session->IsConnected());
    EXPECT_EQ(session->CommandsSent(), 0u);
    const std::string file = temporaryFile("x");
    EXPECT_TRUE(module.FtpUpload(file, "sitemap.xml"));
    EXPECT_EQ(module.LastError().kind, FtpFailureKind::NotConnected);
}

TEST_F(FtpClientTest, QuitIsSentWithoutWaitingForTheReply) {
    FakeFtpServer server(fake_ftp::WithLogin({{"QUIT", {}}, fake_ftp::ExpectClose()}));
    ASSERT_EQ(connect(server), 0);
    module.Lock()->SendQuit();
    EXPECT_FALSE(module.Lock()->IsConnected());
    EXPECT_EQ(conversation(server), fake_ftp::AfterLogin({"QUIT"}));
}

TEST_F(FtpClientTest, LineBreaksInArgumentsNeverReachTheServer) {
    std::vector<Step> script = {{"", {"220 Ready"}}, fake_ftp::ExpectClose()};
    for (const Step& step : fake_ftp::WithLogin({{"CWD ok", {"250 OK"}}}))
        script.push_back(step);
    FakeFtpServer server(script);
    EXPECT_EQ(module.FtpConnect(server.Host(), "anna\r\nDELE index.html", "secret"), 1);
    EXPECT_EQ(module.LastError().kind, FtpFailureKind::LineBreakInCommand);
    ASSERT_EQ(connect(server), 0);
    Tftp_module::Session session = module.Lock();
    EXPECT_THROW(session->ChangeFolder("a\nDELE index.html"), EIdException);
    EXPECT_THROW(session->ChangeFolder("a\rb"), EIdException);
    EXPECT_TRUE(session->IsConnected());
    session->ChangeFolder("ok");
    EXPECT_EQ(conversation(server), fake_ftp::AfterLogin({"CWD ok"}));
    EXPECT_EQ(server.Connections(), 2u);
}

TEST_F(FtpClientTest, StoreSendsTheFileAfterTheCommand) {
    std::string bytes(100000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7 + i / 251);
    const std::string file = temporaryFile(bytes);
    FakeFtpServer server(fake_ftp::WithLogin({
        fake_ftp::Pasv(),
        {"STOR sitemap.xml", {"150 Ok to send data"}},
        fake_ftp::ReceiveData(),
        {"", {"226 Transfer complete"}},
    }));
    ASSERT_EQ(connect(server), 0);
    EXPECT_FALSE(module.FtpUpload(file, "sitemap.xml")) << module.LastError();
    EXPECT_EQ(module.LastError().kind, FtpFailureKind::None);
    EXPECT_EQ(conversation(server), fake_ftp::AfterLogin({"PASV", "STOR sitemap.xml"}));
    ASSERT_EQ(server.Uploads().size(), 1u);
    EXPECT_TRUE(server.Uploads()[0] == bytes) << "the stored bytes differ";
}

TEST_F(FtpClientTest, StoreAbortedWith426FailsEvenWhen226Follows) {
    const std::string file = temporaryFile("<urlset/>");
    FakeFtpServer server(fake_ftp::WithLogin({
        fake_ftp::Pasv(),
        {"STOR sitemap.xml", {"125 Data connection already open"}},
        fake_ftp::ReceiveData(),
        {"", {"426 Connection closed; transfer aborted.", "226 Closing data connection"}},
        {"PWD", {"257 \"/\""}},
    }));
    ASSERT_EQ(connect(server), 0);
    EXPECT_TRUE(module.FtpUpload(file, "sitemap.xml"));
    EXPECT_EQ(module.LastError().detail, "426 Connection closed; transfer aborted.");
    EXPECT_EQ(module.Lock()->CurrentFolder(), "/") << "the conversation lost its step";
    EXPECT_EQ(conversation(server), fake_ftp::AfterLogin({"PASV", "STOR sitemap.xml", "PWD"}));
}

TEST_F(FtpClientTest, StoreRefused) {
    const std::string file = temporaryFile("<urlset/>");
    FakeFtpServer server(fake_ftp::WithLogin({
        fake_ftp::Pasv(),
        {"STOR sitemap.xml", {"553 Could not create file."}},
    }));
    ASSERT_EQ(connect(server), 0);
    EXPECT_TRUE(module.FtpUpload(file, "sitemap.xml"));
    EXPECT_EQ(module.LastError().detail, "553 Could not create file.");
    EXPECT_TRUE(module.Lock()->IsConnected());
    EXPECT_EQ(conversation(server), fake_ftp::AfterLogin({"PASV", "STOR sitemap.xml"}));
}

TEST_F(FtpClientTest, ReplyLineOf100KiBIsSplitAndTheConversationStaysInStep) {
    const std::string longLine = "220 " + std::string(100 * 1024, 'x');
    FakeFtpServer server({
        {"", {"220-" + std::string(20000, 'y'), longLine}},
        {"USER anna", {"331 Password"}},
        {"PASS secret", {"230 Logged in"}},
        {"FEAT", {"500 FEAT not understood"}},
        {"TYPE I", {"200 OK"}},
        {"SYST", {"215 UNIX"}},
    });
    ASSERT_EQ(connect(server), 0) << module.LastError();
    EXPECT_EQ(module.Lock()->LastReply().code, 215);
    const std::string text = module.Lock()->Greeting();
    std::vector<std::size_t> pieces;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        pieces.push_back(end - start);
        start = end + 1;
    }
    // 20004 bytes in two pieces, 102404 bytes in seven.
    EXPECT_EQ(pieces, (std::vector<std::size_t>{16384, 3620, 16384, 16384, 16384, 16384, 16384,
                                                16384, 4100}));
    EXPECT_EQ(conversation(server), fake_ftp::AfterLogin({}));
}

TEST_F(FtpClientTest, ServerClosingMidListingLosesTheConnection) {
    FakeFtpServer server(fake_ftp::WithLogin({
        fake_ftp::Pasv(),
        {"LIST", {"150 OK"}},
        fake_ftp::SendData("-rw-r--r-- 1 user group 10 Jan 5 2005 first.html\r\n"),
        {"", {"226 OK"}},
        fake_ftp::Pasv(),
        {"LIST", {"150 OK"}},
        fake_ftp::SendDataKeepOpen("-rw-r--r-- 1 user group 10 Jan 5 2005 par"),
        fake_ftp::Disconnect(),
    }));
    ASSERT_EQ(connect(server), 0);
    Tftp_module::Session session = module.Lock();
    session->ListFolder();
    EXPECT_THROW(session->ListFolder(), EIdSocketError);
    EXPECT_FALSE(session->IsConnected());
    ASSERT_EQ(session->FolderListing().size(), 1u);
    EXPECT_EQ(session->FolderListing()[0].name, "first.html");
    EXPECT_THROW(session->ChangeFolder("/"), EIdNotConnected);
}

TEST_F(FtpClientTest, SilentServerTimesOutAndClosesTheClient) {
    setTimeouts(3s, 300ms);
    FakeFtpServer mute({fake_ftp::Stall()});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(connect(mute), 1);
    EXPECT_EQ(module.LastError().kind, FtpFailureKind::Silent);
    EXPECT_EQ(module.LastError().subject, mute.Host());
    EXPECT_EQ(module.LastError().bound, 300ms);

    FakeFtpServer stalling(fake_ftp::WithLogin({fake_ftp::Stall()}));
    ASSERT_EQ(connect(stalling), 0);
    EXPECT_THROW(module.Lock()->ChangeFolder("/"), EIdTimeout);
    EXPECT_FALSE(module.Lock()->IsConnected());

    FakeFtpServer stallingData(
        fake_ftp::WithLogin({fake_ftp::Pasv(), {"LIST", {"150 OK"}}, fake_ftp::Stall()}));
    ASSERT_EQ(connect(stallingData), 0);
    EXPECT_THROW(module.Lock()->ListFolder(), EIdTimeout);
    EXPECT_FALSE(module.Lock()->IsConnected());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TEST_F(FtpClientTest, UnansweredConnectTimesOut) {
    // A listener whose queue is full drops further connection requests unanswered.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    std::vector<int> queued;
    for (int i = 0; i < 3; ++i) {
        queued.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
        ::connect(queued.back(), reinterpret_cast<sockaddr*>(&address), length);
    }
    std::this_thread::sleep_for(100ms);
    setTimeouts(300ms, 3s);
    const std::string host = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(module.FtpConnect(host, "anna", "secret"), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_EQ(module.LastError().kind, FtpFailureKind::ConnectTimeout);
    EXPECT_EQ(module.LastError().subject, host);
    EXPECT_EQ(module.LastError().bound, 300ms);
    for (int fd : queued)
        ::close(fd);
    ::close(listener);
}

TEST_F(FtpClientTest, DataConnectionGoesToTheControlPeerWhateverPasvNames) {
    setTimeouts(500ms, 3s);
    FakeFtpServer server(fake_ftp::WithLogin({
        fake_ftp::Pasv("10.9.8.7"),
        {"LIST", {"150 OK"}},
        fake_ftp::SendData("-rw-r--r-- 1 user group 10 Jan 5 2005 a.html\r\n"),
        {"", {"226 OK"}},
    }));
    ASSERT_EQ(connect(server), 0);
    Tftp_module::Session session = module.Lock();
    session->ListFolder();
    EXPECT_EQ(session->LastPassiveAddress().host, "10.9.8.7");
    EXPECT_NE(session->LastPassiveAddress().port, 0);
    ASSERT_EQ(session->FolderListing().size(), 1u);
    EXPECT_EQ(conversation(server), fake_ftp::AfterLogin({"PASV", "LIST"}));
}

// The features choose MLSD and EPSV; a refusal of either falls back to LIST or PASV at once
// and for the rest of the session, and a refused OPTS UTF8 ON costs nothing.
TEST_F(FtpClientTest, FeaturesChooseMlsdAndEpsvUntilTheServerRefusesThem) {
    const std::string unixLine = "-rw-r--r-- 1 user group 10 Jan 5 2005 a.html";
    FakeFtpServer server({
        {"", {"220 Ready"}},
        {"USER anna", {"331 Password"}},
        {"PASS secret", {"230 Logged in"}},
        {"FEAT",
         {"211-Features:", " MLST type*;size*;modify*;unique*;", " UTF8", " EPSV", "211 End"}},
        {"OPTS UTF8 ON", {"504 Unknown command"}},
        {"TYPE I", {"200 OK"}},
        {"SYST", {"215 UNIX"}},
        fake_ftp::Epsv(),
        {"LIST", {"150 OK"}},
        fake_ftp::SendData(unixLine + "\r\n"),
        {"", {"226 OK"}},
        fake_ftp::Epsv(),
        {"MLSD", {"150 OK"}},
        fake_ftp::SendData("type=cdir;modify=20050105102030;unique=1; .\r\n"
                           "type=pdir;modify=20050105102030;unique=2; ..\r\n"
                           "Type=Dir;Modify=20050105102030.25;Unique=80aU3; sub dir \r\n"
                           "type=OS.unix=slink:/r/sub;modify=20240229235959; www\r\n"),
        {"", {"226 OK"}},
        {"EPSV", {"502 Command not implemented"}},
        fake_ftp::Pasv(),
        {"MLSD", {"550 Not here"}},
        fake_ftp::Pasv(),
        {"LIST", {"150 OK"}},
        fake_ftp::SendData(unixLine + "\r\n"),
        {"", {"226 OK"}},
        fake_ftp::Pasv(),
        {"LIST", {"150 OK"}},
        fake_ftp::SendData(unixLine + "\r\n"),
        {"", {"226 OK"}},
    });
    ASSERT_EQ(connect(server), 0) << module.LastError();
    Tftp_module::Session session = module.Lock();
    EXPECT_TRUE(session->Features().utf8);
    EXPECT_TRUE(session->Features().Mlsd());
    EXPECT_TRUE(session->UsesEpsv());
    // MLSD only once the caller allows it.
    EXPECT_FALSE(session->ListsWithMlsd());
    session->ListFolder();
    EXPECT_EQ(session->FolderListing().format, TIdFTPListFormat::flfUnix);
    EXPECT_EQ(session->LastPassiveAddress().host, "");

    session->SetMlsdAllowed(true);
    session->ListFolder();
    const TIdFTPListItems& listing = session->FolderListing();
    EXPECT_EQ(listing.format, TIdFTPListFormat::flfMlsd);
    ASSERT_EQ(listing.size(), 2u);
    EXPECT_EQ(listing[0].name, "sub dir ");
    EXPECT_EQ(listing[0].kind, ListItemKind::Folder);
    EXPECT_EQ(listing[0].modified, (DateTime{2005, 1, 5, 10, 20, 30, 0}));
    EXPECT_TRUE(listing[0].utc);
    EXPECT_EQ(listing[0].unique, "80aU3");
    EXPECT_EQ(listing[1].kind, ListItemKind::Link);
    EXPECT_EQ(listing[1].linkTarget, "/r/sub");
    EXPECT_EQ(listing[1].modified, (DateTime{2024, 2, 29, 23, 59, 59, 0}));

    session->ListFolder();
    EXPECT_EQ(session->FolderListing().format, TIdFTPListFormat::flfUnix);
    EXPECT_FALSE(session->UsesEpsv());
    EXPECT_FALSE(session->ListsWithMlsd());
    session->ListFolder();
    EXPECT_EQ(session->FolderListing().size(), 1u);
    EXPECT_EQ(
        conversation(server),
        (Commands{"USER anna", "PASS secret", "FEAT", "OPTS UTF8 ON", "TYPE I", "SYST", "EPSV",
                  "LIST", "EPSV", "MLSD", "EPSV", "PASV", "MLSD", "PASV", "LIST", "PASV", "LIST"}));
}

TEST_F(FtpClientTest, OneConversationAtATime) {
    FakeFtpServer server(fake_ftp::WithLogin({{"CWD /", {"250 OK"}}}));
    std::optional<Tftp_module::Session> held = module.TryLock();
    ASSERT_TRUE(held);
    // The holder may use the module's operations itself.
    EXPECT_EQ(connect(server), 0);

    std::atomic<bool> refused{false};
    std::atomic<bool> changed{false};
    std::thread other([&] {
        refused = !module.TryLock();
        module.Lock()->ChangeFolder("/"); // waits for the holder
        changed = true;
    });
    while (!refused)
        std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(changed) << "another thread used the client while it was held";
    held.reset();
    other.join();
    EXPECT_TRUE(changed);
    EXPECT_EQ(conversation(server), fake_ftp::AfterLogin({"CWD /"}));
}

// The local file is opened and checked before any command: a folder in its place would store
// nothing over the server's copy, and a FIFO would hold the upload for ever.
TEST_F(FtpClientTest, UploadOfWhatIsNoRegularFileSendsNothing) {
    const TempFolder temp("sw_ftp_local");
    const fs::path folder = temp.Path() / "sitemap.xml";
    fs::create_directory(folder);
    const fs::path fifo = temp.Path() / "fifo.xml";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path missing = temp.Path() / "missing.xml";
    const std::vector<std::pair<fs::path, FtpFailureKind>> cases = {
        {folder, FtpFailureKind::NotARegularFile},
        {fifo, FtpFailureKind::NotARegularFile},
        {missing, FtpFailureKind::CannotOpenFile},
    };
    FakeFtpServer server(fake_ftp::WithLogin({}));
    ASSERT_EQ(connect(server), 0);
    for (const auto& [path, kind] : cases) {
        EXPECT_TRUE(module.FtpUpload(path.string(), "sitemap.xml"));
        EXPECT_EQ(module.LastError().kind, kind);
        EXPECT_EQ(module.LastError().subject, path.string());
        EXPECT_TRUE(module.Lock()->IsConnected());
    }
    EXPECT_EQ(conversation(server), fake_ftp::AfterLogin({}));
}

// A heading hides no entry after it; headings alone are an empty folder; a listing no line of
// which can be read is an error quoting its first line, escaped and cut short.
TEST_F(FtpClientTest, ListingsOfHeadingsOrUnreadableLines) {
    const std::string lead; // the quoted line, with "…" where it was cut
    std::string japanese;
    for (int i = 0; i < 100; ++i)
        japanese += "あ";
    struct Case {
        const char* what;
        std::string payload;
        std::vector<std::string> names;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"a heading, then an entry",
         "Listing of folder /:\r\n-rw-r--r-- 1 user group 10 Jan 5 2005 a.html\r\n",
         {"a.html"},
         ""},
        {"headings and blanks only", "total 0\r\n\r\n/pub:\r\n  \r\n", {}, ""},
        {"no line readable",
         "\x1b[2JWelcome\tto\r\nno listing here\r\n",
         {},
         lead + "%1B[2JWelcome%09to"},
        {"a long line", std::string(300, 'x'), {}, lead + std::string(200, 'x') + "…"},
        {"cut at a character", japanese, {}, lead + japanese.substr(0, 198) + "…"},
    };
    std::vector<Step> script;
    for (const Case& c : cases) {
        script.push_back(fake_ftp::Pasv());
        script.push_back({"LIST", {"150 OK"}});
        script.push_back(fake_ftp::SendData(c.payload));
        script.push_back({"", {"226 OK"}});
    }
    FakeFtpServer server(fake_ftp::WithLogin(script));
    ASSERT_EQ(connect(server), 0);
    {
        Tftp_module::Session session = module.Lock();
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            session->ListFolder();
            try {
                std::vector<std::string> names;
                for (const TIdFTPListItem& item : session->FolderListing())
                    names.push_back(item.name);
                EXPECT_EQ(names, c.names);
                EXPECT_EQ(c.error, "");
            } catch (const EIdUnreadableListing& error) {
                EXPECT_EQ(error.Failure().detail + (error.Failure().cut ? "…" : ""), c.error);
            }
        }
    }
    conversation(server);
}

// A transfer that the server ends with 426 or 450 alone fails with that reply at once, not
// after the silence bound; a 226 that comes later is not taken for the next command's reply.
TEST_F(FtpClientTest, TransferAbortedWithoutA226FailsAtOnceAndStaysInStep) {
    FtpTimeouts timeouts;
    timeouts.connect = 3s;
    timeouts.silence = 10s;
    timeouts.afterAbort = 300ms;
    module.Lock()->SetTimeouts(timeouts);
    const std::string file = temporaryFile("<urlset/>");
    const std::string kept = "-rw-r--r-- 1 user group 10 Jan 5 2005 kept.html\r\n";
    const std::string aborted = "426 Connection closed; transfer aborted.";
    const std::vector<std::pair<bool, std::vector<Step>>> cases = {
        {true,
         {fake_ftp::Pasv(),
          {"LIST", {"150 OK"}},
          fake_ftp::SendData(kept),
          {"", {"226 OK"}},
          fake_ftp::Pasv(),
          {"LIST", {"150 OK"}},
          fake_ftp::SendData("-rw-r--r-- 1 u g 1 Ja"),
          {"", {aborted}},
          fake_ftp::Trickled(fake_ftp::SendRaw("226 Late.\r\n"), 100, 1s),
          {"PWD", {"257 \"/\""}}}},
        {false,
         {fake_ftp::Pasv(),
          {"STOR sitemap.xml", {"150 OK"}},
          fake_ftp::ReceiveData(),
          {"", {aborted}},
          {"PWD", {"257 \"/\""}}}},
    };
    for (const auto& [list, transfer] : cases) {
        SCOPED_TRACE(list ? "LIST" : "STOR");
        FakeFtpServer server(fake_ftp::WithLogin(transfer));
        ASSERT_EQ(connect(server), 0);
        const auto start = std::chrono::steady_clock::now();
        if (list) {
            Tftp_module::Session session = module.Lock();
            session->ListFolder();
            try {
                session->ListFolder();
                ADD_FAILURE() << "a listing cut short was taken";
            } catch (const EIdProtocolReplyError& error) {
                EXPECT_EQ(error.Failure().detail, aborted);
            }
            ASSERT_EQ(session->FolderListing().size(), 1u);
            EXPECT_EQ(session->FolderListing()[0].name, "kept.html");
        } else {
            EXPECT_TRUE(module.FtpUpload(file, "sitemap.xml"));
            EXPECT_EQ(module.LastError().detail, aborted);
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
        EXPECT_EQ(module.Lock()->CurrentFolder(), "/") << "the conversation lost its step";
        conversation(server);
    }
}

// A server that sends a byte now and then, each within the silence bound, holds no greeting,
// reply or transfer beyond its overall bound: the client closes with the reason.
TEST_F(FtpClientTest, TricklingServerMeetsTheOverallBounds) {
    FtpTimeouts timeouts;
    timeouts.connect = 3s;
    timeouts.silence = 1s;
    timeouts.reply = 400ms;
    timeouts.transfer = 400ms;
    timeouts.transferPer8MiB = 1ms;
    module.Lock()->SetTimeouts(timeouts);
    const std::string file = temporaryFile(std::string(std::size_t(16) << 20, 's'));
    auto trickle = [](Step step) { return fake_ftp::Trickled(std::move(step), 1, 50ms); };
    struct Case {
        const char* what;
        std::vector<Step> script;
        bool transfer;
    };
    const std::vector<Case> cases = {
        {"greeting", {trickle(fake_ftp::SendRaw("220 Welcome to a slow server\r\n"))}, false},
        {"reply",
         {{"", {"220 Ready"}}, {"USER anna", {}}, trickle(fake_ftp::SendRaw("331 Password\r\n"))},
         false},
        {"listing",
         fake_ftp::WithLogin({fake_ftp::Pasv(),
                              {"LIST", {"150 OK"}},
                              trickle(fake_ftp::SendData(std::string(100, 'x')))}),
         true},
        {"store",
         fake_ftp::WithLogin({fake_ftp::Pasv(),
                              {"STOR sitemap.xml", {"150 OK"}},
                              fake_ftp::Trickled(fake_ftp::ReceiveData(), 4096, 20ms)}),
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeFtpServer server(c.script);
        const auto start = std::chrono::steady_clock::now();
        FtpFailure error;
        if (connect(server) != 0) {
            error = module.LastError();
        } else if (c.script.back().kind == Step::Kind::ReceiveData) {
            EXPECT_TRUE(module.FtpUpload(file, "sitemap.xml"));
            error = module.LastError();
        } else {
            try {
                module.Lock()->ListFolder();
                ADD_FAILURE() << "the listing ended";
            } catch (const EIdTimeout& timeout) {
                error = timeout.Failure();
            }
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
        EXPECT_FALSE(module.Lock()->IsConnected());
        if (c.transfer) {
            EXPECT_EQ(error.kind, FtpFailureKind::TransferTimeout) << error;
            EXPECT_EQ(error.subject, server.Host());
        } else {
            EXPECT_EQ(error.kind, FtpFailureKind::ReplyTimeout) << error;
            EXPECT_EQ(error.subject, server.Host());
            EXPECT_EQ(error.bound, 400ms);
        }
    }
}
