#include "SecurityCode.h"

#include "LocalTime.h"

#include <chrono>
#include <ctime>

namespace lumo {

namespace {

// Days since 1970-01-01 of a civil date, and back (H. Hinnant's algorithms).
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

uint32_t civilFromDays(int64_t z)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return static_cast<uint32_t>((y + (m <= 2)) * 10000 + m * 100 + d);
}

bool isLeapYear(uint32_t nYear)
{
    return (nYear % 4 == 0 && nYear % 100 != 0) || nYear % 400 == 0;
}

} // namespace

std::string SecurityCode::normalise(std::string_view strCode)
{
    std::string strResult;
    for (char c : strCode) {
        if (c == ' ' || c == '-')
            continue;
        strResult += (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
    }
    return strResult;
}

uint32_t SecurityCode::today()
{
    const std::tm local = LocalTime::now();
    return uint32_t(local.tm_year + 1900) * 10000 + uint32_t(local.tm_mon + 1) * 100 + uint32_t(local.tm_mday);
}

std::optional<uint32_t> SecurityCode::parseDate(std::string_view strText)
{
    if (strText.size() != 8)
        return std::nullopt;
    uint32_t nDate = 0;
    for (char c : strText) {
        if (c < '0' || c > '9')
            return std::nullopt;
        nDate = nDate * 10 + uint32_t(c - '0');
    }
    const uint32_t nYear = nDate / 10000;
    const uint32_t nMonth = nDate / 100 % 100;
    const uint32_t nDay = nDate % 100;
    static const uint32_t kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (nYear < 1970 || nMonth < 1 || nMonth > 12 || nDay < 1)
        return std::nullopt;
    const uint32_t nMaxDay = kMonthDays[nMonth - 1] + ((nMonth == 2 && isLeapYear(nYear)) ? 1 : 0);
    if (nDay > nMaxDay)
        return std::nullopt;
    return nDate;
}

uint32_t SecurityCode::addDays(uint32_t nDate, int nDays)
{
    const int64_t nDayNumber = daysFromCivil(nDate / 10000, nDate / 100 % 100, nDate % 100);
    return civilFromDays(nDayNumber + nDays);
}

} // namespace lumo
