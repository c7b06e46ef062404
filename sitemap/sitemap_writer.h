#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The two documents a sitemap can be: Google's protocol 0.84 (every value on a line of its
// own, CR LF) and sitemaps.org's 0.9 (one element per line, LF; empty values left out, as its
// schema has no empty lastmod, changefreq or priority).
enum class SitemapProtocol { Google084, Sitemaps09 };

// What search engines read of one sitemap file: 50,000 URLs and 50 MiB before compression.
struct SitemapLimits {
    std::size_t maxUrls = 50000;
    std::size_t maxBytes = 52428800;
};

struct SitemapFormat {
    SitemapProtocol protocol = SitemapProtocol::Google084;
    // File names that are written as their folder's address ("…/news/" for
    // "…/news/index.html"); empty: every file under its own name.
    std::vector<std::string> indexNames;
    SitemapLimits limits;
};

// The address a page stands under in the sitemap: its folder's URL alone for the folder's own
// page, whose name is one of indexNames, else the folder's URL and the name.
std::string SitemapAddress(std::string_view folder, std::string_view name,
                           const std::vector<std::string>& indexNames);

// One sitemap document (UTF-8, no byte-order mark), built from work-table rows in table order.
// Every value is XML-escaped, so that names holding "<", ">" or quotes still give a
// well-formed document; bytes XML 1.0 cannot carry (control characters, bytes that are no
// UTF-8, U+FFFE, U+FFFF) are written as "%XX".
class SitemapBuilder final {
public:
    explicit SitemapBuilder(const SitemapFormat& format = {});

    // Appends the row's <url> element and returns the escaped location, which the window shows
    // while it writes. An "&" that already starts an entity is escaped again: the row holds
    // text, not markup.
    std::string AddRow(std::string_view row);

    // Closes the urlset; the builder is done afterwards.
    const std::string& Finish();

    std::size_t urlCount() const { return urls_; }

private:
    SitemapFormat format_;
    std::string document_;
    std::size_t urls_ = 0;
};

// How WriteSitemapFiles lays a site out.
struct SitemapFilesOptions {
    SitemapFormat format;
    bool gzipParts = false;
    // The web site URL without a final "/": the index names each part under it.
    std::string siteUrl;
    // The rows come from a stopped or failed retrieval: the sitemap says so (see SitemapFacts),
    // so that an upload can refuse to publish it.
    bool incomplete = false;
};

// What a sitemap came to.
struct SitemapFilesSummary {
    std::size_t urls = 0;
    // 0: one sitemap.xml holds every URL; otherwise the parts sitemap.xml indexes.
    std::size_t parts = 0;
    std::vector<std::string> partNames; // the parts' file names, in order
};

// Writes rows added one at a time into folder: one sitemap.xml while they fit into one
// document; beyond that the parts sitemap-<stamp>-1.xml, sitemap-<stamp>-2.xml, … (".xml.gz"
// with gzipParts), named for this run so that no part of the standing set is touched, and
// sitemap.xml as their index, written last. Each document goes to its file row by row (gzipped
// as it goes once it is known to be a part): none is held in memory. Once the new sitemap.xml
// stands, the parts it does not name and stale temporary files of earlier runs are
// removed; a run that fails or is abandoned before that removes the parts it wrote, and the
// old set stays whole. Throws FileError when a file cannot be written. The caller holds the
// folder's FolderLock.
class SitemapFilesWriter final {
public:
    SitemapFilesWriter(std::filesystem::path folder, SitemapFilesOptions options);
    ~SitemapFilesWriter();
    SitemapFilesWriter(const SitemapFilesWriter&) = delete;
    SitemapFilesWriter& operator=(const SitemapFilesWriter&) = delete;

    void AddRow(std::string_view row);
    // The address of the row added last as SitemapBuilder::AddRow returns it, for a window
    // that shows progress now and then (made only when asked for).
    std::string LastRowShown() const;
    SitemapFilesSummary Finish();

private:
    class Document;
    Document& document();
    void writePart();

    const std::filesystem::path folder_;
    const SitemapFilesOptions options_;
    std::string stamp_;                  // of this run's part names
    std::unique_ptr<Document> document_; // the one being written, opened with its first row
    std::size_t urls_ = 0;
    std::string lastUrl_;
    std::vector<std::string> partNames_; // written so far, in order
    std::string index_;
    bool finished_ = false;
};

// What a sitemap document says of itself. This program writes after an index, and after a
// document from an incomplete retrieval, a comment " sitewright urls=N complete|incomplete ".
struct SitemapFacts {
    bool index = false;
    // The file names an index names, in its order.
    std::vector<std::string> parts;
    // The <url> elements of a single document, or the count a comment of this program states;
    // nothing for an index without one.
    std::optional<std::size_t> urls;
    bool incomplete = false;
    bool wellFormed = true;
};
SitemapFacts ReadSitemapFacts(std::string_view document);

// The sitemap's place in the program folder: the one document or the index.
std::filesystem::path SitemapPath(const std::filesystem::path& programFolder);

// Replaces the program folder's sitemap.xml with document; the old file stays intact when the
// write fails (FileError).
void WriteSitemap(const std::filesystem::path& programFolder, const std::string& document);

// The gzip file (RFC 1952) of bytes.
std::string Gzipped(std::string_view bytes);

// True when name is one a part of a sitemap has: "sitemap-N.xml", "sitemap-STAMP-N.xml", or
// either with ".gz".
bool IsSitemapPartName(std::string_view name);

// The file names of the parts the program folder's sitemap.xml indexes, in its order; empty
// when it is no index (or no readable XML).
std::vector<std::string> IndexedParts(const std::filesystem::path& programFolder);

// True when the program folder's sitemap.xml is a regular file without any <url> element or,
// being an index, any <sitemap> (also when it stops being well-formed XML before one):
// uploaded, it would empty the sitemap on the server. False when it holds one, and when it is
// missing or no regular file, which the upload itself reports.
bool SitemapHasNoUrl(const std::filesystem::path& programFolder);
