#include <gtest/gtest.h>

#include "pagecheck/non_pages.h"
#include "pagecheck/page_address.h"
#include "pagecheck/stable_lastmod.h"

TEST(PageRules, AddressesAreComparedInTheirNormalForm) {
    struct Case {
        const char* reference;
        const char* page; // empty: reference stands alone
        const char* normal;
    };
    const Case cases[] = {
        {"HTTP://WWW.Example.COM", "", "http://www.example.com/"},
        {"http://a.example:80/x", "", "http://a.example/x"},
        {"https://a.example:443/x", "", "https://a.example/x"},
        {"https://a.example:8443/x", "", "https://a.example:8443/x"},
        {"http://a.example/a%2fb%7e%7E", "", "http://a.example/a%2Fb~~"},
        {"http://a.example/%E3%81%82?q=%e3%81", "", "http://a.example/%E3%81%82?q=%E3%81"},
        {"http://a.example/caf\xC3\xA9", "", "http://a.example/caf%C3%A9"},
        {"http://a.example/x/../y/./z#part", "", "http://a.example/y/z"},
        {"http://[::1]:8080/", "", "http://[::1]:8080/"},
        {"ftp://a.example/x", "", ""},
        {"/x.html", "", ""},
        {"not an address", "", ""},
        // A canonical as a page may write it, resolved against the page.
        {"index.html", "http://a.example/dir/page.html", "http://a.example/dir/index.html"},
        {"/top.html", "http://a.example/dir/page.html", "http://a.example/top.html"},
        {"../up.html#x", "http://a.example/dir/page.html", "http://a.example/up.html"},
        {"//b.example/p", "https://a.example/", "https://b.example/p"},
        {"HTTPS://A.EXAMPLE:443", "http://a.example/", "https://a.example/"},
    };
    for (const Case& c : cases) {
        const std::string normal =
            *c.page ? NormalAddress(c.reference, c.page) : NormalAddress(c.reference);
        EXPECT_EQ(normal, c.normal) << c.reference << " on " << c.page;
    }
}

TEST(PageRules, NonPagesAreKnownByTheirNames) {
    const char* const htaccess = "# errors\n"
                                 "ErrorDocument 404 /errors/404.html\r\n"
                                 "  errordocument 500 \"/500.html\"\n"
                                 "ErrorDocument 403 \"Sorry, not for you\"\n"
                                 "ErrorDocument 401 default\n"
                                 "ErrorDocument 410 https://WWW.a.example/gone.html\n"
                                 "#ErrorDocument 402 /commented.html\n"
                                 "ErrorDocumentation 404 /no.html\n"
                                 "ErrorDocument /missing-status.html\n";
    EXPECT_EQ(ErrorDocumentTargets(htaccess),
              (std::vector<std::string>{"/errors/404.html", "/500.html",
                                        "https://WWW.a.example/gone.html"}));

    const NonPageNames names("https://www.a.example/", htaccess);
    struct Case {
        const char* address;
        std::optional<Verdict> verdict;
    };
    const Case cases[] = {
        {"https://www.a.example/google1a2b3c4d5e6f7a8b.html", Verdict::VerificationFile},
        {"https://www.a.example/sub/yandex_0123456789abcdef.html", Verdict::VerificationFile},
        {"https://www.a.example/BingSiteAuth.xml", Verdict::VerificationFile},
        {"https://www.a.example/naver0123456789abcdef0123456789abcdef.html",
         Verdict::VerificationFile},
        {"https://www.a.example/google1a2b3c4d5e6f7a8.html", std::nullopt}, // 15 digits
        {"https://www.a.example/google1a2b3c4d5e6f7a8bc.html", std::nullopt},
        {"https://www.a.example/google1a2b3c4d5e6f7a8g.html", std::nullopt},
        {"https://www.a.example/google.html", std::nullopt},
        {"https://www.a.example/errors/404.html", Verdict::ErrorDocument},
        {"https://WWW.A.EXAMPLE:443/errors/404.html#x", Verdict::ErrorDocument},
        {"https://www.a.example/500.html", Verdict::ErrorDocument},
        {"https://www.a.example/gone.html", Verdict::ErrorDocument},
        {"https://www.a.example/404.html", std::nullopt},
        {"https://www.a.example/commented.html", std::nullopt},
        {"https://www.a.example/index.html", std::nullopt},
        {"not an address", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(names.VerdictOf(c.address), c.verdict) << c.address;
    EXPECT_EQ(NonPageNames().VerdictOf("https://www.a.example/errors/404.html"), std::nullopt);
}

TEST(PageRules, LastmodMovesOnlyWhenThePageDoes) {
    const Validators previous{"\"e1\"", "", "aaaa", "2024-01-01T10:00:00+09:00"};
    const std::string reuploaded = "2024-06-01T12:00:00+09:00";
    struct Case {
        const char* what;
        Validators previous;
        LastmodNow now;
        LastmodChoice expected;
    };
    const Case cases[] = {
        {"304 after a re-upload",
         previous,
         {true, "", reuploaded},
         {previous.lastmodWritten, true}},
        {"same body after a re-upload",
         previous,
         {false, "aaaa", reuploaded},
         {previous.lastmodWritten, true}},
        {"same body, same time",
         previous,
         {false, "aaaa", previous.lastmodWritten},
         {previous.lastmodWritten, false}},
        {"changed body", previous, {false, "bbbb", reuploaded}, {reuploaded, false}},
        {"no body read", previous, {false, "", reuploaded}, {reuploaded, false}},
        {"never written", {"", "", "aaaa", ""}, {false, "aaaa", reuploaded}, {reuploaded, false}},
        {"304 but never written",
         {"\"e1\"", "", "", ""},
         {true, "", reuploaded},
         {reuploaded, false}},
    };
    for (const Case& c : cases) {
        const LastmodChoice choice = StableLastmod(c.previous, c.now);
        EXPECT_EQ(choice.lastmod, c.expected.lastmod) << c.what;
        EXPECT_EQ(choice.keptUnchanged, c.expected.keptUnchanged) << c.what;
    }
}
