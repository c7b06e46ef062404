#include "sitemap/sitemap_writer.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <fstream>
#include <functional>

#include <zlib.h>

#include <QFile>
#include <QXmlStreamReader>

#include "core/file_io.h"
#include "core/text_util.h"
#include "core/texts.h"
#include "core/url_entry.h"

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kDeclaration = R"(<?xml version="1.0" encoding="UTF-8"?>)";

std::string_view namespaceOf(SitemapProtocol protocol) {
    return protocol == SitemapProtocol::Google084 ? "http://www.google.com/schemas/sitemap/0.84"
                                                  : "http://www.sitemaps.org/schemas/sitemap/0.9";
}

std::string_view lineEndOf(SitemapProtocol protocol) {
    return protocol == SitemapProtocol::Google084 ? kLineEnd : "\n";
}

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

// An element of the compact layout: "<name>value</name>", value escaped; left out when value
// is empty.
void appendCompact(std::string& out, std::string_view name, std::string_view value) {
    if (value.empty())
        return;
    out += '<';
    out += name;
    out += '>';
    appendEscaped(out, value);
    out += "</";
    out += name;
    out += '>';
}

// The document's first two lines, with root "urlset" or "sitemapindex".
std::string documentHead(SitemapProtocol protocol, std::string_view root) {
    const std::string_view end = lineEndOf(protocol);
    return Concat({kDeclaration, end, "<", root, " xmlns=\"", namespaceOf(protocol), "\">", end});
}

// The URL text a row stands for.
std::string urlOf(const UrlEntryLayout& layout, std::string_view row, const SitemapFormat& format) {
    return SitemapAddress(layout.Field(row, UrlField::Link), layout.Field(row, UrlField::Filename),
                          format.indexNames);
}

// An address as the window shows it while the sitemap is written: readable, XML-escaped.
std::string shownAddress(std::string_view url) {
    std::string shown;
    appendEscaped(shown, ReadableAddress(url));
    return shown;
}

// The UTC time now as a W3C datetime, for the index's lastmod of a part just written.
std::string utcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

std::string partName(const std::string& stamp, std::size_t number, bool gzip) {
    return Concat({"sitemap-", stamp, "-", std::to_string(number), gzip ? ".xml.gz" : ".xml"});
}

// The UTC time now as digits, later by a second for each stamp a file of folder already has:
// a run's part names are its own.
std::string freshStamp(const std::filesystem::path& folder) {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &parts);
    for (unsigned long long stamp = std::stoull(text);; ++stamp) {
        const std::string prefix = Concat({"sitemap-", std::to_string(stamp), "-"});
        bool taken = false;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error))
            taken =
                taken || entry.path().filename().string().compare(0, prefix.size(), prefix) == 0;
        if (!taken)
            return std::to_string(stamp);
    }
}

// The row's <url> element, and the URL text it stands for into url.
std::string urlElement(const SitemapFormat& format, std::string_view row, std::string& url) {
    const UrlEntryLayout layout(row);
    const auto field = [&](UrlField which) { return layout.Field(row, which); };
    url = urlOf(layout, row, format);
    std::string element;
    if (format.protocol == SitemapProtocol::Sitemaps09) {
        element += "<url>";
        appendCompact(element, "loc", EncodedAddress(url));
        appendCompact(element, "lastmod", field(UrlField::Lastmod));
        appendCompact(element, "changefreq", field(UrlField::Changefreq));
        appendCompact(element, "priority", field(UrlField::Priority));
        element += "</url>\n";
        return element;
    }
    appendLine(element, "<url>");
    appendEscapedElement(element, "<loc>", EncodedAddress(url), "</loc>");
    appendEscapedElement(element, "<lastmod>", field(UrlField::Lastmod), "</lastmod>");
    appendEscapedElement(element, "<changefreq>", field(UrlField::Changefreq), "</changefreq>");
    appendEscapedElement(element, "<priority>", field(UrlField::Priority), "</priority>");
    appendLine(element, "</url>");
    return element;
}

