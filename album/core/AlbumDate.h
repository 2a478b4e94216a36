#pragma once
// The album's date ("写真の日付"), a calendar day.

#include <ctime>
#include <optional>
#include <string>

namespace album {

struct AlbumDate {
    int year = 0;
    int month = 0; // 1..12
    int day = 0;   // 1..31

    bool operator==(const AlbumDate&) const = default;

    // Midnight at the start of the day in local time, as seconds since 1970.
    std::time_t localMidnight() const;
    // The local day of a time.
    static AlbumDate localDayOf(std::time_t time);
    // "YYYY-MM-DD"; nothing when it is not a real day.
    static std::optional<AlbumDate> parse(const std::string& text);
    std::string text() const;
};

} // namespace album
