#include "sitemap/sitemap_writer.h"

#include <QFile>
#include <QXmlStreamReader>

#include "app/file_io.h"
#include "app/text_util.h"
#include "app/url_entry.h"

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kMaxUrls = 50000;
constexpr std::size_t kMaxBytes = 10485760;

void appendLine(std::string& out, std::string_view text) {
    out += text;
    out += kLineEnd;
}

// value as element content: markup characters as entities, and every byte that XML 1.0
// cannot carry (a control character, no valid UTF-8, U+FFFE, U+FFFF) as "%XX", so that no row,
// edited or not, can make the document ill-formed.
void appendEscaped(std::string& out, std::string_view value) {
    while (!value.empty()) {
        const std::size_t length = SafeCharLength(value);
        if (length == 0) {
            AppendPercentEncoded(out, static_cast<unsigned char>(value[0]));
            value.remove_prefix(1);
            continue;
        }
        switch (value[0]) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out += value.substr(0, length);
        }
        value.remove_prefix(length);
    }
}

// The opening tag, the escaped value and the closing tag, each on a line of its own.
void appendEscapedElement(std::string& out, std::string_view open, std::string_view value,
                          std::string_view close) {
    appendLine(out, open);
    appendEscaped(out, value);
    out += kLineEnd;
    appendLine(out, close);
}

} // namespace

SitemapBuilder::SitemapBuilder() {
    appendLine(document_, R"(<?xml version="1.0" encoding="UTF-8"?>)");
    appendLine(document_, R"(<urlset xmlns="http://www.google.com/schemas/sitemap/0.84">)");
}

std::string SitemapBuilder::AddRow(std::string_view row) {
    const UrlEntryLayout layout(row);
    const auto field = [&](UrlField which) { return layout.Field(row, which); };
    const std::string url = Concat({field(UrlField::Link), field(UrlField::Filename)});
    appendLine(document_, "<url>");
    appendEscapedElement(document_, "<loc>", EncodedAddress(url), "</loc>");
    appendEscapedElement(document_, "<lastmod>", field(UrlField::Lastmod), "</lastmod>");
    appendEscapedElement(document_, "<changefreq>", field(UrlField::Changefreq), "</changefreq>");
    appendEscapedElement(document_, "<priority>", field(UrlField::Priority), "</priority>");
    appendLine(document_, "</url>");
    ++urls_;
    std::string shown;
    appendEscaped(shown, ReadableAddress(url));
    return shown;
}

const std::string& SitemapBuilder::Finish() {
    appendLine(document_, "</urlset>");
    return document_;
}

bool SitemapBuilder::ExceedsSingleFileLimits() const {
    return urls_ > kMaxUrls || document_.size() > kMaxBytes;
}

std::filesystem::path SitemapPath(const std::filesystem::path& programFolder) {
    return programFolder / "sitemap.xml";
}

void WriteSitemap(const std::filesystem::path& programFolder, const std::string& document) {
    WriteFileAtomically(SitemapPath(programFolder), document);
}

bool SitemapHasNoUrl(const std::filesystem::path& programFolder) {
    const std::filesystem::path path = SitemapPath(programFolder);
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    QFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QXmlStreamReader reader(&file);
    while (reader.readNext() != QXmlStreamReader::Invalid &&
           reader.tokenType() != QXmlStreamReader::EndDocument) {
        if (reader.isStartElement() && reader.name() == QLatin1String("url"))
            return false;
    }
    return true;
}