std::string urlsetEnd(SitemapProtocol protocol) {
    return Concat({"</urlset>", lineEndOf(protocol)});
}

// True when an element of elementBytes still fits into a document of bytes and urls within the
// limits; always true for the first one, which has nowhere else to go.
bool fits(const SitemapLimits& limits, std::size_t bytes, std::size_t urls,
          std::size_t elementBytes) {
    constexpr std::size_t kClosingBytes = sizeof("</urlset>\r\n") - 1;
    return urls == 0 ||
           (urls < limits.maxUrls && bytes + elementBytes + kClosingBytes <= limits.maxBytes);
}

// A gzip stream (RFC 1952) handed to sink piece by piece as the bytes come.
class GzipStream final {
public:
    using Sink = std::function<void(std::string_view)>;
    explicit GzipStream(Sink sink) : sink_(std::move(sink)), out_(65536) {
        // Window bits 15 + 16: a gzip header and trailer around the deflate stream.
        if (deflateInit2(&stream_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8,
                         Z_DEFAULT_STRATEGY) != Z_OK)
            throw std::bad_alloc();
    }
    ~GzipStream() { deflateEnd(&stream_); }
    GzipStream(const GzipStream&) = delete;
    GzipStream& operator=(const GzipStream&) = delete;

    void Add(std::string_view bytes) { deflateInto(bytes, Z_NO_FLUSH); }
    void Finish() { deflateInto({}, Z_FINISH); }

private:
    void deflateInto(std::string_view bytes, int flush) {
        stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
        stream_.avail_in = uInt(bytes.size());
        do {
            stream_.next_out = reinterpret_cast<Bytef*>(out_.data());
            stream_.avail_out = uInt(out_.size());
            if (deflate(&stream_, flush) == Z_STREAM_ERROR)
                throw std::bad_alloc();
            sink_(std::string_view(out_.data(), out_.size() - stream_.avail_out));
        } while (stream_.avail_out == 0);
    }

    z_stream stream_{};
    Sink sink_;
    std::vector<char> out_;
};

constexpr std::string_view kFactsMark = " sitewright urls=";

// The comment after the root element that tells what a document holds.
std::string factsComment(std::size_t urls, bool incomplete, SitemapProtocol protocol) {
    return Concat({"<!--", kFactsMark, std::to_string(urls),
                   incomplete ? " incomplete" : " complete", " -->", lineEndOf(protocol)});
}

} // namespace

std::string SitemapAddress(std::string_view folder, std::string_view name,
                           const std::vector<std::string>& indexNames) {
    if (std::find(indexNames.begin(), indexNames.end(), name) != indexNames.end())
        return std::string(folder);
    return Concat({folder, name});
}

SitemapBuilder::SitemapBuilder(const SitemapFormat& format)
    : format_(format), document_(documentHead(format.protocol, "urlset")) {}

std::string SitemapBuilder::AddRow(std::string_view row) {
    std::string url;
    document_ += urlElement(format_, row, url);
    ++urls_;
    return shownAddress(url);
}

const std::string& SitemapBuilder::Finish() {
    document_ += urlsetEnd(format_.protocol);
    return document_;
}

// The document being written: a urlset in a temporary file of the folder, plain while it may
// still become sitemap.xml, gzipped when it can only be a part.
class SitemapFilesWriter::Document final {
public:
    Document(const std::filesystem::path& folder, SitemapProtocol protocol, bool gzip)
        : file_(SitemapPath(folder)) {
        if (gzip)
            gzip_ =
                std::make_unique<GzipStream>([this](std::string_view out) { file_.Write(out); });
        Add(documentHead(protocol, "urlset"));
    }

