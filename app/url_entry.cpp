#include "app/url_entry.h"

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
