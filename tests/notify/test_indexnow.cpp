#include "notify/indexnow.h"
#include "notify/indexnow_key.h"
#include "notify/key_check.h"

#include "support/core_application.h"
#include "support/http_server.h"
#include "support/test_files.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <thread>

using namespace std::chrono_literals;

namespace {

const QString kKey = QStringLiteral("0123456789abcdef0123456789abcdef");

void writeFile(const std::filesystem::path& path, const std::string& content) {
    MakeFile(path, std::time(nullptr), content);
}

IndexNowOptions optionsFor(const HttpServer& server) {
    IndexNowOptions options;
    options.endpoint = server.Url(QStringLiteral("/indexnow"));
    options.limits.timeout = 10s;
    options.maxRetries = 2;
    options.defaultWait = 10ms;
    options.maxWait = 5s;
    return options;
}

QStringList addresses(const HttpServer& server, int count) {
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << server.Url(QStringLiteral("/page%1.html").arg(i)).toString();
    return list;
}

class IndexNow : public ::testing::Test {
protected:
    void SetUp() override { EnsureCoreApplication(); }
};

} // namespace

TEST_F(IndexNow, TheKeyFileCountsOnlyWhenItHoldsExactlyTheKey) {
    HttpServer site;
    writeFile(site.Root() / "good.txt", kKey.toStdString());
    writeFile(site.Root() / "newline.txt", kKey.toStdString() + "\n");
    writeFile(site.Root() / "other.txt", "fedcba9876543210fedcba9876543210");
    writeFile(site.Root() / "huge.txt", std::string(100000, 'a'));
    site.SetAnswer("/elsewhere/good.txt",
                   {302, {{"Location", "http://localhost:" + std::to_string(site.Url("").port()) + "/good.txt"}}, "", false, 0});
    struct Case {
        const char* path;
        KeyCheckKind kind;
        HttpOutcome outcome;
    };
    const Case cases[] = {
        {"/good.txt", KeyCheckKind::Verified, HttpOutcome::Answered},
        {"/missing.txt", KeyCheckKind::Missing, HttpOutcome::Answered},
        {"/newline.txt", KeyCheckKind::Different, HttpOutcome::Answered},
        {"/other.txt", KeyCheckKind::Different, HttpOutcome::Answered},
        {"/huge.txt", KeyCheckKind::Different, HttpOutcome::TooLarge},
        {"/elsewhere/good.txt", KeyCheckKind::NoAnswer, HttpOutcome::RedirectedElsewhere},
    };
    for (const Case& c : cases) {
        const KeyCheck check = CheckKeyFile(site.Url(c.path), kKey, HttpLimits{}, nullptr);
        EXPECT_EQ(check.kind, c.kind) << c.path;
        EXPECT_EQ(check.answer.outcome, c.outcome) << c.path;
    }
    // Where the program puts the key file and where it reads it back meet.
    writeFile(site.Root() / KeyFileName(kKey).toStdString(), KeyFileContent(kKey).toStdString());
    EXPECT_EQ(CheckKeyFile(KeyLocation(site.Url(""), kKey), kKey, {}, nullptr).kind,
              KeyCheckKind::Verified);
}

TEST_F(IndexNow, TheFirstBatchCarriesTheSiteTheKeyAndTenThousandAddresses) {
    HttpServer server("202");
    const IndexNowSite site{server.Url(QStringLiteral("/")), kKey};
    const QStringList sent = addresses(server, kIndexNowBatchSize + 1);
    const std::vector<BatchResult> results =
        NotifyIndexNow(site, sent, optionsFor(server), nullptr);

    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].kind, BatchKind::Received);
    EXPECT_EQ(results[0].first, 0);
    EXPECT_EQ(results[0].count, kIndexNowBatchSize);
    EXPECT_EQ(results[1].kind, BatchKind::Received);
    EXPECT_EQ(results[1].first, kIndexNowBatchSize);
    EXPECT_EQ(results[1].count, 1);

    const std::vector<HttpServer::Post> posts = server.Posts();
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[0].path, "/indexnow");
    EXPECT_EQ(posts[0].contentType, "application/json; charset=utf-8");
    const QJsonObject first = QJsonDocument::fromJson(posts[0].body).object();
    EXPECT_EQ(first["host"].toString(), "127.0.0.1");
    EXPECT_EQ(first["key"].toString(), kKey);
    EXPECT_EQ(first["keyLocation"].toString(), server.Url("/" + kKey + ".txt").toString());
    const QJsonArray urls = first["urlList"].toArray();
    ASSERT_EQ(urls.size(), kIndexNowBatchSize);
    EXPECT_EQ(urls[0].toString(), sent[0]);
    EXPECT_EQ(urls[kIndexNowBatchSize - 1].toString(), sent[kIndexNowBatchSize - 1]);
    EXPECT_EQ(QJsonDocument::fromJson(posts[1].body)["urlList"].toArray(), QJsonArray{sent.last()});

    EXPECT_TRUE(NotifyIndexNow(site, {}, optionsFor(server), nullptr).empty());
    EXPECT_EQ(server.Posts().size(), 2u);
}

