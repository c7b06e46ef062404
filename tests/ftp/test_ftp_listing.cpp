#include "ftp/ftp_listing.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>

#include "ftp/ftp_client.h"
#include "support/fixed_clock.h"

void PrintTo(const DateTime& time, std::ostream* out) {
    *out << time.LastmodText() << '.' << time.millisecond;
}

namespace {

constexpr DateTime kMarch2026{2026, 3, 15, 12, 0, 0, 0};

DateTime at(int year, int month, int day, int hour = 0, int minute = 0, int millisecond = 0) {
    return DateTime{year, month, day, hour, minute, 0, millisecond};
}

TIdFTPListItem unixItem(const std::string& line, const DateTime& now = kMarch2026) {
    TIdFTPListItem item;
    EXPECT_TRUE(ParseUnixLine(line, now, item)) << line;
    return item;
}

TIdFTPListItem dosItem(const std::string& line, const DateTime& now = kMarch2026) {
    TIdFTPListItem item;
    ParseDosLine(line, now, item);
    return item;
}

std::vector<std::string> namesOf(const TIdFTPListItems& listing) {
    std::vector<std::string> names;
    for (const TIdFTPListItem& item : listing)
        names.push_back(item.name);
    return names;
}

} // namespace

TEST(DateTimeTest, ZeroAndLastmodText) {
    EXPECT_EQ(DateTime().LastmodText(), "1899-12-30T00:00:00");
    // Milliseconds never show and never carry into the seconds.
    EXPECT_EQ(at(2006, 12, 1, 10, 20, 999).LastmodText(), "2006-12-01T10:20:00");
    EXPECT_EQ(at(987, 1, 2, 3, 4).LastmodText(), "0987-01-02T03:04:00");
}

TEST(DateTimeTest, FromPartsRefusesMomentsThatDoNotExist) {
    EXPECT_TRUE(DateTime::FromParts(2024, 2, 29));
    EXPECT_TRUE(DateTime::FromParts(2000, 2, 29));
    EXPECT_FALSE(DateTime::FromParts(2023, 2, 29));
    EXPECT_FALSE(DateTime::FromParts(1900, 2, 29));
    EXPECT_FALSE(DateTime::FromParts(2005, 4, 31));
    EXPECT_FALSE(DateTime::FromParts(2005, 0, 1));
    EXPECT_FALSE(DateTime::FromParts(2005, 13, 1));
    EXPECT_FALSE(DateTime::FromParts(2005, 1, 0));
    EXPECT_FALSE(DateTime::FromParts(2005, 1, 1, 24, 0));
    EXPECT_FALSE(DateTime::FromParts(2005, 1, 1, 23, 60));
    EXPECT_FALSE(DateTime::FromParts(0, 1, 1));
    EXPECT_EQ(*DateTime::FromParts(2005, 1, 5, 23, 59, 0, 999), at(2005, 1, 5, 23, 59, 999));
}

