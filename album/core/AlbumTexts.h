#pragma once
// The album program's fixed texts, in one place. The window shows them in
// message boxes with the caption named beside them; glimmora-cli prints them.

#include "platform/ProductInfo.h"

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
inline constexpr const char* jpegTooManyScans =
    "%s は読み込みに時間がかかりすぎる形（スキャンが多すぎるJPEG）なので読み込むことができませんでした。";
inline constexpr const char* pictureNotReadable = "%s を読み込むことができませんでした。";
inline constexpr const char* pictureNotWritten = "写真ファイル %s を保存できませんでした。";
inline constexpr const char* voiceNotReadable = "%s は声のメッセージのファイル（8ビット・モノラル・11025Hz のWAV）として正しくありません。";
inline constexpr const char* voiceNotWritten = "声のメッセージのファイル %s を保存できませんでした。";
inline constexpr const char* dataFileBad = "写真集データファイル ___gm___.dat が正しくありません。";
inline constexpr const char* dataFileNotWritten = "写真集データファイル ___gm___.dat を保存できませんでした。";
inline constexpr const char* outOfMemory = "メモリが足りません。";
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
inline constexpr const char* mediaFilter =
    "写真・動画 ファイル (*.jpg;*.png;*.webp;*.heic;*.heif;*.avi;*.mpg;*.mp4;*.mov;*.webm)|"
    "*.jpg;*.png;*.webp;*.heic;*.heif;*.avi;*.mpg;*.mp4;*.mov;*.webm||";

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

// The main dialog "Glimmora".
inline constexpr const char* programName = "Glimmora";
inline const char* const& programVersion = product::version;
inline constexpr const char* assistantCaption = "Glimmora アシスタント";
inline constexpr const char* nextButton = "次へ";
inline constexpr const char* backButton = "戻る";
inline constexpr const char* creatorLabel = "名前";
inline constexpr const char* titleLabel = "この写真集のタイトル";
inline constexpr const char* useSubtitleLabel = "サブタイトルを使う";
inline constexpr const char* dateLabel = "写真の日付";
inline constexpr const char* styleLabel = "スタイル";
inline constexpr const char* manageStylesButton = "スタイルの管理";
inline constexpr const char* newButton = "新規";
inline constexpr const char* readButton = "読み込み";
inline constexpr const char* saveButton = "保存";
inline constexpr const char* sendButton = "送信";
inline constexpr const char* settingsButton = "設定";
inline constexpr const char* helpButton = "ヘルプ";
inline constexpr const char* exitButton = "終了";
inline constexpr const char* itemsGroup = "写真ファイル";
inline constexpr const char* addFilesButton = "写真\n読み込み";
inline constexpr const char* editButton = "編集";
inline constexpr const char* upButton = "上へ";
inline constexpr const char* downButton = "下へ";
inline constexpr const char* orderByDateButton = "撮影日順に並べる";
inline constexpr const char* deleteButton = "削除";
inline constexpr const char* saveNameColumn = "写真ファイル名";
inline constexpr const char* titleColumn = "タイトル";
inline constexpr const char* sourceColumn = "ファイルの場所";
inline constexpr const char* stopBeforeExit = "まず処理を中止しますので、その後にもう一度終了してください。";
inline constexpr const char* stopping = "中止しています...";
inline constexpr const char* confirmExit = "終了してよろしいですか？";
inline constexpr const char* helpPage = "Help/Glimmora/index.htm";
inline constexpr const char* helpNotOpened = "ヘルプファイルを開くことができません。";
inline constexpr const char* stopButton = "中止";

// The assistant's steps 0 to 9.
inline constexpr const char* assistantSteps[] = {
    "Glimmoraへようこそ。\r\n\r\n「次へ」を押すと説明が表示されます。",
    "まず、「名前」欄にあなたの名前を入力してください。\r\nニックネームなどでもＯＫです。\r\n名前がすでに入力してある場合には次へ進んでください。",
    "写真集のタイトルを入力してください。\r\n「秋の遠足」などわかりやすいものをどうぞ。\r\n入力が終わったら次へ進んでください。",
    "サブタイトルをつける場合に「サブタイトルを使う」にチェックをつけてから入力してください。\r\n必要がない場合には次に進んでください。",
    "写真集の日付を設定する場合には、チェックをつけてから\r\n▼ボタンで設定してください。\r\n日付は受信後に日付順に並べる場合に役に立ちます。",
    "写真集へ入れる写真を指定します。\r\n下のリストへ写真ファイルをドラッグアンドドロップするか、\r\n「写真読み込み」を使ってください。",
    "写真のタイトルとコメントは「編集」ボタンで修正できます。\r\n写真を指定し終わったら「次へ」ボタンを押してください。",
    "作成するページのスタイルを選んでください。\r\n選んだら「次へ」ボタンを押してください。",
    "写真集を保存するか送信するか決めます。\r\n「送信」を押すと自動的に添付されたメールソフトが立ち上がります。「保存」を押すとファイル名を指定して保存します。",
    "写真集の作成・発行が終わりました。\r\n\r\n終了する場合には「終了」を押してください。",
};

