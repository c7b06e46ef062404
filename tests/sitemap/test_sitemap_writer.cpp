#include "sitemap/sitemap_writer.h"

#include "app/file_io.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <QXmlStreamReader>

namespace fs = std::filesystem;

namespace {

const std::string kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                          "<urlset xmlns=\"http://www.google.com/schemas/sitemap/0.84\">\r\n";
const std::string kTail = "</urlset>\r\n";

std::string urlBlock(const std::string& loc, const std::string& lastmod,
                     const std::string& changefreq, const std::string& priority) {
    return "<url>\r\n<loc>\r\n" + loc + "\r\n</loc>\r\n<lastmod>\r\n" + lastmod +
           "\r\n</lastmod>\r\n<changefreq>\r\n" + changefreq +
           "\r\n</changefreq>\r\n<priority>\r\n" + priority + "\r\n</priority>\r\n</url>\r\n";
}

std::string build(const std::vector<std::string>& rows) {
    SitemapBuilder builder;
    for (const auto& row : rows)
        builder.AddRow(row);
    return builder.Finish();
}

} // namespace

TEST(SitemapBuilder, EmptyTableGivesThreeLines) {
    EXPECT_EQ(build({}), kHead + kTail);
}

TEST(SitemapBuilder, OneRowGivesFourteenLinesWithValuesOnTheirOwnLines) {
    const std::string doc =
        build({"https://www.example.jp/news/;index.html;2006-12-01T10:20:30+09:00;weekly;0.5;"});
    EXPECT_EQ(doc, kHead +
                       urlBlock("https://www.example.jp/news/index.html",
                                "2006-12-01T10:20:30+09:00", "weekly", "0.5") +
                       kTail);
    EXPECT_EQ(doc.front(), '<') << "no byte-order mark";
    EXPECT_EQ(doc.substr(doc.size() - 2), "\r\n");
}

TEST(SitemapBuilder, EscapesEveryMarkupCharacterInEveryValue) {
    SitemapBuilder builder;
    EXPECT_EQ(builder.AddRow("https://e.jp/;a&b.html;t<1>;we\"ek'ly;&0.5;"),
              "https://e.jp/a&amp;b.html");
    EXPECT_EQ(builder.Finish(), kHead +
                                    urlBlock("https://e.jp/a&amp;b.html", "t&lt;1&gt;",
                                             "we&quot;ek&apos;ly", "&amp;0.5") +
                                    kTail);
    SitemapBuilder again;
    EXPECT_EQ(again.AddRow("https://e.jp/;x<y.html;;;;"), "https://e.jp/x&lt;y.html");
    // An entity's text in a row is text: escaped again.
    EXPECT_EQ(again.AddRow("https://e.jp/;a&amp.html;;;;"), "https://e.jp/a&amp;amp.html");
}

TEST(SitemapBuilder, MissingFieldsGiveEmptyValueLines) {
    // A row without its fifth separator has no priority; one with fewer fields has less.
    EXPECT_EQ(build({"https://e.jp/;a.html;2006-12-01T10:20:30+09:00;daily;0.5"}),
              kHead + urlBlock("https://e.jp/a.html", "2006-12-01T10:20:30+09:00", "daily", "") +
                  kTail);
    EXPECT_EQ(build({"https://e.jp/;"}), kHead + urlBlock("https://e.jp/", "", "", "") + kTail);
}

TEST(SitemapBuilder, TheLocIsPercentEncodedAndTheShownAddressReadable) {
    SitemapBuilder builder;
    // Outside the BMP: four bytes of UTF-8, four escapes.
    EXPECT_EQ(builder.AddRow("https://例.jp/a b/;索引🎉 x<y>.html;2006-12-01T10:20:30+09:00;;;"),
              "https://例.jp/a b/索引🎉 x&lt;y&gt;.html");
    EXPECT_NE(builder.Finish().find(
                  "\r\nhttps://例.jp/a%20b/%E7%B4%A2%E5%BC%95%F0%9F%8E%89%20x%3Cy%3E.html\r\n"),
              std::string::npos);
}

