#pragma once

// UTC dates and times from and to seconds since 1970-01-01 00:00:00 UTC, by
// calendar arithmetic (proleptic Gregorian calendar): timegm and gmtime_r are
// POSIX, absent on Windows, and std::gmtime shares one buffer between threads.

#include <cstdint>
#include <ctime>

namespace devsim::UtcCalendar {

// Days from 1970-01-01 to the given date (month 1 to 12).
inline int64_t daysFromCivil(int64_t nYear, int64_t nMonth, int64_t nDay)
{
    nYear -= nMonth <= 2 ? 1 : 0;
    const int64_t nEra = (nYear >= 0 ? nYear : nYear - 399) / 400;
    const int64_t nYearOfEra = nYear - nEra * 400;
    const int64_t nDayOfYear = (153 * (nMonth + (nMonth > 2 ? -3 : 9)) + 2) / 5 + nDay - 1;
    const int64_t nDayOfEra = nYearOfEra * 365 + nYearOfEra / 4 - nYearOfEra / 100 + nDayOfYear;
    return nEra * 146097 + nDayOfEra - 719468;
}

// Seconds since the epoch of a UTC time in std::tm's fields, as timegm gives
// them: fields out of their range carry over (a 13th month is next January).
inline int64_t toSeconds(const std::tm& parts)
{
    int64_t nYear = int64_t(parts.tm_year) + 1900;
    int64_t nMonth = parts.tm_mon; // 0 to 11 once carried over
    nYear += (nMonth >= 0 ? nMonth : nMonth - 11) / 12;
    nMonth -= (nMonth >= 0 ? nMonth : nMonth - 11) / 12 * 12;
    const int64_t nDays = daysFromCivil(nYear, nMonth + 1, 1) + int64_t(parts.tm_mday) - 1;
    return nDays * 86400 + int64_t(parts.tm_hour) * 3600 + int64_t(parts.tm_min) * 60 + int64_t(parts.tm_sec);
}

// The UTC time of seconds since the epoch, as gmtime_r gives it.
inline std::tm fromSeconds(int64_t nSeconds)
{
    int64_t nDays = (nSeconds >= 0 ? nSeconds : nSeconds - 86399) / 86400;
    const int64_t nSecondOfDay = nSeconds - nDays * 86400;
    std::tm parts{};
    parts.tm_hour = int(nSecondOfDay / 3600);
    parts.tm_min = int(nSecondOfDay / 60 % 60);
    parts.tm_sec = int(nSecondOfDay % 60);
    parts.tm_wday = int((nDays % 7 + 11) % 7); // 1970-01-01 was a Thursday
    const int64_t nEpochDays = nDays;
    nDays += 719468;
    const int64_t nEra = (nDays >= 0 ? nDays : nDays - 146096) / 146097;
    const int64_t nDayOfEra = nDays - nEra * 146097;
    const int64_t nYearOfEra = (nDayOfEra - nDayOfEra / 1460 + nDayOfEra / 36524 - nDayOfEra / 146096) / 365;
    const int64_t nDayOfYear = nDayOfEra - (365 * nYearOfEra + nYearOfEra / 4 - nYearOfEra / 100);
    const int64_t nShiftedMonth = (5 * nDayOfYear + 2) / 153; // 0 is March
    const int64_t nMonth = nShiftedMonth + (nShiftedMonth < 10 ? 3 : -9);
    const int64_t nYear = nYearOfEra + nEra * 400 + (nMonth <= 2 ? 1 : 0);
    parts.tm_mday = int(nDayOfYear - (153 * nShiftedMonth + 2) / 5 + 1);
    parts.tm_mon = int(nMonth - 1);
    parts.tm_year = int(nYear - 1900);
    parts.tm_yday = int(nEpochDays - daysFromCivil(nYear, 1, 1));
    return parts;
}

} // namespace devsim::UtcCalendar
