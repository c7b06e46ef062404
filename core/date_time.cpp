#include "core/date_time.h"

#include <cstdio>
#include <ctime>

namespace {

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

class LocalClock final : public Clock {
public:
    DateTime Now() const override {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        ::localtime_r(&now, &local);
        DateTime result;
        result.year = local.tm_year + 1900;
        result.month = local.tm_mon + 1;
        result.day = local.tm_mday;
        result.hour = local.tm_hour;
        result.minute = local.tm_min;
        result.second = local.tm_sec < 60 ? local.tm_sec : 59; // a leap second reads as :59
        return result;
    }
};

} // namespace

std::optional<DateTime> DateTime::FromParts(int year, int month, int day, int hour, int minute,
                                            int second, int millisecond) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59 || millisecond < 0 || millisecond > 999)
        return std::nullopt;
    return DateTime{year, month, day, hour, minute, second, millisecond};
}

namespace {

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and back (H. Hinnant's
// civil calendar algorithms).
long daysFromCivil(int year, int month, int day) {
    year -= month <= 2;
    const long era = (year >= 0 ? year : year - 399) / 400;
    const long yearOfEra = year - era * 400;
    const long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void civilFromDays(long days, int& year, int& month, int& day) {
    days += 719468;
    const long era = (days >= 0 ? days : days - 146096) / 146097;
    const long dayOfEra = days - era * 146097;
    const long yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long monthIndex = (5 * dayOfYear + 2) / 153;
    day = int(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    month = int(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    year = int(yearOfEra + era * 400 + (month <= 2));
}

} // namespace

DateTime DateTime::PlusMinutes(int minutes) const {
    if (*this == DateTime())
        return *this;
    long total = daysFromCivil(year, month, day) * 1440 + hour * 60 + minute + minutes;
    long days = total / 1440;
    long minuteOfDay = total % 1440;
    if (minuteOfDay < 0) {
        minuteOfDay += 1440;
        --days;
    }
    DateTime shifted = *this;
    civilFromDays(days, shifted.year, shifted.month, shifted.day);
    shifted.hour = int(minuteOfDay / 60);
    shifted.minute = int(minuteOfDay % 60);
    return shifted;
}

std::optional<int> OffsetMinutes(std::string_view offset) {
    const auto digit = [&offset](std::size_t i) {
        return offset[i] >= '0' && offset[i] <= '9' ? offset[i] - '0' : -100;
    };
    if (offset.size() != 6 || (offset[0] != '+' && offset[0] != '-') || offset[3] != ':')
        return std::nullopt;
    const int hours = digit(1) * 10 + digit(2);
    const int minutes = digit(4) * 10 + digit(5);
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59)
        return std::nullopt;
    return (offset[0] == '-' ? -1 : 1) * (hours * 60 + minutes);
}

bool DateTime::IsLastmodDate() const {
    return *this != DateTime() && year >= 1 && year <= 9999;
}

std::string DateTime::LastmodText() const {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", year, month, day, hour,
                  minute, second);
    return text;
}

const Clock& SystemClock() {
    static const LocalClock clock;
    return clock;
}
