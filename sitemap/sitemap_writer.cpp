#include "sitemap/sitemap_writer.h"

#include "app/file_io.h"
#include "app/str_conf.h"

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kMaxUrls = 50000;
constexpr std::size_t kMaxBytes = 10485760;

void appendLine(std::string& out, std::string_view text) {
    out += text;
    out += kLineEnd;
}

void appendEscaped(std::string& out, std::string_view value) {
    for (const char c : value) {
        switch (c) {
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
            out += c;
        }
    }
}

// The opening tag, the value and the closing tag, each on a line of its own.
void appendElement(std::string& out, std::string_view open, std::string_view escapedValue,
                   std::string_view close) {
    appendLine(out, open);
    appendLine(out, escapedValue);
    appendLine(out, close);
}

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

std::string SitemapBuilder::AddRow(const std::string& row) {
    std::string location = EscapeXml(str_field(row, ";", 1) + str_field(row, ";", 2));
    appendLine(document_, "<url>");
    appendElement(document_, "<loc>", location, "</loc>");
    appendEscapedElement(document_, "<lastmod>", str_field(row, ";", 3), "</lastmod>");
    appendEscapedElement(document_, "<changefreq>", str_field(row, ";", 4), "</changefreq>");
    appendEscapedElement(document_, "<priority>", str_field(row, ";", 5), "</priority>");
    appendLine(document_, "</url>");
    ++urls_;
    return location;
}

const std::string& SitemapBuilder::Finish() {
    appendLine(document_, "</urlset>");
    return document_;
}

bool SitemapBuilder::ExceedsSingleFileLimits() const {
    return urls_ > kMaxUrls || document_.size() > kMaxBytes;
}

std::string EscapeXml(std::string_view value) {
    std::string escaped;
    escaped.reserve(value.size());
    appendEscaped(escaped, value);
    return escaped;
}

std::filesystem::path SitemapPath(const std::filesystem::path& programFolder) {
    return programFolder / "sitemap.xml";
}

void WriteSitemap(const std::filesystem::path& programFolder, const std::string& document) {
    WriteFileAtomically(SitemapPath(programFolder), document);
}
