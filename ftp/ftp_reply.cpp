#include "ftp/ftp_reply.h"

#include <cstring>

#include "core/text_util.h"
#include "ftp/ftp_errors.h"

namespace {

constexpr std::size_t kReplyPiece = 16384;
// A reply beyond this is no FTP reply; the conversation is given up rather than buffered.
constexpr std::size_t kMaxReplyBytes = 1 << 20;

bool isBlankOrControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= ' ' || byte == 0x7f;
}

} // namespace

std::string_view StrippedLine(std::string_view text) {
    while (!text.empty() && isBlankOrControl(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlankOrControl(text.back()))
        text.remove_suffix(1);
    return text;
}

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
                throw EIdSocketError(FtpFailureKind::ReplyTooLong);
            readLine(raw, kMaxReplyBytes - total);
            total += raw.size() + 1;
            const std::string_view line = StrippedLine(raw);
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
        first.size() >= 3 && IsAsciiDigit(first[0]) && IsAsciiDigit(first[1]) && IsAsciiDigit(first[2]);
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
                throw EIdSocketError(FtpFailureKind::ReplyTooLong);
            return;
        }
        line.append(begin, available);
        if (line.size() > limit)
            throw EIdSocketError(FtpFailureKind::ReplyTooLong);
        input_.resize(kReplyPiece);
        inputStart_ = 0;
        input_.resize(source_(input_.data(), input_.size()));
        if (input_.empty())
            throw EIdSocketError(FtpFailureKind::ServerClosed);
    }
}
