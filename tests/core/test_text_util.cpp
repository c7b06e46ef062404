#include "core/text_util.h"

#include "core/date_time.h"
#include "core/row_order.h"
#include "core/texts.h"
#include "core/url_entry.h"

#include <gtest/gtest.h>

#include <QCollator>
#include <QLocale>

TEST(TextUtil, FilledReplacesEachPlaceholderOnceAndNeverInsideAValue) {
    EXPECT_EQ(Filled("「{file}」の{line}行目", {{"line", "3"}, {"file", "/a/{line}"}}),
              "「/a/{line}」の3行目");
    EXPECT_EQ(Filled("{unknown} {x} {", {{"x", "1"}}), "{unknown} 1 {");
    EXPECT_EQ(Concat({"a", "", "日本"}), "a日本");
}

TEST(TextUtil, Utf8IsReadStrictly) {
    const std::pair<std::string, std::size_t> cases[] = {
        {"a", 1},
        {"\xC3\xA9", 2},
        {"日", 3},
        {"\xF0\x9F\x8E\x89", 4},
        {"", 0},
        {"\x80", 0},
        {"\xC0\xAF", 0},
        {"\xE0\x80\xAF", 0},
        {"\xED\xA0\x80", 0},
        {"\xF4\x90\x80\x80", 0},
        {"\xE3\x81", 0},
        {"\xFF", 0},
    };
    for (const auto& [text, length] : cases) {
        EXPECT_EQ(Utf8CharLength(text), length) << text;
        EXPECT_EQ(IsValidUtf8(text), length == text.size()) << text;
    }
}

TEST(TextUtil, UnsafeBytesArePercentEncodedAndTheRestStaysReadable) {
    EXPECT_EQ(PercentEncodeUnsafe("a;b\x01\x7F\xEF\xBF\xBE\xEF\xBF\xBD\xFF日本\t", ";"),
              "a%3Bb%01%7F%EF%BF%BE\xEF\xBF\xBD%FF日本%09");
    EXPECT_TRUE(HasUnsafeCharacters("a\xEF\xBF\xBF"));
    EXPECT_FALSE(HasUnsafeCharacters("https://例え.jp/a;b"));
    // A server's reply keeps its line breaks.
    EXPECT_EQ(EscapeControls("550 a\r\nb\x1b[2J"), "550 a\r\nb%1B[2J");
}

