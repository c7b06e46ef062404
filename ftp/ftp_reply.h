#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// text without blanks and control characters at either end, as reply lines are kept.
std::string_view StrippedLine(std::string_view text);

inline bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

// One reply: its three-digit code (0 when the first line starts with none) and its lines,
// stripped; a line longer than 16384 bytes is kept as pieces of 16384 bytes.
struct FtpReply {
    int code = 0;
    std::vector<std::string> lines;
    // For each piece of lines: true when the next piece continues the same line.
    std::vector<bool> continued;

    // The pieces joined with "\n".
    std::string Text() const;
    // The reply as the user may see it: its lines whole, each with the exact secret masked
    // (also where it spans two pieces) and control characters escaped, joined with "\n".
    std::string Shown(std::string_view secret) const;
};

// Reads replies off the bytes of a control connection. A line ends at LF and is stripped of
// blanks and control characters at both ends; empty lines are skipped. A first line "nnn-"
// starts a reply that runs to the line that begins with the same three digits and a blank
// (RFC 959 4.2); lines between may be anything, short, indented or empty. The end of the
// stream, or a reply beyond 1 MiB, raises EIdSocketError.
class FtpReplyReader final {
public:
    // Up to size bytes into buffer as soon as some are there; 0 at the end of the stream.
    using Source = std::function<std::size_t(char* buffer, std::size_t size)>;

    explicit FtpReplyReader(Source source) : source_(std::move(source)) {}

    FtpReply Read();
    // Drops the bytes received but not yet read, for a new connection.
    void Clear();
    // True when bytes received are waiting to be read.
    bool HasBuffered() const { return inputStart_ < input_.size(); }

private:
    void readLine(std::string& line, std::size_t limit);

    Source source_;
    std::string input_; // bytes received, not yet read
    std::size_t inputStart_ = 0;
};
