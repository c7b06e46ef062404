#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <QObject>
#include <QPointer>

#include "ftp/tls_channel.h"
#include "jobs/thread.h"

class Tfsite_manager;
class Tftp_module;

// Runs the window's retrievals on a thread of their own: wires the thread's events to its
// signals on the window's thread, shows the problems the walk waits on, stops the run and waits
// for it. The work reports events only; the window decides what it shows.
class RetrievalController final : public QObject {
    Q_OBJECT
public:
    explicit RetrievalController(QObject* parent = nullptr);
    // Stops a running retrieval and waits for its thread.
    ~RetrievalController() override;

    // Starts a run of settings; whoever calls it has cleared an earlier stop of ftp.
    void Start(Tftp_module& ftp, const SiteSettings& settings,
               const std::filesystem::path& programFolder);
    void RequestStop();
    // Ends a running retrieval and waits for its thread, so that it never outlives the window
    // or the FTP module; nothing of the run reaches the window any more.
    void StopAndWait();
    bool Running() const { return !run_.isNull(); }

    // The one place where a login stopped by an untrusted certificate or SFTP host key, or by
    // a key file's missing passphrase, may lead to a retry: true when the user now trusts it
    // (the settings dialog stores the trust) or gave the passphrase, so that the same work can
    // run again with the dialog's settings.
    static bool UserNowTrusts(Tfsite_manager* siteManager,
                              const std::optional<CertificateInfo>& certificate,
                              const std::optional<SshHostKey>& hostKey, bool passphraseWanted);

signals:
    void Started();
    void ProgressChanged(const RetrievalProgress& progress);
    void Finished(const RetrievalSummary& summary, const std::vector<std::string>& rows);
    // The thread has ended; run stays valid until control returns to the event loop.
    void Ended(const tthread1& run);

private:
    QPointer<tthread1> run_;
};
