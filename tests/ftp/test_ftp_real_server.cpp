#include "ftp/Uftp_module.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utime.h>

#include "core/file_io.h"
#include "support/fixed_clock.h"
#include "support/py_ftp_server.h"

namespace fs = std::filesystem;

namespace {

DateTime utcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    return DateTime{
        utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, 0};
}

void writeFile(const fs::path& path, const std::string& bytes, std::time_t modified) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    const utimbuf times{modified, modified};
    ASSERT_EQ(::utime(path.c_str(), &times), 0) << path;
}

// 2005-01-05 12:34:56 UTC: old enough for the listing to show the year.
constexpr std::time_t kJan2005 = 1104928496;

// The real server's user sees this tree under "/".
const std::map<std::string, std::string> kFiles = {
    {"/public_html/index.html", "<html>index</html>"}, {"/public_html/my  page.html", "two blanks"},
    {"/public_html/日本語ページ.html", "utf-8"},       {"/public_html/info/news.html", "news"},
    {"/public_html/info/deeper/old.htm", "old"},       {"/public_html/img.old/logo.png", "png"},
};

// Walks folder depth-first as the retrieval does (CWD, LIST, then into each folder and back)
// and collects the path and entry of every file.
void walk(TIdFTP& ftp, const std::string& folder, std::map<std::string, TIdFTPListItem>& files) {
    ftp.ChangeFolder(folder);
    ftp.ListFolder();
    const std::size_t count = ftp.FolderListing().size();
    for (std::size_t i = 0; i < count; ++i) {
        const TIdFTPListItem entry = ftp.FolderListing()[i];
        if (entry.kind == ListItemKind::Folder) {
            walk(ftp, folder + "/" + entry.name, files);
            ftp.ChangeFolder(folder);
            ftp.ListFolder();
        } else {
            files[folder + "/" + entry.name] = entry;
        }
    }
}

bool hasIpv6Loopback() {
    const int fd = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_loopback;
    const bool bound =
        fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd);
    return bound;
}

class RealFtpServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server_ = std::make_unique<PyFtpServer>();
        for (const auto& [path, bytes] : kFiles)
            writeFile(server_->Root() / path.substr(1), bytes, kJan2005);
        fs::create_directories(server_->Root() / "public_html/empty");
    }
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override {
        ASSERT_EQ(module.FtpConnect(server_->Host(), server_->User(), server_->Password()), 0)
            << module.LastError();
    }
    void TearDown() override {
        module.Lock()->SendQuit();
        module.FtpDisconnect();
    }

    static std::unique_ptr<PyFtpServer> server_;
    FixedClock clock{utcNow()};
    Tftp_module module{clock};
};

std::unique_ptr<PyFtpServer> RealFtpServerTest::server_;

} // namespace

TEST_F(RealFtpServerTest, WalksTheTreeAndReadsRealListingLines) {
    Tftp_module::Session session = module.Lock();
    EXPECT_EQ(session->CurrentFolder(), "/");
    std::map<std::string, TIdFTPListItem> files;
    walk(session.Client(), "/public_html", files);

    std::vector<std::string> paths;
    for (const auto& [path, entry] : files)
        paths.push_back(path);
    std::vector<std::string> expected;
    for (const auto& [path, bytes] : kFiles)
        expected.push_back(path);
    EXPECT_EQ(paths, expected);
    for (const auto& [path, entry] : files) {
        EXPECT_EQ(entry.modified, (DateTime{2005, 1, 5, 0, 0, 0, 999})) << entry.line;
        EXPECT_EQ(entry.kind, ListItemKind::File) << entry.line;
    }
    EXPECT_NE(files["/public_html/my  page.html"].line.find(" my  page.html"), std::string::npos);

    session->ChangeFolder("/public_html/empty");
    session->ListFolder();
    EXPECT_TRUE(session->FolderListing().empty());
}

TEST_F(RealFtpServerTest, RecentTimesShowHourAndMinute) {
    const std::time_t anHourAgo = std::time(nullptr) - 3600;
    writeFile(server_->Root() / "recent/fresh.html", "fresh", anHourAgo);
    std::tm utc{};
    ::gmtime_r(&anHourAgo, &utc);

    Tftp_module::Session session = module.Lock();
    session->ChangeFolder("/recent");
    session->ListFolder();
    ASSERT_EQ(session->FolderListing().size(), 1u) << session->ListingLines().front();
    const TIdFTPListItem& fresh = session->FolderListing()[0];
    EXPECT_EQ(fresh.name, "fresh.html");
    EXPECT_EQ(fresh.modified, (DateTime{utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday,
                                        utc.tm_hour, utc.tm_min, 0, 999}))
        << fresh.line;
}

