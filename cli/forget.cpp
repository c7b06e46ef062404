// sitewright forget --missing: the pages the server no longer has leave the site memory.
#include "cli/commands.h"
#include "core/text_util.h"
#include "ftp/Uftp_module.h"
#include "jobs/missing_pages.h"
#include "jobs/retrieval.h"
#include "settings/SiteSettings.h"

namespace fs = std::filesystem;

namespace cli {

int forget(const ParsedOptions& options, const Output& output) {
    if (!options.has("missing"))
        throw UsageError(std::string(texts::kForgetNeedsMissing));
    const fs::path folder = settingsFolder(options);
    SiteSettings settings;
    if (!loadWalkSettings(options, folder, settings, output))
        return kExitFailure;
    Tftp_module ftp;
    RetrievalSummary summary;
    const std::vector<std::string> rows = walkSite(options, ftp, settings, output, summary);
    if (summary.loginFailed) {
        offerTrust(summary.untrustedCertificate, summary.untrustedHostKey, output);
        return output.Fail(texts::kConnectFailed);
    }
    // A page in a folder the walk did not list would be taken for a page that is gone.
    if (!summary.WalkedWholeSite())
        return output.Fail(texts::kMissingNeedsWholeWalk);
    MemoryProblem problem;
    SiteMemory memory(folder, settings.web_url, problem.Handler(), false);
    const std::size_t forgotten =
        memory.Forget(MissingPages(memory, rows, settings, summary.robotsTxt));
    if (const std::string why = problem.Of(memory); !why.empty())
        return output.Fail(why);
    output.Line(Filled(texts::kMissingForgotten, {{"count", std::to_string(forgotten)}}));
    return kExitSuccess;
}

} // namespace cli
