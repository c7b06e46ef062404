#include "jobs/path_filter.h"

#include <algorithm>
#include <cctype>

#include "core/text_util.h"

namespace {

bool isUnreserved(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '.' || c == '_' ||
           c == '~';
}

// The pattern's positions that can be reached with no character consumed from states.
void closeOverStars(const std::string& pattern, std::vector<char>& states) {
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (states[i] && pattern[i] == '*')
            states[i + 1] = 1;
    }
}

void passCheckpoint(const RuleCheckpoint& checkpoint) {
    if (checkpoint)
        checkpoint();
}

} // namespace

std::string ComparablePath(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char c = path[i];
        if (static_cast<unsigned char>(c) >= 0x80) {
            AppendPercentEncoded(out, static_cast<unsigned char>(c));
            continue;
        }
        const int escaped = PercentEscapedByte(path.substr(i));
        if (escaped < 0) {
            out += c;
            continue;
        }
        const char decoded = char(escaped);
        if (isUnreserved(decoded)) {
            out += decoded;
        } else {
            out += '%';
            out += char(std::toupper(static_cast<unsigned char>(path[i + 1])));
            out += char(std::toupper(static_cast<unsigned char>(path[i + 2])));
        }
        i += 2;
    }
    return out;
}

PathPattern::PathPattern(std::string_view pattern) {
    const std::string spelled = ComparablePath(pattern);
    length_ = spelled.size();
    const bool anchored = !spelled.empty() && spelled.back() == '$';
    // Runs of "*" are one "*"; an unanchored pattern is one that may go on with anything.
    for (std::size_t i = 0; i < spelled.size() - (anchored ? 1 : 0); ++i) {
        if (spelled[i] != '*' || pattern_.empty() || pattern_.back() != '*')
            pattern_ += spelled[i];
    }
    if (!anchored && (pattern_.empty() || pattern_.back() != '*'))
        pattern_ += '*';
}

bool PathPattern::Matches(std::string_view path) const {
    // Greedy "*" with one step back to the last one: linear for the patterns sites write.
    const std::size_t m = pattern_.size();
    std::size_t p = 0;
    std::size_t t = 0;
    std::size_t star = std::string::npos;
    std::size_t mark = 0;
    while (t < path.size()) {
        if (p < m && pattern_[p] == '*') {
            star = p++;
            mark = t;
        } else if (p < m && pattern_[p] == path[t]) {
            ++p;
            ++t;
        } else if (star != std::string::npos) {
            p = star + 1;
            t = ++mark;
        } else {
            return false;
        }
    }
    while (p < m && pattern_[p] == '*')
        ++p;
    return p == m;
}

bool PathPattern::CouldMatchBelow(std::string_view folder) const {
    // The positions the pattern can stand at after folder; a position before its end can still
    // take further characters.
    std::vector<char> states(pattern_.size() + 1, 0);
    states[0] = 1;
    closeOverStars(pattern_, states);
    for (const char c : folder) {
        std::vector<char> next(states.size(), 0);
        for (std::size_t i = 0; i < pattern_.size(); ++i) {
            if (!states[i])
                continue;
            if (pattern_[i] == '*')
                next[i] = 1;
            else if (pattern_[i] == c)
                next[i + 1] = 1;
        }
        closeOverStars(pattern_, next);
        states.swap(next);
    }
    return std::find(states.begin(), states.end() - 1, 1) != states.end() - 1;
}

ExclusionList::ExclusionList(std::string_view text) {
    for (const std::string& item : SplitList(text))
        patterns_.emplace_back(item[0] == '/' || item[0] == '*' ? item : "*" + item);
}

bool ExclusionList::Excludes(std::string_view path, const RuleCheckpoint& checkpoint) const {
    if (patterns_.empty())
        return false;
    const std::string comparable = ComparablePath(path);
    return std::any_of(patterns_.begin(), patterns_.end(), [&](const PathPattern& pattern) {
        passCheckpoint(checkpoint);
        return pattern.Matches(comparable);
    });
}

