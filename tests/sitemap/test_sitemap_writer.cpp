#include "sitemap/sitemap_writer.h"

#include "core/file_io.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <algorithm>
#include <map>
#include <regex>

#include <zlib.h>

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

namespace {

const std::string kSite = "https://e.jp";

std::string pageRow(std::size_t i) {
    return kSite + "/s" + std::to_string(i / 1000) + "/;p" + std::to_string(i) +
           ".html;2006-12-01T10:20:30+09:00;weekly;0.5;";
}

// A file as written, unpacked when it is gzip.
std::string readUnpacked(const fs::path& path) {
    if (path.extension() != ".gz")
        return ReadFile(path);
    gzFile file = gzopen(path.c_str(), "rb");
    std::string bytes;
    char buffer[65536];
    int count = 0;
    while (file != nullptr && (count = gzread(file, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, std::size_t(count));
    if (file != nullptr)
        gzclose(file);
    return bytes;
}

// What a real XML parser makes of a document: its root, namespace and the texts of every
// element named item ("loc" or "lastmod").
struct Parsed {
    std::string root;
    std::string ns;
    std::vector<std::string> texts;
    std::string error;
};

Parsed parse(const std::string& document, const char* item) {
    Parsed parsed;
    QXmlStreamReader reader(QByteArray::fromStdString(document));
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (parsed.root.empty()) {
            parsed.root = reader.name().toString().toStdString();
            parsed.ns = reader.namespaceUri().toString().toStdString();
        } else if (reader.name() == QLatin1String(item)) {
            parsed.texts.push_back(reader.readElementText().trimmed().toStdString());
        }
    }
    if (reader.hasError())
        parsed.error = reader.errorString().toStdString();
    return parsed;
}

// Debian's xmllint reads the file (gzip too) and finds it well-formed.
bool xmllintAccepts(const fs::path& path) {
    return std::system(("xmllint --noout '" + path.string() + "'").c_str()) == 0;
}

class SitemapFilesTest : public ::testing::Test {
protected:
    SitemapFilesSummary write(std::size_t rows, const SitemapFilesOptions& options) {
        SitemapFilesWriter writer(folder_, options);
        for (std::size_t i = 0; i < rows; ++i)
            writer.AddRow(pageRow(i));
        return writer.Finish();
    }

    TempFolder tempFolder_{"sw_sitemap_files"};
    const fs::path folder_ = tempFolder_.Path();
};

} // namespace

TEST_F(SitemapFilesTest, LargeSiteGivesPartsAndAnIndexThatRealParsersRead) {
    struct Case {
        SitemapProtocol protocol;
        bool gzip;
        const char* ns;
    };
    const Case cases[] = {
        {SitemapProtocol::Google084, false, "http://www.google.com/schemas/sitemap/0.84"},
        {SitemapProtocol::Sitemaps09, true, "http://www.sitemaps.org/schemas/sitemap/0.9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ns);
        SitemapFilesOptions options;
        options.format.protocol = c.protocol;
        options.gzipParts = c.gzip;
        options.siteUrl = kSite;
        const SitemapFilesSummary summary = write(120000, options);
        EXPECT_EQ(summary.urls, 120000u);
        ASSERT_EQ(summary.parts, 3u);

        const std::string suffix = c.gzip ? ".xml.gz" : ".xml";
        const Parsed index = parse(ReadFile(SitemapPath(folder_)), "loc");
        EXPECT_EQ(index.error, "");
        EXPECT_EQ(index.root, "sitemapindex");
        EXPECT_EQ(index.ns, c.ns);
        const std::vector<std::string> parts = IndexedParts(folder_);
        ASSERT_EQ(parts.size(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_TRUE(std::regex_match(
                parts[i], std::regex(R"(sitemap-\d{14}-)" + std::to_string(i + 1) + suffix)))
                << parts[i];
            EXPECT_EQ(index.texts[i], kSite + "/" + parts[i]);
        }
        for (const std::string& lastmod : parse(ReadFile(SitemapPath(folder_)), "lastmod").texts)
            EXPECT_TRUE(std::regex_match(lastmod, std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)")))
                << lastmod;
        EXPECT_TRUE(xmllintAccepts(SitemapPath(folder_)));

        // Every row once, in order, no part beyond the limits.
        std::size_t next = 0;
        for (int part = 1; part <= 3; ++part) {
            const fs::path file = folder_ / parts[std::size_t(part) - 1];
            const std::string document = readUnpacked(file);
            EXPECT_EQ(ReadFile(file).compare(0, 2, "\x1f\x8b") == 0, c.gzip);
            const Parsed parsed = parse(document, "loc");
            EXPECT_EQ(parsed.error, "");
            EXPECT_EQ(parsed.root, "urlset");
            EXPECT_EQ(parsed.ns, c.ns);
            EXPECT_EQ(parsed.texts.size(), part < 3 ? 50000u : 20000u);
            for (const std::string& loc : parsed.texts) {
                const std::string expected = "https://e.jp/s" + std::to_string(next / 1000) + "/p" +
                                             std::to_string(next) + ".html";
                if (loc != expected) {
                    ADD_FAILURE() << loc << " instead of " << expected;
                    break;
                }
                ++next;
            }
            EXPECT_LE(document.size(), SitemapLimits().maxBytes);
            EXPECT_TRUE(xmllintAccepts(file));
        }
        EXPECT_EQ(next, 120000u);
    }
}

TEST_F(SitemapFilesTest, ByteLimitSplitsAndASmallSiteStaysOneFileWithoutOldParts) {
    SitemapFilesOptions options;
    options.format.limits.maxBytes = 2000;
    options.siteUrl = kSite;
    const SitemapFilesSummary summary = write(40, options);
    ASSERT_GT(summary.parts, 2u);
    std::size_t urls = 0;
    for (const std::string& part : IndexedParts(folder_)) {
        const std::string document = ReadFile(folder_ / part);
        EXPECT_LE(document.size(), 2000u) << part;
        urls += parse(document, "loc").texts.size();
    }
    EXPECT_EQ(urls, 40u);

    // Under the limits again: one sitemap.xml as ever, and no part of the old index is left.
    EXPECT_EQ(write(3, SitemapFilesOptions{{}, true, kSite}).parts, 0u);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
    SitemapBuilder single;
    for (std::size_t i = 0; i < 3; ++i)
        single.AddRow(pageRow(i));
    EXPECT_EQ(ReadFile(SitemapPath(folder_)), single.Finish());
    EXPECT_EQ(IndexedParts(folder_), std::vector<std::string>());
}

TEST(SitemapBuilder, Protocol09IsCompactLeavesOutEmptyValuesAndCanWriteFolderAddresses) {
    SitemapFormat format;
    format.protocol = SitemapProtocol::Sitemaps09;
    format.indexNames = {"index.html", "index.php"};
    SitemapBuilder builder(format);
    EXPECT_EQ(builder.AddRow(kSite + "/news/;index.html;2006-12-01T10:20:30+09:00;daily;0.8;"),
              kSite + "/news/");
    EXPECT_EQ(builder.AddRow(kSite + "/;a&b.html;;;;"), kSite + "/a&amp;b.html");
    EXPECT_EQ(builder.AddRow(kSite + "/;index.htm;;;0.5;"), kSite + "/index.htm");
    EXPECT_EQ(builder.Finish(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n"
              "<url><loc>https://e.jp/news/</loc><lastmod>2006-12-01T10:20:30+09:00</lastmod>"
              "<changefreq>daily</changefreq><priority>0.8</priority></url>\n"
              "<url><loc>https://e.jp/a&amp;b.html</loc></url>\n"
              "<url><loc>https://e.jp/index.htm</loc><priority>0.5</priority></url>\n"
              "</urlset>\n");
}

TEST(SitemapPartNames, OnlyNumberedPartsCount) {
    const std::pair<const char*, bool> cases[] = {
        {"sitemap-1.xml", true},         {"sitemap-12.xml.gz", true},
        {"sitemap-.xml", false},         {"sitemap-01.xml", false},
        {"sitemap-1.xml.bak", false},    {"../sitemap-1.xml", false},
        {"sitemap.xml", false},          {"sitemap-1a.xml", false},
        {"sitemap-2024-3.xml.gz", true}, {"sitemap-2024-03.xml", false},
        {"sitemap-1-2-3.xml", false},    {"sitemap-1-.xml", false},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(IsSitemapPartName(name), expected) << name;
}

TEST_F(SitemapFilesTest, AnInterruptedWriteKeepsTheWholeOldSetAndALaterRunClearsWhatKillsLeft) {
    SitemapFilesOptions options;
    options.format.limits.maxUrls = 2;
    options.siteUrl = kSite;
    write(5, options);
    const auto snapshot = [this] {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::directory_iterator(folder_))
            files[entry.path().filename().string()] = ReadFile(entry.path());
        return files;
    };
    const std::map<std::string, std::string> old = snapshot();
    ASSERT_EQ(old.size(), 4u); // three parts and the index
    // A full disk or a failing write at every step of every file of the next set: its four
    // parts and then the index.
    for (int spared = 0; spared < 5; ++spared) {
        for (AtomicWriteStep step :
             {AtomicWriteStep::CreateTemporary, AtomicWriteStep::SetPermissions,
              AtomicWriteStep::Write, AtomicWriteStep::Flush, AtomicWriteStep::Close,
              AtomicWriteStep::Rename}) {
            SCOPED_TRACE(std::to_string(spared) + " " + std::to_string(int(step)));
            const AtomicWriteFault fault(step, ENOSPC, spared);
            EXPECT_THROW(write(7, options), FileError);
            EXPECT_EQ(snapshot(), old);
        }
    }
    // What a kill -9 leaves: a temporary file and a part no index names; the next run clears
    // both, and every part of the old set.
    WriteFileAtomically(folder_ / "sitemap-1-9.xml", "x");
    WriteFileAtomically(folder_ / "sitemap-1-8.xml.swtmp-a1B2c3", "x");
    WriteFileAtomically(folder_ / "settings.ini.swtmp-a1B2c3", "not ours to clear");
    write(7, options);
    std::vector<std::string> expected = IndexedParts(folder_);
    expected.insert(expected.end(), {"settings.ini.swtmp-a1B2c3", "sitemap.xml"});
    std::vector<std::string> names;
    for (const auto& [name, bytes] : snapshot())
        names.push_back(name);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
}
