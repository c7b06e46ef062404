#include "ftp/ftp_client.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/file_io.h"
#include "core/text_util.h"
#include "core/texts.h"
#include "ftp/server_name.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr std::size_t kReplyPiece = 16384;
constexpr std::size_t kTransferBuffer = 32768;
// A reply beyond this is no FTP reply; the conversation is given up rather than buffered.
constexpr std::size_t kMaxReplyBytes = 1 << 20;
// A listing beyond this is no folder of a web site; it is refused rather than held in memory.
constexpr std::size_t kMaxListingBytes = std::size_t(128) << 20;
// Every line costs a string besides its bytes: a listing of short lines would take many times
// its size. Two million lines is beyond any folder of a web site.
constexpr std::size_t kMaxListingLines = std::size_t(1) << 21;
// The step of a transfer's deadline: each such amount moved earns transferPer8MiB more.
constexpr std::uint64_t kTransferStep = std::uint64_t(8) << 20;
// How much of an unreadable listing line an error text quotes.
constexpr std::size_t kQuotedLineBytes = 200;

bool isBlankOrControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= ' ' || byte == 0x7f;
}

std::string_view stripped(std::string_view text) {
    while (!text.empty() && isBlankOrControl(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlankOrControl(text.back()))
        text.remove_suffix(1);
    return text;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool contains(std::initializer_list<int> codes, int code) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

bool isAbort(int code) {
    return code == 426 || code == 450;
}

// A port written in a host text: 1 to 65535, digits only.
unsigned short parsePort(std::string_view digits, const std::string& hostText) {
    unsigned long value = 0;
    bool valid = !digits.empty() && digits.size() <= 5;
    for (char c : digits) {
        valid = valid && isDigit(c);
        value = value * 10 + unsigned(c - '0');
    }
    if (!valid || value < 1 || value > 65535)
        throw EIdException(Filled(texts::kFtpInvalidPort, {{"1", hostText}}));
    return static_cast<unsigned short>(value);
}

// Calls take(begin, end) for each line of listing bytes that is not empty.
template <typename Take> void forEachListingLine(const std::string& bytes, Take take) {
    const char* position = bytes.data();
    const char* const end = position + bytes.size();
    while (position < end) {
        const char* lineEnd = position;
        while (lineEnd < end && *lineEnd != '\r' && *lineEnd != '\n')
            ++lineEnd;
        if (lineEnd > position)
            take(position, lineEnd);
        position = lineEnd + 1;
    }
}

std::size_t countListingLines(const std::string& bytes) {
    std::size_t count = 0;
    forEachListingLine(bytes, [&count](const char*, const char*) { ++count; });
    return count;
}

// A local file to upload, open for reading. Only a regular file is taken: a folder would
// store nothing and a FIFO could hold the upload for ever (it is opened without waiting for
// a writer).
class LocalFile final {
public:
    explicit LocalFile(const std::string& path)
        : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {
        if (fd_ < 0)
            throw FileError(
                Filled(texts::kFtpCannotOpenFile, {{"1", path}, {"2", std::strerror(errno)}}));
        struct stat status {};
        if (::fstat(fd_, &status) != 0) {
            const int error = errno;
            ::close(fd_);
            throw FileError(
                Filled(texts::kFtpCannotOpenFile, {{"1", path}, {"2", std::strerror(error)}}));
        }
        if (!S_ISREG(status.st_mode)) {
            ::close(fd_);
            throw FileError(Filled(texts::kFtpNotARegularFile, {{"1", path}}));
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

std::string FtpReply::Text() const {
    std::string text;
    for (const std::string& line : lines) {
        if (!text.empty())
            text += '\n';
        text += line;
    }
    return text;
}

std::string FtpReply::Shown(std::string_view secret) const {
    std::string text;
    std::string line;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        line += lines[i];
        if (i < continued.size() && continued[i])
            continue;
        if (!text.empty())
            text += '\n';
        text += EscapeControls(MaskSecret(std::move(line), secret));
        line.clear();
    }
    return text;
}

FtpReply FtpReplyReader::Read() {
    FtpReply reply;
    std::string raw;
    std::size_t total = 0;
    auto nextLine = [&]() {
        for (;;) {
            if (total >= kMaxReplyBytes)
                throw EIdSocketError(std::string(texts::kFtpReplyTooLong));
            readLine(raw, kMaxReplyBytes - total);
            total += raw.size() + 1;
            const std::string_view line = stripped(raw);
            if (!line.empty())
                return line;
        }
    };
    // Over-long lines are kept in pieces; where a line ends is still decided per line.
    auto keep = [&](std::string_view line) {
        for (std::size_t at = 0; at < line.size(); at += kReplyPiece) {
            reply.lines.emplace_back(line.substr(at, kReplyPiece));
            reply.continued.push_back(at + kReplyPiece < line.size());
        }
    };

    const std::string_view first = nextLine();
    const bool numbered =
        first.size() >= 3 && isDigit(first[0]) && isDigit(first[1]) && isDigit(first[2]);
    if (numbered)
        reply.code = (first[0] - '0') * 100 + (first[1] - '0') * 10 + (first[2] - '0');
    keep(first);
    if (numbered && first.size() > 3 && first[3] == '-') {
        // Only the line as the server wrote it counts: an indented "220 " is text.
        const std::string terminator = std::string(first.substr(0, 3)) + ' ';
        do {
            keep(nextLine());
        } while (raw.compare(0, terminator.size(), terminator) != 0);
    }
    return reply;
}

void FtpReplyReader::Clear() {
    input_.clear();
    inputStart_ = 0;
}

void FtpReplyReader::readLine(std::string& line, std::size_t limit) {
    line.clear();
    for (;;) {
        const char* const begin = input_.data() + inputStart_;
        const std::size_t available = input_.size() - inputStart_;
        if (const void* found = std::memchr(begin, '\n', available)) {
            const std::size_t length = std::size_t(static_cast<const char*>(found) - begin);
            line.append(begin, length);
            inputStart_ += length + 1;
            if (line.size() > limit)
                throw EIdSocketError(std::string(texts::kFtpReplyTooLong));
            return;
        }
        line.append(begin, available);
        if (line.size() > limit)
            throw EIdSocketError(std::string(texts::kFtpReplyTooLong));
        input_.resize(kReplyPiece);
        inputStart_ = 0;
        input_.resize(source_(input_.data(), input_.size()));
        if (input_.empty())
            throw EIdSocketError(std::string(texts::kFtpServerClosed));
    }
}

std::vector<std::string> SplitListingLines(const std::string& bytes) {
    std::vector<std::string> lines;
    lines.reserve(countListingLines(bytes));
    forEachListingLine(
        bytes, [&lines](const char* begin, const char* end) { lines.emplace_back(begin, end); });
    return lines;
}

FtpEndpoint ParseFtpEndpoint(const std::string& text) {
    FtpEndpoint endpoint;
    if (!text.empty() && text[0] == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string::npos)
            throw EIdException(Filled(texts::kFtpInvalidHost, {{"1", text}}));
        endpoint.host = text.substr(1, close - 1);
        const std::string_view rest = std::string_view(text).substr(close + 1);
        if (!rest.empty()) {
            if (rest[0] != ':')
                throw EIdException(Filled(texts::kFtpInvalidHost, {{"1", text}}));
            endpoint.port = parsePort(rest.substr(1), text);
        }
        return endpoint;
    }
    const std::size_t colon = text.find(':');
    // Two colons or more: a bare IPv6 address, which takes no port.
    if (colon == std::string::npos || text.find(':', colon + 1) != std::string::npos) {
        endpoint.host = text;
        return endpoint;
    }
    endpoint.host = text.substr(0, colon);
    endpoint.port = parsePort(std::string_view(text).substr(colon + 1), text);
    return endpoint;
}

PassiveAddress ParsePassiveAddress(const std::string& reply) {
    const std::string_view line = stripped(reply);
    const std::size_t open = line.find('(');
    const std::size_t close = line.find(')');
    std::string_view address;
    if (open != std::string_view::npos && close != std::string_view::npos) {
        if (close > open)
            address = line.substr(open + 1, close - open - 1);
    } else {
        const std::size_t blank = line.rfind(' ');
        address = blank == std::string_view::npos ? line : line.substr(blank + 1);
    }
    int fields[6];
    int count = 0;
    while (count < 6) {
        const std::size_t comma = address.find(',');
        const std::string_view field = stripped(address.substr(0, comma));
        // At most three digits: a longer field would overflow before it could be refused.
        if (field.empty() || field.size() > 3 || !std::all_of(field.begin(), field.end(), isDigit))
            break;
        int value = 0;
        for (char c : field)
            value = value * 10 + (c - '0');
        if (value > 255)
            break;
        fields[count++] = value;
        if (comma == std::string_view::npos)
            break;
        address.remove_prefix(comma + 1);
    }
    const int port = count == 6 ? fields[4] * 256 + fields[5] : 0;
    if (port == 0)
        throw EIdException(Filled(texts::kFtpNoPassiveAddress, {{"1", EscapeControls(reply)}}));
    PassiveAddress result;
    result.host = std::to_string(fields[0]) + '.' + std::to_string(fields[1]) + '.' +
                  std::to_string(fields[2]) + '.' + std::to_string(fields[3]);
    result.port = static_cast<unsigned short>(port);
    return result;
}

unsigned short ParseExtendedPassivePort(const std::string& reply) {
    const std::string_view line = stripped(reply);
    const std::size_t open = line.find('(');
    const std::size_t close = line.find(')', open == std::string_view::npos ? 0 : open);
    unsigned long port = 0;
    if (open != std::string_view::npos && close != std::string_view::npos) {
        const std::string_view inside = line.substr(open + 1, close - open - 1);
        if (inside.size() >= 5 && inside.size() <= 9) {
            const char delimiter = inside[0];
            const std::string_view digits = inside.substr(3, inside.size() - 4);
            const bool valid = delimiter > ' ' && delimiter < 0x7f && !isDigit(delimiter) &&
                               inside[1] == delimiter && inside[2] == delimiter &&
                               inside.back() == delimiter &&
                               std::all_of(digits.begin(), digits.end(), isDigit);
            for (char c : digits)
                port = valid ? port * 10 + unsigned(c - '0') : 0;
        }
    }
    if (port == 0 || port > 65535)
        throw EIdException(
            Filled(texts::kFtpNoExtendedPassivePort, {{"1", EscapeControls(reply)}}));
    return static_cast<unsigned short>(port);
}

bool FtpFeatures::Mlsd() const {
    auto sends = [this](std::string_view fact) {
        return std::find(mlstDefaultFacts.begin(), mlstDefaultFacts.end(), fact) !=
               mlstDefaultFacts.end();
    };
    return sends("type") && sends("modify");
}

FtpFeatures ParseFeatures(const FtpReply& reply) {
    FtpFeatures features;
    if (reply.code != 211)
        return features;
    features.listed = true;
    // Whole lines again out of the pieces of over-long ones.
    std::vector<std::string> lines;
    bool continues = false;
    for (std::size_t i = 0; i < reply.lines.size(); ++i) {
        if (continues)
            lines.back() += reply.lines[i];
        else
            lines.push_back(reply.lines[i]);
        continues = i < reply.continued.size() && reply.continued[i];
    }
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        std::string_view line = lines[i];
        // Some servers number every line of the reply.
        if (line.rfind("211-", 0) == 0)
            line = stripped(line.substr(4));
        if (line.empty())
            continue;
        features.lines.emplace_back(line);
        const std::size_t blank = line.find(' ');
        std::string keyword(line.substr(0, blank));
        for (char& c : keyword)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        if (keyword == "UTF8") {
            features.utf8 = true;
        } else if (keyword == "EPSV") {
            features.epsv = true;
        } else if (keyword == "MLST" && blank != std::string_view::npos) {
            std::string_view facts = line.substr(blank + 1);
            while (!facts.empty()) {
                const std::size_t end = facts.find(';');
                std::string fact(stripped(facts.substr(0, end)));
                facts = end == std::string_view::npos ? std::string_view() : facts.substr(end + 1);
                const bool sent = !fact.empty() && fact.back() == '*';
                if (sent)
                    fact.pop_back();
                if (fact.empty())
                    continue;
                for (char& c : fact)
                    c = char(std::tolower(static_cast<unsigned char>(c)));
                if (sent)
                    features.mlstDefaultFacts.push_back(fact);
                features.mlstFacts.push_back(std::move(fact));
            }
        }
    }
    return features;
}

std::string ParseFolderReply(const std::string& line) {
    std::size_t position = line.find('"');
    if (position != std::string::npos) {
        std::string folder;
        for (++position; position < line.size(); ++position) {
            if (line[position] != '"') {
                folder += line[position];
            } else if (position + 1 < line.size() && line[position + 1] == '"') {
                folder += '"';
                ++position;
            } else {
                return folder;
            }
        }
    }
    throw EIdException(Filled(texts::kFtpNoFolderInReply, {{"1", EscapeControls(line)}}));
}

TIdFTP::TIdFTP(const Clock& clock)
    : clock_(clock), reader_([this](char* buffer, std::size_t size) {
          return control_.Receive(buffer, size, timeouts_.silence, replyDeadline_);
      }) {}

void TIdFTP::Connect(const std::string& host, const std::string& username,
                     const std::string& password) {
    if (control_.IsOpen())
        throw EIdException(std::string(texts::kFtpAlreadyConnected));
    password_ = password;
    features_ = FtpFeatures();
    useMlsd_ = false;
    useEpsv_ = false;
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
            Filled(texts::kFtpNoFolderInReply, {{"1", lastReply_.Shown(password_)}}));
    }
}

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
        throw EIdSocketError(std::string(texts::kFtpListingTooLong));
    }
    data.Close();
    const FtpReply end = readEndOfTransfer();
    // Without the 226 after it, an abort leaves a listing that may lack any number of entries.
    if (isAbort(end.code) && lateTransferEnd_)
        throw EIdProtocolReplyError(end.code, end.Shown(password_));
    if (countListingLines(bytes) > kMaxListingLines) {
        throw EIdException(
            Filled(texts::kFtpListingTooManyLines, {{"1", std::to_string(kMaxListingLines)}}));
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
    data = connectData();
    sendCommand(transferCommand);
    readReply();
    if (contains(refusals, lastReply_.code))
        return false;
    expect({125, 150, 154});
    secureData(data);
    return true;
}

