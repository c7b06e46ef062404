// Telling search engines end to end: pyftpdlib as the site's FTP server, the loopback HTTP
// server as the site (serving the FTP server's files) and as the IndexNow endpoint.
#include "jobs/search_engines.h"

#include "ftp/Uftp_module.h"
#include "jobs/sitemap_pages.h"
#include "memory/site_memory.h"
#include "settings/SiteSettings.h"
#include "sitemap/sitemap_writer.h"

#include "support/core_application.h"
#include "support/http_server.h"
#include "support/plain_settings.h"
#include "support/py_ftp_server.h"
#include "support/temp_folder.h"
#include "support/test_files.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

const std::string kKey = "0123456789abcdef0123456789abcdef";

class SearchEnginesTest : public ::testing::Test {
protected:
    explicit SearchEnginesTest(const std::string& answers = "200") : http_(answers) {
        EnsureCoreApplication();
        fs::create_directory(ftpServer_.Root() / "public_html");
        // The web site serves what the FTP server stores in the site root.
        fs::create_directory_symlink(ftpServer_.Root() / "public_html", http_.Root() / "site");
        settings_ = PlainFtpSettings();
        settings_.hostname = ftpServer_.Host();
        settings_.username = ftpServer_.User();
        settings_.password = ftpServer_.Password();
        settings_.site_root = "/public_html";
        settings_.web_url = http_.Address() + "site";
        settings_.indexnow = true;
        settings_.indexnow_key = kKey;
        settings_.indexnow_endpoint =
            http_.Url(QStringLiteral("/indexnow")).toString().toStdString();
    }

    fs::path siteFile(const std::string& name) const {
        return ftpServer_.Root() / "public_html" / name;
    }

    // A sitemap of the pages given as "name=lastmod".
    void writeSitemap(const std::vector<std::string>& pages) {
        std::string document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<urlset>\n";
        for (const std::string& page : pages) {
            const std::size_t equals = page.find('=');
            document += "<url><loc>" + settings_.web_url + "/" + page.substr(0, equals) +
                        "</loc><lastmod>" + page.substr(equals + 1) + "</lastmod></url>\n";
        }
        WriteSitemap(program_.Path(), document + "</urlset>\n");
    }

    NotifyResult notify() {
        IndexNowOptions options;
        options.defaultWait = std::chrono::milliseconds(10);
        return NotifySearchEngines(ftp_, settings_, program_.Path(), options, nullptr);
    }

    // The urlList of every POST received, sorted.
    std::vector<QStringList> postedLists() const {
        std::vector<QStringList> lists;
        for (const HttpServer::Post& post : http_.Posts()) {
            QStringList list;
            for (const QJsonValue& address :
                 QJsonDocument::fromJson(post.body).object().value("urlList").toArray())
                list << address.toString();
            list.sort();
            lists.push_back(list);
        }
        return lists;
    }

    QString address(const char* name) const {
        return QString::fromStdString(settings_.web_url + "/") + QLatin1String(name);
    }

    PyFtpServer ftpServer_;
    HttpServer http_;
    TempFolder program_;
    Tftp_module ftp_;
    SiteSettings settings_;
};

