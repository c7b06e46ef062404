// The page check from the walk to the sitemap: a real FTP server and a real web server serving
// the same small site with one page of each verdict, driven through the command line.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/command_line.h"
#include "core/file_io.h"
#include "memory/site_memory.h"
#include "support/core_application.h"
#include "support/http_server.h"
#include "support/py_ftp_server.h"
#include "support/temp_folder.h"
#include "support/test_files.h"

namespace fs = std::filesystem;

namespace {

class PageCheckRoad : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureCoreApplication();
        ServeVerdictSite(web_);
        // The ErrorDocument of the site root names the error page.
        MakeFile(web_.Root() / ".htaccess", std::time(nullptr),
                 "ErrorDocument 404 /errors/404.html\n");
        // The slow page only proves time-outs, which the check's own tests do.
        fs::remove(web_.Root() / "slow.html");
        upload(std::time(nullptr) - 86400);
        std::string url = web_.Address();
        url.pop_back();
        ASSERT_EQ(run({"configure", "--dir", folder_.string(), "--url", url, "--host",
                       ftp_.Host(), "--user", ftp_.User(), "--password-stdin", "--root", "/",
                       "--tls", "off", "--check-pages", "on"},
                      ftp_.Password() + "\n"),
                  0)
            << err_;
    }

    // The web site's files put on the FTP server, every one with the time when.
    void upload(std::time_t when) {
        for (const auto& entry : fs::recursive_directory_iterator(web_.Root())) {
            const fs::path target = ftp_.Root() / fs::relative(entry.path(), web_.Root());
            if (entry.is_directory())
                fs::create_directories(target);
            else
                MakeFile(target, when, ReadFile(entry.path()));
        }
    }

    int run(std::vector<std::string> args, const std::string& input = "") {
        std::istringstream in(input);
        std::ostringstream out;
        std::ostringstream err;
        CommandLineIo io{in, out, err};
        const int status = RunCommandLine(args, io);
        out_ = out.str();
        err_ = err.str();
        return status;
    }

    // The sitemap's lastmod by page name.
    std::map<std::string, std::string> sitemap() const {
        const std::string xml = ReadFile(folder_ / "sitemap.xml");
        const std::regex url(
            "<loc>\\s*[^<]*/([^/<\\s]+)\\s*</loc>\\s*<lastmod>\\s*([^<\\s]*)\\s*</lastmod>");
        std::map<std::string, std::string> pages;
        for (auto it = std::sregex_iterator(xml.begin(), xml.end(), url);
             it != std::sregex_iterator(); ++it)
            pages[(*it)[1]] = (*it)[2];
        return pages;
    }

    HttpServer web_;
    PyFtpServer ftp_;
    TempFolder temp_{"sw_page_check_road"};
    const fs::path folder_ = temp_.Path();
    std::string out_;
    std::string err_;
};

} // namespace

TEST_F(PageCheckRoad, TheSitemapHoldsTheIndexablePagesWithLastmodsThatMoveOnlyWithThePage) {
    ASSERT_EQ(run({"generate", "--dir", folder_.string()}), 0) << err_;
    const std::map<std::string, std::string> first = sitemap();
    // Unreachable (500) stays as it was: unknown is never held against a page.
    const std::vector<std::string> listed = {"error.html", "etag.html", "index.html"};
    std::vector<std::string> names;
    for (const auto& [name, lastmod] : first)
        names.push_back(name);
    EXPECT_EQ(names, listed);
    for (const char* leftOut : {"gone.html", "moved.html", "noindex.html", "header-noindex.html",
                                "canonical.html", "long.html", "google1a2b3c4d5e6f7a8b.html",
                                "404.html"})
        EXPECT_NE(err_.find(leftOut), std::string::npos) << leftOut << " told on stderr";

    // A whole re-upload touches every file time: no lastmod of a page checked moves (the
    // unreachable one takes its file's time, as without the check).
    upload(std::time(nullptr) - 3600);
    ASSERT_EQ(run({"generate", "--dir", folder_.string(), "--json"}), 0) << err_;
    std::map<std::string, std::string> second = sitemap();
    EXPECT_NE(second.at("error.html"), first.at("error.html"));
    second.erase("error.html");
    std::map<std::string, std::string> checked = first;
    checked.erase("error.html");
    EXPECT_EQ(second, checked);
    const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(out_)).object();
    EXPECT_EQ(json["check"].toObject()["lastmods_kept"].toInt(), 2);
    EXPECT_EQ(json["check"].toObject()["left_out"].toInt(), 8);

    // A changed page moves its own lastmod only; a page the user ticked again comes back.
    MakeFile(web_.Root() / "index.html", std::time(nullptr), "<html><head></head>new</html>");
    upload(std::time(nullptr));
    {
        SiteMemory memory(folder_, web_.Address().substr(0, web_.Address().size() - 1), {});
        memory.SetTickedAnyway({web_.Address() + "noindex.html"}, true);
    }
    ASSERT_EQ(run({"generate", "--dir", folder_.string()}), 0) << err_;
    const std::map<std::string, std::string> third = sitemap();
    EXPECT_NE(third.at("index.html"), first.at("index.html"));
    EXPECT_EQ(third.at("etag.html"), first.at("etag.html"));
    EXPECT_EQ(third.count("noindex.html"), 1u);
}

TEST_F(PageCheckRoad, CheckPrintsEveryVerdictAndWritesNothing) {
    ASSERT_EQ(run({"check", "--dir", folder_.string(), "--json"}), 0) << err_;
    const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(out_)).object();
    std::map<std::string, std::string> verdicts;
    for (const QJsonValue& page : json["pages"].toArray()) {
        const std::string address = page["address"].toString().toStdString();
        verdicts[address.substr(web_.Address().size())] = page["verdict"].toString().toStdString();
    }
    const std::map<std::string, std::string> expected = {
        {"canonical.html", "canonical_elsewhere"},
        {"error.html", "unreachable"},
        {"errors/404.html", "error_document"},
        {"etag.html", "indexable"},
        {"gone.html", "not_found"},
        {"google1a2b3c4d5e6f7a8b.html", "verification_file"},
        {"header-noindex.html", "noindex"},
        {"index.html", "indexable"},
        {"long.html", "noindex"},
        {"moved.html", "redirected"},
        {"noindex.html", "noindex"},
    };
    EXPECT_EQ(verdicts, expected);
    // As text, a line per address: the address, then its verdict.
    ASSERT_EQ(run({"check", "--dir", folder_.string()}), 0) << err_;
    EXPECT_NE(out_.find(web_.Address() + "index.html  "), std::string::npos) << out_;
    EXPECT_FALSE(fs::exists(folder_ / "sitemap.xml"));
    EXPECT_FALSE(fs::exists(folder_ / SiteMemory::kFileName));
}