TEST(SitemapBuilder, EveryDocumentIsWellFormedWhateverTheRowsHold) {
    // Every single byte in a name and in the other values, and sequences that are no UTF-8 or
    // no characters to XML: a row edited by hand or read from an odd server.
    std::vector<std::string> values;
    for (int byte = 0; byte < 256; ++byte)
        values.push_back("a" + std::string(1, char(byte)) + "z");
    for (const char* sequence : {"\xEF\xBF\xBE", "\xEF\xBF\xBF", "\xED\xA0\x80", "\xC0\xAF",
                                 "\xE3\x81", "\xF4\x90\x80\x80", "]]>", "&#x1", "<!--"})
        values.push_back(sequence);
    std::vector<std::string> rows;
    for (const std::string& value : values)
        rows.push_back("https://e.jp/" + value + "/;" + value + ";" + value + ";" + value + ";" +
                       value + ";");
    const std::string document = build(rows);

    QXmlStreamReader reader(QByteArray::fromStdString(document));
    int locs = 0;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == u"loc")
            ++locs;
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    EXPECT_EQ(locs, int(rows.size()));
    // What XML cannot carry is written as "%XX"; the rest stays readable.
    for (const char* written : {"a%01z", "a%0Az", "a%7Fz", "a%FFz", "%EF%BF%BE", "%ED%A0%80",
                                "a&lt;z", "]]&gt;", "&amp;#x1", "https://e.jp/a%09z/a%09z"})
        EXPECT_NE(document.find(written), std::string::npos) << written;
}

TEST(SitemapBuilder, CountsUrlsAndKnowsTheSingleFileLimits) {
    SitemapBuilder builder;
    for (int i = 0; i < 50000; ++i)
        builder.AddRow("https://e.jp/;p.html;2006-12-01T10:20:30+09:00;weekly;0.5;");
    builder.Finish();
    EXPECT_EQ(builder.urlCount(), 50000u);
    EXPECT_FALSE(builder.ExceedsSingleFileLimits());

    SitemapBuilder more;
    for (int i = 0; i < 50001; ++i)
        more.AddRow("https://e.jp/;p.html;;;;");
    EXPECT_TRUE(more.ExceedsSingleFileLimits());

    SitemapBuilder big;
    const std::string longName(100000, 'x');
    for (int i = 0; i < 105; ++i)
        big.AddRow("https://e.jp/;" + longName + ";;;;");
    EXPECT_TRUE(big.ExceedsSingleFileLimits());
}

class SitemapFileTest : public ::testing::Test {
protected:
    TempFolder tempFolder_{"sw_sitemap"};
    const fs::path folder_ = tempFolder_.Path();
};

TEST_F(SitemapFileTest, KnowsASitemapWithoutAnyUrl) {
    EXPECT_FALSE(SitemapHasNoUrl(folder_)) << "missing: the upload says so itself";
    fs::create_directory(SitemapPath(folder_));
    EXPECT_FALSE(SitemapHasNoUrl(folder_)) << "a folder: the upload says so itself";
    fs::remove(SitemapPath(folder_));
    const std::pair<std::string, bool> cases[] = {
        {build({}), true},
        {build({"https://e.jp/;a.html;;;;"}), false},
        {"not a sitemap", true},
        {"", true},
    };
    for (const auto& [document, empty] : cases) {
        WriteSitemap(folder_, document);
        EXPECT_EQ(SitemapHasNoUrl(folder_), empty) << document;
    }
}

TEST_F(SitemapFileTest, SecondRunReplacesTheFileWhole) {
    WriteSitemap(folder_, build({"https://e.jp/;a.html;;;;", "https://e.jp/;b.html;;;;"}));
    const std::string second = build({});
    WriteSitemap(folder_, second);
    EXPECT_EQ(ReadFile(SitemapPath(folder_)), second);
    EXPECT_EQ(SitemapPath(folder_), folder_ / "sitemap.xml");
}

TEST_F(SitemapFileTest, FailedWriteKeepsTheOldFile) {
    const std::string old = build({"https://e.jp/;a.html;;;;"});
    WriteSitemap(folder_, old);
    // No temporary file can be made where the folder is gone; the error names the path.
    EXPECT_THROW(WriteSitemap(folder_ / "missing", build({})), FileError);
    EXPECT_EQ(ReadFile(SitemapPath(folder_)), old);
}

TEST_F(SitemapFileTest, WriteInterruptedAtEveryStepKeepsTheOldFile) {
    const std::string old = build({"https://e.jp/;a.html;;;;"});
    WriteSitemap(folder_, old);
    for (AtomicWriteStep step :
         {AtomicWriteStep::CreateTemporary, AtomicWriteStep::SetPermissions, AtomicWriteStep::Write,
          AtomicWriteStep::Flush, AtomicWriteStep::Close, AtomicWriteStep::Rename}) {
        const AtomicWriteFault fault(step, EIO);
        EXPECT_THROW(WriteSitemap(folder_, build({"https://e.jp/;b.html;;;;"})), FileError);
        EXPECT_EQ(ReadFile(SitemapPath(folder_)), old);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
    }
}
