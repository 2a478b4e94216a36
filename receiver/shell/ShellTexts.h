#pragma once
// The receiver window's fixed texts, in one place (menus, bars, dialogs,
// messages). The engine's questions carry their own texts.

namespace shell::texts {

inline constexpr const char* appTitle = "Corvandelle";
inline constexpr const char* documentName = "GPost";

inline constexpr const char* cautionCaption = "注意";
inline constexpr const char* errorCaption = "エラー";

// Start-up.
inline constexpr const char* accountStoreBroken =
    "アカウントファイルにエラーがありました。「OK」を押すとファイルを新規に作成しなおします。「キャンセル」を押すとプログラムを終了します。";
inline constexpr const char* accountStoreNotCreated = "アカウントファイルを作成できませんでした";

// Opening a GuidePost.
inline constexpr const char* openFilter = "GuidePost, GuidePost ｱｰｶｲﾌﾞ (*.gp *.gpa);;All Files (*)";
inline constexpr const char* stillRunning = "まだプロセスが停止していません。もうしばらくお待ちください。";
inline constexpr const char* stopFirst = "まず、処理を中止してください。";
inline constexpr const char* chooseSaveFolder = "保存フォルダを指定してください";

// Handing a GuidePost to the corvan that runs already.
inline constexpr const char* socketFolderNotAFolder = "%1 はフォルダではありません";
inline constexpr const char* socketFolderOfAnotherUser = "%1 はほかのユーザのフォルダです";
inline constexpr const char* noHandOver =
    "corvan: ほかの corvan からファイルを受け取ることはできません (%1)。このまま続けます。";

// The progress dialog.
inline constexpr const char* progressCaption = "ファイル受信";
inline constexpr const char* statusLabel = "状況";
inline constexpr const char* taskLabel = "タスク";
inline constexpr const char* sourceLabel = "ソース";
inline constexpr const char* fileListLabel = "ファイルリスト";
inline constexpr const char* fileLabel = "個";
inline constexpr const char* counterFormat = "%1/%2";
inline constexpr const char* waiting = "受信待機中";
inline constexpr const char* bytesOfTotal = "%1/%2 バイト受信済みです";
inline constexpr const char* bytesOnly = "%1 バイト受信済みです";
inline constexpr const char* stopButton = "中止";
inline constexpr const char* stopping = "プロセスが終了するまでお待ちください。";

// The end of a receive.
inline constexpr const char* pageNotOpened = "ページの表示でエラーが生じました";

// The desktop's notification of an end seen from another window.
inline constexpr const char* noticeReceived = "ファイルの受信が終わりました";
inline constexpr const char* noticeFailed = "ファイルの受信でエラーがありました";
inline constexpr const char* noticeCount = "%1 個のファイルを受信しました";
inline constexpr const char* noticeOpenReport = "レポートを開く";

// The main frame.
inline constexpr const char* toolBarTitle = "ツールバー";
inline constexpr const char* urlBarTitle = "URLの直接指定";
inline constexpr const char* urlLabel = "URL";
inline constexpr const char* startButton = "スタート";
inline constexpr const char* folderBarTitle = "保存フォルダの指定";
inline constexpr const char* folderLabel = "保存フォルダ";
inline constexpr const char* ready = "レディ";

// Commands.
inline constexpr const char* cannotOpen = "エラーのため開くことができません";
inline constexpr const char* cannotOpenFolder = "エラーのためフォルダを開くことができません。";
inline constexpr const char* noSaveFolder = "保存フォルダが設定されていません。";
inline constexpr const char* noTemporaryFolder = "一時フォルダは作成されていませんので空にする必要はありません。";
inline constexpr const char* confirmEmptyTemporary = "一時フォルダを空にしてもよろしいですか？\r一時フォルダ名 ： %1";
inline constexpr const char* temporaryEmptied = "一時フォルダを空にしました。";
inline constexpr const char* temporaryFolderName = "__tmp___";
inline constexpr const char* cannotOpenLog = "エラーのためレポートファイルを開くことができません";
inline constexpr const char* cannotOpenHelp = "ヘルプファイルをオープンできません";
inline constexpr const char* helpFile = "Help/Corvan/index.htm";
inline constexpr const char* forceQuit = "処理を強制終了します";

// The proxy dialog.
inline constexpr const char* proxyCaption = "PROXYサーバ";
inline constexpr const char* proxyHttp = "HTTP";
inline constexpr const char* proxyFtp = "FTP";
inline constexpr const char* proxyServer = "サーバー";
inline constexpr const char* proxyPort = "ポート";
inline constexpr const char* proxyId = "ID";
inline constexpr const char* proxyPassword = "パスワード";

// The version dialog.
inline constexpr const char* aboutCaption = "Corvandelleのﾊﾞｰｼﾞｮﾝ情報";
inline constexpr const char* aboutLabel = "Corvandelle のバージョン";
inline constexpr const char* aboutVersion = "Corvandelle Version %1";

// Labels of the question dialogs that the questions do not carry.
inline constexpr const char* commentLabel = "コメント";
inline constexpr const char* forAdvancedUsers = "上級者向け";
inline constexpr const char* okButton = "OK";
inline constexpr const char* cancelButton = "キャンセル";
inline constexpr const char* userIdLabel = "ユーザID";
inline constexpr const char* passwordLabel = "パスワード";
inline constexpr const char* addressLabel = "アドレス";
inline constexpr const char* cipherCodeLabel = "暗号コード";
inline constexpr const char* howToGoOn = "このあとの処理";

} // namespace shell::texts
