#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "pagecheck/page_check.h"

class SiteMemory;
struct SiteSettings;

// The page check of a retrieval's rows in three steps, so that the window can run the middle
// one on a thread while the site memory stays on its own: what to ask (with what the memory
// kept of each page), the asking, and what the answers do to the rows and the memory.
struct PageCheckPlan {
    std::vector<std::string> rowAddresses; // per row: RowAddress, the memory's key
    std::vector<PageToCheck> pages;        // per row: the sitemap address, previous validators
    std::vector<bool> tickedAnyway;        // per row: the user's tick wins over the check
    NonPageNames names;
    PageCheckOptions options;
};

// The plan for rows as settings lay out their sitemap addresses. htaccess is the site root's
// .htaccess as the walk read it (its ErrorDocument targets are no pages). Without a memory
// every request is unconditional and nothing is ticked anyway.
PageCheckPlan PlanPageCheck(const std::vector<std::string>& rows, const SiteSettings& settings,
                            std::string_view htaccess, SiteMemory* memory);

// Asks for every page of plan (blocks; see CheckPages).
PageCheckReport RunPageCheck(const PageCheckPlan& plan, const std::atomic<bool>& stop,
                             const PageCheckProgress& progress = {});

// One row's outcome.
struct RowVerdict {
    std::string address; // RowAddress of the row
    PageVerdict verdict;
    bool leftOut = false; // unticked: the verdict keeps it out and the user did not tick it
};

struct PageCheckResult {
    std::vector<RowVerdict> rows; // index for index with the plan's rows
    std::size_t checked = 0;      // judged, by name or by an answer
    std::size_t leftOut = 0;
    std::size_t unknown = 0;      // unreachable: left as they were
    std::size_t lastmodsKept = 0; // lastmods kept because the page did not change
    std::vector<CertificateFailure> certificateFailures;
    bool stopped = false;
};

// What the report does to rows (those of the plan, in its order): with settings.stable_lastmod
// each row's lastmod moves only when its page changed; with a memory, what was seen is kept
// for the next check.
PageCheckResult ApplyPageCheck(std::vector<std::string>& rows, const PageCheckPlan& plan,
                               const PageCheckReport& report, const SiteSettings& settings,
                               SiteMemory* memory);

// The verdict's name for scripts ("indexable", "not_found", ...); never translated.
const char* VerdictName(Verdict verdict);