bool TIdFTP::receiveData(TcpSocket& data, std::string& bytes, std::size_t maxBytes) {
    const Deadline start = SteadyClock::now();
    try {
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
    } catch (const EIdSocketError&) {
        // Whatever the server says next can no longer be matched to a command.
        Disconnect();
        throw;
    }
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
        std::string quote = EscapeControls(NameFromServer(std::string_view(line).substr(0, cut)));
        if (cut < line.size())
            quote += texts::kFtpQuoteCut;
        throw EIdUnreadableListing(Filled(texts::kFtpUnreadableListing, {{"1", quote}}));
    }
    return listing_;
}

void TIdFTP::StoreFile(const std::string& localPath, const std::string& remoteName) {
    LocalFile file(localPath);
    requireConnected();
    requestPassive();
    sendCommand("STOR " + remoteName);
    TcpSocket data;
    try {
        data = connectData();
    } catch (const EIdSocketError&) {
        // The server now waits for a data connection that never comes: give the conversation up.
        Disconnect();
        throw;
    }
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
            throw FileError(
                Filled(texts::kFtpCannotReadFile, {{"1", localPath}, {"2", std::strerror(error)}}));
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
        throw EIdException(std::string(texts::kFtpLineBreakInCommand));
    const std::string line = command + "\r\n";
    try {
        control_.SendAll(line.data(), line.size(), timeouts_.silence);
    } catch (const EIdSocketError&) {
        Disconnect();
        throw;
    }
    ++commandsSent_;
}

