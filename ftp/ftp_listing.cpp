#include "ftp/ftp_listing.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

char upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool startsWithUpperCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (upper(text[i]) != prefix[i])
            return false;
    }
    return true;
}

bool equalsUpperCase(std::string_view text, std::string_view word) {
    return text.size() == word.size() && startsWithUpperCase(text, word);
}

bool containsUpperCase(std::string_view text, std::string_view word) {
    for (std::size_t i = 0; i + word.size() <= text.size(); ++i) {
        if (startsWithUpperCase(text.substr(i), word))
            return true;
    }
    return false;
}

// Drops blanks and control characters at both ends.
std::string_view trimmed(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ')
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ')
        --end;
    return text.substr(begin, end - begin);
}

// Characters first to first + count - 1, counted from 1; whatever of them the text holds.
std::string_view characters(std::string_view text, std::size_t first, std::size_t count) {
    if (first > text.size())
        return {};
    return text.substr(first - 1, count);
}

char characterAt(std::string_view text, std::size_t position) {
    return position <= text.size() ? upper(text[position - 1]) : '\0';
}

// An optionally signed decimal number that fits in T.
template <typename T> bool parseNumber(std::string_view text, T& value) {
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return false;
    std::uint64_t magnitude = 0;
    const std::uint64_t limit = std::uint64_t(std::numeric_limits<T>::max()) + (negative ? 1 : 0);
    for (char c : text) {
        if (!isDigit(c))
            return false;
        magnitude = magnitude * 10 + std::uint64_t(c - '0');
        if (magnitude > limit)
            return false;
    }
    value = negative ? T(-static_cast<std::int64_t>(magnitude)) : T(magnitude);
    return true;
}

int numberOr(std::string_view text, int fallback) {
    int value = 0;
    return parseNumber(text, value) ? value : fallback;
}

int monthNumber(std::string_view text) {
    static const char* const months[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                         "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    for (int i = 0; i < 12; ++i) {
        if (equalsUpperCase(text, months[i]))
            return i + 1;
    }
    return 0;
}

bool isBlankLine(std::string_view line) {
    for (char c : line) {
        if (c != ' ' && c != '\t')
            return false;
    }
    return true;
}

bool isTotalLine(std::string_view line) {
    return startsWithUpperCase(line, "TOTAL");
}

// A line a server writes around its entries: "total 24", a folder heading such as "/pub:" or
// "Listing of folder /:".
bool isHeading(std::string_view line) {
    const std::string_view text = trimmed(line);
    return isTotalLine(text) || (!text.empty() && text.back() == ':');
}

// The start of every MS-DOS listing line: "mm-dd-yy" (or with "/").
bool hasDosDate(std::string_view line) {
    return line.size() >= 8 && isDigit(line[0]) && isDigit(line[1]) &&
           (line[2] == '-' || line[2] == '/') && (line[5] == '-' || line[5] == '/');
}

// Reads "hh:mm" with an optional AM or PM directly after the minutes.
bool parseDosTime(std::string_view text, int& hour, int& minute) {
    bool twelveHour = false;
    bool afternoon = false;
    if (text.size() >= 2) {
        const std::string_view suffix = text.substr(text.size() - 2);
        if (equalsUpperCase(suffix, "AM") || equalsUpperCase(suffix, "PM")) {
            twelveHour = true;
            afternoon = upper(suffix[0]) == 'P';
            text.remove_suffix(2);
        }
    }
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        return false;
    const std::string_view hourText = text.substr(0, colon);
    const std::string_view minuteText = text.substr(colon + 1);
    if (hourText.empty() || hourText.size() > 2 || minuteText.empty() || minuteText.size() > 2)
        return false;
    for (char c : hourText) {
        if (!isDigit(c))
            return false;
    }
    for (char c : minuteText) {
        if (!isDigit(c))
            return false;
    }
    hour = numberOr(hourText, -1);
    minute = numberOr(minuteText, -1);
    if (twelveHour) {
        if (hour < 1 || hour > 12)
            return false;
        if (hour == 12)
            hour = afternoon ? 12 : 0;
        else if (afternoon)
            hour += 12;
    }
    return true;
}

int twoDigits(std::string_view text) {
    if (text.size() != 2 || !isDigit(text[0]) || !isDigit(text[1]))
        return -1;
    return (text[0] - '0') * 10 + (text[1] - '0');
}

// The value of digits, which must all be digits.
int digitsValue(std::string_view digits) {
    int value = 0;
    for (char c : digits) {
        if (!isDigit(c))
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// "YYYYMMDDHHMMSS" with an optional fraction ".s..."; nothing for any other text or a moment
// that does not exist.
std::optional<DateTime> parseMlsdTime(std::string_view text) {
    if (text.size() < 14)
        return std::nullopt;
    const std::string_view fraction = text.substr(14);
    if (!fraction.empty() && (fraction.size() < 2 || fraction[0] != '.' ||
                              !std::all_of(fraction.begin() + 1, fraction.end(), isDigit)))
        return std::nullopt;
    const int year = digitsValue(text.substr(0, 4));
    const int month = digitsValue(text.substr(4, 2));
    const int day = digitsValue(text.substr(6, 2));
    const int hour = digitsValue(text.substr(8, 2));
    const int minute = digitsValue(text.substr(10, 2));
    const int second = digitsValue(text.substr(12, 2));
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0)
        return std::nullopt;
    return DateTime::FromParts(year, month, day, hour, minute, second);
}

} // namespace

