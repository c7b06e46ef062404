#include "ftp/ftp_client.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/text_util.h"
#include "ftp/server_name.h"

// The data side of the conversation: passive connections, listings, retrieval and store.

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr std::size_t kTransferBuffer = 32768;
// A listing beyond this is no folder of a web site; it is refused rather than held in memory.
constexpr std::size_t kMaxListingBytes = std::size_t(128) << 20;
// Every line costs a string besides its bytes: a listing of short lines would take many times
// its size. Two million lines is beyond any folder of a web site.
constexpr std::size_t kMaxListingLines = std::size_t(1) << 21;
// The step of a transfer's deadline: each such amount moved earns transferPer8MiB more.
constexpr std::uint64_t kTransferStep = std::uint64_t(8) << 20;
// How much of an unreadable listing line an error text quotes.
constexpr std::size_t kQuotedLineBytes = 200;

bool isAbort(int code) {
    return code == 426 || code == 450;
}

// A local file to upload, open for reading. Only a regular file is taken: a folder would
// store nothing and a FIFO could hold the upload for ever (it is opened without waiting for
// a writer).
class LocalFile final {
public:
    explicit LocalFile(const std::string& path)
        : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {
        if (fd_ < 0)
            throw EIdLocalFileError(
                FtpFailure{FtpFailureKind::CannotOpenFile, path, std::strerror(errno)});
        struct stat status {};
        if (::fstat(fd_, &status) != 0) {
            const int error = errno;
            ::close(fd_);
            throw EIdLocalFileError(
                FtpFailure{FtpFailureKind::CannotOpenFile, path, std::strerror(error)});
        }
        if (!S_ISREG(status.st_mode)) {
            ::close(fd_);
            throw EIdLocalFileError(FtpFailure{FtpFailureKind::NotARegularFile, path});
        }
    }
    ~LocalFile() { ::close(fd_); }
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

} // namespace

void TIdFTP::ListFolder() {
    requireConnected();
    if (ListsWithMlsd()) {
        if (transferListing("MLSD", {500, 502, 550})) {
            listingIsMlsd_ = true;
            return;
        }
        useMlsd_ = false;
    }
    transferListing("LIST", {});
    listingIsMlsd_ = false;
}

void TIdFTP::ListFolderAt(const std::string& path) {
    requireConnected();
    if (ListsWithMlsd()) {
        if (transferListing("MLSD " + path, {500, 501, 502, 550})) {
            listingIsMlsd_ = true;
            return;
        }
        // Not understood: no MLSD for this session. Refused for this path (no such folder,
        // or no path taken): the folder is entered, which says which it is.
        if (lastReply_.code == 500 || lastReply_.code == 502)
            useMlsd_ = false;
    }
    ChangeFolder(path);
    ListFolder();
}

bool TIdFTP::transferListing(const std::string& listCommand, std::initializer_list<int> refusals) {
    TcpSocket data;
    if (!openTransfer(listCommand, refusals, data))
        return false;
    std::string bytes;
    if (receiveData(data, bytes, kMaxListingBytes)) {
        // Whatever the server says next can no longer be matched to a command.
        Disconnect();
        throw EIdSocketError(FtpFailureKind::ListingTooLong);
    }
    data.Close();
    const FtpReply end = readEndOfTransfer();
    // Without the 226 after it, an abort leaves a listing that may lack any number of entries.
    if (isAbort(end.code) && lateTransferEnd_)
        throw EIdProtocolReplyError(end.code, end.Shown(password_));
    if (CountListingLines(bytes) > kMaxListingLines) {
        throw EIdException(
            FtpFailure{FtpFailureKind::ListingTooManyLines, {}, {}, 0, {}, kMaxListingLines});
    }
    // The previous listing goes first and the bytes right after the split, so that no more
    // than the bytes and one set of lines are held at a time.
    listing_ = TIdFTPListItems();
    listingLines_ = std::vector<std::string>();
    listingLines_ = SplitListingLines(bytes);
    listingParsed_ = false;
    return true;
}

std::optional<std::string> TIdFTP::RetrieveFile(const std::string& name, std::size_t maxBytes) {
    requireConnected();
    TcpSocket data;
    if (!openTransfer("RETR " + name, {450, 550}, data))
        return std::nullopt;
    std::string bytes;
    const bool cut = receiveData(data, bytes, maxBytes);
    data.Close();
    if (cut) {
        // The server learns of the closed connection and ends the transfer as it likes.
        bytes.resize(maxBytes);
        drainAbortedTransfer();
        return bytes;
    }
    const FtpReply end = readEndOfTransfer();
    // A file cut short by the server is not the file.
    if (isAbort(end.code))
        throw EIdProtocolReplyError(end.code, end.Shown(password_));
    return bytes;
}

