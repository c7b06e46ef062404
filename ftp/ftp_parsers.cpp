#include "ftp/ftp_parsers.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "core/text_util.h"
#include "ftp/ftp_errors.h"

namespace {

// A port written in a host text: 1 to 65535, digits only.
unsigned short parsePort(std::string_view digits, const std::string& hostText) {
    unsigned long value = 0;
    bool valid = !digits.empty() && digits.size() <= 5;
    for (char c : digits) {
        valid = valid && IsAsciiDigit(c);
        value = value * 10 + unsigned(c - '0');
    }
    if (!valid || value < 1 || value > 65535)
        throw EIdException(FtpFailure{FtpFailureKind::InvalidPort, hostText});
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

} // namespace

std::size_t CountListingLines(const std::string& bytes) {
    std::size_t count = 0;
    forEachListingLine(bytes, [&count](const char*, const char*) { ++count; });
    return count;
}

std::vector<std::string> SplitListingLines(const std::string& bytes) {
    std::vector<std::string> lines;
    lines.reserve(CountListingLines(bytes));
    forEachListingLine(
        bytes, [&lines](const char* begin, const char* end) { lines.emplace_back(begin, end); });
    return lines;
}

FtpEndpoint ParseFtpEndpoint(const std::string& text) {
    FtpEndpoint endpoint;
    if (!text.empty() && text[0] == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string::npos)
            throw EIdException(FtpFailure{FtpFailureKind::InvalidHost, text});
        endpoint.host = text.substr(1, close - 1);
        const std::string_view rest = std::string_view(text).substr(close + 1);
        if (!rest.empty()) {
            if (rest[0] != ':')
                throw EIdException(FtpFailure{FtpFailureKind::InvalidHost, text});
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
    const std::string_view line = StrippedLine(reply);
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
        const std::string_view field = StrippedLine(address.substr(0, comma));
        // At most three digits: a longer field would overflow before it could be refused.
        if (field.empty() || field.size() > 3 || !std::all_of(field.begin(), field.end(), IsAsciiDigit))
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
        throw EIdException(FtpFailure{FtpFailureKind::NoPassiveAddress, {}, EscapeControls(reply)});
    PassiveAddress result;
    result.host = std::to_string(fields[0]) + '.' + std::to_string(fields[1]) + '.' +
                  std::to_string(fields[2]) + '.' + std::to_string(fields[3]);
    result.port = static_cast<unsigned short>(port);
    return result;
}

unsigned short ParseExtendedPassivePort(const std::string& reply) {
    const std::string_view line = StrippedLine(reply);
    const std::size_t open = line.find('(');
    const std::size_t close = line.find(')', open == std::string_view::npos ? 0 : open);
    unsigned long port = 0;
    if (open != std::string_view::npos && close != std::string_view::npos) {
        const std::string_view inside = line.substr(open + 1, close - open - 1);
        if (inside.size() >= 5 && inside.size() <= 9) {
            const char delimiter = inside[0];
            const std::string_view digits = inside.substr(3, inside.size() - 4);
            const bool valid = delimiter > ' ' && delimiter < 0x7f && !IsAsciiDigit(delimiter) &&
                               inside[1] == delimiter && inside[2] == delimiter &&
                               inside.back() == delimiter &&
                               std::all_of(digits.begin(), digits.end(), IsAsciiDigit);
            for (char c : digits)
                port = valid ? port * 10 + unsigned(c - '0') : 0;
        }
    }
    if (port == 0 || port > 65535)
        throw EIdException(
            FtpFailure{FtpFailureKind::NoExtendedPassivePort, {}, EscapeControls(reply)});
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
            line = StrippedLine(line.substr(4));
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
                std::string fact(StrippedLine(facts.substr(0, end)));
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
    throw EIdException(FtpFailure{FtpFailureKind::NoFolderInReply, {}, EscapeControls(line)});
}
