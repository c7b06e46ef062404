#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>

class WorkTable;

// What writing the work table's sitemap gave.
struct SitemapSummary {
    std::size_t urls = 0; // rows written
    // More than 50,000 URLs or 10,485,760 bytes: search engines ignore a file this large.
    bool exceedsSingleFileLimits = false;
};

// Shows the escaped location of a row while the sitemap is written. Called at most about every
// 50 ms, since showing every row would cost more than writing it, and always for the last row.
using SitemapProgress = std::function<void(const std::string& location)>;

// Writes the checked rows of table, in table order, as sitemap.xml in programFolder, replacing
// the file as a whole; on failure the old file stays and FileError says why. The window's
// "サイトマップを作成" and "sitewright generate" both write through here.
SitemapSummary WriteTableSitemap(const WorkTable& table, const std::filesystem::path& programFolder,
                                 const SitemapProgress& progress = {});
