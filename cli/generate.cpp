// sitewright generate: the walk, the sitemap of what it found, the upload if asked, and the
// summary.
#include <chrono>
#include <cstdio>

#include "cli/commands.h"
#include "core/file_io.h"
#include "core/text_util.h"
#include "ftp/Uftp_module.h"
#include "jobs/missing_pages.h"
#include "jobs/retrieval.h"
#include "jobs/table_sitemap.h"
#include "jobs/work_table.h"
#include "memory/site_memory.h"
#include "settings/SiteSettings.h"
#include "settings/ssh_settings.h"
#include "sitemap/sitemap_writer.h"

namespace fs = std::filesystem;

namespace cli {
namespace {

// A failure after the walk: why, and that no sitemap was written.
int failWithoutSitemap(std::string_view why, const Output& output) {
    return output.Fail(Concat({why, texts::kLineBreak, texts::kNoSitemapWritten}));
}

QString jsonText(const std::string& text) {
    return QString::fromStdString(text);
}

// The pages the check left out, a line each with its reason, and its figures.
void reportPageCheck(WorkTable& table, const PageCheckResult& checked, const Output& output) {
    table.applyPageCheck(checked);
    for (const RowVerdict& row : checked.rows)
        if (row.leftOut)
            output.Message(Filled(texts::kPageLeftOut, {{"address", row.verdict.address},
                                                        {"reason", VerdictText(row.verdict)}}));
    output.Line(Filled(texts::kPageCheckSummary, {{"checked", std::to_string(checked.checked)},
                                                  {"left", std::to_string(checked.leftOut)},
                                                  {"unknown", std::to_string(checked.unknown)},
                                                  {"kept", std::to_string(checked.lastmodsKept)}}));
    output.Json()["check"] = QJsonObject{{"checked", qint64(checked.checked)},
                                         {"left_out", qint64(checked.leftOut)},
                                         {"unknown", qint64(checked.unknown)},
                                         {"lastmods_kept", qint64(checked.lastmodsKept)}};
}

// After the walk: the sitemap of every row in the table's order, and the upload if asked.
int writeSitemap(const RetrievalSummary& summary, std::vector<std::string> rows,
                 const ParsedOptions& options, Tftp_module& ftp, const SiteSettings& settings,
                 const fs::path& folder, const Output& output) {
    if (summary.loginFailed) {
        offerTrust(summary.untrustedCertificate, summary.untrustedHostKey, output);
        return failWithoutSitemap(texts::kConnectFailed, output);
    }
    if (summary.stopped)
        return failWithoutSitemap(texts::kRetrievalStopped, output);
    if (summary.endedEarly)
        return failWithoutSitemap(texts::kListCutShort, output);
    if (summary.folders == 0)
        return failWithoutSitemap(
            Concat({PercentEncodeUnsafe(settings.site_root), texts::kFolderMissing}), output);
    const bool upload = options.has("upload");
    if (upload && rows.empty())
        return failWithoutSitemap(texts::kEmptySitemapRefused, output);
    std::error_code error;
    if (rows.empty() && fs::exists(SitemapPath(folder), error))
        return output.Fail(
            Filled(texts::kNoRowsSitemapKept, {{"file", SitemapPath(folder).string()}}));

    // The window's table decides the order, applies the same memory (leaving the pages it does
    // not know new, for the window to show) and writes the sitemap the same way.
    SiteMemory memory(
        folder, settings.web_url,
        [&output](const SiteMemory::Problem& problem) {
            output.Warning(MemoryProblemText(problem));
        },
        settings.check_pages);
    // Without its memory the sitemap would list the pages the user unticked.
    if (memory.Locked())
        return failWithoutSitemap(texts::kMemoryLocked, output);
    PageCheckResult checked;
    if (settings.check_pages) {
        checked = checkRows(rows, summary, settings, &memory, ftp, output);
        if (checked.stopped)
            return failWithoutSitemap(texts::kPageCheckStopped, output);
    }
    WorkTable table;
    // The table takes the rows: a copy would cost as much as the rows themselves.
    const AppliedMemory applied = table.fillRetrieved(std::move(rows), &memory, false);
    if (settings.check_pages)
        reportPageCheck(table, checked, output);
    if (memory.IsOn()) {
        // Only a complete walk tells which pages are gone.
        const std::size_t missing =
            applied.missing > 0 && summary.WalkedWholeSite()
                ? MissingPages(memory, table.rows(), settings, summary.robotsTxt).size()
                : 0;
        output.Line(Filled(texts::kMemoryApplied, {{"unticked", std::to_string(applied.unticked)},
                                                   {"edited", std::to_string(applied.edited)},
                                                   {"fresh", std::to_string(applied.fresh)},
                                                   {"missing", std::to_string(missing)}}));
        if (missing > 0)
            output.Line(texts::kMissingHint);
        output.Json()["memory"] = QJsonObject{{"unticked", qint64(applied.unticked)},
                                              {"edited", qint64(applied.edited)},
                                              {"fresh", qint64(applied.fresh)},
                                              {"missing", qint64(missing)}};
    }
    SitemapFilesSummary written;
    try {
        written = WriteTableSitemap(table, folder, settings);
    } catch (const std::exception& error) {
        return output.Fail(error.what());
    }
    QJsonArray files{jsonText(SitemapPath(folder).string())};
    for (const std::string& part : written.partNames)
        files.append(jsonText((folder / part).string()));
    output.Json()["files"] = files;
    output.Json()["urls"] = qint64(written.urls);
    output.Line(Filled(texts::kSitemapWritten, {{"file", SitemapPath(folder).string()}}));
    if (written.parts > 0)
        output.Line(Filled(texts::kSitemapSplit, {{"urls", std::to_string(written.urls)},
                                                  {"parts", std::to_string(written.parts)},
                                                  {"file", SitemapPath(folder).string()}}));
    if (!upload)
        return kExitSuccess;
    return uploadSitemap(ftp, settings, folder, options, output);
}

// The walk's figures as the JSON object names them.
QJsonObject countsOf(const RetrievalSummary& summary) {
    return {{"rows", qint64(summary.rows)},
            {"folders", qint64(summary.folders)},
            {"folders_refused", qint64(summary.foldersRefused)},
            {"folders_unreadable", qint64(summary.foldersUnreadable)},
            {"folders_too_deep", qint64(summary.foldersTooDeep)},
            {"folders_repeated", qint64(summary.foldersRepeated)},
            {"excluded", qint64(summary.excluded)},
            {"robots_excluded", qint64(summary.robotsExcluded)},
            {"undated", qint64(summary.undated)},
            {"commands", qint64(summary.commands)}};
}

} // namespace

int generate(const ParsedOptions& options, const Output& output) {
    const auto started = std::chrono::steady_clock::now();
    // Usage errors first, before any conversation.
    positiveNumber(options, "max-folders", 1);
    positiveNumber(options, "max-rows", 1);
    addsRobotsLine(options);
    const fs::path folder = settingsFolder(options);
    // Every key is there even when the command fails before the walk.
    output.Json()["counts"] = countsOf(RetrievalSummary());
    output.Json()["files"] = QJsonArray();
    output.Json()["upload"] = options.has("upload") ? "not_done" : "not_asked";
    SiteSettings settings;
    if (!loadWalkSettings(options, folder, settings, output))
        return kExitFailure;
    const FolderLock lock(folder);
    if (!lock.Held())
        return output.Fail(Filled(texts::kFolderBusy, {{"folder", folder.string()}}));

    Tftp_module ftp;
    RetrievalSummary summary;
    std::vector<std::string> rows = walkSite(options, ftp, settings, output, summary);
    const int status =
        writeSitemap(summary, std::move(rows), options, ftp, settings, folder, output);

    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    char secondsText[32];
    std::snprintf(secondsText, sizeof secondsText, "%.2f", seconds);
    // Which listing the times came from (how many folders each, when both); nothing when no
    // folder was listed. Then what the walk left out beyond the usual figures.
    std::string listing;
    if (summary.folders > 0 && UsesSftp(settings))
        listing = texts::kSummarySftp;
    else if (summary.foldersListedExact > 0 && summary.foldersListedList > 0)
        listing = Filled(texts::kSummaryMixed,
                         {{"mlsd", std::to_string(summary.foldersListedExact)},
                          {"list", std::to_string(summary.foldersListedList)}});
    else if (summary.folders > 0)
        listing = summary.foldersListedList == 0 && summary.exactTimes ? texts::kSummaryMlsd
                                                                       : texts::kSummaryList;
    if (summary.foldersRepeated > 0)
        listing += Filled(texts::kSummaryRepeated,
                          {{"count", std::to_string(summary.foldersRepeated)}});
    if (summary.undated > 0)
        listing += Filled(texts::kSummaryUndated, {{"count", std::to_string(summary.undated)}});
    output.Summary(Filled(texts::kSummary, {{"rows", std::to_string(summary.rows)},
                                            {"folders", std::to_string(summary.folders)},
                                            {"refused", std::to_string(summary.foldersRefused)},
                                            {"unreadable", std::to_string(summary.foldersUnreadable)},
                                            {"deep", std::to_string(summary.foldersTooDeep)},
                                            {"excluded", std::to_string(summary.excluded)},
                                            {"robots", std::to_string(summary.robotsExcluded)},
                                            {"seconds", secondsText},
                                            {"commands", std::to_string(summary.commands)},
                                            {"listing", listing}}));
    output.Json()["counts"] = countsOf(summary);
    output.Json()["seconds"] = seconds;
    return status;
}

} // namespace cli
