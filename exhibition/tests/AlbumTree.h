#pragma once
// A small tree of received albums as the receiver lays them out below a save
// root (Glimmora/creator/title[/subtitle]/index.htm), with pinned page times,
// and the exhibition page read back as UTF-8.

#include "platform/Cp932Codec.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace vitrineltest {

// Local noon of the day, as a file time.
inline std::filesystem::file_time_type localDay(int year, int month, int day)
{
    std::tm local {};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = 12;
    local.tm_isdst = -1;
    const auto seconds = std::chrono::sys_seconds(std::chrono::seconds(std::mktime(&local)));
    return std::filesystem::file_time_type::clock::from_sys(seconds);
}

inline void addAlbum(const std::filesystem::path& folder, std::filesystem::file_time_type time)
{
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "index.htm") << "<html>album</html>";
    std::filesystem::last_write_time(folder / "index.htm", time);
}

// Two creators; the newer album (with a subtitle) is June 2023.
inline void makeAlbumTree(const std::filesystem::path& saveRoot)
{
    const std::filesystem::path albums = saveRoot / "Glimmora";
    addAlbum(albums / "山田花子" / "夏の旅行" / "二日目", localDay(2023, 6, 15));
    addAlbum(albums / "山田花子" / "春の遠足", localDay(2022, 4, 3));
    addAlbum(albums / "Sato" / "運動会", localDay(2021, 10, 9));
}

inline std::string readPage(const std::filesystem::path& page)
{
    std::ifstream in(page, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return platform::Cp932Codec::toUtf8(out.str());
}

} // namespace vitrineltest
