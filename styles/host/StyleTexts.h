#pragma once
// The fixed texts of style module management and its dialog "スタイル", the
// same in the album and the exhibition program.

namespace styles::texts {

inline constexpr const char* dialogTitle = "スタイル";
inline constexpr const char* moduleListLabel = "スタイルモジュール";
inline constexpr const char* moduleNameColumn = "モジュール名";
inline constexpr const char* creatorColumn = "作成者";
inline constexpr const char* versionColumn = "Ver.";
inline constexpr const char* commentColumn = "コメント";
inline constexpr const char* styleListLabel = "モジュールに含まれるスタイル";
inline constexpr const char* styleNameColumn = "スタイル名";
inline constexpr const char* styleDescriptionColumn = "説明";
inline constexpr const char* deleteButton = "スタイルモジュールの削除";
inline constexpr const char* updateButton = "スタイルの更新をする";
inline constexpr const char* albumHomePageLabel = "Glimmoraホームページの表示";
inline constexpr const char* exhibitionHomePageLabel = "Vitrinelホームページの表示";
inline constexpr const char* okButton = "OK";
inline constexpr const char* locationColumn = "場所";
inline constexpr const char* installedLocation = "システム";
inline constexpr const char* userLocation = "ユーザー";

inline constexpr const char* programFolderUnknown =
    "プログラムのフォルダが分からないため、スタイルモジュールを読み込みませんでした。";

inline constexpr const char* cannotUpdate = "スタイルを更新できません。インストールし直してください";
inline constexpr const char* nothingDelivered = "更新するスタイルモジュールがありませんでした";
// new, updated, errors
inline constexpr const char* updatedReport =
    "以下のスタイルを新規導入・更新しました。\r\n\r\n新　規： %d 個\r\n更　新： %d 個\r\nエラー： %d 個";
inline constexpr const char* updateFailed = "スタイルモジュールの更新時にエラーが発生しました。";
inline constexpr const char* nothingNewer = "更新するスタイルモジュールはありませんでした";

// style-set name
inline constexpr const char* deleteQuestion =
    "%s を削除してもよろしいですか？ファイルも削除しますので注意してください。";
inline constexpr const char* deleteQuestionCaption = "注意";
// style-set name
inline constexpr const char* installedNotDeleted =
    "%s はシステムにインストールされたスタイルモジュールです。削除できません。";
inline constexpr const char* deleteFailed =
    "削除に失敗しました。他のプログラムがスタイルモジュールを使用している可能性があります。";

inline constexpr const char* homePageFailed = "ホームページを表示できません。";

} // namespace styles::texts