TIdFTPListFormat DetectListFormat(std::string_view line) {
    const char kind = characterAt(line, 1);
    if (kind == '-' || kind == 'D' || kind == 'L') {
        bool permissions = true;
        for (std::size_t position = 2; position <= 10 && permissions; ++position) {
            // Set-id and sticky bits ("S", "T") belong to ordinary Unix permission strings.
            const char c = characterAt(line, position);
            permissions = c == '-' || c == 'R' || c == 'W' || c == 'X' || c == 'S' || c == 'T';
        }
        if (permissions)
            return TIdFTPListFormat::flfUnix;
    }
    if (isTotalLine(line))
        return TIdFTPListFormat::flfUnix;
    if (containsUpperCase(line, "DSK:"))
        return TIdFTPListFormat::flfVax;
    const char third = characterAt(line, 3);
    const char sixth = characterAt(line, 6);
    if ((third == '-' || third == '/') && (sixth == '-' || sixth == '/')) {
        const std::string_view dirColumn = trimmed(characters(line, 25, 6));
        if (equalsUpperCase(dirColumn, "<DIR>"))
            return TIdFTPListFormat::flfDos;
        if (dirColumn.empty()) {
            std::string size;
            for (char c : trimmed(characters(line, 31, 8))) {
                if (c != ',')
                    size += c;
            }
            std::int64_t value = 0;
            if (parseNumber(size, value))
                return TIdFTPListFormat::flfDos;
        }
    }
    return TIdFTPListFormat::flfUnknown;
}

bool ParseUnixLine(std::string_view line, const DateTime& now, TIdFTPListItem& item) {
    while (!line.empty() && line.back() == ' ')
        line.remove_suffix(1);

    // The first nine columns are enough: the name runs from the ninth to the end of the line.
    struct Column {
        std::size_t begin = 0;
        std::size_t end = 0;
    };
    Column columns[9];
    int count = 0;
    std::size_t position = 0;
    while (count < 9) {
        while (position < line.size() && line[position] == ' ')
            ++position;
        if (position == line.size())
            break;
        const std::size_t begin = position;
        while (position < line.size() && line[position] != ' ')
            ++position;
        columns[count++] = Column{begin, position};
    }
    auto text = [&](int number) {
        const Column& column = columns[number - 1];
        return line.substr(column.begin, column.end - column.begin);
    };

    // Eight columns with a month in the fifth: a line without a group column.
    if (count == 8 && isLetter(line[columns[4].begin])) {
        for (int i = 8; i > 2; --i)
            columns[i] = columns[i - 1];
        columns[2] = Column{};
        count = 9;
    }
    if (count < 8)
        return false;

    const std::string_view permissions = text(1);
    const char kind = upper(permissions[0]);
    const int month = monthNumber(text(6));
    const int day = numberOr(text(7), now.day);
    const std::string_view yearOrTime = text(8);
    int year = 0;
    int hour = 0;
    int minute = 0;
    const std::size_t colon = yearOrTime.find(':');
    if (colon != std::string_view::npos) {
        hour = numberOr(yearOrTime.substr(0, colon), 0);
        minute = numberOr(yearOrTime.substr(colon + 1), 0);
        year = now.month < month ? now.year - 1 : now.year;
    } else {
        year = numberOr(yearOrTime, now.year);
    }
    const std::optional<DateTime> modified =
        DateTime::FromParts(year, month, day, hour, minute, 0, 999);
    if (!modified)
        return false;

    // The name keeps its inner blanks as the server wrote them.
    std::string_view name = count == 9 ? line.substr(columns[8].begin) : std::string_view();
    std::string_view target;
    if (kind == 'L') {
        const std::size_t arrow = name.find(" -> ");
        if (arrow != std::string_view::npos) {
            target = name.substr(arrow + 4);
            name = name.substr(0, arrow);
        }
    }
    item.kind = kind == 'D'   ? ListItemKind::Folder
                : kind == 'L' ? ListItemKind::Link
                              : ListItemKind::File;
    item.modified = *modified;
    item.name.assign(name);
    item.linkTarget.assign(target);
    return true;
}

