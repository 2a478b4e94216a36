#pragma once
// The page designs of the standard exhibition style set: one template set per
// style, with the placeholders "%index%", "%title%", "%year%", "%month%".
// All texts here are UTF-8; the page is converted as a whole when written.

#include <string>
#include <vector>

namespace expo {

struct ExhibitionStyle {
    std::string name;
    std::string description;
    std::string head; // "%s" takes the creation stamp
    std::string tail;
    // Per-depth lists, entry 0 for depth 1; deeper levels reuse the last entry.
    std::vector<std::string> openings;
    std::vector<std::string> closings;
    std::vector<std::string> albumLines;  // folders holding an album page
    std::vector<std::string> folderLines; // all other folders
};

// Texts describing the whole set.
inline constexpr const char* styleSetName = "標準スタイルセット";
inline constexpr const char* styleSetDescription = "シンプルなスタイルをいくつか含んだ基本セットです。";
inline constexpr const char* styleSetDate = "1/1/2002";
inline constexpr int styleSetVersionMajor = 1;
inline constexpr int styleSetVersionMinor = 0;
inline constexpr const char* creationStampFormat = "%d 年 %d 月 %d 日 %d 時 %d 分 作成";

int exhibitionStyleCount();
// The template set of style `number` (0 .. count-1).
const ExhibitionStyle& exhibitionStyle(int number);

} // namespace expo
