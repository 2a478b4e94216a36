#pragma once
// The fixed texts of the recent receive viewer.

#include "platform/ProductInfo.h"

namespace ledgerix::texts {

inline constexpr const char* programName = "Ledgerix";
inline const char* const& version = product::version;

inline constexpr const char* dialogTitle = "最近のファイル受信";
inline constexpr const char* explanation =
    "最近の受信のリストです（最大１６回分）。\r上の方ほど新しい受信です。\r\r"
    "選択してから「開く」ボタンを押せばフォルダとブラウザ（ファイルがあれば）が開きます。";
inline constexpr const char* timeColumn = "日時";
inline constexpr const char* titleColumn = "ガイドポスト名";
inline constexpr const char* folderColumn = "フォルダ";
inline constexpr const char* targetColumn = "ブラウズファイル";
inline constexpr const char* openReportButton = "レポートを開く";
inline constexpr const char* openFolderButton = "フォルダを開く";
inline constexpr const char* exitButton = "終了";

inline constexpr const char* noReport = "この受信ではレポートはありませんでした";
inline constexpr const char* reportFailed = "エラーのためレポートファイルを開くことができません";
inline constexpr const char* folderFailed = "エラーのためフォルダーを開くことができません";

// month, day, weekday, hour, minute
inline constexpr const char* timeFormat = "%d 月 %d 日(%s) %d 時 %d 分";
inline constexpr const char* weekdays[] = {"日", "月", "火", "水", "木", "金", "土"};

} // namespace ledgerix::texts
