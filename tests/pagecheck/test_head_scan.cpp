#include "pagecheck/head_scan.h"

#include <gtest/gtest.h>

TEST(HeadScan, FindsRobotsAndCanonicalInEveryWayOfWritingThem) {
    struct Case {
        const char* html;
        bool noindex;
        const char* canonical;
        bool ended;
    };
    const Case cases[] = {
        {"<html><head><title>t</title></head><body>", false, "", true},
        {"<head><meta name=\"robots\" content=\"noindex, follow\"></head>", true, "", true},
        {"<HEAD><META NAME='ROBOTS' CONTENT='NOINDEX'></HEAD>", true, "", true},
        {"<head><meta name=googlebot content=none>", true, "", false},
        {"<head><meta content=\"nofollow,noindex\" name=\"robots\"/>", true, "", false},
        {"<head><meta name=\"bingbot\" content=\"noindex\">", false, "", false},
        {"<head><meta name=\"robots\" content=\"noarchive, nosnippet\">", false, "", false},
        {"<head><meta name=\"description\" content=\"noindex\">", false, "", false},
        {"<head><link rel=\"canonical\" href=\"https://a.example/x?a=1&amp;b=2\">", false,
         "https://a.example/x?a=1&b=2", false},
        {"<head><link href='/y' rel='alternate Canonical'>", false, "/y", false},
        {"<head><link rel=canonical href=/z><link rel=canonical href=/second>", false, "/z", false},
        {"<head><link rel=\"stylesheet\" href=\"/s.css\">", false, "", false},
        // Text that only looks like a tag: comments, scripts, styles.
        {"<head><!-- <meta name=robots content=noindex> --><link rel=canonical href=/c>", false,
         "/c", false},
        {"<head><script>var s = '<meta name=robots content=noindex>';</SCRIPT>", false, "", false},
        {"<head><style>a::before{content:'<link rel=canonical href=/no>'}</style>", false, "",
         false},
        // The head ends at </head> or <body>: nothing later counts.
        {"<head></head><meta name=robots content=noindex>", false, "", true},
        {"<head><body><link rel=canonical href=/late>", false, "", true},
        // A tag cut off by the end of what was read is left out.
        {"<head><link rel=canonical href=\"/cut", false, "", false},
        {"<head><meta name=robots content=noindex", false, "", false},
        {"", false, "", false},
        {"<<<>>> < / <!doctype html><head>", false, "", false},
    };
    for (const Case& c : cases) {
        const HeadFacts facts = ScanHead(c.html);
        EXPECT_EQ(facts.noindex, c.noindex) << c.html;
        EXPECT_EQ(facts.canonical, c.canonical) << c.html;
        EXPECT_EQ(facts.ended, c.ended) << c.html;
    }
}

TEST(HeadScan, RobotsHeaderForbidsIndexingToAllOrToGooglebot) {
    struct Case {
        const char* value;
        bool forbids;
    };
    const Case cases[] = {
        {"noindex", true},
        {"NoIndex, nofollow", true},
        {"none", true},
        {"googlebot: noindex", true},
        {"GoogleBot: nofollow, noindex", true},
        {"otherbot: noindex", false},
        {"otherbot: noindex, googlebot: nofollow", false},
        {"otherbot: nofollow, googlebot: none", true},
        {"nofollow, noarchive", false},
        {"unavailable_after: 25 Jun 2010 15:00:00 PST", false},
        {"max-snippet: 20, noindex", true},
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RobotsHeaderForbidsIndexing(c.value), c.forbids) << c.value;
}