bool TIdFTP::openTransfer(const std::string& transferCommand, std::initializer_list<int> refusals,
                          TcpSocket& data) {
    requestPassive();
    const bool early = earlyCommand_;
    if (early) {
        // The server has the command once the connection is made: a failure leaves it waiting.
        bool replied = false;
        data = closingOnFailure([&] { return connectData(&transferCommand, &replied); });
        if (!replied)
            readReply();
    } else {
        data = connectData(nullptr);
        sendCommand(transferCommand);
        readReply();
    }
    if (early && lastReply_.code == 425) {
        // A server that wants the data connection made before the command: so from now on.
        earlyCommand_ = false;
        data.Close();
        return openTransfer(transferCommand, refusals, data);
    }
    if (std::find(refusals.begin(), refusals.end(), lastReply_.code) != refusals.end())
        return false;
    expect({125, 150, 154});
    secureData(data);
    return true;
}

bool TIdFTP::receiveData(TcpSocket& data, std::string& bytes, std::size_t maxBytes) {
    const Deadline start = SteadyClock::now();
    return closingOnFailure([&] {
        for (;;) {
            const std::size_t received = bytes.size();
            // One byte beyond the bound tells that more was on its way.
            const std::size_t room = std::min(kTransferBuffer, maxBytes + 1 - received);
            bytes.resize(received + room);
            std::size_t count = 0;
            try {
                count = data.Receive(bytes.data() + received, room, timeouts_.silence,
                                     transferDeadline(start, received));
            } catch (const EIdTimeout&) {
                if (SteadyClock::now() >= transferDeadline(start, received))
                    failTransferTimeout(start, received);
                throw;
            }
            bytes.resize(received + count);
            if (count == 0)
                return false;
            if (bytes.size() > maxBytes)
                return true;
        }
    });
}

