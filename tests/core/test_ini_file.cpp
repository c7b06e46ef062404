#include "core/ini_file.h"

#include <gtest/gtest.h>

TEST(IniFile, KeysAndSectionsIgnoreCase) {
    const IniFile ini("[Site_Wright]\nTop=12\nLEFT = 34 \n[other]\nWidth=1\n");
    for (const char* key : {"Top", "top", "TOP", "tOp"})
        EXPECT_EQ(ini.readInteger("site_wright", key, -1), 12) << key;
    EXPECT_EQ(ini.readInteger("SITE_WRIGHT", "Left", -1), 34);
    EXPECT_EQ(ini.readInteger("site_wright", "Width", -1), -1) << "keys of another section";
    EXPECT_EQ(ini.readInteger("missing", "Top", -7), -7);
}

TEST(IniFile, IntegersInDecimalAndHexOnly) {
    const IniFile ini("[s]\na=0x1F\nb=0X10\nc=-25\nd=12.5\ne=abc\nf=\ng=0x\nh=7px\ni=99999999999\n"
                      "j=+8\nk=-0x10\nl=0xG1\n");
    EXPECT_EQ(ini.readInteger("s", "a", -1), 31);
    EXPECT_EQ(ini.readInteger("s", "b", -1), 16);
    EXPECT_EQ(ini.readInteger("s", "c", -1), -25);
    for (const char* key : {"d", "e", "f", "g", "h", "i", "l"})
        EXPECT_EQ(ini.readInteger("s", key, -1), -1) << key;
    EXPECT_EQ(ini.readInteger("s", "j", -1), 8);
    EXPECT_EQ(ini.readInteger("s", "k", -1), -16);
}

TEST(IniFile, WritingKeepsEveryOtherLine) {
    IniFile ini("; remembered by hand\r\n[first]\r\nx=1\r\n\r\n[site_wright]\r\nTOP=5\r\n"
                "Colour=blue\r\n\r\n[last]\r\ny=2\r\n");
    ini.writeInteger("site_wright", "Top", 40);
    ini.writeInteger("site_wright", "Width", 800);
    EXPECT_EQ(ini.text(),
              "; remembered by hand\r\n[first]\r\nx=1\r\n\r\n[site_wright]\r\nTop=40\r\n"
              "Colour=blue\r\nWidth=800\r\n\r\n[last]\r\ny=2\r\n");

    IniFile empty;
    empty.writeInteger("site_wright", "Left", -3);
    EXPECT_EQ(empty.text(), "[site_wright]\nLeft=-3\n");
    EXPECT_EQ(IniFile(empty.text()).readInteger("site_wright", "left", 0), -3);
}

TEST(IniFile, DuplicateSectionsUseTheFirst) {
    IniFile ini("[s]\na=1\n[t]\n[S]\na=2\n");
    EXPECT_EQ(ini.readInteger("s", "a", 0), 1);
    ini.writeInteger("s", "b", 3);
    EXPECT_EQ(ini.text(), "[s]\na=1\nb=3\n[t]\n[S]\na=2\n");
}