TEST(DetectListFormatTest, Table) {
    struct Case {
        const char* line;
        TIdFTPListFormat format;
    };
    const Case cases[] = {
        {"-rw-r--r--   1 user  group  1234 Dec  6 10:20 index.html", TIdFTPListFormat::flfUnix},
        {"drwxr-xr-x 2 user group 4096 Jan 5 2005 old", TIdFTPListFormat::flfUnix},
        {"lrwxrwxrwx 1 user group 11 Dec 6 10:20 www -> public_html", TIdFTPListFormat::flfUnix},
        {"DRWXR-XR-X", TIdFTPListFormat::flfUnix},
        {"total 24", TIdFTPListFormat::flfUnix},
        {"TOTAL", TIdFTPListFormat::flfUnix},
        // set-id and sticky bits are ordinary Unix permissions
        {"drwxrwxrwt 2 user group 4096 Jan 5 2005 tmp", TIdFTPListFormat::flfUnix},
        {"-rwsr-Sr-T 1 user group 10 Jan 5 2005 tool", TIdFTPListFormat::flfUnix},
        // a position past the end of the line matches nothing
        {"drwxr-xr-", TIdFTPListFormat::flfUnknown},
        {"-rw-r--r-+ 1 user group 10 Jan 5 2005 acl", TIdFTPListFormat::flfUnknown},
        {"brw-r--r-- 1 root disk 8, 0 Jan 5 2005 sda", TIdFTPListFormat::flfUnknown},
        {"USERS$DSK:[ANNA]INDEX.HTML;1", TIdFTPListFormat::flfVax},
        {"index.html dsk: somewhere", TIdFTPListFormat::flfVax},
        {"12-06-06  10:20PM       <DIR>          images", TIdFTPListFormat::flfDos},
        {"12-06-06  10:20PM       <dir>          images", TIdFTPListFormat::flfDos},
        {"12-06-06  09:05AM                1,234 index.htm", TIdFTPListFormat::flfDos},
        {"12/06/06  09:05AM                 -234 index.htm", TIdFTPListFormat::flfDos},
        {"12-06-06  09:05AM                12a34 index.htm", TIdFTPListFormat::flfUnknown},
        {"12-06-06  09:05AM       x        1,234 index.htm", TIdFTPListFormat::flfUnknown},
        {"12-06-06  09:05AM", TIdFTPListFormat::flfUnknown},
        {"12.06.06  09:05AM                1,234 index.htm", TIdFTPListFormat::flfUnknown},
        {"", TIdFTPListFormat::flfUnknown},
        {"Welcome to the archive", TIdFTPListFormat::flfUnknown},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DetectListFormat(c.line), c.format) << '"' << c.line << '"';
}

TEST(ParseUnixLineTest, Table) {
    const TIdFTPListItem index =
        unixItem("-rw-r--r--   1 user  group  1234 Dec  6 10:20 index.html");
    EXPECT_EQ(index.name, "index.html");
    EXPECT_EQ(index.kind, ListItemKind::File);
    // December is still to come in March: the year before.
    EXPECT_EQ(index.modified, at(2025, 12, 6, 10, 20, 999));
    EXPECT_EQ(index.modified.LastmodText(), "2025-12-06T10:20:00");
    EXPECT_EQ(unixItem("-rw-r--r-- 1 user group 1234 Dec 6 10:20 index.html",
                       DateTime{2026, 12, 1, 0, 0, 0, 0})
                  .modified,
              at(2026, 12, 6, 10, 20, 999))
        << "the day is not compared: 6 December counts as this year on 1 December";

    const TIdFTPListItem old = unixItem("drwxr-xr-x 2 user group 4096 Jan 5 2005 old");
    EXPECT_EQ(old.name, "old");
    EXPECT_EQ(old.kind, ListItemKind::Folder);
    EXPECT_EQ(old.modified, at(2005, 1, 5, 0, 0, 999));

    const TIdFTPListItem link =
        unixItem("lrwxrwxrwx 1 user group 11 Dec 6 10:20 www -> public_html");
    EXPECT_EQ(link.name, "www");
    EXPECT_EQ(link.linkTarget, "public_html");
    EXPECT_EQ(link.kind, ListItemKind::Link);
    EXPECT_EQ(link.modified, index.modified);

    const TIdFTPListItem noGroup = unixItem("-rw-r--r-- 1 user 1234 Dec 6 10:20 a.html");
    EXPECT_EQ(noGroup.name, "a.html");
    EXPECT_EQ(noGroup.modified, index.modified);

    const TIdFTPListItem upperCaseMonth = unixItem("-rw-r--r-- 1 u g 1 DEC 6 10:20 b.html");
    EXPECT_EQ(upperCaseMonth.modified, index.modified);
}

TEST(ParseUnixLineTest, NameKeepsItsBlanksAsWritten) {
    EXPECT_EQ(unixItem("-rw-r--r-- 1 user group 10 Dec 6 10:20 my  page.html").name,
              "my  page.html");
    EXPECT_EQ(unixItem("-rw-r--r-- 1 user group 10 Dec 6 10:20 name.html   ").name, "name.html");
    EXPECT_EQ(unixItem("-rw-r--r-- 1 user group 10 Dec 6 10:20 a\tb.html").name, "a\tb.html");
    EXPECT_EQ(unixItem("-rw-r--r-- 1 user group 10 Dec 6 10:20 日本語  ページ.html").name,
              "日本語  ページ.html");

    const TIdFTPListItem link =
        unixItem("lrwxrwxrwx 1 user group 11 Dec 6 10:20 my  link -> ../a  b -> c");
    EXPECT_EQ(link.name, "my  link");
    EXPECT_EQ(link.linkTarget, "../a  b -> c");
    // Only links are cut at the arrow.
    EXPECT_EQ(unixItem("-rw-r--r-- 1 u g 1 Dec 6 10:20 x -> y").name, "x -> y");
}

