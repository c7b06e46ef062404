#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ftp/ftp_client.h"
#include "ftp/ftp_listing.h"
#include "support/fixed_clock.h"

// Input: one byte choosing the format (detected from the first line, or forced to Unix, DOS,
// VAX or MLSD so that every parser meets arbitrary lines), one byte choosing today's month, then
// the bytes of a listing as they come over the data connection.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const int choice = data[0] % 5;
    const FixedClock clock(DateTime{2026, 1 + data[1] % 12, 15, 12, 0, 0, 0});
    const std::vector<std::string> lines =
        SplitListingLines(std::string(reinterpret_cast<const char*>(data + 2), size - 2));

    const TIdFTPListItems detected = InterpretListing(lines, clock);
    const TIdFTPListFormat forced[] = {TIdFTPListFormat::flfUnix, TIdFTPListFormat::flfDos,
                                       TIdFTPListFormat::flfVax, TIdFTPListFormat::flfMlsd};
    const TIdFTPListItems listing =
        choice == 0 ? detected : LoadListing(lines, forced[choice - 1], clock);

    if (listing.size() > lines.size())
        __builtin_trap();
    for (const std::string& line : lines) {
        if (line.empty()) // empty lines are left out when the bytes are split
            __builtin_trap();
    }
    // The line noted as unreadable is one of the lines, and no blank one.
    if (listing.firstUnreadable &&
        (*listing.firstUnreadable >= lines.size() ||
         lines[*listing.firstUnreadable].find_first_not_of(" \t") == std::string::npos))
        __builtin_trap();
    for (const TIdFTPListItem& item : listing) {
        // Names and link targets are cut out of their line, never made up.
        if (item.line.find(item.name) == std::string::npos ||
            item.line.find(item.linkTarget) == std::string::npos)
            __builtin_trap();
        if (!item.linkTarget.empty() && item.kind != ListItemKind::Link)
            __builtin_trap();
        const DateTime& m = item.modified;
        if (m != DateTime() &&
            !DateTime::FromParts(m.year, m.month, m.day, m.hour, m.minute, m.second, m.millisecond))
            __builtin_trap();
        if (m.LastmodText().size() != 19)
            __builtin_trap();
        // Only MLSD gives UTC times, to the second, and "unique" facts; its names are the whole
        // rest of the line after the first blank.
        const bool mlsd = listing.format == TIdFTPListFormat::flfMlsd;
        if ((item.utc || !item.unique.empty()) && !mlsd)
            __builtin_trap();
        if (item.utc && (m == DateTime() || m.millisecond != 0))
            __builtin_trap();
        if (mlsd && (item.name.empty() || item.line.substr(item.line.find(' ') + 1) != item.name ||
                     item.line.find(item.unique) == std::string::npos))
            __builtin_trap();
    }
    return 0;
}
