#include "jobs/retrieval.h"

#include <exception>
#include <memory>
#include <string_view>
#include <utility>

#include "core/text_util.h"
#include "core/texts.h"
#include "ftp/Uftp_module.h"
#include "ftp/ftp_errors.h"
#include "jobs/problem_text.h"
#include "ftp/tls_setting.h"
#include "jobs/folder_walk.h"
#include "jobs/parallel_walk.h"
#include "jobs/walk_rules.h"
#include "settings/SiteSettings.h"

RetrievalSummary RunRetrieval(Tftp_module& ftp, const SiteSettings& settingsAtStart,
                              RetrievalObserver& observer, const RetrievalLimits& limits) {
    // The whole run uses the values as they stood when it started.
    const SiteSettings settings = settingsAtStart;
    RetrievalSummary summary;
    observer.Started();

    Tftp_module::Session session = ftp.Lock();
    const Tftp_module::ScopedDisconnect disconnect(ftp);
    TIdFTP& client = session.Client();
    const std::size_t commandsBefore = client.CommandsSent();
    const std::size_t sessions = settings.ConnectionCount();
    const std::unique_ptr<WalkRules> walk =
        sessions > 1 ? MakeParallelWalk(client, settings, limits, observer, summary, sessions)
                     : MakeFolderWalk(client, settings, limits, observer, summary);
    try {
        if (const std::string_view problem = RowSettingsProblem(settings); !problem.empty())
            throw WalkError(std::string(problem));
        walk->CheckStop();
        client.SetTls(TlsOptionsFor(settings.tls, settings.tls_trust, settings.hostname));
        client.SetMlsdAllowed(true);
        if (ftp.FtpConnect(settings.hostname, settings.username, settings.password) != 0) {
            // A login the user stopped did not fail.
            walk->CheckStop();
            summary.loginFailed = true;
            summary.untrustedCertificate = ftp.UntrustedCertificate();
            observer.ProblemMet(
                {WalkProblemKind::LoginFailed, FailureText(ftp.LastError()), {}, 0, 0});
        } else {
            summary.tlsRefused = client.TlsRefused();
            summary.mlsd = client.ListsWithMlsd();
            walk->Run();
            // A stop asked for while the last entries were gone through.
            walk->CheckStop();
        }
    } catch (const WalkStopped&) {
        summary.stopped = true;
    } catch (const EIdStopped&) {
        // The stop ended a wait on the server at once.
        summary.stopped = true;
    } catch (const std::exception& error) {
        summary.endedEarly = true;
        observer.ProblemMet({WalkProblemKind::WalkEnded, ErrorText(error), {}, 0, 0});
    } catch (...) {
        summary.endedEarly = true;
        observer.ProblemMet({WalkProblemKind::WalkEnded, {}, {}, 0, 0});
    }
    if (!summary.stopped)
        walk->ReportAtEnd();

    std::vector<std::string> rows = walk->TakeRows();
    summary.rows = rows.size();
    client.SendQuit();
    summary.commands += client.CommandsSent() - commandsBefore;
    observer.Finished(summary, std::move(rows));
    return summary;
}
