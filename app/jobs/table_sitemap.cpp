#include "app/jobs/table_sitemap.h"

#include <chrono>
#include <optional>

#include "app/jobs/work_table.h"
#include "sitemap/sitemap_writer.h"

namespace {

constexpr auto kProgressInterval = std::chrono::milliseconds(50);

} // namespace

SitemapSummary WriteTableSitemap(const WorkTable& table, const std::filesystem::path& programFolder,
                                 const SitemapProgress& progress) {
    SitemapBuilder builder;
    std::chrono::steady_clock::time_point lastShown;
    bool shown = false;
    std::optional<std::string> unshown;
    for (int i = 0; i < table.count(); ++i) {
        if (!table.isChecked(i))
            continue;
        std::string location = builder.AddRow(table.rowText(i));
        if (!progress)
            continue;
        const auto now = std::chrono::steady_clock::now();
        if (!shown || now - lastShown >= kProgressInterval) {
            progress(location);
            lastShown = now;
            shown = true;
            unshown.reset();
        } else {
            unshown = std::move(location);
        }
    }
    if (unshown)
        progress(*unshown);
    WriteSitemap(programFolder, builder.Finish());
    return {builder.urlCount(), builder.ExceedsSingleFileLimits()};
}
