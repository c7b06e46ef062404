#include "notify/indexnow_key.h"
#include "notify/page_changes.h"
#include "notify/robots_sitemap.h"

#include <gtest/gtest.h>

#include <set>

TEST(RobotsSitemap, TheLineIsFoundAndAddedKeepingEveryOtherByte) {
    const QUrl sitemap(QStringLiteral("https://example.com/sitemap.xml"));
    const QByteArray line = "Sitemap: https://example.com/sitemap.xml";
    struct Case {
        const char* name;
        QByteArray robots;
        bool has;
        QByteArray added; // what WithSitemapLine gives
    };
    const Case cases[] = {
        {"absent file", "", false, line + "\n"},
        {"without a line", "User-agent: *\nDisallow: /tmp/\n", false,
         "User-agent: *\nDisallow: /tmp/\n" + line + "\n"},
        {"another Sitemap line", "Sitemap: https://example.com/old.xml\n", false,
         "Sitemap: https://example.com/old.xml\n" + line + "\n"},
        {"a longer address", "Sitemap: https://example.com/sitemap.xml.gz\n", false,
         "Sitemap: https://example.com/sitemap.xml.gz\n" + line + "\n"},
        {"only in a comment", "# Sitemap: https://example.com/sitemap.xml\n", false,
         "# Sitemap: https://example.com/sitemap.xml\n" + line + "\n"},
        {"the same", "User-agent: *\n" + line + "\n", true, "User-agent: *\n" + line + "\n"},
        {"the same, other case, blanks and a comment",
         " sITEMAP :\thttps://EXAMPLE.com/sitemap.xml  # ours\nUser-agent: *\n", true,
         " sITEMAP :\thttps://EXAMPLE.com/sitemap.xml  # ours\nUser-agent: *\n"},
        {"CRLF", "User-agent: *\r\nDisallow: /a\r\n", false,
         "User-agent: *\r\nDisallow: /a\r\n" + line + "\r\n"},
        {"CRLF, no final line end", "User-agent: *\r\nDisallow: /a", false,
         "User-agent: *\r\nDisallow: /a\r\n" + line + "\r\n"},
        {"CR only", "User-agent: *\rDisallow: /a\r", false,
         "User-agent: *\rDisallow: /a\r" + line + "\r"},
        {"CRLF, the same last", "User-agent: *\r\n" + line, true, "User-agent: *\r\n" + line},
        {"no final line end", "User-agent: *\nDisallow: /x", false,
         "User-agent: *\nDisallow: /x\n" + line + "\n"},
        {"BOM, the same first", "\xEF\xBB\xBF" + line + "\r\n", true,
         "\xEF\xBB\xBF" + line + "\r\n"},
        {"BOM, without", "\xEF\xBB\xBFUser-agent: *\n", false,
         "\xEF\xBB\xBFUser-agent: *\n" + line + "\n"},
        {"BOM alone", "\xEF\xBB\xBF", false, "\xEF\xBB\xBF" + line + "\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HasSitemapLine(c.robots, sitemap), c.has) << c.name;
        const QByteArray added = WithSitemapLine(c.robots, sitemap);
        EXPECT_EQ(added, c.added) << c.name;
        EXPECT_TRUE(HasSitemapLine(added, sitemap)) << c.name;
    }
}

TEST(PageChanges, AddedChangedAndRemovedPagesAreFoundAndNothingWhenNothingMoved) {
    const std::vector<NotifiedPage> last = {{"https://e.jp/a", "2024-01-01"},
                                            {"https://e.jp/b", "2024-01-01"},
                                            {"https://e.jp/c", "2024-01-01"},
                                            {"https://e.jp/d", "2024-01-01"}};
    const std::vector<NotifiedPage> now = {{"https://e.jp/e", "2024-02-01"},
                                           {"https://e.jp/b", "2024-01-01"},
                                           {"https://e.jp/a", "2024-02-01"},
                                           {"https://e.jp/d", "2024-01-02"},
                                           {"https://e.jp/d", "2024-01-01"}};
    const PageChanges changes = ChangesSince(last, now);
    EXPECT_EQ(changes.added, QStringList{"https://e.jp/e"});
    EXPECT_EQ(changes.changed, QStringList{"https://e.jp/a"});
    EXPECT_EQ(changes.removed, QStringList{"https://e.jp/c"});
    EXPECT_EQ(changes.All().size(), 3);
    EXPECT_TRUE(ChangesSince(now, now).IsEmpty());
    EXPECT_EQ(ChangesSince({}, now).added.size(), 4);
}

TEST(IndexNowKey, KeysAreFreshLowercaseHexAndTheirFileSitsInTheSiteFolder) {
    std::set<QString> keys;
    for (int i = 0; i < 20; ++i) {
        const std::optional<QString> key = MakeIndexNowKey();
        ASSERT_TRUE(key.has_value());
        EXPECT_EQ(key->size(), 32);
        for (const QChar c : *key)
            EXPECT_TRUE((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')) << key->toStdString();
        EXPECT_TRUE(IsIndexNowKey(*key));
        EXPECT_EQ(KeyFileContent(*key), key->toLatin1());
        keys.insert(*key);
    }
    EXPECT_EQ(keys.size(), 20u);
    for (const char* refused : {"short", "abc def-123456", "schlüssel-123456", ""})
        EXPECT_FALSE(IsIndexNowKey(QString::fromUtf8(refused))) << refused;
    EXPECT_TRUE(IsIndexNowKey(QStringLiteral("Key-0123")));

    const QString key = QStringLiteral("0123456789abcdef0123456789abcdef");
    EXPECT_EQ(KeyLocation(QUrl("https://example.com"), key),
              QUrl("https://example.com/0123456789abcdef0123456789abcdef.txt"));
    EXPECT_EQ(KeyLocation(QUrl("http://example.com/~anna?x=1"), key),
              QUrl("http://example.com/~anna/0123456789abcdef0123456789abcdef.txt"));
}
