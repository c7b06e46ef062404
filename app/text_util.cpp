#include "app/text_util.h"

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

std::string ReplaceAll(std::string text, std::string_view search, std::string_view replacement) {
    if (search.empty())
        return text;
    for (std::size_t at = text.find(search); at != std::string::npos;
         at = text.find(search, at + replacement.size()))
        text.replace(at, search.size(), replacement);
    return text;
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

std::string MaskSecret(std::string serverText, std::string_view secret) {
    return ReplaceAll(std::move(serverText), secret, kPasswordMask);
}

std::string EscapeControls(std::string_view serverText) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(serverText.size());
    for (const char c : serverText) {
        const auto byte = static_cast<unsigned char>(c);
        if (isControl(byte) && c != '\r' && c != '\n') {
            text += '%';
            text += kHex[byte >> 4];
            text += kHex[byte & 0xf];
        } else {
            text += c;
        }
    }
    return text;
}

std::string FillIn(std::string_view pattern, std::initializer_list<std::string_view> values) {
    std::string text;
    text.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const std::size_t index = i + 1 < pattern.size() && pattern[i] == '%'
                                      ? std::size_t(pattern[i + 1] - '1')
                                      : values.size();
        if (index < values.size() && index < 9) {
            text += values.begin()[index];
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}
