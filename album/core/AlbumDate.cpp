#include "album/core/AlbumDate.h"

#include <cstdio>

namespace album {

std::time_t AlbumDate::localMidnight() const
{
    std::tm tm {};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

AlbumDate AlbumDate::localDayOf(std::time_t time)
{
    std::tm tm {};
    localtime_r(&time, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday};
}

std::optional<AlbumDate> AlbumDate::parse(const std::string& text)
{
    int y = 0, m = 0, d = 0;
    char end = 0;
    if (text.size() != 10 || text[4] != '-' || text[7] != '-'
        || std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &end) != 3)
        return std::nullopt;
    if (y < 1970 || y > 2037 || m < 1 || m > 12 || d < 1 || d > 31)
        return std::nullopt;
    // mktime normalises a 31st of a short month; such a day is refused.
    AlbumDate date {y, m, d};
    if (localDayOf(date.localMidnight()) != date)
        return std::nullopt;
    return date;
}

std::string AlbumDate::text() const
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", year, month, day);
    return buffer;
}

} // namespace album
