#include "jobs/retrieval.h"

#include <exception>
#include <functional>
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
#include "settings/ssh_settings.h"
#include "sitemap/ftp_connection.h"
#include "sitemap/sftp_connection.h"

namespace {

// Logs in (false: it failed, and the observer heard why) and walks; whatever ends the walk
// is told to the observer and counted in summary.
void loginAndWalk(WalkRules& walk, const SiteSettings& settings, RetrievalObserver& observer,
                  RetrievalSummary& summary, const std::function<bool()>& login) {
    try {
        if (const std::string_view problem = RowSettingsProblem(settings); !problem.empty())
            throw WalkError(std::string(problem));
        walk.CheckStop();
        if (login()) {
            walk.Run();
            // A stop asked for while the last entries were gone through.
            walk.CheckStop();
        }
    } catch (const WalkStopped&) {
        summary.stopped = true;
    } catch (const EIdStopped&) {
        // The stop ended a wait on the server at once.
        summary.stopped = true;
    } catch (const std::exception& error) {
        const auto* sftp = dynamic_cast<const SftpError*>(&error);
        if (sftp != nullptr && sftp->Kind() == SftpFailureKind::Stopped) {
            summary.stopped = true;
        } else {
            summary.endedEarly = true;
            observer.ProblemMet({WalkProblemKind::WalkEnded, ErrorText(error), {}, 0, 0});
        }
    } catch (...) {
        summary.endedEarly = true;
        observer.ProblemMet({WalkProblemKind::WalkEnded, {}, {}, 0, 0});
    }
    if (!summary.stopped)
        walk.ReportAtEnd();
}

void finish(WalkRules& walk, SiteConnection& connection, std::size_t commandsBefore,
            RetrievalObserver& observer, RetrievalSummary& summary) {
    std::vector<std::string> rows = walk.TakeRows();
    summary.rows = rows.size();
    connection.Quit();
    summary.commands += connection.CommandsSent() - commandsBefore;
    observer.Finished(summary, std::move(rows));
}

// The retrieval over SFTP: its own sessions, a walk that lists folders by path.
RetrievalSummary retrieveOverSftp(const SiteSettings& settings, RetrievalObserver& observer,
                                  const RetrievalLimits& limits) {
    RetrievalSummary summary;
    SftpConnection connection(settings);
    const std::unique_ptr<WalkRules> walk = MakeParallelWalk(
        connection, settings, limits, observer, summary, settings.ConnectionCount());
    loginAndWalk(*walk, settings, observer, summary, [&] {
        try {
            connection.Connect();
        } catch (const SftpError& failure) {
            if (failure.Kind() == SftpFailureKind::Stopped)
                throw;
            summary.loginFailed = true;
            if (failure.Kind() == SftpFailureKind::HostKeyUnknown)
                summary.untrustedHostKey = failure.HostKey();
            summary.passphraseWanted = failure.Kind() == SftpFailureKind::KeyPassphrase;
            observer.ProblemMet({WalkProblemKind::LoginFailed,
                                 SftpFailureText(failure), {}, 0, 0});
            return false;
        }
        // Directory reads give exact UTC times, as MLSD does.
        summary.exactTimes = true;
        return true;
    });
    finish(*walk, connection, 0, observer, summary);
    return summary;
}

} // namespace

RetrievalSummary RunRetrieval(Tftp_module& ftp, const SiteSettings& settingsAtStart,
                              RetrievalObserver& observer, const RetrievalLimits& limits) {
    // The whole run uses the values as they stood when it started.
    const SiteSettings settings = settingsAtStart;
    observer.Started();
    if (UsesSftp(settings))
        return retrieveOverSftp(settings, observer, limits);

    RetrievalSummary summary;
    Tftp_module::Session session = ftp.Lock();
    const Tftp_module::ScopedDisconnect disconnect(ftp);
    TIdFTP& client = session.Client();
    FtpConnection connection(client, settings);
    const std::size_t commandsBefore = client.CommandsSent();
    const std::size_t sessions = settings.ConnectionCount();
    const std::unique_ptr<WalkRules> walk =
        sessions > 1 ? MakeParallelWalk(connection, settings, limits, observer, summary, sessions)
                     : MakeFolderWalk(connection, settings, limits, observer, summary);
    loginAndWalk(*walk, settings, observer, summary, [&] {
        client.SetTls(TlsOptionsFor(settings.tls, settings.tls_trust, settings.hostname));
        client.SetMlsdAllowed(true);
        if (ftp.FtpConnect(settings.hostname, settings.username, settings.password) != 0) {
            // A login the user stopped did not fail.
            walk->CheckStop();
            summary.loginFailed = true;
            summary.untrustedCertificate = ftp.UntrustedCertificate();
            observer.ProblemMet(
                {WalkProblemKind::LoginFailed, FailureText(ftp.LastError()), {}, 0, 0});
            return false;
        }
        summary.tlsRefused = client.TlsRefused();
        summary.exactTimes = client.ListsWithMlsd();
        return true;
    });
    finish(*walk, connection, commandsBefore, observer, summary);
    return summary;
}
