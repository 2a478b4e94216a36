#pragma once
// The fixed texts of the exhibition program.

#include "platform/ProductInfo.h"

namespace vitrinel::texts {

inline constexpr const char* programName = "Vitrinel";
inline const char* const& version = product::version;
inline constexpr const char* helpFile = "Help/Vitrinel/index.htm";
inline constexpr const char* albumFolder = "Glimmora";
inline constexpr const char* indexPage = "index.htm";

inline constexpr const char* showPageButton = "作成してあるページの表示";
inline constexpr const char* styleLabel = "スタイル";
inline constexpr const char* createButton = "作成";
inline constexpr const char* manageStylesButton = "スタイルの管理";
inline constexpr const char* helpButton = "ヘルプ";
inline constexpr const char* exitButton = "終了";

inline constexpr const char* noSaveRoot =
    "まず、Corvandelleをインストールして写真集を受信してください。\rそのあとでVitrinelを起動してください。";
inline constexpr const char* noStyle = "スタイルを選択できないためファイルを作成できません。";
inline constexpr const char* createdCaption = "作成完了";
inline constexpr const char* created = "ファイルを作成しましたので表示します。";
inline constexpr const char* cannotShowPage = "作成したファイルを表示できません。";
inline constexpr const char* cannotOpenHelp = "ヘルプファイルを開くことができません。";
inline constexpr const char* exitQuestion = "終了してもよろしいですか？";
// The album folder; the module wrote nothing (no album folder yet, or the
// page cannot be written).
inline constexpr const char* createFailed =
    "ページを作成できませんでした。\r\n写真集のフォルダ[%s]があり、書き込めることを確かめてください。";

} // namespace vitrinel::texts