TEST(ParseUnixLineTest, MissingDayYearOrTimeFallBack) {
    EXPECT_EQ(unixItem("-rw-r--r-- 1 u g 1 Dec x 10:20 f").modified, at(2025, 12, 15, 10, 20, 999))
        << "a day that is no number is today's";
    EXPECT_EQ(unixItem("-rw-r--r-- 1 u g 1 Feb 6 later f").modified, at(2026, 2, 6, 0, 0, 999))
        << "a year that is no number is this year";
    EXPECT_EQ(unixItem("-rw-r--r-- 1 u g 1 Feb 6 xx:20 f").modified, at(2026, 2, 6, 0, 20, 999));
    EXPECT_EQ(unixItem("-rw-r--r-- 1 u g 1 Feb 6 10: f").modified, at(2026, 2, 6, 10, 0, 999));
    // Eight columns with a number in the fifth: no group column is missing, the name is.
    EXPECT_EQ(unixItem("-rw-r--r-- 1 user group 1234 Dec 6 10:20").name, "");
}

TEST(ParseUnixLineTest, FailingLines) {
    const char* const lines[] = {
        "-rw-r--r-- 1 user group 10 Foo 6 10:20 bad-month",
        "-rw-r--r-- 1 user group 10 Apr 31 2005 no-such-day",
        "-rw-r--r-- 1 user group 10 Feb 29 2023 not-a-leap-year",
        "-rw-r--r-- 1 user group 10 Dec 6 24:00 hour-24",
        "-rw-r--r-- 1 user group 10 Dec 6 10:60 minute-60",
        "-rw-r--r-- 1 user group 10 Dec 0 2005 day-0",
        "-rw-r--r-- 1 user group 10 Dec 6",
        "total 24",
        "",
    };
    for (const char* line : lines) {
        TIdFTPListItem item;
        EXPECT_FALSE(ParseUnixLine(line, kMarch2026, item)) << line;
    }
    TIdFTPListItem leap;
    EXPECT_TRUE(ParseUnixLine("-rw-r--r-- 1 u g 10 Feb 29 2024 leap", kMarch2026, leap));
}

TEST(ParseDosLineTest, Table) {
    const TIdFTPListItem images = dosItem("12-06-06  10:20PM       <DIR>          images");
    EXPECT_EQ(images.name, "images");
    EXPECT_EQ(images.kind, ListItemKind::Folder);
    EXPECT_EQ(images.modified, at(2006, 12, 6, 22, 20));

    const TIdFTPListItem index = dosItem("12-06-06  09:05AM                1,234 index.htm");
    EXPECT_EQ(index.name, "index.htm");
    EXPECT_EQ(index.kind, ListItemKind::File);
    EXPECT_EQ(index.modified, at(2006, 12, 6, 9, 5));

    const TIdFTPListItem old = dosItem("01-15-80  12:00AM                  100 old.htm");
    EXPECT_EQ(old.name, "old.htm");
    EXPECT_EQ(old.modified, at(1980, 1, 15, 0, 0));

    EXPECT_EQ(dosItem("01-15-80  12:30PM                  100 noon.htm").modified,
              at(1980, 1, 15, 12, 30));
    EXPECT_EQ(dosItem("01-15-80  13:45                    100 h24.htm").modified,
              at(1980, 1, 15, 13, 45));
    EXPECT_EQ(dosItem("12-06-06  10:20pm       <dir>          lower").kind, ListItemKind::Folder);
    EXPECT_EQ(dosItem("12-06-06  09:05AM                1,234   my  page.htm  ").name,
              "my  page.htm");
}

