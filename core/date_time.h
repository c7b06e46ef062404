#pragma once

#include <optional>
#include <string>
#include <string_view>

// A calendar date and time of day as a server's listing states it, without a time zone.
// The zero value, 1899-12-30 00:00:00, is what an entry keeps when its date cannot be read.
struct DateTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    // The moment named by the parts, or nothing when they name none (month 0, 31 April,
    // hour 24, minute 60, a year outside 1 to 9999 and the like).
    static std::optional<DateTime> FromParts(int year, int month, int day, int hour = 0,
                                             int minute = 0, int second = 0, int millisecond = 0);

    // The same moment on a clock minutes ahead (behind, when negative): a UTC time as the
    // clock of a time zone shows it. The zero value stays zero: it names no moment.
    DateTime PlusMinutes(int minutes) const;

    // True when a sitemap may carry it: not the zero value (no date known) and in the years
    // 1 to 9999 that a lastmod can write (a shift to another zone may leave them).
    bool IsLastmodDate() const;

    // "YYYY-MM-DDTHH:MM:SS", the lastmod text before its time-zone offset. Milliseconds never
    // show and never round the seconds up.
    std::string LastmodText() const;

    friend bool operator==(const DateTime& a, const DateTime& b) {
        return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
               a.minute == b.minute && a.second == b.second && a.millisecond == b.millisecond;
    }
    friend bool operator!=(const DateTime& a, const DateTime& b) { return !(a == b); }
};

// The minutes of a time-zone offset written "+HH:MM" or "-HH:MM"; nothing for other texts.
std::optional<int> OffsetMinutes(std::string_view offset);

// Where "now" comes from, so that tests can fix the date that completes year-less listings.
class Clock {
public:
    virtual ~Clock() = default;
    // The machine's local date and time.
    virtual DateTime Now() const = 0;
};

// The machine's clock. Stateless; lives for the whole run.
const Clock& SystemClock();
