#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/date_time.h"
#include "ftp/ftp_errors.h"
#include "ftp/ftp_listing.h"
#include "ftp/ftp_parsers.h"
#include "ftp/ftp_reply.h"
#include "ftp/stop_signal.h"
#include "ftp/tcp_socket.h"
#include "ftp/tls_channel.h"

// Bounds on waiting for the server. A bound that fires closes the client and raises EIdTimeout,
// as a lost connection does. The overall bounds stop a server that sends a byte now and then,
// just often enough for the silence bound, from holding the client for ever.
struct FtpTimeouts {
    std::chrono::milliseconds connect{30000}; // for each connection, control or data
    std::chrono::milliseconds silence{60000}; // without a byte while a reply or data is awaited
    std::chrono::milliseconds reply{300000};  // for a whole reply, the greeting included
    // A listing or a store may take transfer, plus transferPer8MiB for every 8 MiB moved so
    // far: one that runs past five minutes must have averaged 8 MiB a minute (about 140 KB/s).
    // A listing at its 128 MiB bound gets 21 minutes; a trickle hardly more than the floor.
    std::chrono::milliseconds transfer{300000};
    std::chrono::milliseconds transferPer8MiB{60000};
    // For the 226 that some servers send after ending a transfer with 426 or 450, which most
    // never send: the full silence bound would stall every aborted transfer for a minute. When
    // it passes, the transfer fails with the 426 or 450 and the client stays connected.
    std::chrono::milliseconds afterAbort{2000};
};

// How a connection protects the conversation.
enum class FtpSecurity {
    Required, // explicit TLS or no login at all
    Auto,     // TLS when the server accepts AUTH TLS; plain when it refuses it (5xx)
    Off,      // plain FTP
};

// What a login does about TLS.
struct FtpTlsOptions {
    FtpSecurity security = FtpSecurity::Off;
    // The certificate the user trusted for this host although it cannot be verified.
    std::string trustedFingerprint;
};

// The client side of one FTP conversation: a control connection, passive data connections,
// binary transfers. Not thread-safe: one caller at a time (Tftp_module serialises them).
class TIdFTP final {
public:
    explicit TIdFTP(const Clock& clock = SystemClock());
    TIdFTP(const TIdFTP&) = delete;
    TIdFTP& operator=(const TIdFTP&) = delete;

    void SetTimeouts(const FtpTimeouts& timeouts) { timeouts_ = timeouts; }
    // Takes effect at the next Connect.
    void SetTls(const FtpTlsOptions& options) { tlsOptions_ = options; }
    const FtpTlsOptions& Tls() const { return tlsOptions_; }
    const FtpTimeouts& Timeouts() const { return timeouts_; }
    // The clock that completes year-less listing dates.
    const Clock& ListingClock() const { return clock_; }

    // Connects to host (see ParseFtpEndpoint) and logs in: greeting 220, then with TLS
    // AUTH TLS 234 and the handshake, USER 230/331, PASS 230 (only after 331), FEAT (any reply;
    // see Features), OPTS UTF8 ON when FEAT lists UTF8 (any reply), with TLS PBSZ 0 and
    // PROT P 200, TYPE I 200, SYST 200/215/500. Any failure closes the client and is raised; a
    // certificate that cannot be verified raises EIdUntrustedCertificate before anything else
    // is sent.
    void Connect(const std::string& host, const std::string& username, const std::string& password);
    // True while the control connection is open; a connection the server has closed is
    // closed here and counts as closed.
    bool IsConnected();

