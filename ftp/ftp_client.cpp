#include "ftp/ftp_client.h"

#include <algorithm>
#include <utility>

// The control side of the conversation: login, commands, replies.

namespace {

using SteadyClock = std::chrono::steady_clock;

bool contains(std::initializer_list<int> codes, int code) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

} // namespace

TIdFTP::TIdFTP(const Clock& clock)
    : clock_(clock), reader_([this](char* buffer, std::size_t size) {
          return control_.Receive(buffer, size, timeouts_.silence, replyDeadline_);
      }) {}

void TIdFTP::Connect(const std::string& host, const std::string& username,
                     const std::string& password) {
    if (control_.IsOpen())
        throw EIdException(FtpFailureKind::AlreadyConnected);
    password_ = password;
    features_ = FtpFeatures();
    useMlsd_ = false;
    useEpsv_ = false;
    earlyCommand_ = true;
    try {
        const FtpEndpoint endpoint = ParseFtpEndpoint(host);
        control_ = TcpSocket::Connect(endpoint.host, endpoint.port, timeouts_.connect, &stop_);
        control_.SetNoDelay();
        readReply();
        expect({220});
        greeting_ = lastReply_.Text();
        tlsRefused_ = false;
        if (tlsOptions_.security != FtpSecurity::Off)
            startTls(endpoint.host);
        command("USER " + username, {230, 331});
        if (lastReply_.code == 331)
            command("PASS " + password, {230});
        askFeatures();
        if (control_.Tls()) {
            // Data connections in TLS too; a server that will not protect them is refused,
            // since the listings and the upload would cross in clear.
            command("PBSZ 0", {200});
            command("PROT P", {200});
        }
        command("TYPE I", {200});
        // 500: the server knows no SYST, which costs nothing; any other refusal does.
        command("SYST", {200, 215, 500});
        systemDescription_ = lastReply_.Text();
    } catch (...) {
        Disconnect();
        throw;
    }
}

bool TIdFTP::IsConnected() {
    if (!control_.IsOpen())
        return false;
    if (control_.PeerHasClosed()) {
        Disconnect();
        return false;
    }
    return true;
}

void TIdFTP::ChangeFolder(const std::string& path) {
    command("CWD " + path, {200, 250});
}

void TIdFTP::RenameFile(const std::string& from, const std::string& to) {
    command("RNFR " + from, {350});
    command("RNTO " + to, {250});
}

void TIdFTP::DeleteFile(const std::string& name) {
    command("DELE " + name, {250});
}

std::string TIdFTP::CurrentFolder() {
    command("PWD", {257});
    try {
        return ParseFolderReply(lastReply_.lines.front());
    } catch (const EIdException&) {
        throw EIdException(
            FtpFailure{FtpFailureKind::NoFolderInReply, {}, lastReply_.Shown(password_)});
    }
}

void TIdFTP::SendQuit() {
    if (!control_.IsOpen())
        return;
    try {
        sendCommand("QUIT");
    } catch (const EIdException&) {
        // The connection goes away in any case.
    }
    Disconnect();
}

void TIdFTP::Disconnect() {
    control_.Close();
    reader_.Clear();
    password_.clear();
    lateTransferEnd_ = false;
}

void TIdFTP::requireConnected() const {
    if (!control_.IsOpen())
        throw EIdNotConnected();
}

void TIdFTP::sendCommand(const std::string& command) {
    requireConnected();
    // A line break inside an argument would smuggle a second command to the server.
    if (command.find_first_of("\r\n") != std::string::npos)
        throw EIdException(FtpFailureKind::LineBreakInCommand);
    const std::string line = command + "\r\n";
    closingOnFailure([&] { control_.SendAll(line.data(), line.size(), timeouts_.silence); });
    ++commandsSent_;
}

const FtpReply& TIdFTP::readReply() {
    requireConnected();
    replyDeadline_ = SteadyClock::now() + timeouts_.reply;
    try {
        closingOnFailure([this] {
            do {
                lastReply_ = reader_.Read();
                // A transfer's 226 that came after its wait was given up is no reply to this
                // command.
            } while (std::exchange(lateTransferEnd_, false) &&
                     (lastReply_.code == 226 || lastReply_.code == 225));
        });
    } catch (const EIdTimeout&) {
        if (SteadyClock::now() >= replyDeadline_)
            throw EIdTimeout(FtpFailure{FtpFailureKind::ReplyTimeout, control_.PeerText(), {}, 0,
                                        timeouts_.reply});
        throw;
    }
    return lastReply_;
}

bool TIdFTP::readOptionalReply() {
    const bool waiting = closingOnFailure(
        [this] { return reader_.HasBuffered() || control_.WaitReadable(timeouts_.afterAbort); });
    if (!waiting) {
        lateTransferEnd_ = true;
        return false;
    }
    readReply();
    return true;
}

const FtpReply& TIdFTP::command(const std::string& text, std::initializer_list<int> accepted) {
    sendCommand(text);
    readReply();
    expect(accepted);
    return lastReply_;
}

void TIdFTP::expect(std::initializer_list<int> accepted) const {
    if (!contains(accepted, lastReply_.code))
        throw EIdProtocolReplyError(lastReply_.code, lastReply_.Shown(password_));
}

void TIdFTP::startTls(const std::string& host) {
    sendCommand("AUTH TLS");
    readReply();
    if (lastReply_.code >= 500 && tlsOptions_.security == FtpSecurity::Auto) {
        tlsRefused_ = true;
        return;
    }
    if (lastReply_.code != 234) {
        throw EIdProtocolReplyError(lastReply_.code, lastReply_.Shown(password_),
                                    FtpFailureKind::TlsRefused);
    }
    tlsPeer_ = TlsPeer{host, tlsOptions_.trustedFingerprint};
    tlsContext_.StartServer(control_.PeerText());
    closingOnFailure([this] { control_.StartTls(tlsContext_, tlsPeer_, timeouts_.connect); });
}

void TIdFTP::askFeatures() {
    sendCommand("FEAT");
    readReply();
    features_ = ParseFeatures(lastReply_);
    if (features_.utf8) {
        // Many servers speak UTF-8 without being asked and refuse this; that changes nothing.
        sendCommand("OPTS UTF8 ON");
        readReply();
    }
    useMlsd_ = features_.Mlsd();
    useEpsv_ = features_.epsv || control_.PeerAddress().ss_family == AF_INET6;
}
