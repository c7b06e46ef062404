#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/date_time.h"

// Interpretation of the text a server sends for LIST. The format is decided once per listing,
// from its first line of a known format, so that a server's heading, a "total" line or a line
// of its own before the entries hides none of them; Unix long listings and MS-DOS listings are
// understood. Every line is then read alone: one that cannot be read costs only itself.
// An MLSD listing (RFC 3659) is known by the command that fetched it, never guessed.

enum class TIdFTPListFormat {
    flfNone,
    flfDos,
    flfUnix,
    flfVax,
    flfNoDetails,
    flfUnknown,
    flfCustom,
    flfMlsd // facts and a name per line
};

enum class ListItemKind { File, Folder, Link };

// One entry of a listing. Names are the server's bytes, unconverted.
struct TIdFTPListItem {
    std::string line; // the listing line the entry was made from
    std::string name; // file or folder name without any path
    // In the server's own clock; zero when the line gives no date. When utc is set, it is UTC
    // and exact to the second (an MLSD "modify" fact; any fraction of a second is dropped).
    DateTime modified;
    bool utc = false;
    ListItemKind kind = ListItemKind::File;
    std::string linkTarget; // for a link: the text after " -> ", or after "slink:" in MLSD
    // The MLSD "unique" fact: equal for two names of the same file or folder (a link, a mount
    // seen twice). Empty when the server does not send one.
    std::string unique;
};

// A parsed listing: its entries in the order of the lines, and the format decided for it.
struct TIdFTPListItems {
    TIdFTPListFormat format = TIdFTPListFormat::flfNone;
    std::vector<TIdFTPListItem> items;
    // The index of the first line that is neither an entry nor a heading ("total ...", a
    // folder heading ending in ":", blanks); nothing when every line was one of them. No
    // entries but such a line: the folder's content is unknown, not empty.
    std::optional<std::size_t> firstUnreadable;

    std::size_t size() const { return items.size(); }
    bool empty() const { return items.empty(); }
    const TIdFTPListItem& operator[](std::size_t index) const { return items[index]; }
    auto begin() const { return items.begin(); }
    auto end() const { return items.end(); }
};

// The format that line shows: flfUnix, flfVax, flfDos or flfUnknown.
TIdFTPListFormat DetectListFormat(std::string_view line);

// The entries of all lines of a listing in the given format. Never fails: blank lines and
// headings are left out, and so is every line that cannot be read in the format (an MS-DOS
// line must begin with a date "mm-dd-yy" or "mm/dd/yy"), alone; the first such line is noted.
// In flfMlsd the lines of the folder itself and its parent are left out too.
// The clock is read once, for the dates that lack a year.
TIdFTPListItems LoadListing(const std::vector<std::string>& lines, TIdFTPListFormat format,
                            const Clock& clock);

// The listing of lines as a whole: flfNone without lines; otherwise the format of the first
// line that shows one, leaving out blank and "total" lines (a listing without such a line is
// flfUnix when it holds a "total" line, else flfUnknown), and the entries of LoadListing.
TIdFTPListItems InterpretListing(const std::vector<std::string>& lines, const Clock& clock);

// Fills name, modified, kind and link target of item from a Unix long-listing line; false when
// the line has too few columns or a date or time that does not exist. now completes a date
// without a year or day.
bool ParseUnixLine(std::string_view line, const DateTime& now, TIdFTPListItem& item);

// What an MLSD line holds.
enum class MlsdLine {
    Entry,        // a file, folder or link: item is filled
    FolderItself, // "type=cdir" or "type=pdir": the folder listed or its parent
    Unreadable,   // no blank before a name, an empty name, or no "type" fact
};

// Reads an MLSD line: facts "name=value;" up to the first blank, the name after it, byte for
// byte, blanks included. Fact names and types are read without regard to case; "dir" is a
// folder, "file" a file, "OS.unix=slink" and "OS.unix=symlink" a link, any other type a file.
// "modify" gives modified in UTC (utc set) when it is a date and time that exist; without it
// modified stays zero.
MlsdLine ParseMlsdLine(std::string_view line, TIdFTPListItem& item);

// Fills name, modified and kind of item from an MS-DOS listing line. Never fails: a date or
// time that cannot be read leaves modified at zero. now places two-digit years.
void ParseDosLine(std::string_view line, const DateTime& now, TIdFTPListItem& item);