RobotsRules::RobotsRules(std::string_view robotsTxt) {
    // Editors on some systems begin a UTF-8 file with a byte-order mark, which would hide the
    // first line's key.
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    if (robotsTxt.substr(0, byteOrderMark.size()) == byteOrderMark)
        robotsTxt.remove_prefix(byteOrderMark.size());
    bool anyAgent = false;
    bool googlebot = false;
    bool afterAgentLine = false;
    for (const std::string& rawLine : SplitLines(robotsTxt)) {
        std::string_view line = rawLine;
        line = Trimmed(line.substr(0, line.find('#')));
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view key = Trimmed(line.substr(0, colon));
        const std::string_view value = Trimmed(line.substr(colon + 1));
        if (EqualsIgnoringCase(key, "user-agent")) {
            // Agent lines in a row name one group; the first after rules starts the next one.
            if (!afterAgentLine)
                anyAgent = googlebot = false;
            afterAgentLine = true;
            // The product token: "Googlebot/2.1" names Googlebot, "Googlebot-Image" another.
            const std::size_t end =
                value.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_-*");
            const std::string_view token = value.substr(0, end);
            anyAgent = anyAgent || token == "*";
            googlebot = googlebot || EqualsIgnoringCase(token, "googlebot");
            continue;
        }
        const bool allow = EqualsIgnoringCase(key, "allow");
        if (!allow && !EqualsIgnoringCase(key, "disallow"))
            continue; // Sitemap, Crawl-delay and the like neither end a group nor rule it
        afterAgentLine = false;
        // An empty value allows everything, as no rule does.
        if (value.empty())
            continue;
        const std::string pattern =
            value[0] == '/' || value[0] == '*' ? std::string(value) : "/" + std::string(value);
        if (anyAgent)
            anyAgent_.push_back({PathPattern(pattern), allow});
        if (googlebot)
            googlebot_.push_back({PathPattern(pattern), allow});
    }
}

bool RobotsRules::groupAllows(const Group& group, std::string_view path,
                              const RuleCheckpoint& checkpoint) {
    bool allowed = true;
    std::size_t longest = 0;
    bool matched = false;
    for (const Rule& rule : group) {
        passCheckpoint(checkpoint);
        if (!rule.pattern.Matches(path))
            continue;
        const std::size_t length = rule.pattern.Length();
        if (!matched || length > longest || (length == longest && rule.allow)) {
            allowed = rule.allow;
            longest = length;
            matched = true;
        }
    }
    return allowed;
}

bool RobotsRules::Allows(std::string_view path, const RuleCheckpoint& checkpoint) const {
    const std::string comparable = ComparablePath(path);
    return groupAllows(anyAgent_, comparable, checkpoint) &&
           groupAllows(googlebot_, comparable, checkpoint);
}

bool RobotsRules::MayAllowBelow(std::string_view folder, const RuleCheckpoint& checkpoint) const {
    const std::string comparable = ComparablePath(folder);
    const auto closesEverythingBelow = [&](const Group& group) {
        // A disallowing pattern that matches the folder and may go on with anything matches
        // every path below it too; only a longer or equal Allow could open one of them.
        std::size_t closing = 0;
        bool closed = false;
        for (const Rule& rule : group) {
            passCheckpoint(checkpoint);
            if (!rule.allow && rule.pattern.OpenEnded() && rule.pattern.Matches(comparable)) {
                closing = std::max(closing, rule.pattern.Length());
                closed = true;
            }
        }
        if (!closed)
            return false;
        return std::none_of(group.begin(), group.end(), [&](const Rule& rule) {
            passCheckpoint(checkpoint);
            return rule.allow && rule.pattern.Length() >= closing &&
                   rule.pattern.CouldMatchBelow(comparable);
        });
    };
    return !closesEverythingBelow(anyAgent_) && !closesEverythingBelow(googlebot_);
}
