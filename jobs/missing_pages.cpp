#include "jobs/missing_pages.h"

#include <algorithm>

#include "jobs/path_filter.h"
#include "core/text_util.h"
#include "core/texts.h"
#include "core/url_entry.h"
#include "memory/site_memory.h"
#include "settings/SiteSettings.h"

std::vector<std::string> MissingPages(SiteMemory& memory, const std::vector<std::string>& rows,
                                      const SiteSettings& settings, std::string_view robotsTxt) {
    std::string_view site = settings.web_url;
    while (!site.empty() && site.back() == '/')
        site.remove_suffix(1);
    const ExclusionList exclusions(settings.exclude);
    const RobotsRules robots(settings.robots ? robotsTxt : std::string_view());
    // As the walk decides: every folder on the way must be entered, then the file kept.
    const auto leftOut = [&](std::string_view path) {
        for (std::size_t slash = path.find('/', 1); slash != std::string_view::npos;
             slash = path.find('/', slash + 1)) {
            const std::string_view folder = path.substr(0, slash + 1);
            if (exclusions.Excludes(folder) || !robots.MayAllowBelow(folder))
                return true;
        }
        return exclusions.Excludes(path) || !robots.Allows(path);
    };
    std::vector<std::string> missing = memory.Missing(rows);
    missing.erase(std::remove_if(missing.begin(), missing.end(),
                                 [&](const std::string& address) {
                                     return address.rfind(site, 0) == 0 &&
                                            leftOut(std::string_view(address).substr(site.size()));
                                 }),
                  missing.end());
    return missing;
}

std::string NamedPages(const std::vector<std::string>& pages, std::size_t shown) {
    std::string named;
    for (std::size_t i = 0; i < std::min(shown, pages.size()); ++i)
        named += Concat({i > 0 ? texts::kLineBreak : "", ReadableAddress(pages[i])});
    if (pages.size() > shown)
        named +=
            Concat({texts::kLineBreak,
                    Filled(texts::kMorePages, {{"count", std::to_string(pages.size() - shown)}})});
    return named;
}
