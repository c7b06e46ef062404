#include "core/text_util.h"

#include "core/str_conf.h"

namespace {

bool isControl(unsigned char byte) {
    return byte < 0x20 || byte == 0x7f;
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

} // namespace

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::string Concat(std::initializer_list<std::string_view> parts) {
    std::size_t size = 0;
    for (const std::string_view part : parts)
        size += part.size();
    std::string text;
    text.reserve(size);
    for (const std::string_view part : parts)
        text += part;
    return text;
}

std::string Filled(std::string_view text, std::initializer_list<Placeholder> values) {
    std::string filled;
    filled.reserve(text.size());
    while (!text.empty()) {
        const std::size_t open = text.find('{');
        const std::size_t close = open == std::string_view::npos ? open : text.find('}', open + 1);
        if (close == std::string_view::npos) {
            filled += text;
            break;
        }
        const std::string_view name = text.substr(open + 1, close - open - 1);
        filled += text.substr(0, open);
        const Placeholder* value = nullptr;
        for (const Placeholder& candidate : values) {
            if (candidate.first == name)
                value = &candidate;
        }
        if (value) {
            filled += value->second;
            text.remove_prefix(close + 1);
        } else {
            filled += '{';
            text.remove_prefix(open + 1);
        }
    }
    return filled;
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
    return lines;
}

std::vector<std::string> SplitList(std::string_view text, std::string_view separators) {
    std::vector<std::string> items;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of(separators);
        const std::string_view item = Trimmed(text.substr(0, end));
        if (!item.empty())
            items.emplace_back(item);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return items;
}

std::string MaskSecret(std::string serverText, std::string_view secret) {
    return str_replace(serverText, std::string(secret), std::string(kPasswordMask));
}

std::string EscapeControls(std::string_view serverText) {
    std::string text;
    text.reserve(serverText.size());
    for (const char c : serverText) {
        const auto byte = static_cast<unsigned char>(c);
        if (isControl(byte) && c != '\r' && c != '\n')
            AppendPercentEncoded(text, byte);
        else
            text += c;
    }
    return text;
}

std::size_t Utf8CharLength(std::string_view text) {
    if (text.empty())
        return 0;
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80; // bounds of the second byte
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

bool IsValidUtf8(std::string_view text) {
    while (!text.empty()) {
        const std::size_t length = Utf8CharLength(text);
        if (length == 0)
            return false;
        text.remove_prefix(length);
    }
    return true;
}

std::size_t SafeCharLength(std::string_view text) {
    const std::size_t length = Utf8CharLength(text);
    if (length == 1 && isControl(static_cast<unsigned char>(text[0])))
        return 0;
    // U+FFFE and U+FFFF (EF BF BE, EF BF BF) are no characters to XML.
    if (length == 3 && text[0] == '\xEF' && text[1] == '\xBF' &&
        (text[2] == '\xBE' || text[2] == '\xBF'))
        return 0;
    return length;
}

bool HasUnsafeCharacters(std::string_view text) {
    while (!text.empty()) {
        const std::size_t length = SafeCharLength(text);
        if (length == 0)
            return true;
        text.remove_prefix(length);
    }
    return false;
}

void AppendPercentEncoded(std::string& text, unsigned char byte) {
    static const char kHex[] = "0123456789ABCDEF";
    text += '%';
    text += kHex[byte >> 4];
    text += kHex[byte & 0xf];
}

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

int PercentEscapedByte(std::string_view text) {
    if (text.size() < 3 || text[0] != '%')
        return -1;
    const int high = hexValue(text[1]);
    const int low = hexValue(text[2]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

std::string PercentEncodeUnsafe(std::string_view text, std::string_view alsoEncoded) {
    std::string encoded;
    encoded.reserve(text.size());
    while (!text.empty()) {
        const std::size_t length = SafeCharLength(text);
        if (length == 0 || (length == 1 && alsoEncoded.find(text[0]) != std::string_view::npos)) {
            AppendPercentEncoded(encoded, static_cast<unsigned char>(text[0]));
            text.remove_prefix(1);
        } else {
            encoded += text.substr(0, length);
            text.remove_prefix(length);
        }
    }
    return encoded;
}