TEST(ParseDosLineTest, TwoDigitYearsFallInAHundredYearWindow) {
    EXPECT_EQ(dosItem("01-15-75  10:00AM  1 a.htm").modified.year, 2075);
    EXPECT_EQ(dosItem("01-15-76  10:00AM  1 a.htm").modified.year, 1976);
    EXPECT_EQ(dosItem("01-15-00  10:00AM  1 a.htm").modified.year, 2000);
    EXPECT_EQ(dosItem("01-15-99  10:00AM  1 a.htm").modified.year, 1999);
    const DateTime in2051{2051, 6, 1, 0, 0, 0, 0};
    EXPECT_EQ(dosItem("01-15-00  10:00AM  1 a.htm", in2051).modified.year, 2100);
    EXPECT_EQ(dosItem("01-15-01  10:00AM  1 a.htm", in2051).modified.year, 2001);
}

TEST(ParseDosLineTest, UnreadableDateOrTimeLeavesTheZeroTime) {
    const char* const lines[] = {
        "12-06-06  xx:20PM                1,234 index.htm",
        "12-06-06  13:45PM                1,234 index.htm",
        "12-06-06  00:10AM                1,234 index.htm",
        "12-06-06  10:60                  1,234 index.htm",
        "12-06-06  10.20                  1,234 index.htm",
        "02-30-06  10:20AM                1,234 index.htm",
        "13-06-06  10:20AM                1,234 index.htm",
        "1a-06-06  10:20AM                1,234 index.htm",
        "12-06-06",
    };
    for (const char* line : lines) {
        const TIdFTPListItem item = dosItem(line);
        EXPECT_EQ(item.modified, DateTime()) << line;
        EXPECT_EQ(item.modified.LastmodText(), "1899-12-30T00:00:00");
    }
    EXPECT_EQ(dosItem(lines[0]).name, "index.htm");
}

TEST(LoadListingTest, UnixListingWithTotalLineAndBlankLines) {
    const FixedClock clock(kMarch2026);
    const std::vector<std::string> lines = {
        "total 24", "-rw-r--r-- 1 user group 10 Dec 6 10:20 a.html", "",
        " \t ",     "drwxr-xr-x 2 user group 4096 Jan 5 2005 sub",
    };
    const TIdFTPListItems listing = InterpretListing(lines, clock);
    EXPECT_EQ(listing.format, TIdFTPListFormat::flfUnix);
    EXPECT_EQ(namesOf(listing), (std::vector<std::string>{"a.html", "sub"}));
    EXPECT_EQ(listing[0].line, lines[1]);
    EXPECT_EQ(listing[1].line, lines[4]);
    EXPECT_EQ(listing[0].modified, at(2025, 12, 6, 10, 20, 999));
}

TEST(LoadListingTest, AFailingLineCostsOnlyItself) {
    const FixedClock clock(kMarch2026);
    const TIdFTPListItems listing = InterpretListing(
        {
            "-rw-r--r-- 1 user group 10 Dec 6 10:20 before.html",
            "-rw-r--r-- 1 user group 10 Foo 6 10:20 bad-month.html",
            "total 7",
            "-rw-r--r-- 1 user group 10 Dec 6 10:20 after.html",
            "-rw-r--r-- 1 user group 10 Dec 6 25:20 last-fails.html",
        },
        clock);
    EXPECT_EQ(namesOf(listing), (std::vector<std::string>{"before.html", "after.html"}));
}

TEST(LoadListingTest, StickyFolderFirstStillReadsAsUnix) {
    const FixedClock clock(kMarch2026);
    const TIdFTPListItems listing = InterpretListing(
        {
            "drwxrwxrwt 2 user group 4096 Jan 5 2005 tmp",
            "-rwsr-xr-x 1 user group 10 Jan 5 2005 tool",
        },
        clock);
    EXPECT_EQ(listing.format, TIdFTPListFormat::flfUnix);
    EXPECT_EQ(namesOf(listing), (std::vector<std::string>{"tmp", "tool"}));
}