    void Add(std::string_view bytes) {
        bytes_ += bytes.size();
        if (gzip_)
            gzip_->Add(bytes);
        else
            file_.Write(bytes);
    }
    void AddUrl(std::string_view element) {
        Add(element);
        ++urls_;
    }
    std::size_t bytes() const { return bytes_; }
    std::size_t urls() const { return urls_; }

    // Renames the finished document to path; gzipped on the way when it was written plain.
    void Commit(const std::filesystem::path& path, bool gzip) {
        if (gzip_) {
            gzip_->Finish();
        } else if (gzip) {
            file_.Flush();
            AtomicFile packed(SitemapPath(path.parent_path()));
            GzipStream stream([&packed](std::string_view out) { packed.Write(out); });
            std::ifstream plain(file_.temporaryPath(), std::ios::binary);
            std::vector<char> chunk(65536);
            while (plain.read(chunk.data(), std::streamsize(chunk.size())) || plain.gcount() > 0)
                stream.Add(std::string_view(chunk.data(), std::size_t(plain.gcount())));
            if (plain.bad() || !plain.eof())
                throw FileError(
                    Filled(texts::kCannotRead, {{"file", file_.temporaryPath().string()}}));
            stream.Finish();
            packed.Commit(path);
            return;
        }
        file_.Commit(path);
    }

private:
    AtomicFile file_;
    std::unique_ptr<GzipStream> gzip_;
    std::size_t bytes_ = 0;
    std::size_t urls_ = 0;
};

SitemapFilesWriter::SitemapFilesWriter(std::filesystem::path folder, SitemapFilesOptions options)
    : folder_(std::move(folder)), options_(std::move(options)), stamp_(freshStamp(folder_)) {}

SitemapFilesWriter::~SitemapFilesWriter() {
    if (finished_)
        return;
    // No index names them: the standing set stays as it was.
    std::error_code error;
    for (const std::string& name : partNames_)
        std::filesystem::remove(folder_ / name, error);
}

SitemapFilesWriter::Document& SitemapFilesWriter::document() {
    // The first document may stay sitemap.xml, which is never gzipped.
    if (!document_)
        document_ = std::make_unique<Document>(folder_, options_.format.protocol,
                                               options_.gzipParts && !partNames_.empty());
    return *document_;
}

void SitemapFilesWriter::AddRow(std::string_view row) {
    const std::string element = urlElement(options_.format, row, lastUrl_);
    if (!fits(options_.format.limits, document().bytes(), document().urls(), element.size()))
        writePart();
    document().AddUrl(element);
    ++urls_;
}

std::string SitemapFilesWriter::LastRowShown() const {
    return shownAddress(lastUrl_);
}

void SitemapFilesWriter::writePart() {
    const SitemapProtocol protocol = options_.format.protocol;
    if (partNames_.empty())
        index_ = documentHead(protocol, "sitemapindex");
    const std::string name = partName(stamp_, partNames_.size() + 1, options_.gzipParts);
    Document& part = document();
    part.Add(urlsetEnd(protocol));
    partNames_.push_back(name);
    part.Commit(folder_ / name, options_.gzipParts);
    document_.reset();

    std::string_view siteUrl = options_.siteUrl;
    while (!siteUrl.empty() && siteUrl.back() == '/')
        siteUrl.remove_suffix(1);
    const std::string location = EncodedAddress(Concat({siteUrl, "/", name}));
    const std::string lastmod = utcNow();
    if (protocol == SitemapProtocol::Sitemaps09) {
        index_ += "<sitemap>";
        appendCompact(index_, "loc", location);
        appendCompact(index_, "lastmod", lastmod);
        index_ += "</sitemap>\n";
        return;
    }
    appendLine(index_, "<sitemap>");
    appendEscapedElement(index_, "<loc>", location, "</loc>");
    appendEscapedElement(index_, "<lastmod>", lastmod, "</lastmod>");
    appendLine(index_, "</sitemap>");
}

