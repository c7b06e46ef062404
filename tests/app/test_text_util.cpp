#include "app/text_util.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(Trimmed(" \t a b \r"), "a b");
    EXPECT_TRUE(EqualsIgnoringCase("OFFSET_1", "offset_1"));
    EXPECT_FALSE(EqualsIgnoringCase("Ä", "ä"));
}
