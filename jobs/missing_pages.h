#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class SiteMemory;
struct SiteSettings;

// The pages the memory knows that no row of a complete walk holds. Pages the site's exclusions
// or its robots.txt (robotsTxt, as the walk read it) leave out were not looked for, so they do
// not count: they may well be on the server.
std::vector<std::string> MissingPages(SiteMemory& memory, const std::vector<std::string>& rows,
                                      const SiteSettings& settings, std::string_view robotsTxt);

// The first few of pages, one a line, and how many more there are: for a question or a list.
std::string NamedPages(const std::vector<std::string>& pages, std::size_t shown = 5);
