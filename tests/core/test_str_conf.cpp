#include "core/str_conf.h"

#include <gtest/gtest.h>

TEST(StrField, ReadsEachTerminatedField) {
    EXPECT_EQ(str_field("a;b;c;", ";", 1), "a");
    EXPECT_EQ(str_field("a;b;c;", ";", 2), "b");
    EXPECT_EQ(str_field("a;b;c;", ";", 3), "c");
    EXPECT_EQ(str_field("a;b;c;", ";", 4), "");
    EXPECT_EQ(str_field("a;b;c;", ";", 5), "");
}

TEST(StrField, UnterminatedTailIsNoField) {
    EXPECT_EQ(str_field("a;b;c", ";", 2), "b");
    EXPECT_EQ(str_field("a;b;c", ";", 3), "");
}

TEST(StrField, EmptyFieldsAndEmptyRow) {
    EXPECT_EQ(str_field("a;;c;", ";", 2), "");
    EXPECT_EQ(str_field("a;;c;", ";", 3), "c");
    for (int n = 1; n <= 5; ++n)
        EXPECT_EQ(str_field("", ";", n), "") << n;
}

TEST(StrField, MultiByteTextAndLongSeparator) {
    const std::string row =
        "https://例え.jp/ニュース/;索引.html;2006-12-01T10:20:30+09:00;weekly;0.5;";
    EXPECT_EQ(str_field(row, ";", 1), "https://例え.jp/ニュース/");
    EXPECT_EQ(str_field(row, ";", 2), "索引.html");
    EXPECT_EQ(str_field(row, ";", 5), "0.5");
    EXPECT_EQ(str_field("x::y::", "::", 2), "y");
    EXPECT_EQ(str_field("a;b;", ";", 0), "");
}

TEST(StrReplace, ReplacesLeftToRightWithoutRescanning) {
    EXPECT_EQ(str_replace("a&b&c", "&", "&amp;"), "a&amp;b&amp;c");
    EXPECT_EQ(str_replace("&amp;", "&", "&amp;"), "&amp;amp;");
    EXPECT_EQ(str_replace("aaa", "aa", "b"), "ba");
    EXPECT_EQ(str_replace("abc", "x", "y"), "abc");
    EXPECT_EQ(str_replace("", "&", "&amp;"), "");
    EXPECT_EQ(str_replace("&&", "&", ""), "");
    EXPECT_EQ(str_replace("abc", "", "x"), "abc");
    EXPECT_EQ(str_replace("ファイル&名", "&", "&amp;"), "ファイル&amp;名");
}
