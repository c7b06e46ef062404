// What a page check's verdicts do to the rows and to the site memory: which rows leave the
// sitemap, which lastmods stay, and the user's tick that wins over the check.
#include "jobs/page_check_job.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/url_entry.h"
#include "memory/site_memory.h"
#include "settings/SiteSettings.h"
#include "support/temp_folder.h"

namespace {

const char* const kSite = "https://www.example.jp";
const char* const kOld = "2026-01-01T00:00:00+09:00";
const char* const kNew = "2026-06-01T00:00:00+09:00";

struct Case {
    const char* name;
    Verdict verdict;
    const char* bodyNow;  // the SHA-256 served now
    bool tickedAnyway;    // the user ticked it again before this check
    bool leftOut;         // expected
    const char* lastmod;  // expected: the one written before (kOld) or the file's (kNew)
};

} // namespace

TEST(PageCheckJob, VerdictsLeaveRowsOutAndUnchangedPagesKeepTheirLastmod) {
    const Case cases[] = {
        {"same.html", Verdict::Indexable, "aaa", false, false, kOld},
        {"changed.html", Verdict::Indexable, "bbb", false, false, kNew},
        {"not-modified.html", Verdict::NotModified, "", false, false, kOld},
        {"unreachable.html", Verdict::Unreachable, "aaa", false, false, kNew},
        {"gone.html", Verdict::NotFound, "", false, true, kNew},
        {"noindex.html", Verdict::NoIndex, "aaa", false, true, kOld},
        {"wanted.html", Verdict::NoIndex, "aaa", true, false, kOld},
        {"google1a2b3c4d5e6f7a8b.html", Verdict::VerificationFile, "", false, true, kNew},
    };
    TempFolder folder("sw_page_check_job");
    SiteMemory memory(folder.Path(), kSite, {});
    SiteSettings settings;
    settings.web_url = kSite;
    std::vector<std::string> rows;
    std::vector<CheckedPage> before;
    std::vector<std::string> ticked;
    for (const Case& c : cases) {
        rows.push_back(BuildUrlEntry({std::string(kSite) + "/", c.name, kNew, "weekly", "0.5"}));
        before.push_back({RowAddress(rows.back()), "", "", "aaa", kOld, false});
        if (c.tickedAnyway)
            ticked.push_back(before.back().address);
    }
    memory.RecordChecks(before);
    memory.SetTickedAnyway(ticked, true);

    const PageCheckPlan plan = PlanPageCheck(rows, settings, "", &memory);
    PageCheckReport report;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(plan.pages[i].previous.bodySha256, "aaa") << cases[i].name;
        PageVerdict& verdict = report.pages.emplace_back();
        verdict.address = plan.pages[i].address;
        verdict.verdict = cases[i].verdict;
        verdict.validators = plan.pages[i].previous;
        if (cases[i].verdict != Verdict::NotModified)
            verdict.validators.bodySha256 = cases[i].bodyNow;
    }
    const PageCheckResult result = ApplyPageCheck(rows, plan, report, settings, &memory);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(result.rows[i].leftOut, c.leftOut) << c.name;
        EXPECT_EQ(ReadUrlEntry(rows[i]).lastmod, c.lastmod) << c.name;
        kept += !c.leftOut && std::string(c.lastmod) == kOld ? 1 : 0;
    }
    EXPECT_EQ(result.lastmodsKept, kept);
    EXPECT_EQ(result.unknown, 1u);

    // What the memory keeps is the lastmod written now, and the user's tick stays.
    for (const CheckedPage& page : memory.CheckedPages()) {
        const auto at = std::find_if(before.begin(), before.end(),
                                     [&](const CheckedPage& b) { return b.address == page.address; });
        ASSERT_NE(at, before.end());
        const std::size_t i = std::size_t(at - before.begin());
        EXPECT_EQ(page.lastmod, cases[i].lastmod) << cases[i].name;
        EXPECT_EQ(page.tickedAnyway, cases[i].tickedAnyway) << cases[i].name;
    }
    EXPECT_EQ(memory.Reset(), 0u) << "the check's facts alone are no remembered choices";
    EXPECT_TRUE(memory.CheckedPages().empty());
}
