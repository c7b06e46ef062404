// sitewright memory list|reset: the site memory the window keeps.
#include "cli/commands.h"
#include "core/text_util.h"
#include "settings/SiteSettings.h"

namespace fs = std::filesystem;

namespace cli {

int memoryList(const ParsedOptions& options, const Output& output) {
    fs::path folder;
    SiteSettings settings;
    if (!siteOfFolder(options, folder, settings, output))
        return kExitFailure;
    MemoryProblem problem;
    SiteMemory memory(folder, settings.web_url, problem.Handler(), false);
    const std::vector<PageChoice> pages = memory.List();
    if (const std::string why = problem.Of(memory); !why.empty())
        return output.Fail(why);
    output.Line(Filled(texts::kMemoryListed,
                       {{"site", settings.web_url}, {"count", std::to_string(pages.size())}}));
    const auto orDash = [](const std::string& value) { return value.empty() ? "-" : value; };
    for (const PageChoice& page : pages)
        output.Line(Concat(
            {page.setAt, "  ", page.unticked ? std::string_view(texts::kUnticked) : "-", "  ",
             orDash(page.changefreq), "  ", orDash(page.priority), "  ", page.address}));
    return kExitSuccess;
}

int memoryReset(const ParsedOptions& options, const Output& output) {
    fs::path folder;
    SiteSettings settings;
    if (!siteOfFolder(options, folder, settings, output))
        return kExitFailure;
    MemoryProblem problem;
    SiteMemory memory(folder, settings.web_url, problem.Handler(), false);
    const std::size_t forgotten = memory.Reset();
    if (const std::string why = problem.Of(memory); !why.empty())
        return output.Fail(why);
    output.Line(Filled(texts::kMemoryErased,
                       {{"site", settings.web_url}, {"count", std::to_string(forgotten)}}));
    return kExitSuccess;
}

} // namespace cli