TEST_F(IndexNow, EachAnswerHasItsKindAndARefusalEndsTheSending) {
    struct Case {
        std::string answers;
        BatchKind kind;
        int attempts;
        std::size_t posts;
    };
    const Case cases[] = {
        {"200", BatchKind::Received, 1, 2},          {"429:1,200", BatchKind::Received, 2, 3},
        {"429:0", BatchKind::TooManyRequests, 3, 3}, {"400", BatchKind::BadRequest, 1, 1},
        {"403", BatchKind::KeyNotVerified, 1, 1},    {"422", BatchKind::NotOfThisHost, 1, 1},
        {"500", BatchKind::OtherStatus, 1, 1},
    };
    for (const Case& c : cases) {
        HttpServer server(c.answers);
        const IndexNowSite site{server.Url(QStringLiteral("/")), kKey};
        const auto start = std::chrono::steady_clock::now();
        const std::vector<BatchResult> results = NotifyIndexNow(
            site, addresses(server, kIndexNowBatchSize + 1), optionsFor(server), nullptr);
        ASSERT_FALSE(results.empty()) << c.answers;
        EXPECT_EQ(results[0].kind, c.kind) << c.answers;
        EXPECT_EQ(results[0].attempts, c.attempts) << c.answers;
        EXPECT_EQ(results.size(), c.kind == BatchKind::Received ? 2u : 1u) << c.answers;
        EXPECT_EQ(server.Posts().size(), c.posts) << c.answers;
        if (c.answers == "429:1,200") { // Retry-After: 1 was waited for
            EXPECT_GE(std::chrono::steady_clock::now() - start, 900ms);
        }
    }
}

TEST_F(IndexNow, ASilentEndpointTimesOutAndAStopEndsAWait) {
    HttpServer server("sleep:5");
    IndexNowOptions options = optionsFor(server);
    options.limits.timeout = 300ms;
    const IndexNowSite site{server.Url(QStringLiteral("/")), kKey};
    std::vector<BatchResult> results = NotifyIndexNow(site, addresses(server, 3), options, nullptr);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].kind, BatchKind::NoAnswer);
    EXPECT_EQ(results[0].answer.outcome, HttpOutcome::TimedOut);

    HttpServer busy("429:30");
    std::atomic<bool> stop{false};
    std::thread stopper([&] {
        std::this_thread::sleep_for(300ms);
        stop = true;
    });
    const auto start = std::chrono::steady_clock::now();
    results = NotifyIndexNow(site, addresses(busy, 3), optionsFor(busy), &stop);
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].answer.outcome, HttpOutcome::Stopped);
    EXPECT_EQ(busy.Posts().size(), 1u);
    EXPECT_TRUE(NotifyIndexNow(site, addresses(busy, 3), optionsFor(busy), &stop).empty());
}

TEST(RetryWait, RetryAfterIsReadAsSecondsOrADateAndBounded) {
    IndexNowOptions options;
    options.defaultWait = 7s;
    options.maxWait = 60s;
    const QByteArray past = "Wed, 21 Oct 2015 07:28:00 GMT";
    const std::pair<QByteArray, std::chrono::milliseconds> cases[] = {
        {"5", 5s},  {" 0 ", 0s},          {"", 7s},   {"soon", 7s},
        {"-3", 7s}, {"99999999999", 60s}, {past, 0s},
    };
    for (const auto& [header, wait] : cases)
        EXPECT_EQ(RetryWait(header, options), wait) << header.constData();
    const QByteArray later =
        QDateTime::currentDateTimeUtc().addSecs(3600).toString(Qt::RFC2822Date).toLatin1();
    EXPECT_EQ(RetryWait(later, options), 60s);
}