TEST(LoadListingTest, DosListing) {
    const FixedClock clock(kMarch2026);
    const TIdFTPListItems listing = InterpretListing(
        {
            "12-06-06  10:20PM       <DIR>          images",
            "12-06-06  xx:xxPM                1,234 unreadable.htm",
            "12-06-06  09:05AM                1,234 index.htm",
        },
        clock);
    EXPECT_EQ(listing.format, TIdFTPListFormat::flfDos);
    EXPECT_EQ(namesOf(listing),
              (std::vector<std::string>{"images", "unreadable.htm", "index.htm"}));
    EXPECT_EQ(listing[1].modified, DateTime());
}

// The format comes from the first line that shows one, so that nothing a server writes before
// its entries hides them; lines of no format are left out alone and the first is noted.
TEST(LoadListingTest, FormatOfTheFirstLineThatShowsOne) {
    const FixedClock clock(kMarch2026);
    const std::string unixLine = "-rw-r--r-- 1 user group 10 Dec 6 10:20 a.html";
    const std::string dosLine = "12-06-06  09:05AM                1,234 index.htm";
    struct Case {
        std::vector<std::string> lines;
        TIdFTPListFormat format;
        std::vector<std::string> names;
        std::optional<std::size_t> firstUnreadable;
    };
    const std::vector<Case> cases = {
        {{}, TIdFTPListFormat::flfNone, {}, std::nullopt},
        {{"Listing of folder /:", unixLine}, TIdFTPListFormat::flfUnix, {"a.html"}, std::nullopt},
        {{"Welcome", unixLine}, TIdFTPListFormat::flfUnix, {"a.html"}, 0},
        {{"type=cdir;modify=20240101120000; /pub", " ", unixLine, "garbage"},
         TIdFTPListFormat::flfUnix,
         {"a.html"},
         0},
        {{"Total: 2", "", dosLine, "Volume in drive C has no label", dosLine},
         TIdFTPListFormat::flfDos,
         {"index.htm", "index.htm"},
         3},
        {{"total 0"}, TIdFTPListFormat::flfUnix, {}, std::nullopt},
        {{" \t", "/pub/www:"}, TIdFTPListFormat::flfUnknown, {}, std::nullopt},
        {{"Welcome", "Goodbye"}, TIdFTPListFormat::flfUnknown, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines.empty() ? "no lines" : c.lines.front());
        const TIdFTPListItems listing = InterpretListing(c.lines, clock);
        EXPECT_EQ(listing.format, c.format);
        EXPECT_EQ(namesOf(listing), c.names);
        EXPECT_EQ(listing.firstUnreadable, c.firstUnreadable);
    }
}

// Empty lines cost nothing, however many a server sends.
TEST(SplitListingLinesTest, EmptyLinesAreLeftOut) {
    EXPECT_TRUE(SplitListingLines(std::string(1 << 20, '\n')).empty());
    EXPECT_EQ(SplitListingLines("\r\n\r\ra\r\r\n b \n\nc"),
              (std::vector<std::string>{"a", " b ", "c"}));
}

TEST(LoadListingTest, VaxListingIsReadWithUnixRules) {
    const FixedClock clock(kMarch2026);
    const TIdFTPListItems listing =
        LoadListing({"USERS$DSK:[ANNA]", "-rw-r--r-- 1 user group 10 Dec 6 10:20 a.html"},
                    TIdFTPListFormat::flfVax, clock);
    EXPECT_EQ(listing.format, TIdFTPListFormat::flfVax);
    EXPECT_EQ(namesOf(listing), (std::vector<std::string>{"a.html"}));
}