TEST_F(RealFtpServerTest, StoresFiveMebibytesByteForByte) {
    std::string bytes(5 * 1024 * 1024, '\0');
    std::mt19937 random(20260315);
    for (char& byte : bytes)
        byte = char(random());
    const fs::path local = fs::temp_directory_path() / ("sw_upload_" + std::to_string(::getpid()));
    WriteFileAtomically(local, bytes);

    module.Lock()->ChangeFolder("/public_html");
    const bool failed = module.FtpUpload(local.string(), "sitemap.xml");
    fs::remove(local);
    EXPECT_FALSE(failed) << module.LastError();
    const fs::path stored = server_->Root() / "public_html/sitemap.xml";
    EXPECT_TRUE(ReadFile(stored) == bytes) << "the server's copy differs";
    fs::remove(stored);
}

TEST_F(RealFtpServerTest, RetrievesAFileWithinItsBoundAndNothingForAMissingOne) {
    std::string big(3 * 1024 * 1024, 'r');
    big[100] = '\n';
    writeFile(server_->Root() / "public_html/big.txt", big, kJan2005);
    Tftp_module::Session session = module.Lock();
    EXPECT_EQ(session->RetrieveFile("/public_html/index.html", 512),
              kFiles.at("/public_html/index.html"));
    EXPECT_EQ(session->RetrieveFile("/public_html/missing.txt", 512), std::nullopt);
    // The rest of a file beyond the bound is never read, and the session goes on.
    EXPECT_EQ(session->RetrieveFile("/public_html/big.txt", 1000), big.substr(0, 1000));
    EXPECT_EQ(session->RetrieveFile("/public_html/info/news.html", 512), "news");
    EXPECT_TRUE(session->IsConnected());
    fs::remove(server_->Root() / "public_html/big.txt");
}

TEST_F(RealFtpServerTest, MissingFolderIsRefused) {
    Tftp_module::Session session = module.Lock();
    try {
        session->ChangeFolder("/no such folder");
        ADD_FAILURE() << "CWD into a missing folder succeeded";
    } catch (const EIdProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyCode(), 550);
    }
    EXPECT_TRUE(session->IsConnected());
}

TEST_F(RealFtpServerTest, WrongPasswordGivesOne) {
    Tftp_module other(clock);
    EXPECT_EQ(other.FtpConnect(server_->Host(), server_->User(), server_->Password() + "x"), 1);
    EXPECT_EQ(other.LastError().code, 530) << other.LastError();
    EXPECT_FALSE(other.Lock()->IsConnected());
}

// Over IPv6 the data connections are asked for with EPSV (pyftpdlib refuses PASV there) and go
// to the control connection's peer.
TEST(RealFtpServerIpv6Test, WalksAndStoresWithEpsv) {
    if (!hasIpv6Loopback())
        GTEST_SKIP() << "this machine has no IPv6 loopback";
    PyFtpServer server(PyFtpServer::Address{"::1"});
    writeFile(server.Root() / "site/index.html", "index", kJan2005);
    writeFile(server.Root() / "site/sub/a.html", "a", kJan2005);
    const fs::path local = fs::temp_directory_path() / ("sw_upload6_" + std::to_string(::getpid()));
    WriteFileAtomically(local, std::string(200000, 'x'));

    Tftp_module module;
    ASSERT_EQ(module.FtpConnect(server.Host(), server.User(), server.Password()), 0)
        << module.LastError();
    Tftp_module::Session session = module.Lock();
    EXPECT_TRUE(session->UsesEpsv());
    std::map<std::string, TIdFTPListItem> files;
    walk(session.Client(), "/site", files);
    EXPECT_EQ(files.size(), 2u);
    EXPECT_EQ(files.count("/site/sub/a.html"), 1u);
    EXPECT_EQ(session->LastPassiveAddress().host, "");
    const bool failed = module.FtpUpload(local.string(), "sitemap.xml");
    EXPECT_FALSE(failed) << module.LastError();
    EXPECT_EQ(ReadFile(server.Root() / "site/sitemap.xml"), ReadFile(local));
    fs::remove(local);
}
