#include "ftp/Uftp_module.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

#include "app/file_io.h"
#include "support/fixed_clock.h"
#include "support/ftp_daemons.h"
#include "support/proftpd_server.h"
#include "support/py_ftp_server.h"
#include "support/temp_folder.h"
#include "support/test_certificates.h"

// One generated site on every real server we can run here, walked with MLSD where the server
// offers it and LIST where not, then one upload: what each walk finds must be the site, with
// times exact to the second from MLSD and as the listing shows them from LIST.

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

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

const char* kindName(ListItemKind kind) {
    return kind == ListItemKind::Folder ? "folder" : kind == ListItemKind::Link ? "link" : "file";
}

// What the site holds: the path of each entry under /site and its kind. The link's kind is
// what a server that follows links in MLSD shows for it.
std::map<std::string, ListItemKind> expectedEntries(ListItemKind linkKind) {
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
        {"/site/link.html", linkKind},
    };
}

// Makes the site under root/site; the link has the time of what it leads to, so that a server
// that shows the link and one that shows its target agree.
void buildSite(const fs::path& root) {
    const fs::path site = root / "site";
    for (const auto& [path, kind] : expectedEntries(ListItemKind::Link)) {
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

struct Walked {
    std::map<std::string, TIdFTPListItem> entries;
    bool mlsd = false; // every listing came from MLSD
    std::size_t listings = 0;
};

// Walks folder depth-first with at most depth levels below it. A folder whose "unique" fact
// was met before is not entered again.
void walk(TIdFTP& ftp, const std::string& folder, int depth, Walked& walked,
          std::vector<std::string>& uniques) {
    ftp.ChangeFolder(folder);
    ftp.ListFolder();
    ++walked.listings;
    const TIdFTPListItems listing = ftp.FolderListing();
    walked.mlsd =
        listing.format == TIdFTPListFormat::flfMlsd && (walked.mlsd || walked.listings == 1);
    for (const TIdFTPListItem& item : listing) {
        if (item.name == "." || item.name == "..")
            continue;
        const std::string path = folder + "/" + item.name;
        walked.entries[path] = item;
        if (item.kind != ListItemKind::Folder || depth == 0)
            continue;
        if (!item.unique.empty()) {
            if (std::find(uniques.begin(), uniques.end(), item.unique) != uniques.end())
                continue;
            uniques.push_back(item.unique);
        }
        walk(ftp, path, depth - 1, walked, uniques);
    }
}

// The entries with their paths from "/site" on.
std::map<std::string, TIdFTPListItem> withoutBase(std::map<std::string, TIdFTPListItem> entries,
                                                  const std::string& base) {
    std::map<std::string, TIdFTPListItem> shortened;
    for (auto& [path, item] : entries)
        shortened[path.substr(base.size())] = std::move(item);
    return shortened;
}

// The time a listing line shows for a moment: to the minute when it is recent, the day when
// it is older than half a year (Unix listings), read as ParseUnixLine reads it.
DateTime listedTime(std::time_t time) {
    DateTime parts = utcParts(time);
    parts.second = 0;
    parts.millisecond = 999;
    if (std::time(nullptr) - time > 180 * 24 * 3600)
        parts.hour = parts.minute = 0;
    return parts;
}

// What differs between the walk and the site on the server's disk.
std::vector<std::string> compareWalk(const Walked& walked, const fs::path& root,
                                     ListItemKind linkKind) {
    std::vector<std::string> problems;
    const std::map<std::string, ListItemKind> expected = expectedEntries(linkKind);
    for (const auto& [path, item] : walked.entries) {
        const auto found = expected.find(path);
        if (found == expected.end()) {
            problems.push_back("unexpected " + path);
            continue;
        }
        if (item.kind != found->second)
            problems.push_back(path + " is a " + kindName(item.kind));
        struct stat status {};
        ::lstat((root / path.substr(1)).c_str(), &status);
        const DateTime want = walked.mlsd ? utcParts(status.st_mtime) : listedTime(status.st_mtime);
        if (item.modified != want || item.utc != walked.mlsd)
            problems.push_back(path + " dated " + item.modified.LastmodText() +
                               (item.utc ? "Z" : "") + ", on disk " +
                               utcParts(status.st_mtime).LastmodText() + "Z");
    }
    for (const auto& [path, kind] : expected) {
        if (!walked.entries.count(path))
            problems.push_back("missing " + path);
    }
    return problems;
}

class FtpInteropTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ca_ = std::make_unique<TrustedTestCa>(); }
    static void TearDownTestSuite() { ca_.reset(); }

    // Walks and uploads on server, whose user sees its Root() as base (empty: "/"); adds its
    // row to the matrix.
    template <typename Server>
    void check(const std::string& name, FtpSecurity security, const Server& server,
               ListItemKind linkKind, const std::string& base = {}) {
        SCOPED_TRACE(name);
        buildSite(server.Root());
        Tftp_module module(clock_);
        {
            Tftp_module::Session session = module.Lock();
            session->SetTimeouts(FtpTimeouts{10s, 10s});
            session->SetTls(FtpTlsOptions{security, {}});
            session->SetMlsdAllowed(true);
        }
        std::string walkResult = "connect failed";
        std::string uploadResult = "-";
        std::string road = "-";
        if (module.FtpConnect(server.Host(), server.User(), server.Password()) != 0) {
            ADD_FAILURE() << module.LastError();
        } else {
            Tftp_module::Session session = module.Lock();
            road = std::string(session->ListsWithMlsd() ? "MLSD" : "LIST") + "+" +
                   (session->UsesEpsv() ? "EPSV" : "PASV");
            Walked walked;
            std::vector<std::string> uniques;
            std::vector<std::string> problems;
            try {
                walk(session.Client(), base + "/site", 4, walked, uniques);
                walked.entries = withoutBase(std::move(walked.entries), base);
                problems = compareWalk(walked, server.Root(), linkKind);
            } catch (const EIdException& error) {
                problems.push_back(error.what());
            }
            for (const std::string& problem : problems)
                ADD_FAILURE() << problem;
            walkResult = problems.empty() ? "ok" : std::to_string(problems.size()) + " faults";

            std::string document(300000, 'x');
            for (std::size_t i = 0; i < document.size(); i += 89)
                document[i] = char(i % 251);
            WriteFileAtomically(ca_->Folder() / "upload.xml", document);
            session->ChangeFolder(base + "/site");
            const bool failed =
                module.FtpUpload((ca_->Folder() / "upload.xml").string(), "sitemap.xml");
            const bool same = !failed && ReadFile(server.Root() / "site/sitemap.xml") == document;
            EXPECT_FALSE(failed) << module.LastError();
            EXPECT_TRUE(same) << "the upload arrived changed";
            uploadResult = same ? "ok" : "fault";
            session->SendQuit();
        }
        std::ostringstream row;
        row << std::left << std::setw(11) << name << std::setw(7)
            << (security == FtpSecurity::Off ? "plain" : "TLS") << std::setw(11) << road
            << std::setw(10) << walkResult << uploadResult;
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
        check("pyftpdlib", FtpSecurity::Off, server, ListItemKind::File);
    }
    {
        PyFtpServer server(PyFtpServer::Tls{pair.certificate, pair.key, true});
        check("pyftpdlib", FtpSecurity::Required, server, ListItemKind::File);
    }
    {
        ProftpdServer server(pair.certificate, pair.key);
        check("ProFTPD", FtpSecurity::Required, server, ListItemKind::Link);
    }
    {
        VsftpdServer server;
        check("vsftpd", FtpSecurity::Off, server, ListItemKind::Link, server.RootPath());
    }
    {
        PureFtpdServer server;
        check("Pure-FTPd", FtpSecurity::Off, server, ListItemKind::Link);
    }
    std::cout << "server     conn.  listing    walk      upload\n";
    for (const std::string& row : matrix_)
        std::cout << row << "\n";
}
