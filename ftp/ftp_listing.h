#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/date_time.h"

// Interpretation of the text a server sends for LIST. The format is decided once per listing,
// from its first line; Unix long listings and MS-DOS listings are understood.

enum class TIdFTPListFormat {
    flfNone,
    flfDos,
    flfUnix,
    flfVax,
    flfNoDetails,
    flfUnknown,
    flfCustom
};

enum class ListItemKind { File, Folder, Link };

// One entry of a listing. Names are the server's bytes, unconverted.
struct TIdFTPListItem {
    std::string line;  // the listing line the entry was made from
    std::string name;  // file or folder name without any path
    DateTime modified; // in the server's own clock; zero when the line gives no date
    ListItemKind kind = ListItemKind::File;
    std::string linkTarget; // for a link: the text after " -> "
};

// A parsed listing: its entries in the order of the lines, and the format decided for it.
struct TIdFTPListItems {
    TIdFTPListFormat format = TIdFTPListFormat::flfNone;
    std::vector<TIdFTPListItem> items;

    std::size_t size() const { return items.size(); }
    bool empty() const { return items.empty(); }
    const TIdFTPListItem& operator[](std::size_t index) const { return items[index]; }
    auto begin() const { return items.begin(); }
    auto end() const { return items.end(); }
};

// The format of a listing whose first line is firstLine: flfUnix, flfVax, flfDos or flfUnknown.
TIdFTPListFormat DetectListFormat(std::string_view firstLine);

// The entries of all lines of a listing in the given format. Never fails: blank lines and a
// leading "total" line of a Unix listing are left out, and so is every line that cannot be
// parsed, alone. The clock is read once, for the dates that lack a year.
TIdFTPListItems LoadListing(const std::vector<std::string>& lines, TIdFTPListFormat format,
                            const Clock& clock);

// The listing of lines as a whole: empty without lines, otherwise the format detected from
// the first line and the entries of LoadListing.
TIdFTPListItems InterpretListing(const std::vector<std::string>& lines, const Clock& clock);

// Fills name, modified, kind and link target of item from a Unix long-listing line; false when
// the line has too few columns or a date or time that does not exist. now completes a date
// without a year or day.
bool ParseUnixLine(std::string_view line, const DateTime& now, TIdFTPListItem& item);

// Fills name, modified and kind of item from an MS-DOS listing line. Never fails: a date or
// time that cannot be read leaves modified at zero. now places two-digit years.
void ParseDosLine(std::string_view line, const DateTime& now, TIdFTPListItem& item);