    // CWD path; accepted 200, 250.
    void ChangeFolder(const std::string& path);
    // PWD; the folder that the 257 reply names.
    std::string CurrentFolder();
    // A transfer command (LIST, MLSD, RETR, STOR) goes as soon as the data connection has
    // started; a server that refuses it with 425 gets it after the connection from then on.
    // Lists the current folder: MLSD when allowed (SetMlsdAllowed) and the server's features
    // offer it (Features().Mlsd()), else LIST. MLSD refused with 500, 502 or 550 is not sent
    // again in this session: the folder is listed with LIST at once. On success the lines replace
    // the previous listing's; on failure the previous listing stays. A listing beyond 128 MiB fails
    // and closes the client; one of more than 2,097,152 lines fails. A listing the server ends with
    // 426 or 450 is what arrived before the abort when a 226 follows, and fails with the server's
    // reply otherwise.
    void ListFolder();
    // Lists the folder at path without leaving the current one where the server allows it:
    // "MLSD path" when MLSD is in use; else, or when the server refuses that, CWD path and
    // ListFolder. Raises EIdProtocolReplyError when the folder cannot be entered.
    void ListFolderAt(const std::string& path);
    // True when the next ListFolder sends MLSD.
    bool ListsWithMlsd() const { return mlsdAllowed_ && useMlsd_; }
    // Off by default: a server's MLSD may show a link as the folder or file it leads to (with
    // that one's "unique" fact), which a caller must be ready for.
    void SetMlsdAllowed(bool allowed) { mlsdAllowed_ = allowed; }
    // The lines of the last listing, split at CR LF, CR and LF, bytes unchanged; empty lines
    // are left out.
    const std::vector<std::string>& ListingLines() const { return listingLines_; }
    // The parsed last listing, built on the first call after a ListFolder; its format is
    // flfMlsd after MLSD, whose entries carry UTC times exact to the second (item.utc) and the
    // server's "unique" fact. Valid until the next ListFolder. Raises EIdUnreadableListing, quoting
    // the first line it could not read, when the listing has no entry but lines that are neither
    // entries nor headings.
    const TIdFTPListItems& FolderListing();
    // RETR name: the file's first maxBytes bytes; nothing when the server says it has no such
    // file (450, 550). A longer file is cut at the bound and its transfer ended there. A
    // transfer the server reports aborted fails.
    std::optional<std::string> RetrieveFile(const std::string& name, std::size_t maxBytes);
    // STOR remoteName with the bytes of the local file. The local file is opened and must be
    // a regular file before anything is sent, so a missing file, a folder or a FIFO fails
    // (EIdLocalFileError) without a command. A transfer the server reports aborted (426, 450) fails
    // even when a 226 follows.
    void StoreFile(const std::string& localPath, const std::string& remoteName);
    // RNFR from (350), RNTO to (250): replaces to where the server allows it.
    void RenameFile(const std::string& from, const std::string& to);
    // DELE name; accepted 250.
    void DeleteFile(const std::string& name);

    // Ends the wait the conversation is in from any thread, or from a signal handler: the
    // operation fails with EIdStopped and the client closes. Later waits fail the same way
    // until ClearStop(), which the owner calls before a new conversation.
    void RaiseStop() const { stop_.Raise(); }
    void ClearStop() const { stop_.Reset(); }
    // Readable while a stop is raised: for sessions of another transport to watch.
    int StopDescriptor() const { return stop_.Descriptor(); }

    // QUIT without waiting for the reply, then closes. Nothing on a closed client.
    void SendQuit();
    // Closes the connections without a command. Nothing on a closed client.
    void Disconnect();

    // The connection's TLS, or null when the conversation is plain.
    const TlsChannel* ControlTls() const { return control_.Tls(); }
    // True when the last Connect went on in plain FTP because the server refused AUTH TLS
    // (FtpSecurity::Auto).
    bool TlsRefused() const { return tlsRefused_; }

