// sitewright check: the walk and the page check, one line per address with its verdict;
// nothing written. Also the page check that generate runs after its walk.
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "core/text_util.h"
#include "ftp/Uftp_module.h"
#include "jobs/retrieval.h"
#include "settings/SiteSettings.h"

namespace cli {

PageCheckResult checkRows(std::vector<std::string>& rows, const RetrievalSummary& summary,
                          const SiteSettings& settings, SiteMemory* memory, Tftp_module& ftp,
                          const Output& output) {
    const PageCheckPlan plan = PlanPageCheck(rows, settings, summary.htaccess, memory);
    PageCheckReport report;
    {
        const StopOnInterrupt stopOnInterrupt(ftp);
        report = RunPageCheck(plan, StopOnInterrupt::Requested());
    }
    for (const CertificateFailure& failure : report.certificateFailures) {
        std::string reason;
        for (const QSslError& error : failure.errors)
            reason += (reason.empty() ? "" : " ") + error.errorString().toStdString();
        output.Warning(
            Filled(texts::kCertificateUnchecked, {{"site", failure.site}, {"reason", reason}}));
    }
    return ApplyPageCheck(rows, plan, report, settings, memory);
}

int check(const ParsedOptions& options, const Output& output) {
    const std::filesystem::path folder = settingsFolder(options);
    output.Json()["pages"] = QJsonArray();
    SiteSettings settings;
    if (!loadWalkSettings(options, folder, settings, output))
        return kExitFailure;
    if (settings.web_url.empty())
        return output.Fail(texts::kCheckNeedsUrl);
    // The command asks for the check whatever the setting says.
    settings.check_pages = true;
    Tftp_module ftp;
    RetrievalSummary summary;
    std::vector<std::string> rows = walkSite(options, ftp, settings, output, summary);
    if (summary.loginFailed) {
        offerTrust(summary.untrustedCertificate, summary.untrustedHostKey, output);
        return output.Fail(texts::kConnectFailed);
    }
    if (summary.stopped)
        return output.Fail(texts::kRetrievalStopped);
    if (summary.endedEarly || summary.folders == 0)
        return output.Fail(texts::kListCutShort);

    // Unconditional requests, so that every page gets its full verdict; nothing is kept.
    const PageCheckResult result = checkRows(rows, summary, settings, nullptr, ftp, output);
    QJsonArray pages;
    for (const RowVerdict& row : result.rows) {
        const PageVerdict& verdict = row.verdict;
        // The address and its verdict two spaces apart: the output escapes a tab.
        output.Line(Concat({verdict.address, "  ", VerdictText(verdict)}));
        pages.append(QJsonObject{{"address", QString::fromStdString(verdict.address)},
                                 {"verdict", VerdictName(verdict.verdict)},
                                 {"status", verdict.status},
                                 {"target", QString::fromStdString(verdict.target)}});
    }
    output.Json()["pages"] = pages;
    output.Json()["counts"] = QJsonObject{{"checked", qint64(result.checked)},
                                          {"left_out", qint64(result.leftOut)},
                                          {"unknown", qint64(result.unknown)}};
    output.Summary(Filled(texts::kPageCheckSummary, {{"checked", std::to_string(result.checked)},
                                                     {"left", std::to_string(result.leftOut)},
                                                     {"unknown", std::to_string(result.unknown)},
                                                     {"kept", std::to_string(result.lastmodsKept)}}));
    if (result.stopped)
        return output.Fail(texts::kPageCheckStopped);
    return kExitSuccess;
}

} // namespace cli
