#include "app/window/window_geometry.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "core/file_io.h"
#include "core/ini_file.h"

namespace fs = std::filesystem;

namespace {

const QRect kWorkArea(100, 50, 1820, 1000); // right edge 1920, bottom edge 1050

WindowGeometry read(const std::string& text) {
    return ReadWindowGeometry(IniFile(text), kWorkArea);
}

} // namespace

TEST(WindowGeometryFile, MissingValuesGiveWorkAreaCornerAndDesignedSize) {
    const WindowGeometry geometry = read("");
    EXPECT_EQ(geometry.left, 100);
    EXPECT_EQ(geometry.top, 50);
    EXPECT_EQ(geometry.width, 909);
    EXPECT_EQ(geometry.height, 657);

    const WindowGeometry partial =
        read("[site_wright]\nTop=abc\nLeft=300\nWidth=1.5\nHeight=500\n");
    EXPECT_EQ(partial.top, 50);
    EXPECT_EQ(partial.left, 300);
    EXPECT_EQ(partial.width, 909);
    EXPECT_EQ(partial.height, 500);
}

TEST(WindowGeometryFile, PositionsOutsideTheWorkAreaGoToItsLeftOrTop) {
    // Left beyond right - 100 goes to the work area's left, keeping the top.
    WindowGeometry g = read("[site_wright]\nTop=200\nLeft=1821\n");
    EXPECT_EQ(g.left, 100);
    EXPECT_EQ(g.top, 200);
    EXPECT_EQ(read("[site_wright]\nLeft=1820\n").left, 1820);
    // Left of the work area, top above it.
    g = read("[site_wright]\nTop=10\nLeft=20\n");
    EXPECT_EQ(g.left, 100);
    EXPECT_EQ(g.top, 50);
    // Top below bottom - 100 goes to the top edge, not the nearest one.
    EXPECT_EQ(read("[site_wright]\nTop=951\n").top, 50);
    EXPECT_EQ(read("[site_wright]\nTop=950\n").top, 950);
    // A size beyond the work area shrinks to it; a smaller one stays.
    g = read("[site_wright]\nWidth=9673\nHeight=-4\n");
    EXPECT_EQ(g.width, 1820);
    EXPECT_EQ(g.height, -4);
    g = read("[site_wright]\nWidth=1820\nHeight=1001\n");
    EXPECT_EQ(g.width, 1820);
    EXPECT_EQ(g.height, 1000);
}

TEST(WindowGeometryFile, TopKeyInAnySpellingAndHexValues) {
    for (const char* key : {"Top", "top", "TOP"})
        EXPECT_EQ(read(std::string("[site_wright]\n") + key + "=321\n").top, 321) << key;
    const WindowGeometry g = read("[SITE_WRIGHT]\nTOP=0x12C\nLEFT=0X1F4\nwidth=0x320\n");
    EXPECT_EQ(g.top, 300);
    EXPECT_EQ(g.left, 500);
    EXPECT_EQ(g.width, 800);
}

TEST(WindowGeometryFile, WriteKeepsOtherLinesAndReadsBack) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const fs::path file = fs::path(folder.path().toStdString()) / kGeometryFileName;
    WriteFileAtomically(file, "[recent]\nfile=a.txt\n[site_wright]\ntop=1\nTheme=dark\n");
    WriteWindowGeometry(file, {210, 120, 1000, 700});
    EXPECT_EQ(ReadFile(file), "[recent]\nfile=a.txt\n[site_wright]\nTop=120\nTheme=dark\n"
                              "Left=210\nWidth=1000\nHeight=700\n");
    const WindowGeometry back = ReadWindowGeometry(IniFile::Load(file), kWorkArea);
    EXPECT_EQ(back.left, 210);
    EXPECT_EQ(back.top, 120);
    EXPECT_EQ(back.width, 1000);
    EXPECT_EQ(back.height, 700);
}

TEST(WindowGeometryFile, WriteIntoAMissingFolderFailsAndLeavesNothing) {
    QTemporaryDir folder;
    const fs::path file = fs::path(folder.path().toStdString()) / "gone" / kGeometryFileName;
    EXPECT_THROW(WriteWindowGeometry(file, {1, 2, 3, 4}), FileError);
    EXPECT_FALSE(fs::exists(file.parent_path()));
}

// A run on a screen scaled by 2 (1920 x 1080 gives a 960 x 540 work area in device-independent
// pixels) fits the stored 1000 x 700 window into it; closed unchanged, the stored size stays,
// and a value the user changed there is stored as changed.
TEST(WindowGeometryFile, AWindowOnlyFittedToASmallScreenKeepsItsStoredSize) {
    const IniFile ini("[site_wright]\nTop=100\nLeft=50\nWidth=1000\nHeight=700\n");
    const QRect scaled(0, 0, 960, 540);
    const WindowGeometry stored = StoredWindowGeometry(ini, scaled);
    const WindowGeometry fitted = ReadWindowGeometry(ini, scaled);
    EXPECT_EQ(fitted.width, 960);
    EXPECT_EQ(fitted.height, 540);
    const WindowGeometry unchanged = GeometryToStore(stored, fitted, fitted);
    EXPECT_EQ(unchanged.width, 1000);
    EXPECT_EQ(unchanged.height, 700);
    const WindowGeometry resized = GeometryToStore(stored, fitted, {80, 100, 600, 540});
    EXPECT_EQ(resized.left, 80);
    EXPECT_EQ(resized.width, 600);
    EXPECT_EQ(resized.height, 700);
}