TEST(TextUtil, LinesBlanksAndCase) {
    EXPECT_EQ(SplitLines("a\r\nb\rc\n\nd\n"), (std::vector<std::string>{"a", "b", "c", "", "d"}));
    EXPECT_EQ(SplitList("a, b\nc,,"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(SplitList(" .html ,\n.htm", ","), (std::vector<std::string>{".html", "\n.htm"}));
    EXPECT_EQ(Trimmed(" \t a b \r"), "a b");
    EXPECT_TRUE(EqualsIgnoringCase("OFFSET_1", "offset_1"));
    EXPECT_FALSE(EqualsIgnoringCase("Ä", "ä"));
}

TEST(Addresses, EachCharacterClassIsEscapedAndReadsBack) {
    // A row's URL text as the walk writes it ("%" as "%25", ";" as "%3B"), the sitemap's
    // address, and the address as the table shows it.
    const struct {
        const char* row;
        const char* encoded;
        const char* readable;
    } cases[] = {
        {"https://e.jp/sub/my page.html", "https://e.jp/sub/my%20page.html",
         "https://e.jp/sub/my page.html"},
        {"https://e.jp/100%25.html", "https://e.jp/100%25.html", "https://e.jp/100%.html"},
        {"https://e.jp/#top?.html", "https://e.jp/%23top%3F.html", "https://e.jp/#top?.html"},
        {"https://e.jp/a%3Bb/c.html", "https://e.jp/a%3Bb/c.html", "https://e.jp/a;b/c.html"},
        {"https://e.jp/お知らせ/", "https://e.jp/%E3%81%8A%E7%9F%A5%E3%82%89%E3%81%9B/",
         "https://e.jp/お知らせ/"},
        {"https://e.jp/a&b'(c)!*+,=:@~-_.html", "https://e.jp/a&b'(c)!*+,=:@~-_.html",
         "https://e.jp/a&b'(c)!*+,=:@~-_.html"},
        {"https://e.jp/\"<>\\^`{|}[]", "https://e.jp/%22%3C%3E%5C%5E%60%7B%7C%7D%5B%5D",
         "https://e.jp/\"<>\\^`{|}[]"},
        // A control character stays escaped when shown; so does what is no UTF-8 once decoded.
        {"https://e.jp/a%0Ab.html", "https://e.jp/a%0Ab.html", "https://e.jp/a%0Ab.html"},
        {"https://e.jp/%FF.html", "https://e.jp/%FF.html", "https://e.jp/%FF.html"},
        // A "%" that starts no escape (typed into the site URL) is escaped itself.
        {"https://e.jp/50%off/", "https://e.jp/50%25off/", "https://e.jp/50%off/"},
        // The host and port pass as typed; the path of a site URL is a path like any other.
        {"http://[::1]:8021/日/", "http://[::1]:8021/%E6%97%A5/", "http://[::1]:8021/日/"},
        {"https://e.jp", "https://e.jp", "https://e.jp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        EXPECT_EQ(EncodedAddress(c.row), c.encoded);
        EXPECT_EQ(ReadableAddress(c.row), c.readable);
        // Encoding is idempotent: what the sitemap carries reads as the row does.
        EXPECT_EQ(EncodedAddress(c.encoded), c.encoded);
        EXPECT_EQ(ReadableAddress(c.encoded), c.readable);
    }
}

TEST(DateTimeShift, UtcTimesMoveIntoTheOffsetsZone) {
    const struct {
        const char* offset;
        DateTime utc;
        DateTime local;
    } cases[] = {
        {"+09:00", {2024, 3, 5, 10, 20, 30, 0}, {2024, 3, 5, 19, 20, 30, 0}},
        {"+09:00", {2023, 12, 31, 20, 0, 59, 0}, {2024, 1, 1, 5, 0, 59, 0}},
        {"-05:30", {2024, 3, 1, 2, 10, 0, 0}, {2024, 2, 29, 20, 40, 0, 0}},
        {"-05:30", {2023, 3, 1, 2, 10, 0, 0}, {2023, 2, 28, 20, 40, 0, 0}},
        {"+00:00", {1970, 1, 1, 0, 0, 0, 0}, {1970, 1, 1, 0, 0, 0, 0}},
        {"+14:00", {1969, 12, 31, 12, 0, 0, 500}, {1970, 1, 1, 2, 0, 0, 500}},
        // No date at all stays no date.
        {"+09:00", DateTime(), DateTime()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.offset + (" " + c.utc.LastmodText()));
        ASSERT_TRUE(OffsetMinutes(c.offset).has_value());
        EXPECT_EQ(c.utc.PlusMinutes(*OffsetMinutes(c.offset)), c.local);
    }
    for (const char* wrong : {"", "09:00", "+9:00", "+09:0", "+24:00", "+09:60", "+0a:00"})
        EXPECT_FALSE(OffsetMinutes(wrong).has_value()) << wrong;
}

TEST(Sentences, JoinAsEachLanguageWritesThem) {
    using texts::JoinSentences;
    EXPECT_EQ(JoinSentences({"接続失敗", "サイトマップは作成しませんでした。"}),
              "接続失敗。サイトマップは作成しませんでした。");
    EXPECT_EQ(JoinSentences({"使えません。", "（--help を参照）"}),
              "使えません。（--help を参照）");
    texts::UseLanguage(texts::Language::English);
    EXPECT_EQ(JoinSentences({"Connection failed", "", "No sitemap was created."}),
              "Connection failed. No sitemap was created.");
    EXPECT_EQ(JoinSentences({"It cannot be used.", "(see --help)"}),
              "It cannot be used. (see --help)");
    texts::UseLanguage(texts::Language::Japanese);
}

// A whole sort puts every row where a single insertion would: letter case aside, prefixes
// first, rows beyond ASCII too; rows equal but for case keep the order they came in. In the C
// locale and in another, the order is the collator's over the whole case-folded texts, though
// rows are compared only after the folders they share.
TEST(RowOrder, WholeSortAgreesWithSingleInsertionsAndTheCollator) {
    const std::vector<std::string> rows = {
        "https://x.jp/B.html",   "https://x.jp/a.html", "https://x.jp/A.html",
        "https://x.jp/ab",       "https://x.jp/a",      "https://x.jp/É.html",
        "https://x.jp/é.html",   "https://x.jp/e.html", "https://x.jp/日本",
        "https://x.jp/_z",       "https://x.jp/Z",      "https://x.jp/a-b",
        "https://x.jp/d/カー;x", "https://x.jp/d/カア", "https://x.jp/d/_a",
        "https://x.jp/d/-a",     "https://x.jp/d/ア",   "https://x.jp/d/あ;",
        "https://x.jp/d/e/F",    "https://x.jp/d;e",    "https://x.jp/d/ｶ"};
    const QLocale original;
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::Japanese, QLocale::Japan)}) {
        SCOPED_TRACE(locale.name().toStdString());
        QLocale::setDefault(locale);
        const RowOrder order;
        QCollator collator(locale);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        const auto folded = [](const std::string& row) {
            return QString::fromStdString(row).toCaseFolded();
        };
        for (const std::string& a : rows)
            for (const std::string& b : rows)
                EXPECT_EQ(order.less(a, b), collator.compare(folded(a), folded(b)) < 0)
                    << a << " | " << b;
        const std::vector<std::size_t> sorted = order.sortedOrder(rows);
        ASSERT_EQ(sorted.size(), rows.size());
        for (std::size_t i = 1; i < sorted.size(); ++i) {
            const std::string& before = rows[sorted[i - 1]];
            const std::string& after = rows[sorted[i]];
            EXPECT_FALSE(order.less(after, before)) << before << " | " << after;
            if (!order.less(before, after))
                EXPECT_LT(sorted[i - 1], sorted[i]) << before << " | " << after;
        }
    }
    QLocale::setDefault(original);
}
