#include "app/ini_file.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <filesystem>

#include "app/file_io.h"

namespace {

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// The name of a "[section]" line, or nothing for any other line.
std::optional<std::string_view> sectionName(std::string_view line) {
    line = trimmed(line);
    if (line.size() < 2 || line.front() != '[')
        return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return trimmed(line.substr(1, close - 1));
}

bool isComment(std::string_view line) {
    line = trimmed(line);
    return !line.empty() && (line.front() == ';' || line.front() == '#');
}

// Key and value of a "key=value" line.
std::optional<std::pair<std::string_view, std::string_view>> entry(std::string_view line) {
    if (isComment(line))
        return std::nullopt;
    const auto equals = line.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    return std::make_pair(trimmed(line.substr(0, equals)), trimmed(line.substr(equals + 1)));
}

} // namespace

std::optional<int> ParseIniInteger(std::string_view text) {
    text = trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty() || !std::isxdigit(static_cast<unsigned char>(text.front())))
        return std::nullopt;
    long long magnitude = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    const long long value = negative ? -magnitude : magnitude;
    if (value < INT_MIN || value > INT_MAX)
        return std::nullopt;
    return int(value);
}

IniFile::IniFile(std::string_view text) {
    if (text.find("\r\n") != std::string_view::npos)
        newline_ = "\r\n";
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines_.emplace_back(line);
        start = end + 1;
    }
}

IniFile IniFile::Load(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return IniFile();
    return IniFile(ReadFile(path));
}

std::optional<IniFile::Location> IniFile::find(std::string_view section,
                                               std::string_view key) const {
    std::optional<Location> found;
    bool inSection = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (const auto name = sectionName(lines_[i])) {
            if (found)
                break; // the first section of that name is the one read and written
            inSection = equalIgnoringCase(*name, section);
            if (inSection)
                found = Location{i + 1, std::nullopt};
            continue;
        }
        if (!inSection)
            continue;
        if (const auto pair = entry(lines_[i])) {
            found->sectionEnd = i + 1;
            if (!found->keyLine && equalIgnoringCase(pair->first, key))
                found->keyLine = i;
        }
    }
    return found;
}

std::optional<std::string> IniFile::readString(std::string_view section,
                                               std::string_view key) const {
    const auto location = find(section, key);
    if (!location || !location->keyLine)
        return std::nullopt;
    return std::string(entry(lines_[*location->keyLine])->second);
}

int IniFile::readInteger(std::string_view section, std::string_view key, int fallback) const {
    const auto value = readString(section, key);
    if (!value)
        return fallback;
    return ParseIniInteger(*value).value_or(fallback);
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    std::string line = std::string(key) + "=" + std::string(value);
    const auto location = find(section, key);
    if (location && location->keyLine) {
        lines_[*location->keyLine] = std::move(line);
    } else if (location) {
        lines_.insert(lines_.begin() + std::ptrdiff_t(location->sectionEnd), std::move(line));
    } else {
        lines_.push_back("[" + std::string(section) + "]");
        lines_.push_back(std::move(line));
    }
}

void IniFile::writeInteger(std::string_view section, std::string_view key, int value) {
    writeString(section, key, std::to_string(value));
}

std::string IniFile::text() const {
    std::string result;
    for (const auto& line : lines_) {
        result += line;
        result += newline_;
    }
    return result;
}

void IniFile::save(const std::filesystem::path& path) const {
    WriteFileAtomically(path, text());
}
