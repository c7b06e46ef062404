#include "pagecheck/page_check.h"

#include <algorithm>

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QSslConfiguration>

#include "support/core_application.h"
#include "support/http_server.h"
#include "support/temp_folder.h"
#include "support/test_certificates.h"

namespace {

struct Expected {
    const char* path;
    Verdict verdict;
    Unknown cause;
    int status;
};

PageCheckOptions quickOptions() {
    PageCheckOptions options;
    options.requestTimeout = std::chrono::milliseconds(1500);
    return options;
}

std::vector<PageToCheck> pagesOf(const std::string& site,
                                 std::initializer_list<const char*> paths) {
    std::vector<PageToCheck> pages;
    for (const char* path : paths)
        pages.push_back({site + path, {}});
    return pages;
}

void expectVerdicts(const PageCheckReport& report, const std::vector<Expected>& expected) {
    ASSERT_EQ(report.pages.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(report.pages[i].verdict, expected[i].verdict) << expected[i].path;
        EXPECT_EQ(report.pages[i].cause, expected[i].cause) << expected[i].path;
        EXPECT_EQ(report.pages[i].status, expected[i].status) << expected[i].path;
    }
}

const std::atomic<bool> kNeverStop{false};

} // namespace

TEST(PageCheck, GivesEveryVerdictOfTheTestSite) {
    EnsureCoreApplication();
    HttpServer site;
    ServeVerdictSite(site);
    const std::string root = site.Address();
    const std::vector<Expected> expected = {
        {"index.html", Verdict::Indexable, Unknown::None, 200},
        {"missing.html", Verdict::NotFound, Unknown::None, 404},
        {"gone.html", Verdict::NotFound, Unknown::None, 410},
        {"moved.html", Verdict::Redirected, Unknown::None, 301},
        {"noindex.html", Verdict::NoIndex, Unknown::None, 200},
        {"header-noindex.html", Verdict::NoIndex, Unknown::None, 200},
        {"long.html", Verdict::NoIndex, Unknown::None, 200},
        {"canonical.html", Verdict::CanonicalElsewhere, Unknown::None, 200},
        {"error.html", Verdict::Unreachable, Unknown::ServerError, 500},
        {"slow.html", Verdict::Unreachable, Unknown::TimedOut, 0},
        {"etag.html", Verdict::Indexable, Unknown::None, 200},
        {"etag.html", Verdict::NotModified, Unknown::None, 304},
        {"google1a2b3c4d5e6f7a8b.html", Verdict::VerificationFile, Unknown::None, 0},
        {"errors/404.html", Verdict::ErrorDocument, Unknown::None, 0},
    };
    std::vector<PageToCheck> pages;
    for (const Expected& e : expected)
        pages.push_back({root + e.path, {}});
    const Validators remembered{"\"v1\"", "", "remembered hash", "2024-01-01"};
    pages[11].previous = remembered;
    std::size_t progressCalls = 0;
    const PageCheckReport report =
        CheckPages(pages, quickOptions(), NonPageNames(root, "ErrorDocument 404 /errors/404.html"),
                   kNeverStop, [&](std::size_t done, const PageVerdict&) { progressCalls = done; });

    expectVerdicts(report, expected);
    EXPECT_EQ(progressCalls, expected.size());
    EXPECT_FALSE(report.stopped || report.timedOut);
    EXPECT_EQ(report.pages[3].target, root + "new/place.html");
    EXPECT_EQ(report.pages[7].target, root + "index.html");
    // A served page brings its validators; a 304 keeps the remembered ones.
    EXPECT_EQ(report.pages[0].validators.bodySha256.size(), 64u);
    const QByteArray etagBody =
        "<!DOCTYPE html><html><head><title>Page</title></head><body>Text.</body></html>";
    EXPECT_EQ(report.pages[10].validators.etag, "\"v1\"");
    EXPECT_EQ(report.pages[10].validators.bodySha256,
              QCryptographicHash::hash(etagBody, QCryptographicHash::Sha256).toHex().toStdString());
    EXPECT_EQ(report.pages[11].validators.bodySha256, remembered.bodySha256);
    EXPECT_EQ(report.pages[11].validators.lastmodWritten, remembered.lastmodWritten);

    // Names were judged without a request; every request named the program and its version,
    // and the remembered ETag made one conditional.
    const std::string log = site.RequestLog();
    EXPECT_EQ(log.find("google1a2b3c4d5e6f7a8b"), std::string::npos);
    EXPECT_EQ(log.find("errors/404.html"), std::string::npos);
    EXPECT_NE(log.find("/etag.html\tSiteWright/" SW_VERSION "\t\"v1\"\n"), std::string::npos);
    std::size_t requests = 0, named = 0;
    for (std::size_t at = 0; (at = log.find('\n', at)) != std::string::npos; ++at)
        ++requests;
    for (std::size_t at = 0;
         (at = log.find("\tSiteWright/" SW_VERSION "\t", at)) != std::string::npos; ++at)
        ++named;
    EXPECT_EQ(requests, expected.size() - 2);
    EXPECT_EQ(named, requests);
}

