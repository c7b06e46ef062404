#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Paths here are site-relative and begin with "/": "/news/index.html" for a file and
// "/news/" (with its final "/") for a folder.

// path in the one spelling that patterns and paths are compared in: bytes beyond ASCII as
// "%XX", and "%xx" of a letter, digit or "-._~" as that character, other "%xx" upper-cased;
// so "/日記/" and "/%E6%97%A5%E8%A8%98/" are the same path.
std::string ComparablePath(std::string_view path);

// A path pattern as robots.txt writes one: it matches a path that begins with it, "*" stands
// for any run of characters and a final "$" ties it to the path's end. The paths it is asked
// about are in the ComparablePath spelling.
class PathPattern final {
public:
    explicit PathPattern(std::string_view pattern);

    bool Matches(std::string_view path) const;
    // True when some path below folder (which ends in "/") could match.
    bool CouldMatchBelow(std::string_view folder) const;
    // True when a path it matches still matches with anything appended (no final "$").
    bool OpenEnded() const { return !pattern_.empty() && pattern_.back() == '*'; }
    // The pattern's length in that spelling, which decides between robots.txt rules.
    std::size_t Length() const { return length_; }

private:
    std::string pattern_; // spelled as compared, the final "$" dropped and "*" added instead
    std::size_t length_ = 0;
};

// Called before each rule of a check; it may throw to end a check the caller no longer needs
// (a walk the user stopped while thousands of rules are tried on each of a million entries).
using RuleCheckpoint = std::function<void()>;

// The user's exclusions: patterns one per line or separated by commas, blanks around each
// dropped. A pattern that does not begin with "/" or "*" matches anywhere ("*.bak.html").
class ExclusionList final {
public:
    explicit ExclusionList(std::string_view text);

    bool Excludes(std::string_view path, const RuleCheckpoint& checkpoint = nullptr) const;
    bool empty() const { return patterns_.empty(); }

private:
    std::vector<PathPattern> patterns_;
};

// The rules of a robots.txt that concern search engines' crawlers: the groups for "*" and for
// "Googlebot" (several groups naming the same agent are merged). A path is allowed unless a
// group disallows it; within a group the longest matching rule decides, and "Allow" wins over a
// "Disallow" of the same length.
class RobotsRules final {
public:
    // No rules: everything is allowed.
    RobotsRules() = default;
    explicit RobotsRules(std::string_view robotsTxt);

    bool Allows(std::string_view path, const RuleCheckpoint& checkpoint = nullptr) const;
    // False only when folder (ending in "/") is disallowed and no rule could allow any path
    // below it, so that the walk may leave the folder unlisted.
    bool MayAllowBelow(std::string_view folder, const RuleCheckpoint& checkpoint = nullptr) const;

private:
    struct Rule {
        PathPattern pattern;
        bool allow;
    };
    using Group = std::vector<Rule>;

    static bool groupAllows(const Group& group, std::string_view path,
                            const RuleCheckpoint& checkpoint);

    Group anyAgent_;
    Group googlebot_;
};
