#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The pages the program folder's sitemap lists, each as its address (the <loc> text) and its
// lastmod (empty without one), in the order of the files: what a notification compares with
// what the search engines were told before. An index is read through its parts, gzip or not.
// Nothing when the sitemap or a part is missing, cannot be read or is no well-formed XML.
std::optional<std::vector<std::pair<std::string, std::string>>>
ReadSitemapPages(const std::filesystem::path& programFolder);
