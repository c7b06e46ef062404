#include "core/url_entry.h"

#include <algorithm>

#include "core/text_util.h"

namespace {

// The fields of a row being built, in their order.
std::array<const std::string*, kUrlFieldCount> inOrder(const UrlEntryFields& fields) {
    return {&fields.link, &fields.filename, &fields.lastmod, &fields.changefreq, &fields.priority};
}

} // namespace

std::string BuildUrlEntry(const UrlEntryFields& fields) {
    std::size_t size = kUrlFieldCount;
    for (const std::string* field : inOrder(fields))
        size += field->size();
    std::string row;
    row.reserve(size);
    for (const std::string* field : inOrder(fields)) {
        row += *field;
        row += ';';
    }
    return row;
}

UrlEntryLayout::UrlEntryLayout(std::string_view row) {
    std::size_t from = 0;
    for (std::uint32_t& end : ends_) {
        const std::size_t at = from <= row.size() ? row.find(';', from) : std::string_view::npos;
        end = at < kMissing ? std::uint32_t(at) : kMissing;
        from = at == std::string_view::npos ? row.size() + 1 : at + 1;
    }
}

std::string_view UrlEntryLayout::Field(std::string_view row, UrlField field) const {
    const auto n = std::size_t(field);
    const std::uint32_t end = ends_[n];
    if (end == kMissing || end > row.size())
        return {};
    const std::size_t start = n == 0 ? 0 : std::size_t(ends_[n - 1]) + 1;
    return row.substr(start, end - start);
}

UrlEntryFields ReadUrlEntry(std::string_view row) {
    const UrlEntryLayout layout(row);
    const auto field = [&](UrlField which) { return std::string(layout.Field(row, which)); };
    return {field(UrlField::Link), field(UrlField::Filename), field(UrlField::Lastmod),
            field(UrlField::Changefreq), field(UrlField::Priority)};
}

bool HasSeparatorInField(const UrlEntryFields& fields) {
    for (const std::string* field : inOrder(fields)) {
        if (field->find(';') != std::string::npos)
            return true;
    }
    return false;
}

namespace {

bool mayStandInPath(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return true;
    return std::string_view("-._~!$&'()*+,;=:@/").find(char(c)) != std::string_view::npos;
}

} // namespace

std::string EncodedAddress(std::string_view url) {
    // Scheme and host pass as typed: "[::1]" and the port belong there.
    std::size_t pathStart = 0;
    if (const std::size_t scheme = url.find("://"); scheme != std::string_view::npos)
        pathStart = std::min(url.find('/', scheme + 3), url.size());
    std::string encoded(url.substr(0, pathStart));
    encoded.reserve(url.size());
    for (std::size_t i = pathStart; i < url.size(); ++i) {
        const auto c = static_cast<unsigned char>(url[i]);
        if (mayStandInPath(c) || PercentEscapedByte(url.substr(i)) >= 0)
            encoded += char(c);
        else
            AppendPercentEncoded(encoded, c);
    }
    return encoded;
}

std::string ReadableAddress(std::string_view url) {
    std::string readable;
    readable.reserve(url.size());
    for (std::size_t i = 0; i < url.size(); ++i) {
        const int byte = PercentEscapedByte(url.substr(i));
        if (byte < 0x20 || byte == 0x7F) {
            readable += url[i];
        } else {
            readable += char(byte);
            i += 2;
        }
    }
    return HasUnsafeCharacters(readable) ? std::string(url) : readable;
}
