#include "jobs/path_filter.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* path;
    bool expected;
};

} // namespace

TEST(PathPattern, PrefixStarDollarAndOneSpelling) {
    const std::pair<const char*, std::vector<Case>> patterns[] = {
        {"/fish",
         {{"/fish", true},
          {"/fish.html", true},
          {"/fishheads/x", true},
          {"/Fish", false},
          {"/catfish", false}}},
        {"/fish*.php",
         {{"/fish.php", true}, {"/fishheads/catfish.php?p", true}, {"/fish.PHP", false}}},
        {"/*.php$", {{"/a/b.php", true}, {"/b.php?x", false}, {"/b.php5", false}}},
        {"/fish/", {{"/fish/", true}, {"/fish/salmon.htm", true}, {"/fish", false}}},
        {"*/admin/*", {{"/admin/", true}, {"/x/admin/a.html", true}, {"/administer/", false}}},
        {"/日記/", {{"/%E6%97%A5%E8%A8%98/a.html", true}, {"/日記/b.html", true}}},
        {"/%7euser/%2fa", {{"/~user/%2Fa", true}, {"/~user//a", false}}},
        {"/a**b$", {{"/ab", true}, {"/axxb", true}, {"/axxbc", false}}},
    };
    for (const auto& [pattern, cases] : patterns) {
        const PathPattern compiled(pattern);
        for (const Case& c : cases)
            EXPECT_EQ(compiled.Matches(ComparablePath(c.path)), c.expected)
                << pattern << " on " << c.path;
    }
    EXPECT_EQ(PathPattern("/a/b$").Length(), 5u);
    EXPECT_TRUE(PathPattern("/a/*.html").CouldMatchBelow("/a/"));
    EXPECT_TRUE(PathPattern("/*/x/").CouldMatchBelow("/a/"));
    EXPECT_FALSE(PathPattern("/b/").CouldMatchBelow("/a/"));
    EXPECT_FALSE(PathPattern("/a/$").CouldMatchBelow("/a/"));
}

TEST(ExclusionList, LinesAndCommasAndPatternsMatchingAnywhere) {
    const ExclusionList list(" /drafts/ ,*/admin/*\r\n*.bak.html\n\n/private*");
    const Case cases[] = {
        {"/drafts/", true},    {"/drafts/a.html", true}, {"/news/drafts/", false},
        {"/x/admin/", true},   {"/a.bak.html", true},    {"/x/old.bak.html", true},
        {"/privateer/", true}, {"/private.html", true},  {"/news/index.html", false},
        {"/a.bak.htm", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(list.Excludes(c.path), c.expected) << c.path;
    EXPECT_TRUE(ExclusionList(" , \n").empty());
}

TEST(RobotsRules, GroupsLongestMatchAndAllowOnTies) {
    const char* robots = "# comment\r\n"
                         "Disallow: /before-any-agent/\r\n"
                         "User-agent: Bingbot\n"
                         "Disallow: /\n"
                         "\n"
                         "user-agent: *\n"
                         "Sitemap: https://e.jp/sitemap.xml\n"
                         "DISALLOW: /private/ # inline comment\n"
                         "Allow: /private/open/\n"
                         "Disallow: /tie\n"
                         "Allow: /tie\n"
                         "Disallow: /*.cgi$\n"
                         "Disallow:\n"
                         "User-agent: Googlebot-Image\n"
                         "Disallow: /img/\n"
                         "User-agent: Googlebot/2.1\n"
                         "User-agent: other\n"
                         "Disallow: /g/\n"
                         "Allow: /g/long/page.html\n"
                         "user-agent: GOOGLEBOT\n"
                         "disallow: drafts\n";
    const RobotsRules rules(robots);
    const Case cases[] = {
        {"/index.html", true},      {"/before-any-agent/a.html", true},
        {"/private/a.html", false}, {"/private/open/a.html", true},
        {"/tie.html", true},        {"/a/run.cgi", false},
        {"/a/run.cgi.html", true},  {"/img/a.html", true},
        {"/g/a.html", false},       {"/g/long/page.html", true},
        {"/drafts/a.html", false},  {"/draftsman.html", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rules.Allows(c.path), c.expected) << c.path;

    // A folder is left unlisted only when nothing below it can be allowed.
    const Case folders[] = {
        {"/private/", true}, // /private/open/ may be allowed
        {"/private/closed/", false}, {"/g/", true},    {"/g/other/", false},
        {"/drafts/", false},         {"/news/", true},
    };
    for (const Case& c : folders)
        EXPECT_EQ(rules.MayAllowBelow(c.path), c.expected) << c.path;

    EXPECT_TRUE(RobotsRules().Allows("/anything"));
    EXPECT_TRUE(RobotsRules("User-agent: *\nDisallow: /a/$\n").MayAllowBelow("/a/"));
    EXPECT_FALSE(RobotsRules("User-agent: *\nDisallow: /\nAllow: /a/$\n").MayAllowBelow("/a/"));
    // A byte-order mark before the first group does not hide it.
    EXPECT_FALSE(RobotsRules("\xEF\xBB\xBFUser-agent: *\nDisallow: /a/\n").Allows("/a/b.html"));
}