TEST(PageCheck, ChecksOverTlsAndTellsAFailingCertificateOncePerSite) {
    EnsureCoreApplication();
    const TempFolder folder;
    const TestCertificates certificates(folder.Path());
    // The test CA joins the system store, as an installed one would.
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificates(QString::fromStdString(certificates.caFile.string()));
    QSslConfiguration::setDefaultConfiguration(configuration);

    HttpServer trusted({certificates.trusted.certificate, certificates.trusted.key});
    ServeVerdictSite(trusted);
    const PageCheckReport good =
        CheckPages(pagesOf(trusted.Address(), {"index.html", "noindex.html", "missing.html"}),
                   quickOptions(), {}, kNeverStop);
    expectVerdicts(good, {{"index.html", Verdict::Indexable, Unknown::None, 200},
                          {"noindex.html", Verdict::NoIndex, Unknown::None, 200},
                          {"missing.html", Verdict::NotFound, Unknown::None, 404}});
    EXPECT_TRUE(good.certificateFailures.empty());

    for (const TestCertificates::Pair& pair :
         {certificates.selfSigned, certificates.expired, certificates.wrongName}) {
        HttpServer untrusted({pair.certificate, pair.key});
        ServeVerdictSite(untrusted);
        PageCheckOptions options = quickOptions();
        options.connections = 2;
        const PageCheckReport bad =
            CheckPages(pagesOf(untrusted.Address(), {"index.html", "noindex.html", "gone.html",
                                                     "error.html", "moved.html"}),
                       options, {}, kNeverStop);
        ASSERT_EQ(bad.certificateFailures.size(), 1u) << pair.certificate;
        EXPECT_EQ(bad.certificateFailures[0].site + "/", untrusted.Address());
        EXPECT_FALSE(bad.certificateFailures[0].errors.isEmpty());
        for (const PageVerdict& page : bad.pages) {
            EXPECT_EQ(page.verdict, Verdict::Unreachable) << page.address;
            EXPECT_EQ(page.cause, Unknown::Certificate) << page.address;
        }
    }
}

TEST(PageCheck, StopsOnTheFlagAndWhenTheCheckRunsOutOfTime) {
    EnsureCoreApplication();
    HttpServer site;
    ServeVerdictSite(site);
    PageCheckOptions options = quickOptions();
    options.connections = 1;
    std::atomic<bool> stop{false};
    const PageCheckReport stopped =
        CheckPages(pagesOf(site.Address(), {"index.html", "slow.html", "gone.html"}), options, {},
                   stop, [&](std::size_t, const PageVerdict&) { stop = true; });
    EXPECT_TRUE(stopped.stopped);
    expectVerdicts(stopped, {{"index.html", Verdict::Indexable, Unknown::None, 200},
                             {"slow.html", Verdict::Unreachable, Unknown::Stopped, 0},
                             {"gone.html", Verdict::Unreachable, Unknown::Stopped, 0}});

    options.connections = 2;
    options.checkTimeout = std::chrono::milliseconds(500);
    const PageCheckReport late = CheckPages(
        pagesOf(site.Address(), {"slow.html", "slow.html", "gone.html"}), options, {}, kNeverStop);
    EXPECT_TRUE(late.timedOut);
    EXPECT_FALSE(late.stopped);
    for (const PageVerdict& page : late.pages) {
        EXPECT_EQ(page.verdict, Verdict::Unreachable);
        EXPECT_EQ(page.cause, Unknown::TimedOut);
    }
}

TEST(PageCheck, MakesAsManyRequestsAtATimeAsAsked) {
    EnsureCoreApplication();
    HttpServer site;
    ServeVerdictSite(site);
    PageCheckOptions options = quickOptions();
    options.requestTimeout = std::chrono::milliseconds(1000);
    options.connections = 8;
    const std::vector<PageToCheck> pages(9, PageToCheck{site.Address() + "slow.html", {}});
    const PageCheckReport report = CheckPages(pages, options, {}, kNeverStop);
    for (const PageVerdict& page : report.pages)
        EXPECT_EQ(page.cause, Unknown::TimedOut);
    // Every slow answer outlasts the request's time: the eight sent at once all reach the server
    // (not only the six Qt opens per manager), then the ninth.
    const std::string log = site.RequestLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 9);
}