const TIdFTPListItems& TIdFTP::FolderListing() {
    if (!listingParsed_) {
        listing_ = listingIsMlsd_ ? LoadListing(listingLines_, TIdFTPListFormat::flfMlsd, clock_)
                                  : InterpretListing(listingLines_, clock_);
        listingParsed_ = true;
    }
    if (listing_.empty() && listing_.firstUnreadable) {
        const std::string line = MaskSecret(listingLines_[*listing_.firstUnreadable], password_);
        std::size_t cut = std::min(line.size(), kQuotedLineBytes);
        // Back to the start of a UTF-8 character, so that the quote stays readable.
        while (cut > 0 && cut < line.size() &&
               (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        FtpFailure failure{FtpFailureKind::UnreadableListing,
                           {},
                           EscapeControls(NameFromServer(std::string_view(line).substr(0, cut)))};
        failure.cut = cut < line.size();
        throw EIdUnreadableListing(std::move(failure));
    }
    return listing_;
}

void TIdFTP::StoreFile(const std::string& localPath, const std::string& remoteName) {
    LocalFile file(localPath);
    requireConnected();
    requestPassive();
    // The server would wait for a data connection that never comes: the conversation goes.
    const std::string storeCommand = "STOR " + remoteName;
    bool replied = false;
    TcpSocket data = closingOnFailure([&] { return connectData(&storeCommand, &replied); });
    if (!replied)
        readReply();
    expect({110, 125, 150});
    secureData(data);

    std::vector<char> buffer(kTransferBuffer);
    const Deadline start = SteadyClock::now();
    std::uint64_t sent = 0;
    for (;;) {
        const ssize_t count = ::read(file.fd(), buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            const int error = errno;
            data.Close();
            drainAbortedTransfer();
            throw EIdLocalFileError(
                FtpFailure{FtpFailureKind::CannotReadFile, localPath, std::strerror(error)});
        }
        if (count == 0)
            break;
        try {
            data.SendAll(buffer.data(), std::size_t(count), timeouts_.silence,
                         transferDeadline(start, sent));
        } catch (const EIdTimeout&) {
            if (SteadyClock::now() >= transferDeadline(start, sent))
                failTransferTimeout(start, sent);
            Disconnect();
            throw;
        } catch (const EIdStopped&) {
            Disconnect();
            throw;
        } catch (const EIdSocketError&) {
            // The server dropped the data connection; its reply says why.
            data.Close();
            const FtpReply reply = drainAbortedTransfer();
            if (reply.code >= 400)
                throw EIdProtocolReplyError(reply.code, reply.Shown(password_));
            throw;
        }
        sent += std::uint64_t(count);
    }
    data.CloseTls(timeouts_.silence);
    data.ShutdownSend();
    data.DrainUntilPeerCloses(timeouts_.silence);
    data.Close();
    const FtpReply end = readEndOfTransfer();
    // An aborted store leaves a partial file on the server: never report it as stored.
    if (isAbort(end.code))
        throw EIdProtocolReplyError(end.code, end.Shown(password_));
}

void TIdFTP::requestPassive() {
    if (useEpsv_) {
        sendCommand("EPSV");
        readReply();
        if (lastReply_.code == 229) {
            try {
                passiveAddress_ = PassiveAddress{
                    std::string(), ParseExtendedPassivePort(lastReply_.lines.front())};
            } catch (const EIdException&) {
                throw EIdException(FtpFailure{
                    FtpFailureKind::NoExtendedPassivePort, {}, lastReply_.Shown(password_)});
            }
            return;
        }
        // A server that does not know EPSV, or will not use it here: PASV from now on.
        if (lastReply_.code < 500)
            expect({229});
        useEpsv_ = false;
    }
    command("PASV", {227});
    try {
        passiveAddress_ = ParsePassiveAddress(lastReply_.lines.front());
    } catch (const EIdException&) {
        throw EIdException(
            FtpFailure{FtpFailureKind::NoPassiveAddress, {}, lastReply_.Shown(password_)});
    }
}

TcpSocket TIdFTP::connectData(const std::string* transferCommand, bool* replied) {
    // Only the port is taken from the PASV reply: a server cannot send the client elsewhere,
    // and servers behind NAT that name their private address still work.
    TcpSocket data = TcpSocket::BeginConnect(control_.PeerAddress(), passiveAddress_.port, &stop_);
    // Servers wait for the data connection after the command: the command need not wait for
    // the connection, which saves a round trip.
    if (transferCommand)
        sendCommand(*transferCommand);
    bool connected = false;
    try {
        data.FinishConnect(timeouts_.connect);
        connected = true;
        // The ClientHello goes at once and waits at the server until it acts on the command,
        // instead of leaving a round trip after the preliminary reply.
        if (control_.Tls())
            data.BeginTls(tlsContext_, tlsPeer_);
    } catch (const EIdSocketError&) {
        // A server that refuses the command (RETR of a missing file) may close its port before
        // it takes the connection, which is then reset, while or right after it is made: the
        // refusal is what happened. A port where nothing listened is a failure of its own.
        const bool reset = connected || data.ConnectError() == ECONNRESET;
        if (!transferCommand || !replied || !reset)
            throw;
        readReply();
        if (lastReply_.code < 400)
            throw;
        data.Close();
        *replied = true;
    }
    return data;
}

void TIdFTP::secureData(TcpSocket& data) {
    if (!control_.Tls())
        return;
    // The server waits on a data connection that will never carry anything.
    closingOnFailure([&] { data.FinishTls(timeouts_.connect); });
}

// 426 and 450 end a transfer as aborted. RFC 959 makes them its last reply, yet some servers
// add a 226; it is read when it comes within afterAbort, and skipped should it come later.
FtpReply TIdFTP::readEndOfTransfer() {
    readReply();
    expect({225, 226, 250, 426, 450});
    FtpReply end = lastReply_;
    if (isAbort(end.code) && readOptionalReply())
        expect({226, 225});
    return end;
}

FtpReply TIdFTP::drainAbortedTransfer() {
    readReply();
    FtpReply end = lastReply_;
    if (isAbort(end.code))
        readOptionalReply();
    return end;
}

Deadline TIdFTP::transferDeadline(Deadline start, std::uint64_t moved) const {
    const auto earned = std::chrono::milliseconds(std::chrono::milliseconds::rep(
        std::uint64_t(timeouts_.transferPer8MiB.count()) * moved / kTransferStep));
    return start + timeouts_.transfer + earned;
}

void TIdFTP::failTransferTimeout(Deadline start, std::uint64_t moved) {
    const std::string peer = control_.PeerText();
    Disconnect();
    const auto bound = std::chrono::duration_cast<std::chrono::milliseconds>(
        transferDeadline(start, moved) - start);
    throw EIdTimeout(FtpFailure{FtpFailureKind::TransferTimeout, peer, {}, 0, bound, moved});
}