const FtpReply& TIdFTP::readReply() {
    requireConnected();
    replyDeadline_ = SteadyClock::now() + timeouts_.reply;
    try {
        do {
            lastReply_ = reader_.Read();
            // A transfer's 226 that came after its wait was given up is no reply to this command.
        } while (std::exchange(lateTransferEnd_, false) &&
                 (lastReply_.code == 226 || lastReply_.code == 225));
    } catch (const EIdTimeout&) {
        const std::string peer = control_.PeerText();
        Disconnect();
        if (SteadyClock::now() >= replyDeadline_)
            throw EIdTimeout(Filled(texts::kFtpReplyTimeout,
                                    {{"1", peer}, {"2", DurationText(timeouts_.reply)}}));
        throw;
    } catch (const EIdSocketError&) {
        Disconnect();
        throw;
    }
    return lastReply_;
}

bool TIdFTP::readOptionalReply() {
    try {
        if (!reader_.HasBuffered() && !control_.WaitReadable(timeouts_.afterAbort)) {
            lateTransferEnd_ = true;
            return false;
        }
    } catch (const EIdSocketError&) {
        Disconnect();
        throw;
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
        throw EIdProtocolReplyError(lastReply_.code,
                                    std::string(texts::kTlsRefused) + lastReply_.Shown(password_));
    }
    tlsPeer_ = TlsPeer{host, tlsOptions_.trustedFingerprint};
    try {
        tlsContext_.ClearSessions();
        control_.StartTls(tlsContext_, tlsPeer_, timeouts_.connect);
    } catch (const EIdSocketError&) {
        Disconnect();
        throw;
    }
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

void TIdFTP::requestPassive() {
    if (useEpsv_) {
        sendCommand("EPSV");
        readReply();
        if (lastReply_.code == 229) {
            try {
                passiveAddress_ = PassiveAddress{
                    std::string(), ParseExtendedPassivePort(lastReply_.lines.front())};
            } catch (const EIdException&) {
                throw EIdException(
                    Filled(texts::kFtpNoExtendedPassivePort, {{"1", lastReply_.Shown(password_)}}));
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
            Filled(texts::kFtpNoPassiveAddress, {{"1", lastReply_.Shown(password_)}}));
    }
}

TcpSocket TIdFTP::connectData() {
    // Only the port is taken from the PASV reply: a server cannot send the client elsewhere,
    // and servers behind NAT that name their private address still work.
    return TcpSocket::Connect(control_.PeerAddress(), passiveAddress_.port, timeouts_.connect,
                              &stop_);
}

void TIdFTP::secureData(TcpSocket& data) {
    // After the preliminary reply: servers take up the data connection's handshake only once
    // they act on the command.
    if (!control_.Tls())
        return;
    try {
        data.StartTls(tlsContext_, tlsPeer_, timeouts_.connect);
    } catch (const EIdSocketError&) {
        // The server waits on a data connection that will never carry anything.
        Disconnect();
        throw;
    }
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
    throw EIdTimeout(
        Filled(texts::kFtpTransferTimeout,
               {{"1", peer}, {"2", DurationText(bound)}, {"3", std::to_string(moved)}}));
}
