#include "jobs/table_sitemap.h"

#include <chrono>

#include "jobs/work_table.h"
#include "core/text_util.h"
#include "settings/SiteSettings.h"

namespace {

constexpr auto kProgressInterval = std::chrono::milliseconds(50);

} // namespace

SitemapFilesOptions SitemapOptionsFor(const SiteSettings& settings) {
    SitemapFilesOptions options;
    options.format.protocol = settings.sitemap_format == kSitemapFormatItems[1]
                                  ? SitemapProtocol::Sitemaps09
                                  : SitemapProtocol::Google084;
    if (settings.folder_addresses)
        options.format.indexNames = SplitList(settings.index_names);
    options.gzipParts = settings.gzip;
    options.siteUrl = settings.web_url;
    return options;
}

SitemapFilesSummary WriteTableSitemap(const WorkTable& table,
                                      const std::filesystem::path& programFolder,
                                      const SiteSettings& settings,
                                      const SitemapProgress& progress) {
    SitemapFilesOptions options = SitemapOptionsFor(settings);
    options.incomplete = table.incomplete();
    SitemapFilesWriter writer(programFolder, options);
    std::chrono::steady_clock::time_point lastShown;
    bool shown = false;
    bool unshown = false; // a row was added since the last one shown
    for (int i = 0; i < table.count(); ++i) {
        if (!table.isChecked(i))
            continue;
        writer.AddRow(table.rows()[std::size_t(i)]);
        if (!progress)
            continue;
        const auto now = std::chrono::steady_clock::now();
        unshown = shown && now - lastShown < kProgressInterval;
        if (!unshown) {
            progress(writer.LastRowShown());
            lastShown = now;
            shown = true;
        }
    }
    if (unshown)
        progress(writer.LastRowShown());
    return writer.Finish();
}