    const FtpReply& LastReply() const { return lastReply_; }
    const std::string& Greeting() const { return greeting_; }
    const std::string& SystemDescription() const { return systemDescription_; }
    // What the server offered in its reply to FEAT at the last Connect.
    const FtpFeatures& Features() const { return features_; }
    // What the last PASV reply named (after EPSV, the port and an empty host); the data
    // connection itself goes to the control connection's peer, with this port.
    const PassiveAddress& LastPassiveAddress() const { return passiveAddress_; }
    // True when the next data connection is asked for with EPSV: the control connection is
    // IPv6 or the server lists EPSV. EPSV refused with any 5xx is not sent again in this
    // session: the connection is asked for with PASV at once.
    bool UsesEpsv() const { return useEpsv_; }
    // Commands written on the control connection since this client was made.
    std::size_t CommandsSent() const { return commandsSent_; }

private:
    // Runs step; a socket failure (lost, silent, stopped) closes the client before it goes on
    // up, since whatever the server says next could no longer be matched to a command.
    template <typename Step> decltype(auto) closingOnFailure(Step&& step) {
        try {
            return step();
        } catch (const EIdSocketError&) {
            Disconnect();
            throw;
        }
    }
    void requireConnected() const;
    void sendCommand(const std::string& command);
    const FtpReply& readReply();
    // Reads a reply only when one starts within the afterAbort bound; false when none did.
    bool readOptionalReply();
    const FtpReply& command(const std::string& command, std::initializer_list<int> accepted);
    void expect(std::initializer_list<int> accepted) const;
    void startTls(const std::string& host);
    void askFeatures();
    // Fetches a listing with command; false when the server refuses the command with one of
    // refusals, before any data.
    bool transferListing(const std::string& command, std::initializer_list<int> refusals);
    // Asks for a data connection and sends command over the control connection; false when
    // the server refuses it with one of refusals, before any data.
    bool openTransfer(const std::string& command, std::initializer_list<int> refusals,
                      TcpSocket& data);
    // Appends what data carries until it ends; true, the rest left unread, as soon as more
    // than maxBytes have come.
    bool receiveData(TcpSocket& data, std::string& bytes, std::size_t maxBytes);
    void requestPassive();
    // Connects to the passive port and, with TLS, sends the ClientHello; transferCommand, when
    // given, goes as soon as the connection has started.
    // When the connect fails after an early command whose reply refuses it, that reply is read
    // and *replied says so: the refusal is the outcome, not the reset.
    TcpSocket connectData(const std::string* transferCommand, bool* replied = nullptr);
    void secureData(TcpSocket& data);
    FtpReply readEndOfTransfer();
    FtpReply drainAbortedTransfer();
    // When a transfer that started at start and has moved bytes so far must have ended.
    Deadline transferDeadline(Deadline start, std::uint64_t moved) const;
    // Closes the client and raises the time-out of a transfer that reached its deadline.
    [[noreturn]] void failTransferTimeout(Deadline start, std::uint64_t moved);

    const Clock& clock_;
    FtpTimeouts timeouts_;
    StopSignal stop_;
    FtpTlsOptions tlsOptions_;
    TlsContext tlsContext_;
    TlsPeer tlsPeer_;
    bool tlsRefused_ = false;
    TcpSocket control_;
    FtpReplyReader reader_;
    // Of the open connection, to mask it in the server's texts: some servers repeat the PASS
    // line in their replies, and those texts reach message boxes.
    std::string password_;
    Deadline replyDeadline_ = kNoDeadline; // of the reply being read
    // The 226 that may follow a 426 or 450 was not awaited: one arriving later is skipped.
    bool lateTransferEnd_ = false;
    FtpReply lastReply_;
    std::string greeting_;
    std::string systemDescription_;
    PassiveAddress passiveAddress_;
    FtpFeatures features_;
    bool mlsdAllowed_ = false;
    bool useMlsd_ = false; // offered, and not refused in this session
    bool useEpsv_ = false;
    bool earlyCommand_ = true; // transfer commands go before the data connection is made
    bool listingIsMlsd_ = false;
    std::vector<std::string> listingLines_;
    TIdFTPListItems listing_;
    bool listingParsed_ = true;
    std::size_t commandsSent_ = 0;
};
