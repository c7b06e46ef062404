#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

// The sitemap document (protocol 0.84, UTF-8, CR LF after every line, no byte-order mark),
// built from work-table rows in table order. Every value stands on a line of its own between
// its opening and closing tag lines, and every value is XML-escaped, so that names holding
// "<", ">" or quotes still give a well-formed document.
class SitemapBuilder final {
public:
    SitemapBuilder();

    // Appends the fourteen lines of one row (fields read with str_field) and returns the
    // escaped location, which the window shows while it writes.
    std::string AddRow(const std::string& row);

    // Closes the urlset; the builder is done afterwards.
    const std::string& Finish();

    std::size_t urlCount() const { return urls_; }
    const std::string& document() const { return document_; }

    // True when the finished document breaks the protocol's limits for a single file
    // (50,000 URLs or 10,485,760 bytes); search engines then ignore it.
    bool ExceedsSingleFileLimits() const;

private:
    std::string document_;
    std::size_t urls_ = 0;
};

// value with "&", "<", ">", '"' and "'" replaced by their entities. An "&" that already starts
// an entity is escaped again: the row holds text, not markup.
std::string EscapeXml(std::string_view value);

// The sitemap's place in the program folder.
std::filesystem::path SitemapPath(const std::filesystem::path& programFolder);

// Replaces the program folder's sitemap.xml with document; the old file stays intact when the
// write fails (FileError).
void WriteSitemap(const std::filesystem::path& programFolder, const std::string& document);
