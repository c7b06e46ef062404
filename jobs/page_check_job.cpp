#include "jobs/page_check_job.h"

#include <unordered_map>

#include "core/text_util.h"
#include "core/url_entry.h"
#include "jobs/table_sitemap.h"
#include "memory/site_memory.h"
#include "pagecheck/stable_lastmod.h"
#include "settings/SiteSettings.h"
#include "sitemap/sitemap_writer.h"

PageCheckPlan PlanPageCheck(const std::vector<std::string>& rows, const SiteSettings& settings,
                            std::string_view htaccess, SiteMemory* memory) {
    PageCheckPlan plan;
    plan.names = NonPageNames(settings.web_url, htaccess);
    plan.options.connections = settings.CheckConnectionCount();
    plan.options.hashBodies = settings.stable_lastmod;
    std::unordered_map<std::string, CheckedPage> known;
    if (memory)
        for (CheckedPage& page : memory->CheckedPages())
            known.emplace(page.address, std::move(page));
    const std::vector<std::string> indexNames = SitemapOptionsFor(settings).format.indexNames;
    for (const std::string& row : rows) {
        const UrlEntryLayout layout(row);
        PageToCheck& page = plan.pages.emplace_back();
        page.address = SitemapAddress(layout.Field(row, UrlField::Link),
                                      layout.Field(row, UrlField::Filename), indexNames);
        const std::string& address = plan.rowAddresses.emplace_back(RowAddress(row));
        const auto found = known.find(address);
        plan.tickedAnyway.push_back(found != known.end() && found->second.tickedAnyway);
        if (found != known.end())
            page.previous = {found->second.etag, found->second.lastModified,
                             found->second.bodySha256, found->second.lastmod};
    }
    return plan;
}

PageCheckReport RunPageCheck(const PageCheckPlan& plan, const std::atomic<bool>& stop,
                             const PageCheckProgress& progress) {
    return CheckPages(plan.pages, plan.options, plan.names, stop, progress);
}

PageCheckResult ApplyPageCheck(std::vector<std::string>& rows, const PageCheckPlan& plan,
                               const PageCheckReport& report, const SiteSettings& settings,
                               SiteMemory* memory) {
    PageCheckResult result;
    result.certificateFailures = report.certificateFailures;
    result.stopped = report.stopped;
    std::vector<CheckedPage> seen;
    for (std::size_t i = 0; i < rows.size() && i < report.pages.size(); ++i) {
        const PageVerdict& verdict = report.pages[i];
        RowVerdict& row = result.rows.emplace_back();
        row.address = plan.rowAddresses[i];
        row.verdict = verdict;
        row.leftOut = LeavesSitemap(verdict.verdict) && !plan.tickedAnyway[i];
        if (verdict.verdict == Verdict::Unreachable)
            ++result.unknown;
        else
            ++result.checked;
        result.leftOut += row.leftOut ? 1 : 0;

        UrlEntryFields fields = ReadUrlEntry(rows[i]);
        const bool answered = verdict.verdict != Verdict::Unreachable;
        if (settings.stable_lastmod) {
            const LastmodChoice choice = StableLastmod(
                plan.pages[i].previous,
                {verdict.verdict == Verdict::NotModified,
                 answered ? verdict.validators.bodySha256 : std::string(), fields.lastmod});
            // Counted for the pages the sitemap lists.
            result.lastmodsKept += choice.keptUnchanged && !row.leftOut ? 1 : 0;
            if (choice.lastmod != fields.lastmod) {
                fields.lastmod = choice.lastmod;
                rows[i] = BuildUrlEntry(fields);
            }
        }
        // Only the validators of a page that may be listed make the next request conditional:
        // a 304 then says that it still may.
        const bool listable =
            verdict.verdict == Verdict::Indexable || verdict.verdict == Verdict::NotModified;
        const Validators& kept = verdict.validators;
        seen.push_back({row.address, listable ? kept.etag : std::string(),
                        listable ? kept.lastModified : std::string(), kept.bodySha256,
                        fields.lastmod, false});
    }
    if (memory)
        memory->RecordChecks(seen);
    return result;
}

const char* VerdictName(Verdict verdict) {
    switch (verdict) {
    case Verdict::Indexable:
        return "indexable";
    case Verdict::NotFound:
        return "not_found";
    case Verdict::Redirected:
        return "redirected";
    case Verdict::NoIndex:
        return "noindex";
    case Verdict::CanonicalElsewhere:
        return "canonical_elsewhere";
    case Verdict::NotModified:
        return "not_modified";
    case Verdict::VerificationFile:
        return "verification_file";
    case Verdict::ErrorDocument:
        return "error_document";
    case Verdict::Unreachable:
        break;
    }
    return "unreachable";
}