TEST_F(SearchEnginesTest, RobotsLineIsAddedKeepingEveryOtherByte) {
    const std::string line = "Sitemap: " + settings_.web_url + "/sitemap.xml";
    struct Case {
        const char* name;
        std::optional<std::string> before;
        RobotsKind found;
        std::string after;
    };
    const Case cases[] = {
        {"absent", std::nullopt, RobotsKind::NoFile, line + "\n"},
        {"crlf", "User-agent: *\r\nDisallow: /x\r\n", RobotsKind::LineMissing,
         "User-agent: *\r\nDisallow: /x\r\n" + line + "\r\n"},
        {"another sitemap, no last line end", "# c\nSitemap: https://other.example/s.xml",
         RobotsKind::LineMissing, "# c\nSitemap: https://other.example/s.xml\n" + line + "\n"},
        {"has the line", "sitemap:  " + settings_.web_url + "/sitemap.xml # ours\n",
         RobotsKind::HasLine, "sitemap:  " + settings_.web_url + "/sitemap.xml # ours\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(siteFile("robots.txt"));
        if (c.before)
            MakeFile(siteFile("robots.txt"), 0, *c.before);
        const RobotsResult checked = CheckRobotsLine(ftp_, settings_, false);
        EXPECT_EQ(checked.kind, c.found);
        EXPECT_EQ(checked.line, line);
        EXPECT_EQ(fs::exists(siteFile("robots.txt")), c.before.has_value()) << "only checked";

        const RobotsResult added = CheckRobotsLine(ftp_, settings_, true);
        EXPECT_EQ(added.kind,
                  c.found == RobotsKind::HasLine ? RobotsKind::HasLine : RobotsKind::Added);
        EXPECT_EQ(ReadFile(siteFile("robots.txt")), c.after);
        EXPECT_EQ(std::distance(fs::directory_iterator(siteFile("")), fs::directory_iterator()), 1)
            << "no temporary file left";
    }
}

TEST_F(SearchEnginesTest, FirstNotificationSetsUpThenOnlyChangesAreSent) {
    writeSitemap({"a.html=2026-01-01", "b.html=2026-01-01"});
    NotifyResult result = notify();
    ASSERT_EQ(result.kind, NotifyKind::SetUp) << int(result.keyCheck.kind);
    EXPECT_EQ(ReadFile(siteFile(kKey + ".txt")), kKey);
    EXPECT_NE(http_.RequestLog().find("/site/" + kKey + ".txt"), std::string::npos)
        << "read back over HTTP";
    EXPECT_TRUE(http_.Posts().empty()) << "the first notification sends nothing";

    EXPECT_EQ(notify().kind, NotifyKind::NothingChanged);
    EXPECT_TRUE(http_.Posts().empty());

    // b changed, a gone, c new: one POST of the three.
    writeSitemap({"b.html=2026-02-02", "c.html=2026-02-02"});
    result = notify();
    EXPECT_EQ(result.kind, NotifyKind::Sent);
    EXPECT_EQ(result.received, 3);
    ASSERT_EQ(http_.Posts().size(), 1u);
    EXPECT_EQ(postedLists()[0],
              QStringList({address("a.html"), address("b.html"), address("c.html")}));
    const QJsonObject body = QJsonDocument::fromJson(http_.Posts()[0].body).object();
    EXPECT_EQ(body.value("key").toString().toStdString(), kKey);
    EXPECT_EQ(body.value("keyLocation").toString(), address((kKey + ".txt").c_str()));

    EXPECT_EQ(notify().kind, NotifyKind::NothingChanged);
    EXPECT_EQ(http_.Posts().size(), 1u);
}

TEST_F(SearchEnginesTest, KeyFileTheSiteDoesNotServeStopsBeforeAnything) {
    settings_.web_url = http_.Address() + "elsewhere";
    writeSitemap({"a.html=2026-01-01"});
    const NotifyResult result = notify();
    EXPECT_EQ(result.kind, NotifyKind::KeyNotServed);
    EXPECT_EQ(result.keyCheck.kind, KeyCheckKind::Missing);
    SiteMemory memory(program_.Path(), settings_.web_url, {});
    EXPECT_FALSE(memory.Notified()) << "not set up: the next notification checks again";
}

class SearchEnginesAnswersTest : public SearchEnginesTest {
protected:
    SearchEnginesAnswersTest() : SearchEnginesTest("429:0,200,403") {}
};

TEST_F(SearchEnginesAnswersTest, TooManyRequestsIsRetriedAndARefusalMarksNothing) {
    writeSitemap({"a.html=2026-01-01"});
    ASSERT_EQ(notify().kind, NotifyKind::SetUp);

    writeSitemap({"a.html=2026-03-03"});
    NotifyResult result = notify();
    EXPECT_EQ(result.kind, NotifyKind::Sent);
    ASSERT_EQ(result.batches.size(), 1u);
    EXPECT_EQ(result.batches[0].attempts, 2) << "429, then 200";

    // 403 from here on: the change stays to be sent, each time again.
    writeSitemap({"a.html=2026-04-04"});
    for (int attempt = 0; attempt < 2; ++attempt) {
        result = notify();
        EXPECT_EQ(result.kind, NotifyKind::Refused);
        ASSERT_EQ(result.batches.size(), 1u);
        EXPECT_EQ(result.batches[0].kind, BatchKind::KeyNotVerified);
        EXPECT_EQ(result.received, 0);
    }
    ASSERT_EQ(http_.Posts().size(), 4u);
    EXPECT_EQ(postedLists()[3], QStringList({address("a.html")}));
}

TEST(SitemapPages, SplitGzipSitemapIsReadThroughItsParts) {
    TempFolder folder;
    SitemapFilesOptions options;
    options.format.limits.maxUrls = 2;
    options.gzipParts = true;
    options.siteUrl = "https://e.jp";
    SitemapFilesWriter writer(folder.Path(), options);
    for (int i = 0; i < 5; ++i)
        writer.AddRow("https://e.jp/;p" + std::to_string(i) + ".html;2026/01/0" +
                      std::to_string(i + 1) + " 10:00;;;");
    ASSERT_EQ(writer.Finish().parts, 3u);
    const auto pages = ReadSitemapPages(folder.Path());
    ASSERT_TRUE(pages);
    ASSERT_EQ(pages->size(), 5u);
    EXPECT_EQ(pages->at(4).first, "https://e.jp/p4.html");
    EXPECT_FALSE(pages->at(4).second.empty()) << "lastmod read";

    fs::remove(folder.Path() / IndexedParts(folder.Path()).at(1));
    EXPECT_FALSE(ReadSitemapPages(folder.Path())) << "a missing part reads as no sitemap";
}

} // namespace
