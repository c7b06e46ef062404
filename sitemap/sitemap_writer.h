#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

// The sitemap document (protocol 0.84, UTF-8, CR LF after every line, no byte-order mark),
// built from work-table rows in table order. Every value stands on a line of its own between
// its opening and closing tag lines, and every value is XML-escaped, so that names holding
// "<", ">" or quotes still give a well-formed document; bytes XML 1.0 cannot carry (control
// characters, bytes that are no UTF-8, U+FFFE, U+FFFF) are written as "%XX".
class SitemapBuilder final {
public:
    SitemapBuilder();

    // Appends the fourteen lines of one row and returns its address as the window shows it
    // while it writes: readable (EncodedAddress's escapes decoded) and XML-escaped. The
    // location written is EncodedAddress of the row's URL, XML-escaped: an "&" that already
    // starts an entity is escaped again, the row holds text, not markup.
    std::string AddRow(std::string_view row);

    // Closes the urlset; the builder is done afterwards.
    const std::string& Finish();

    std::size_t urlCount() const { return urls_; }

    // True when the finished document breaks the protocol's limits for a single file
    // (50,000 URLs or 10,485,760 bytes); search engines then ignore it.
    bool ExceedsSingleFileLimits() const;

private:
    std::string document_;
    std::size_t urls_ = 0;
};

// The sitemap's place in the program folder.
std::filesystem::path SitemapPath(const std::filesystem::path& programFolder);

// Replaces the program folder's sitemap.xml with document; the old file stays intact when the
// write fails (FileError).
void WriteSitemap(const std::filesystem::path& programFolder, const std::string& document);

// True when the program folder's sitemap.xml is a regular file without any <url> element
// (also when it stops being well-formed XML before one): uploaded, it would empty the sitemap
// on the server. False when it holds a URL, and when it is missing or no regular file, which
// the upload itself reports.
bool SitemapHasNoUrl(const std::filesystem::path& programFolder);