void ParseDosLine(std::string_view line, const DateTime& now, TIdFTPListItem& item) {
    const int month = twoDigits(characters(line, 1, 2));
    const int day = twoDigits(characters(line, 4, 2));
    const int shortYear = twoDigits(characters(line, 7, 2));

    std::string_view rest = trimmed(line.size() > 8 ? line.substr(8) : std::string_view());
    std::size_t blank = rest.find(' ');
    const std::string_view timeText = rest.substr(0, blank);
    rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank);

    rest = trimmed(rest);
    blank = rest.find(' ');
    std::string sizeWord;
    for (char c : rest.substr(0, blank)) {
        if (c != ',')
            sizeWord += c;
    }
    rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank);
    item.kind = equalsUpperCase(sizeWord, "<DIR>") ? ListItemKind::Folder : ListItemKind::File;
    item.name.assign(trimmed(rest));

    int hour = 0;
    int minute = 0;
    if (month < 0 || day < 0 || shortYear < 0 || !parseDosTime(timeText, hour, minute))
        return;
    // Two-digit years fall in the hundred years that begin fifty years before now.
    const int windowStart = now.year - 50;
    int year = shortYear + windowStart / 100 * 100;
    if (year < windowStart)
        year += 100;
    if (const std::optional<DateTime> modified =
            DateTime::FromParts(year, month, day, hour, minute))
        item.modified = *modified;
}

MlsdLine ParseMlsdLine(std::string_view line, TIdFTPListItem& item) {
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos || blank + 1 == line.size())
        return MlsdLine::Unreadable;
    std::string_view facts = line.substr(0, blank);
    std::string_view type;
    std::string_view modify;
    std::string_view unique;
    bool typeSeen = false;
    while (!facts.empty()) {
        const std::size_t end = facts.find(';');
        const std::string_view fact = facts.substr(0, end);
        facts = end == std::string_view::npos ? std::string_view() : facts.substr(end + 1);
        const std::size_t equals = fact.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view name = fact.substr(0, equals);
        const std::string_view value = fact.substr(equals + 1);
        // The first of a fact sent twice counts, as for any other duplicate.
        if (equalsUpperCase(name, "TYPE") && !typeSeen) {
            type = value;
            typeSeen = true;
        } else if (equalsUpperCase(name, "MODIFY") && modify.empty()) {
            modify = value;
        } else if (equalsUpperCase(name, "UNIQUE") && unique.empty()) {
            unique = value;
        }
    }
    if (type.empty())
        return MlsdLine::Unreadable;
    if (equalsUpperCase(type, "CDIR") || equalsUpperCase(type, "PDIR"))
        return MlsdLine::FolderItself;
    item.linkTarget.clear();
    if (equalsUpperCase(type, "DIR")) {
        item.kind = ListItemKind::Folder;
    } else if (equalsUpperCase(type, "OS.UNIX=SYMLINK") ||
               startsWithUpperCase(type, "OS.UNIX=SLINK")) {
        item.kind = ListItemKind::Link;
        if (startsWithUpperCase(type, "OS.UNIX=SLINK:"))
            item.linkTarget.assign(type.substr(14));
    } else {
        item.kind = ListItemKind::File;
    }
    const std::optional<DateTime> modified = parseMlsdTime(modify);
    item.modified = modified.value_or(DateTime());
    item.utc = modified.has_value();
    item.unique.assign(unique);
    item.name.assign(line.substr(blank + 1));
    return MlsdLine::Entry;
}

TIdFTPListItems LoadListing(const std::vector<std::string>& lines, TIdFTPListFormat format,
                            const Clock& clock) {
    TIdFTPListItems listing;
    listing.format = format;
    const bool dos = format == TIdFTPListFormat::flfDos;
    const bool unix = format == TIdFTPListFormat::flfUnix || format == TIdFTPListFormat::flfVax;
    const bool mlsd = format == TIdFTPListFormat::flfMlsd;
    const DateTime now = dos || unix ? clock.Now() : DateTime();
    if (dos || unix || mlsd)
        listing.items.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (isBlankLine(line))
            continue;
        TIdFTPListItem item;
        bool read = false;
        if (dos) {
            read = hasDosDate(line);
            if (read)
                ParseDosLine(line, now, item);
        } else if (unix) {
            read = ParseUnixLine(line, now, item);
        } else if (mlsd) {
            const MlsdLine shown = ParseMlsdLine(line, item);
            if (shown == MlsdLine::FolderItself)
                continue;
            read = shown == MlsdLine::Entry;
        }
        if (read) {
            item.line = line;
            listing.items.push_back(std::move(item));
        } else if (!isHeading(line) && !listing.firstUnreadable) {
            listing.firstUnreadable = i;
        }
    }
    // Room reserved for lines that gave no entry is given back.
    if (listing.items.size() < listing.items.capacity() / 2)
        listing.items.shrink_to_fit();
    return listing;
}

TIdFTPListItems InterpretListing(const std::vector<std::string>& lines, const Clock& clock) {
    if (lines.empty())
        return {};
    TIdFTPListFormat format = TIdFTPListFormat::flfUnknown;
    for (const std::string& line : lines) {
        if (isBlankLine(line))
            continue;
        if (isTotalLine(line)) {
            format = TIdFTPListFormat::flfUnix;
            continue;
        }
        const TIdFTPListFormat shown = DetectListFormat(line);
        if (shown != TIdFTPListFormat::flfUnknown) {
            format = shown;
            break;
        }
    }
    return LoadListing(lines, format, clock);
}
