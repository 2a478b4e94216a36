#pragma once
// The album program's fixed texts, in one place. The window shows them in
// message boxes with the caption named beside them; glimmora-cli prints them.

namespace album::texts {

inline constexpr const char* errorCaption = "エラー";
inline constexpr const char* noticeCaption = "注意";
inline constexpr const char* stoppedCaption = "中止";

// The album's starting values.
inline constexpr const char* baseWord = "Glimmora";
inline constexpr const char* defaultTitle = "タイトルを入力してください";
inline constexpr const char* readBackSourcePath = "ガイドポストからの読み込み";

// Admission of files.
inline constexpr const char* fileNotFound = "ファイルが見つかりません";
inline constexpr const char* folderDropped =
    "フォルダがドロップされました。この中のファイルをすべて追加しますか？（サブフォルダは含みません）";
inline constexpr const char* filesAdded = "%d 個のファイルを追加しました";
inline constexpr const char* noFileAdded = "追加するファイルが一つもありませんでした";
inline constexpr const char* badExtension = "%s%s は拡張子が .jpg, .avi, .mpg ではないので写真集に入れることができません。";
inline constexpr const char* saveNameTaken =
    "保存名が空白であるか、またはすでにある保存名と重複していますので変更してください";
inline constexpr const char* renamedSaveNameTaken =
    "保存名が空白であるか、またはすでにある保存名と重複してしまいますので変更してください";
inline constexpr const char* renameCaption = "保存名の変更";
inline constexpr const char* confirmDelete = "削除してもよろしいですか？";
inline constexpr const char* confirmClear = "現在の内容を消去してもよろしいですか？";
inline constexpr const char* additionsStopped = "中止しました";
inline constexpr const char* processingCaption = "処理";
inline constexpr const char* processingProgress = "%d/%d";

// Beyond the program's original texts: what it says where it once said
// nothing (or failed).
inline constexpr const char* unusableName = "%s は写真集で使えない文字を含んでいるので写真集に入れることができません。";
inline constexpr const char* reservedSaveName = "%s は写真集のファイル名として使えません。別の保存名にしてください。";
inline constexpr const char* notJpeg = "%s はJPEGファイルではないので写真集に入れることができません。";
inline constexpr const char* brokenJpeg = "%s は壊れているか途中で切れているので読み込むことができませんでした。";
inline constexpr const char* jpegTooLarge = "%s は大きすぎるので読み込むことができませんでした。";
inline constexpr const char* pictureNotReadable = "%s を読み込むことができませんでした。";
inline constexpr const char* pictureNotWritten = "写真ファイル %s を保存できませんでした。";
inline constexpr const char* voiceNotReadable = "%s は声のメッセージのファイル（8ビット・モノラル・11025Hz のWAV）として正しくありません。";
inline constexpr const char* voiceNotWritten = "声のメッセージのファイル %s を保存できませんでした。";
inline constexpr const char* dataFileBad = "写真集データファイル ___gm___.dat が正しくありません。";
inline constexpr const char* dataFileNotWritten = "写真集データファイル ___gm___.dat を保存できませんでした。";
inline constexpr const char* folderTooLong = "名前、タイトルが長すぎます。";
inline constexpr const char* archiveNotPlaced = "ガイドポスト・アーカイブを %s に保存できませんでした。";

// The picture dialog.
inline constexpr const char* pictureDialogCaption = "写真のタイトルとコメント";
inline constexpr const char* videoDialogCaption = "ビデオ";
inline constexpr const char* includePicture = "この写真を写真集に含める";
inline constexpr const char* includeVideo = "このビデオを写真集に含める";
inline constexpr const char* excludeItem = "写真集に含めない";
inline constexpr const char* brightnessValue = "%d%%";

// Publishing.
inline constexpr const char* namesRequired = "名前・タイトル等はかならず入力してください。";
inline constexpr const char* noItems = "保存する写真がひとつもありません。";
inline constexpr const char* badNameCharacters = "名前、タイトルに不適切な文字が含まれています。(\\,:,/,\"..\"など）";
inline constexpr const char* offerReceive =
    "保存した写真集のガイドポストをCorvandelleで受信して、完成したページを確認することができます。受信しますか？";
inline constexpr const char* receiveStartFailed = "受信を開始する時にエラーが発生しました。";
inline constexpr const char* archiveNotMade = "ガイドポスト・アーカイブを正しく作成できませんでした。";
inline constexpr const char* publishingError = "エラーが生じました";
inline constexpr const char* readBackRefused = "Glimmora用ガイドポストが正しくありませんので読み込むことができませんでした";
inline constexpr const char* folderNotCreated = "フォルダ %s を作成できません。";
inline constexpr const char* archiveFilter = "ガイドポスト アーカイブ (*.gpa)|*.gpa||";
inline constexpr const char* mediaFilter = "写真・動画 ファイル (*.jpg;*.avi;*.mpg)|*.jpg;*.avi;*.mpg||";

// What goes into the GuidePost.
inline constexpr const char* guidePostComment =
    "写真集を受信します。この写真集はGlimmora - グリモーラ -によって作成されました。";
inline constexpr const char* browseDescription =
    "Glimmora - グリモーラ - を使って作成された写真集です。左のタイトルをクリックしてご覧ください。";
inline constexpr const char* attachSourceName = "添付";
inline constexpr const char* fileListName = "写真集ファイルリスト";
inline constexpr const char* commonDataName = "Common Data";
inline constexpr const char* commonDataFolder = "__mat___";
inline constexpr const char* pageName = "index.htm";
inline constexpr const char* pageBrowseId = "index";
inline constexpr const char* dataFileName = "___gm___.dat";
inline constexpr const char* workFolderName = "__GM____";

// The library CVCLIB.
inline constexpr const char* libraryMissing =
    "プログラム・サブモジュールを読み込むことができません。インストールしなおしてください。";
inline constexpr const char* libraryBroken = "プログラム・サブモジュールが正しくありません。インストールしなおしてください。";
inline constexpr const char* libraryWrongVersion =
    "プログラム・サブモジュールが正しいバージョンではありません。インストールしなおしてください。";

// Voice messages.
inline constexpr const char* voiceCaption = "声のメッセージ";
inline constexpr const char* nothingRecorded = "何も録音されていませんので保存できません。";
inline constexpr const char* nothingRecordedCaption = "録音されていません";
inline constexpr const char* confirmOverwriteRecording = "すでに録音されていますが、上書きしてもよいですか？";
inline constexpr const char* confirmOverwriteCaption = "録音開始";
inline constexpr const char* confirmDiscardRecording = "録音したデータを保存しないで終了します";
inline constexpr const char* confirmDiscardCaption = "録音終了";
inline constexpr const char* confirmDeleteVoice = "声のメッセージが録音されていますが、削除してよろしいですか？";
inline constexpr const char* confirmDeleteVoiceCaption = "声のメッセージ削除確認";

} // namespace album::texts
