#include "core/ini_file.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <filesystem>

#include "core/file_io.h"
#include "core/text_util.h"

namespace {

// The file holds a few lines of window geometry; anything far larger is no file of ours.
constexpr std::size_t kMaxBytes = 1 << 20;

// The name of a "[section]" line, or nothing for any other line.
std::optional<std::string_view> sectionName(std::string_view line) {
    line = Trimmed(line);
    if (line.size() < 2 || line.front() != '[')
        return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return Trimmed(line.substr(1, close - 1));
}

bool isComment(std::string_view line) {
    line = Trimmed(line);
    return !line.empty() && (line.front() == ';' || line.front() == '#');
}

// Key and value of a "key=value" line.
std::optional<std::pair<std::string_view, std::string_view>> entry(std::string_view line) {
    if (isComment(line))
        return std::nullopt;
    const auto equals = line.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    return std::make_pair(Trimmed(line.substr(0, equals)), Trimmed(line.substr(equals + 1)));
}

} // namespace

std::optional<int> ParseIniInteger(std::string_view text) {
    text = Trimmed(text);
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

IniFile::IniFile(std::string_view text) : lines_(SplitLines(text)) {
    if (text.find("\r\n") != std::string_view::npos)
        newline_ = "\r\n";
}

IniFile IniFile::Load(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return IniFile();
    return IniFile(ReadFile(path, kMaxBytes));
}

std::optional<IniFile::Location> IniFile::find(std::string_view section,
                                               std::string_view key) const {
    std::optional<Location> found;
    bool inSection = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (const auto name = sectionName(lines_[i])) {
            if (found)
                break; // the first section of that name is the one read and written
            inSection = EqualsIgnoringCase(*name, section);
            if (inSection)
                found = Location{i + 1, std::nullopt};
            continue;
        }
        if (!inSection)
            continue;
        if (const auto pair = entry(lines_[i])) {
            found->sectionEnd = i + 1;
            if (!found->keyLine && EqualsIgnoringCase(pair->first, key))
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
