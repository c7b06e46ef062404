#include "jobs/retrieval.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <map>
#include <set>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

#include "core/file_io.h"
#include "core/text_util.h"
#include "ftp/Uftp_module.h"
#include "settings/SiteSettings.h"
#include "settings/ssh_settings.h"
#include "sitemap/upload.h"
#include "support/fixed_clock.h"
#include "support/ftp_daemons.h"
#include "support/proftpd_server.h"
#include "support/py_ftp_server.h"
#include "support/ssh_server.h"
#include "support/temp_folder.h"
#include "support/test_certificates.h"
#include "support/walk_script.h"

// One generated site on every real server we can run here, walked by the program's retrieval
// (MLSD where the server offers it, LIST where not, SFTP's directory reads), then uploaded over
// the sitemap there: the rows of every walk must be the site's pages, dated exactly to the
// second from MLSD and SFTP and as the listing shows from LIST.

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using Lines = std::vector<std::string>;
using walk_script::RecordingObserver;

namespace {

constexpr std::string_view kWeb = "http://www.example.jp";

// 2013-06-15 12:34:56 UTC: years ago, so a listing shows its year.
constexpr std::time_t kOldTime = 1371299696;

DateTime utcParts(std::time_t time) {
    std::tm utc{};
    ::gmtime_r(&time, &utc);
    return DateTime{
        utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, 0};
}

// Sets the modification time of path to time exactly: the file clock of the standard library
// differs from the system clock by whole seconds.
void setModified(const fs::path& path, std::time_t time) {
    const auto offset = std::chrono::round<std::chrono::seconds>(
        fs::file_time_type::clock::now().time_since_epoch() -
        std::chrono::system_clock::now().time_since_epoch());
    fs::last_write_time(path, fs::file_time_type(std::chrono::seconds(time) + offset));
}

// What the site holds: the path of each entry under /site and its kind.
std::map<std::string, ListItemKind> expectedEntries() {
    return {
        {"/site/index.html", ListItemKind::File},
        {"/site/a name.html", ListItemKind::File},
        {"/site/100%.html", ListItemKind::File},
        {"/site/#top.html", ListItemKind::File},
        {"/site/日本語のページ.html", ListItemKind::File},
        {"/site/old.html", ListItemKind::File},
        {"/site/README", ListItemKind::File},
        {"/site/img.old", ListItemKind::Folder},
        {"/site/img.old/logo.png", ListItemKind::File},
        {"/site/sub", ListItemKind::Folder},
        {"/site/sub/deeper", ListItemKind::Folder},
        {"/site/sub/deeper/page.htm", ListItemKind::File},
        {"/site/link.html", ListItemKind::Link},
    };
}

// Makes the site under root/site; the link has the time of what it leads to, so that a server
// that shows the link and one that shows its target agree.
void buildSite(const fs::path& root) {
    const fs::path site = root / "site";
    for (const auto& [path, kind] : expectedEntries()) {
        const fs::path local = root / path.substr(1);
        fs::create_directories(kind == ListItemKind::Folder ? local : local.parent_path());
        if (kind == ListItemKind::File)
            std::ofstream(local, std::ios::binary) << "<p>" << path << "</p>";
    }
    setModified(site / "old.html", kOldTime);
    fs::create_symlink("index.html", site / "link.html");
    const timespec times[2] = {{kOldTime, 0}, {kOldTime, 0}};
    setModified(site / "index.html", kOldTime);
    ASSERT_EQ(::utimensat(AT_FDCWD, (site / "link.html").c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
    // Uploads land here, also for a server whose user is not the test's.
    fs::permissions(site, fs::perms::all);
}

// The time a row gives a moment: exact in UTC from MLSD and SFTP; from LIST as a Unix listing shows it,
// to the minute when it is recent, the day when it is older than half a year. The settings'
// offset is +00:00, so the server's clock and UTC agree.
std::string rowTime(std::time_t time, bool exactTimes) {
    DateTime parts = utcParts(time);
    if (!exactTimes) {
        parts.second = 0;
        if (std::time(nullptr) - time > 180 * 24 * 3600)
            parts.hour = parts.minute = 0;
    }
    return parts.LastmodText() + "+00:00";
}

// The rows the walk must give for the site under root: every file and link whose extension is
// taken, dated as the server can say.
std::set<std::string> expectedRows(const fs::path& root, bool exactTimes) {
    std::set<std::string> rows;
    for (const auto& [path, kind] : expectedEntries()) {
        const std::size_t slash = path.rfind('/');
        const std::string name = path.substr(slash + 1);
        if (kind == ListItemKind::Folder || name.find('.') == std::string::npos)
            continue;
        struct stat status {};
        ::lstat((root / path.substr(1)).c_str(), &status);
        const std::string folder = path.substr(std::string("/site").size(), slash + 1 - 5);
        rows.insert(std::string(kWeb) + PercentEncodeUnsafe(folder, "%") + ";" +
                    PercentEncodeUnsafe(name, "%") + ";" + rowTime(status.st_mtime, exactTimes) +
                    ";weekly;0.5;");
    }
    return rows;
}

class FtpInteropTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ca_ = std::make_unique<TrustedTestCa>(); }
    static void TearDownTestSuite() { ca_.reset(); }

    // Walks and uploads on the FTP server with the tls setting, whose user sees its Root() as
    // base (empty: "/").
    template <typename Server>
    void check(const std::string& name, const std::string& tls, const Server& server,
               const std::string& base = {}) {
        SiteSettings settings;
        settings.tls = tls;
        settings.hostname = server.Host();
        settings.username = server.User();
        settings.password = server.Password();
        check(name, tls, settings, server.Root(), base);
    }

    // Walks and uploads over SFTP, logged in with a key, the server's host key trusted.
    void check(const SshServer& server) {
        SiteSettings settings;
        settings.transport = kTransportItems[1];
        settings.hostname = "127.0.0.1:" + std::to_string(server.Port());
        settings.username = SshServer::User();
        settings.key_file = server.Key("plain").string();
        TrustHostKey(settings, KeyFingerprint(server.HostKeyFile().string() + ".pub"));
        check("OpenSSH", "ssh", settings, server.Folder(), server.Folder().string());
    }

    // Walks and uploads with the login settings on a server whose files under root its user
    // sees under base; adds its row to the matrix.
    void check(const std::string& name, const std::string& security, SiteSettings settings,
               const fs::path& root, const std::string& base) {
        SCOPED_TRACE(name + " " + security);
        buildSite(root);
        settings.web_url = kWeb;
        settings.site_root = base + "/site";
        settings.ext_list = ".html,.htm,.png";
        settings.offset_2 = "00";
        Tftp_module module(clock_);
        RecordingObserver observer;
        const RetrievalSummary summary = RunRetrieval(module, settings, observer);
        EXPECT_EQ(observer.messages, Lines());
        const std::set<std::string> rows(observer.rows.begin(), observer.rows.end());
        EXPECT_EQ(rows, expectedRows(root, summary.exactTimes));
        const bool walked =
            observer.messages.empty() && rows == expectedRows(root, summary.exactTimes);

        // Every byte value, CR LF among them: a transfer in ASCII mode would change it.
        std::string document(300000, 'x');
        for (std::size_t i = 0; i < document.size(); i += 89)
            document[i] = char(i % 251);
        WriteFileAtomically(ca_->Folder() / "sitemap.xml", document);
        // A second name for the live sitemap keeps the old file: written over in place, it
        // would change too.
        const fs::path live = root / "site/sitemap.xml";
        WriteFileAtomically(live, "old sitemap");
        fs::create_hard_link(live, root / "site/sitemap.old");
        const UploadResult upload = UploadSitemap(module, settings, ca_->Folder());
        EXPECT_EQ(upload.outcome, UploadOutcome::Uploaded) << int(upload.outcome);
        const bool same = ReadFile(live) == document;
        EXPECT_TRUE(same) << "the upload arrived changed";
        const bool renamed = ReadFile(root / "site/sitemap.old") == "old sitemap";
        EXPECT_EQ(renamed, !upload.renameRefused) << "the live sitemap was written in place";

        std::ostringstream row;
        row << std::left << std::setw(11) << name << std::setw(10) << security << std::setw(6)
            << (!summary.exactTimes ? "LIST" : UsesSftp(settings) ? "SFTP" : "MLSD")
            << std::setw(10) << (walked ? "ok" : "fault")
            << (same ? (renamed ? "ok, renamed" : "ok, in place") : "fault");
        matrix_.push_back(row.str());
    }

    static std::unique_ptr<TrustedTestCa> ca_;
    const FixedClock clock_{utcParts(std::time(nullptr))};
    std::vector<std::string> matrix_;
};

std::unique_ptr<TrustedTestCa> FtpInteropTest::ca_;

} // namespace

TEST_F(FtpInteropTest, OneSiteWalkedAndUploadedOnEveryServer) {
    const TestCertificates::Pair& pair = ca_->Certificates().trusted;
    {
        PyFtpServer server;
        check("pyftpdlib", "off", server);
    }
    {
        PyFtpServer server(PyFtpServer::Tls{pair.certificate, pair.key, true});
        check("pyftpdlib", "required", server);
    }
    {
        ProftpdServer server(pair.certificate, pair.key);
        check("ProFTPD", "required", server);
    }

    {
        VsftpdServer server;
        check("vsftpd", "off", server, server.RootPath());
    }
    {
        PureFtpdServer server;
        check("Pure-FTPd", "off", server);
    }
    {
        SshServer server;
        check(server);
    }
    std::cout << "server     security  list  walk      upload\n";
    for (const std::string& row : matrix_)
        std::cout << row << "\n";
}