TEST(ParseMlsdLineTest, Table) {
    const DateTime zero;
    const DateTime exact{2005, 1, 5, 10, 20, 30, 0};
    struct Case {
        std::string line;
        MlsdLine shown;
        ListItemKind kind = ListItemKind::File;
        std::string name;
        DateTime modified = {};
        std::string unique;
        std::string target;
    };
    const std::vector<Case> cases = {
        {"type=file;size=10;modify=20050105102030;unique=801g2; index.html", MlsdLine::Entry,
         ListItemKind::File, "index.html", exact, "801g2"},
        // Fact names and types in any case; the name whole, with its blanks and bytes.
        {"Type=DIR;Modify=20050105102030.987; two  blanks ", MlsdLine::Entry, ListItemKind::Folder,
         "two  blanks ", exact},
        {"type=file;modify=20050105102030;  a=b;c.html", MlsdLine::Entry, ListItemKind::File,
         " a=b;c.html", exact},
        {"type=file;modify=20050105102030; \xe6\x97\xa5\xe6\x9c\xac.html", MlsdLine::Entry,
         ListItemKind::File, "\xe6\x97\xa5\xe6\x9c\xac.html", exact},
        {"type=OS.unix=symlink;modify=20050105102030; www", MlsdLine::Entry, ListItemKind::Link,
         "www", exact},
        {"type=OS.unix=slink:/public_html;modify=20050105102030; www", MlsdLine::Entry,
         ListItemKind::Link, "www", exact, "", "/public_html"},
        {"type=OS.unix=chr-3/4;modify=20050105102030; tty", MlsdLine::Entry, ListItemKind::File,
         "tty", exact},
        // The first of a repeated fact counts; facts without a value are passed over.
        {"perm;type=file;type=dir;modify=20050105102030;modify=20060105102030; x", MlsdLine::Entry,
         ListItemKind::File, "x", exact},
        // Times that are no moment, or not in the form, leave the zero time.
        {"type=file;modify=20050230102030; x", MlsdLine::Entry, ListItemKind::File, "x", zero},
        {"type=file;modify=20050105102060; x", MlsdLine::Entry, ListItemKind::File, "x", zero},
        {"type=file;modify=2005010510203; x", MlsdLine::Entry, ListItemKind::File, "x", zero},
        {"type=file;modify=20050105102030.; x", MlsdLine::Entry, ListItemKind::File, "x", zero},
        {"type=file;modify=20050105102030Z; x", MlsdLine::Entry, ListItemKind::File, "x", zero},
        {"type=file;modify=+0050105102030; x", MlsdLine::Entry, ListItemKind::File, "x", zero},
        {"type=file; x", MlsdLine::Entry, ListItemKind::File, "x", zero},
        {"type=cdir;modify=20050105102030; /r", MlsdLine::FolderItself},
        {"TYPE=Pdir; ..", MlsdLine::FolderItself},
        {"type=file;modify=20050105102030;", MlsdLine::Unreadable},
        {"type=file;modify=20050105102030; ", MlsdLine::Unreadable},
        {" index.html", MlsdLine::Unreadable},
        {"size=1;modify=20050105102030; x", MlsdLine::Unreadable},
        {"type=;modify=20050105102030; x", MlsdLine::Unreadable},
        {"-rw-r--r-- 1 user group 10 Dec 6 10:20 a.html", MlsdLine::Unreadable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        TIdFTPListItem item;
        ASSERT_EQ(ParseMlsdLine(c.line, item), c.shown);
        if (c.shown != MlsdLine::Entry)
            continue;
        EXPECT_EQ(item.kind, c.kind);
        EXPECT_EQ(item.name, c.name);
        EXPECT_EQ(item.modified, c.modified);
        EXPECT_EQ(item.utc, c.modified != zero);
        EXPECT_EQ(item.unique, c.unique);
        EXPECT_EQ(item.linkTarget, c.target);
    }
}

TEST(LoadListingTest, MlsdListingLeavesOutTheFolderItselfAndNotesUnreadableLines) {
    const FixedClock clock(kMarch2026);
    const std::vector<std::string> lines = {
        "type=cdir;modify=20050105102030; .",
        "type=pdir;modify=20050105102030; ..",
        "type=file;modify=20050105102030; a.html",
        "garbage",
        "",
        "type=dir;modify=20050105102030; sub",
    };
    const TIdFTPListItems listing = LoadListing(lines, TIdFTPListFormat::flfMlsd, clock);
    EXPECT_EQ(listing.format, TIdFTPListFormat::flfMlsd);
    EXPECT_EQ(namesOf(listing), (std::vector<std::string>{"a.html", "sub"}));
    EXPECT_EQ(listing[1].line, lines[5]);
    EXPECT_EQ(listing.firstUnreadable, std::optional<std::size_t>(3));
    EXPECT_TRUE(LoadListing({"type=cdir; ."}, TIdFTPListFormat::flfMlsd, clock).empty());
    EXPECT_FALSE(LoadListing({"type=cdir; ."}, TIdFTPListFormat::flfMlsd, clock).firstUnreadable);
}
