#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The one codec of work-table rows. A row is the text of its five fields, each followed by
// ";"; rows are kept and passed as that text, and every reader takes the fields out here.

// The five fields of a row, only while a row is being built or edited.
struct UrlEntryFields {
    std::string link; // folder URL ending in "/"
    std::string filename;
    std::string lastmod;
    std::string changefreq;
    std::string priority;
};

// The fields in their order in the row.
enum class UrlField { Link, Filename, Lastmod, Changefreq, Priority };
inline constexpr std::size_t kUrlFieldCount = 5;

// The row text: each field followed by ";".
std::string BuildUrlEntry(const UrlEntryFields& fields);

// Where the fields of a row text lie, found in one pass, so that a field can be read again and
// again without splitting the row anew. Field n is the text between the (n-1)-th and the n-th
// ";": a field whose closing ";" is missing reads as empty, and text after the fifth ";"
// belongs to no field (as str_field reads rows). Offsets are 32 bits: in a row beyond 4 GiB
// the fields past that point read as empty.
class UrlEntryLayout final {
public:
    explicit UrlEntryLayout(std::string_view row);

    // The field of row, which must be the text the layout was made from.
    std::string_view Field(std::string_view row, UrlField field) const;

private:
    static constexpr std::uint32_t kMissing = UINT32_MAX;
    std::array<std::uint32_t, kUrlFieldCount> ends_; // offset of each field's ";"
};

// The fields of a row text.
UrlEntryFields ReadUrlEntry(std::string_view row);

// True when a field holds the row separator ";", which the row text cannot carry.
bool HasSeparatorInField(const UrlEntryFields& fields);

// The address a sitemap carries for a row's URL text (its folder URL and file name joined):
// after the scheme and host, every byte a path may not hold raw (RFC 3986: all but letters,
// digits, "-._~", "!$&'()*+,;=", ":", "@" and "/") is written "%XX" from its UTF-8 form. A "%"
// that starts an escape stays as it is: rows write the "%" of a name as "%25" and a ";" as
// "%3B", so decoding the address gives the file's name on the server.
std::string EncodedAddress(std::string_view url);

// A row's URL text as people read it: each "%XX" that stands for a printable character decoded
// ("%20" a blank, "%E3%81%8A" "お"); a control character stays escaped. When the decoded text
// would not be valid UTF-8, the text as it stands.
std::string ReadableAddress(std::string_view url);