// The dialog "設定".
inline constexpr const char* settingsCaption = "設定";
inline constexpr const char* widthLabel = "幅";
inline constexpr const char* heightLabel = "高さ";
inline constexpr const char* limitNote = "写真は、縦横の比率を保ったまま、この大きさに収まるように縮小されます。";
inline constexpr const char* pixelsUnit = "ピクセル";

// The dialog "保存名の変更".
inline constexpr const char* saveNameLabel = "保存名";
inline constexpr const char* fileNameLabel = "ファイル名";

// The item dialogs.
inline constexpr const char* itemTitleLabel = "タイトル";
inline constexpr const char* itemCommentLabel = "コメント";
inline constexpr const char* rotationGroup = "回転";
inline constexpr const char* turnLeftButton = "左";
inline constexpr const char* turnHalfButton = "逆";
inline constexpr const char* turnRightButton = "右";
inline constexpr const char* brightnessGroup = "明るさ";
inline constexpr const char* darkerMuchButton = "<< 暗";
inline constexpr const char* darkerButton = "< 暗";
inline constexpr const char* lighterButton = "明 >";
inline constexpr const char* lighterMuchButton = "明 >>";
inline constexpr const char* voiceInvitation = "声のメッセージを入れよう！";
inline constexpr const char* recordPlayButton = "録音・再生";
inline constexpr const char* voiceDeleteButton = "削除";
inline constexpr const char* voiceNone = "声のメッセージはありません";
inline constexpr const char* voiceSecondsText = "声のメッセージ: %d 秒";
inline constexpr const char* okButton = "OK";
inline constexpr const char* cancelButton = "キャンセル";
inline constexpr const char* playVideoButton = "再生";
inline constexpr const char* videoNotPlayable = "この動画を再生できません: %s";
// Why, and that the video still goes into the album as it is.
inline constexpr const char* videoNoPlayer = "この環境には動画を再生する機能 (Qt Multimedia) がありません";
inline constexpr const char* videoFormatUnknown = "この形式の動画を読む機能がこの環境にありません";
inline constexpr const char* videoUnreadable = "ファイルを読めません";
inline constexpr const char* videoAccessDenied = "ファイルを読む権限がありません";
inline constexpr const char* videoStillIncluded = "写真集にはこのまま入れることができます。";
inline constexpr const char* videoSizeText = "%d × %d";

// The voice dialog "声のメッセージ".
inline constexpr const char* recordButton = "録音";
inline constexpr const char* playButton = "再生";
inline constexpr const char* lengthLabels[] = {"５秒", "１０秒", "１５秒"};
inline constexpr const char* keepButton = "保存";
inline constexpr const char* discardButton = "保存しない";
inline constexpr const char* stopSoundButton = "停止";
inline constexpr const char* lengthGroup = "長さ";
inline constexpr const char* secondsText = "%d 秒";
// Where the program once waited on a sound device that was not there.
inline constexpr const char* noSoundInput =
    "録音に使えるサウンド装置（マイク）が見つかりません。\r\nマイクをつないでから、もう一度「録音」を押してください。";
inline constexpr const char* noSoundOutput = "再生に使えるサウンド装置（スピーカー）が見つかりません。";
inline constexpr const char* soundDeviceFailed = "サウンド装置を使えませんでした: %s";
inline constexpr const char* soundDeviceSilent = "サウンド装置が応答しないので中止しました。";

// Sending by mail.
inline constexpr const char* noMailProgram =
    "メールソフトを起動できませんでした。メールソフトが設定されているか確かめてください。\r\n"
    "写真集のガイドポスト・アーカイブは次の場所に保存してあります。手作業で添付することもできます。\r\n%s";

} // namespace album::texts