SitemapFilesSummary SitemapFilesWriter::Finish() {
    const SitemapProtocol protocol = options_.format.protocol;
    if (partNames_.empty()) {
        Document& single = document();
        single.Add(urlsetEnd(protocol));
        if (options_.incomplete)
            single.Add(factsComment(urls_, true, protocol));
        single.Commit(SitemapPath(folder_), false);
        document_.reset();
    } else {
        writePart();
        index_ += "</sitemapindex>";
        index_ += lineEndOf(protocol);
        index_ += factsComment(urls_, options_.incomplete, protocol);
        WriteSitemap(folder_, index_);
    }
    finished_ = true;
    // Parts no index names any more, and what killed runs left half written.
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder_, error)) {
        const std::string name = entry.path().filename().string();
        if (IsSitemapPartName(name) &&
            std::find(partNames_.begin(), partNames_.end(), name) == partNames_.end())
            std::filesystem::remove(entry.path(), error);
    }
    RemoveStaleTemporaries(folder_, "sitemap");
    return {urls_, partNames_.size(), partNames_};
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
        if (reader.isStartElement() &&
            (reader.name() == QLatin1String("url") || reader.name() == QLatin1String("sitemap")))
            return false;
    }
    return true;
}

std::string Gzipped(std::string_view bytes) {
    std::string out;
    GzipStream stream([&out](std::string_view piece) { out += piece; });
    stream.Add(bytes);
    stream.Finish();
    return out;
}

bool IsSitemapPartName(std::string_view name) {
    constexpr std::string_view kPrefix = "sitemap-";
    if (name.substr(0, kPrefix.size()) != kPrefix)
        return false;
    name.remove_prefix(kPrefix.size());
    // A number without leading zeros, once or twice ("STAMP-N").
    for (int number = 0; number < 2; ++number) {
        const std::size_t digits = name.find_first_not_of("0123456789");
        if (digits == 0 || digits == std::string_view::npos || name[0] == '0')
            return false;
        name.remove_prefix(digits);
        if (name == ".xml" || name == ".xml.gz")
            return true;
        if (name[0] != '-')
            return false;
        name.remove_prefix(1);
    }
    return false;
}

std::vector<std::string> IndexedParts(const std::filesystem::path& programFolder) {
    std::string document;
    try {
        document = ReadFile(SitemapPath(programFolder));
    } catch (const FileError&) {
        return {};
    }
    SitemapFacts facts = ReadSitemapFacts(document);
    // A damaged index names no parts for certain.
    return facts.wellFormed ? std::move(facts.parts) : std::vector<std::string>();
}

SitemapFacts ReadSitemapFacts(std::string_view document) {
    SitemapFacts facts;
    QXmlStreamReader reader(QByteArray(document.data(), qsizetype(document.size())));
    std::size_t urls = 0;
    bool root = true;
    while (reader.readNext() != QXmlStreamReader::Invalid &&
           reader.tokenType() != QXmlStreamReader::EndDocument) {
        if (reader.isComment()) {
            const std::string text = reader.text().toString().toStdString();
            if (text.compare(0, kFactsMark.size(), kFactsMark) != 0)
                continue;
            std::size_t count = 0;
            const char* start = text.data() + kFactsMark.size();
            const auto [end, error] = std::from_chars(start, text.data() + text.size(), count);
            if (error != std::errc())
                continue;
            facts.urls = count;
            facts.incomplete = std::string_view(end).rfind(" incomplete", 0) == 0;
            continue;
        }
        if (!reader.isStartElement())
            continue;
        if (root)
            facts.index = reader.name() == QLatin1String("sitemapindex");
        root = false;
        if (reader.name() == QLatin1String("url")) {
            ++urls;
        } else if (facts.index && reader.name() == QLatin1String("loc")) {
            const std::string location = reader.readElementText().trimmed().toStdString();
            facts.parts.push_back(location.substr(location.rfind('/') + 1));
        }
    }
    facts.wellFormed = !reader.hasError();
    if (!facts.index)
        facts.urls = urls;
    return facts;
}
