#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ftp/tls_channel.h"
#include "sftp/sftp_errors.h"

class Tftp_module;
struct SiteSettings;

// What the walk met that the user is to hear of, as a kind and its detail; the edges (window,
// command line) choose the words (WalkProblemText in problem_text.h).
enum class WalkProblemKind {
    LoginFailed,       // detail: why the login failed
    WalkEnded,         // an error or a limit ended the walk; detail: why (empty: unknown)
    FolderMissing,     // folder: the one the server would not let the walk enter
    FolderDenied,      // folder: the server said the user may not read it (SFTP)
    ListingUnreadable, // folder; detail: why no line of its listing could be read
    FoldersTooDeep,    // count folders left out below the depth bound; folder: the first
    FoldersRepeated,   // count folders met inside themselves; folder: the first
    MlsdRefused,       // MLSD refused during the walk: count folders listed with it, listCount
                       // with LIST
};

struct WalkProblem {
    WalkProblemKind kind = WalkProblemKind::WalkEnded;
    std::string detail;
    std::string folder; // as shown
    std::size_t count = 0;
    std::size_t listCount = 0;
};

struct RetrievalSummary;

// What a retrieval reports while it runs: events of the walk, never texts or places on a screen.
// The window carries each call over to its own thread, in order, and decides what it shows; the
// command line prints. Calls come from the thread that runs the retrieval.
class RetrievalObserver {
public:
    virtual ~RetrievalObserver() = default;

    // The run has begun and is connecting: the rows of an earlier run are void.
    virtual void Started() {}
    // The folder or the file the walk is at now, as shown (a path, or a page's address).
    virtual void WorkingOn(const std::string& /*place*/) {}
    // A folder the walk could enter, as shown.
    virtual void FolderEntered(const std::string& /*path*/) {}
    // A row found, at once; the rows are handed over together at the end.
    virtual void RowFound(const std::string& /*row*/) {}
    // Progress of a walk over several sessions: folders listed, folders known so far, and the
    // sessions listing them.
    virtual void WalkProgress(std::size_t /*foldersDone*/, std::size_t /*foldersKnown*/,
                              std::size_t /*sessions*/) {}
    // Something the user is to hear of; the walk goes on (or ends) as the kind says.
    virtual void ProblemMet(const WalkProblem& /*problem*/) {}
    // The end of the run: its figures, and the rows in the order the walk found them.
    virtual void Finished(const RetrievalSummary& /*summary*/, std::vector<std::string> /*rows*/) {}
    // Asked before every command the walk sends; true ends the walk there.
    virtual bool StopRequested() { return false; }
};

// Links on the server can present a folder inside itself; no site is deeper than this.
inline constexpr std::size_t kMaxWalkDepth = 64;

// Bounds of one walk, so that no server can make it endless. Reaching one ends the walk as an
// error does (the rows gathered are kept).
struct RetrievalLimits {
    std::size_t maxFolders = 100000; // folders the walk tries to enter
    std::size_t maxRows = 1000000;
};

// Figures of one run.
struct RetrievalSummary {
    std::size_t folders = 0;        // folders entered (0: not even the site root could be entered)
    std::size_t foldersRefused = 0; // folders the server would not let the walk enter
    std::size_t foldersUnreadable = 0; // folders whose listing held no line that could be read
    std::size_t foldersTooDeep = 0; // folders not entered: deeper than kMaxWalkDepth below the root
    // Folders not entered: the server names them as one of the folders above them (a link back
    // up), so entering would only walk that one again.
    std::size_t foldersRepeated = 0;
    // Folders whose first listing gave exact times (MLSD, or an SFTP directory read) and that
    // came by LIST.
    std::size_t foldersListedExact = 0;
    std::size_t foldersListedList = 0;
    // Rows without a lastmod: the listing gave no date, or one a sitemap cannot write.
    std::size_t undated = 0;
    std::size_t rows = 0; // rows handed to the table
    // Files and folders left out (a folder counts once, unlisted): by the exclusion patterns,
    // and as the site's robots.txt asks.
    std::size_t excluded = 0;
    std::size_t robotsExcluded = 0;
    std::size_t commands = 0; // commands sent to the server during the run
    bool loginFailed = false;
    bool stopped = false;    // the user stopped the run (also by Tftp_module::Abort)
    bool endedEarly = false; // an error or a limit ended the walk before its end (the rows so
                             // far kept), or the site URL was refused before the login
    // The server lists with exact UTC times (MLSD after the FTP login, or SFTP): the offset
    // setting only names the zone they are written in.
    bool exactTimes = false;
    // The server offered MLSD but refused it to a session during the walk.
    bool mlsdRefused = false;
    // The server refused TLS and the walk went on in plain FTP (the "auto" setting).
    bool tlsRefused = false;
    // The site root's robots.txt as the walk read it and obeyed it (empty: none read).
    std::string robotsTxt;
    // The site root's .htaccess, read for the page check only (empty: none read).
    std::string htaccess;
    // The certificate that stopped the login because it could not be verified: the user may
    // choose to trust it.
    std::optional<CertificateInfo> untrustedCertificate;
    // The host key of an SFTP server that neither the settings nor known_hosts trust: the user
    // may choose to trust it. A changed key is refused without this offer.
    std::optional<SshHostKey> untrustedHostKey;
    // The SFTP key file is encrypted and the passphrase was missing or wrong.
    bool passphraseWanted = false;

    // The run ended without walking the site: no login, an error or a limit ended the walk,
    // or the site root could not be entered.
    bool Failed() const { return !stopped && (loginFailed || endedEarly || folders == 0); }
    // Every folder of the site was listed: a page without a row is no longer on the server.
    bool WalkedWholeSite() const {
        return !loginFailed && !stopped && !endedEarly && folders > 0 && foldersRefused == 0 &&
               foldersUnreadable == 0 && foldersTooDeep == 0;
    }
};

// One whole retrieval: clears the table, logs in with settings (a copy taken when the run
// starts), reads the site root's robots.txt when settings ask for it, walks the site root
// folder depth first and fills the table with one row per matching file that neither the
// exclusions nor robots.txt leave out. With more than one connection in the settings, further
// sessions log in as the first did and list folders in parallel; the rows are the same. Holds
// the FTP session for the whole run and closes it at the end. Refuses a site URL that would
// shift the rows' fields (SiteUrlProblem) before it connects. Never throws; failures reach the
// observer as problems. Whoever starts it clears an earlier stop first (Tftp_module::ClearStop).
// Over SFTP (the settings' transport) the run opens sessions of its own and ftp is left alone.
RetrievalSummary RunRetrieval(Tftp_module& ftp, const SiteSettings& settings,
                              RetrievalObserver& observer,
                              const RetrievalLimits& limits = RetrievalLimits());
