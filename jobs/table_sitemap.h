#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "sitemap/sitemap_writer.h"

class WorkTable;
struct SiteSettings;

// Shows the escaped location of a row while the sitemap is written. Called at most about every
// 50 ms, since showing every row would cost more than writing it, and always for the last row.
using SitemapProgress = std::function<void(const std::string& location)>;

// How the settings lay a sitemap out: protocol, gzip of parts, folder addresses, the site URL.
SitemapFilesOptions SitemapOptionsFor(const SiteSettings& settings);

// Writes the checked rows of table, in table order, into programFolder as settings lay them out
// (see SitemapFilesWriter): sitemap.xml, split into parts under an index when the rows pass
// one file's limits. On failure FileError says why and sitemap.xml stays as it was. The
// window's "サイトマップを作成" and "sitewright generate" both write through here.
SitemapFilesSummary WriteTableSitemap(const WorkTable& table,
                                      const std::filesystem::path& programFolder,
                                      const SiteSettings& settings,
                                      const SitemapProgress& progress = {});
