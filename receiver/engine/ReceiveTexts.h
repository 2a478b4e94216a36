#pragma once
// The receive engine's fixed texts, in one place.

namespace receive::texts {

inline constexpr const char* welcomeCaption = "Corvandelle ファイルの受信";
inline constexpr const char* welcomeDefaultComment = "Corvandelleによりファイルの受信をはじめます";
inline constexpr const char* welcomeButtons[] = {"ファイルを受信する", "タスクを確認しながら\r受信する",
                                                 "サーバーを確認しながら\r受信する", "ファイルを受信しない"};
inline constexpr const char* creatorLabel = "作成者";
inline constexpr const char* dateLabel = "作成日";
inline constexpr const char* versionLabel = "バージョン";
inline constexpr const char* commentLabel = "コメント";

inline constexpr const char* taskLabel = "タスク";
inline constexpr const char* taskConfirmButtons[] = {"このファイルを受信する", "このあとのすべてのタスクの\r受信を行う",
                                                     "この受信をスキップする", "受信をすべてやめる"};
inline constexpr const char* serverLabel = "サーバー";
inline constexpr const char* protocolLabel = "プロトコル";
inline constexpr const char* portLabel = "ポート";
inline constexpr const char* accountLabel = "アカウント";
inline constexpr const char* serverConfirmButtons[] = {"このファイルを受信する", "このあとのすべての受信を行う",
                                                       "この受信をスキップする", "受信をすべてやめる"};
inline constexpr const char* protocolNames[] = {"HTTP", "FTP", "添付"};

inline constexpr const char* updateForceCaption = "自動更新の確認";
inline constexpr const char* updateForceButtons[] = {
    "このガイドポストに関するすべての自動更新を許可する", "この項目の自動更新を許可する",
    "この項目は自動更新をやめて上書き時に問い合わせるように変更する", "受信をやめる"};
inline constexpr const char* up2DateCaption = "時刻比較更新の確認";
inline constexpr const char* up2DateButtons[] = {
    "このガイドポストに関するすべての時刻比較更新を許可する", "この項目の更新を許可する",
    "この項目の更新をやめて上書き時に問い合わせるように変更する", "受信をやめる"};
// Per level (task, source, file list, file): "force" and "up2date".
inline constexpr const char* forceLevelTexts[] = {
    "[ %s ] というタスクに関するファイルをすべて自動更新します",
    "[ %s ] というサイトまたは添付ファイルのファイルをすべて自動更新します",
    "[ %s ] というファイルリストのファイルをすべて自動更新します",
    "[ %s ] というファイルを自動更新します"};
inline constexpr const char* up2DateLevelTexts[] = {
    "[ %s ] というタスクに関するファイルをすべて時刻比較更新します",
    "[ %s ] というサイトまたは添付ファイルのファイルをすべて時刻比較更新します",
    "[ %s ] というファイルリストのファイルをすべて時刻比較更新します",
    "[ %s ] というファイルを時刻比較更新します"};
inline constexpr const char* ifNotExistText =
    "このガイドポストでは「補充更新」の設定がされていますが、このCorvandelleでは、この「補充更新」を「通常更新」に変更するように設定されています。変更してよろしいですか？";

inline constexpr const char* overwriteCaption = "ファイルがすでに存在します";
inline constexpr const char* overwriteText =
    "受信先フォルダにすでに %s というファイルが存在しています。\r\nこのあとの処理の方法を選んでボタンを押してください。\r\n";
inline constexpr const char* overwriteButtons[] = {"このファイルを上書きします", "すべてのファイルを上書きします",
                                                   "このファイルは上書きしません",
                                                   "まだ受信していない\rファイルだけを受信します",
                                                   "すべての受信を中止します"};

inline constexpr const char* depthText = "作成するフォルダの深さが%dレベル以上ありますが、よろしいですか？";
inline constexpr const char* okCancelButtons[] = {"OK", "キャンセル"};

inline constexpr const char* cipherCaption = "暗号コードの入力";
inline constexpr const char* cipherText =
    "このガイドポストに添付されているファイは暗号化されています。ファイルの暗号・解読処理にはコードが必要です。";
inline constexpr const char* cipherHint = "暗号処理をやめる場合には暗号コードを消去してください。";
inline constexpr const char* inputButtons[] = {"OK", "受信をやめる"};

inline constexpr const char* passwordCaption = "パスワード";
inline constexpr const char* passwordPrompt = "下のアカウントのパスワードを入力してください";
inline constexpr const char* mailPasswordPrompt = "パスワードとしてメールアドレスを入力してください";
inline constexpr const char* idLabel = "ID";
inline constexpr const char* idAndPasswordCaption = "ユーザID＆パスワード入力";

inline constexpr const char* maxFoldersOpen =
    "最大フォルダオープン数に達したので、これ以上フォルダをオープンできません。\r受信処理は続けます。";
inline constexpr const char* cancelledLine = "ユーザによりファイル受信は中止されました。";
inline constexpr const char* fileFailedLine = "ファイル[ %s ]を取得できませんでした。";
// A file asked for more than once (retries) before it failed.
inline constexpr const char* attemptsLine = "ファイル %s は %d 回試みましたが、受信できませんでした。";
inline constexpr const char* localFolderFailedLine =
    "ローカル（ハードディスク）のディレクトリ[ %s ]にアクセスできませんでした。";
inline constexpr const char* attachLabel = "添付ファイル";
// The error list's lines for a failed HTTP request (%s: the file, then the server).
inline constexpr const char* status400Line = "ファイル %s のアクセスで、正しいアクセスが行われませんでした。";
inline constexpr const char* status404Line = "ファイル %s は存在しません。";
inline constexpr const char* status405Line =
    "ファイル %s のアクセスで、サーバー %s がサポートしていないリクエストをしました。";
inline constexpr const char* status500Line =
    "ファイル %s のアクセスで、サーバー %s がエラーを返しました。エラー内容は不明です。";
inline constexpr const char* statusOtherLine = "ファイル %s のアクセスで、エラーが生じました。エラー内容は不明です。";
inline constexpr const char* certificateLine = "ファイル %s のアクセスで、サーバー %s の証明書を確認できませんでした。";
// FTP folders.
inline constexpr const char* remoteFolderFailedLine = "リモート（取得先）のディレクトリ[ %s ]にアクセスできませんでした。";
inline constexpr const char* folderNotMadeLine = "%s でフォルダ[ %s ]を作成できませんでした。";

inline constexpr const char* tryCertificationCaption = "認証情報";
inline constexpr const char* tryCertificationButtons[] = {"認証作業を行う", "認証作業をせずに受信する", "受信をやめる"};
inline constexpr const char* notCertifiedCaption = "認証失敗";
inline constexpr const char* notCertifiedButtons[] = {"認証サイトの情報を見る", "このまま受信を続ける", "受信をやめる"};
inline constexpr const char* certifiedCaption = "認証完了";
inline constexpr const char* certifiedButtons[] = {"追加情報ページを開く", "受信を続ける", "受信をやめる"};
inline constexpr const char* certificationSiteLabel = "認証サイト";
inline constexpr const char* saveFolderLabel = "保存先";
inline constexpr const char* pageOpenFailed = "ページの表示でエラーが生じました";

// The worker's own messages.
inline constexpr const char* badSource = "ファイル、URLの指定が正しくありません";
inline constexpr const char* cannotProcessGuidePost = "このガイドポストファイルを処理することができません";
inline constexpr const char* cannotCreateFolder = "フォルダを作成できません";
inline constexpr const char* saveRootParentMissing =
    "保存フォルダ[ %s ]を作成できません。その上のフォルダ[ %s ]がありません。";
inline constexpr const char* saveRootNotAFolder = "保存フォルダ[ %s ]はフォルダではありません。";
inline constexpr const char* saveRootNotMade = "保存フォルダ[ %s ]を作成できません。%s";
inline constexpr const char* sourceMissing = "ガイドポストのファイル[ %s ]がありません。";
inline constexpr const char* sourceIsFolder =
    "[ %s ]はフォルダです。ガイドポストのファイル（.gp または .gpa）を指定してください。";
inline constexpr const char* spaceRanOut =
    "ディスクの空き容量が足りなくなったため、[ %s ]への[ %s ]の取り出しをやめました（空き容量を 100 MiB 残します）。";
inline constexpr const char* largerThanDeclared = "宣言されたサイズ（%s バイト）を超えて展開されます。";
inline constexpr const char* unpackSpaceRanOut =
    "ディスクの空き容量が足りなくなったため、[ %s ]の展開をやめました（空き容量を 100 MiB 残します）。";
inline constexpr const char* schemaMissing = "スキーマファイル[ %s ]がフォルダ[ %s ]にありません。";
inline constexpr const char* schemaUnreadable = "スキーマファイル[ %s ]を読み込めません。";
inline constexpr const char* sourceUnreadable = "ガイドポストのファイル[ %s ]を読めません。%s";
inline constexpr const char* errorCaption = "エラー";
inline constexpr const char* endCaption = "受信終了";
inline constexpr const char* newFolderName = "新しいフォルダ";
inline constexpr const char* fetchBegins = "ガイドポストまたは電子署名の受信を始めます";
inline constexpr const char* fetchEnded = "ガイドポストまたは電子署名の受信を終了しました";

// Folder names the receive reserves below the save root.
inline constexpr const char* reportFolder = "_html___";
inline constexpr const char* certifiedFolder = "certified";
inline constexpr const char* zipWorkFolder = "__zip___";

} // namespace receive::texts
