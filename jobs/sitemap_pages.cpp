#include "jobs/sitemap_pages.h"

#include <QXmlStreamReader>

#include <zlib.h>

#include "core/file_io.h"
#include "sitemap/sitemap_writer.h"

namespace {

using Pages = std::vector<std::pair<std::string, std::string>>;

// A sitemap file holds 50 MiB at most; room to spare, and a bound for a hostile gzip.
constexpr std::size_t kMaxDocument = 64 * 1024 * 1024;

// The gzip file's content; nothing when it is damaged or grows beyond kMaxDocument.
std::optional<std::string> gunzipped(const std::string& bytes) {
    z_stream stream{};
    // Window bits 15 + 16: a gzip header and trailer around the deflate stream.
    if (inflateInit2(&stream, 15 + 16) != Z_OK)
        return std::nullopt;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = uInt(bytes.size());
    std::string out;
    int status = Z_OK;
    char buffer[64 * 1024];
    while (status == Z_OK && out.size() <= kMaxDocument) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        status = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - stream.avail_out);
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END || out.size() > kMaxDocument)
        return std::nullopt;
    return out;
}

// Adds the <url> elements of document to pages; false when it is no well-formed XML.
bool readUrls(const std::string& document, Pages& pages) {
    QXmlStreamReader reader(QByteArray::fromRawData(document.data(), qsizetype(document.size())));
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        if (reader.name() == u"url")
            pages.emplace_back();
        else if (!pages.empty() && reader.name() == u"loc")
            pages.back().first = reader.readElementText().trimmed().toStdString();
        else if (!pages.empty() && reader.name() == u"lastmod")
            pages.back().second = reader.readElementText().trimmed().toStdString();
    }
    return !reader.hasError();
}

} // namespace

std::optional<Pages> ReadSitemapPages(const std::filesystem::path& programFolder) {
    Pages pages;
    try {
        const std::string sitemap = ReadFile(SitemapPath(programFolder), kMaxDocument);
        const SitemapFacts facts = ReadSitemapFacts(sitemap);
        if (!facts.wellFormed)
            return std::nullopt;
        if (!facts.index)
            return readUrls(sitemap, pages) ? std::optional(pages) : std::nullopt;
        for (const std::string& part : facts.parts) {
            if (!IsSitemapPartName(part))
                return std::nullopt;
            std::string document = ReadFile(programFolder / part, kMaxDocument);
            if (part.size() > 3 && part.compare(part.size() - 3, 3, ".gz") == 0) {
                std::optional<std::string> plain = gunzipped(document);
                if (!plain)
                    return std::nullopt;
                document = std::move(*plain);
            }
            if (!readUrls(document, pages))
                return std::nullopt;
        }
    } catch (const FileError&) {
        return std::nullopt;
    }
    return pages;
}
