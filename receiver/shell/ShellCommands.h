#pragma once
// The window's commands: one row per menu item or tool button, with its
// identifier, menu text, keys and the prompt shown in the status bar
// ("prompt\ntool tip").

#include <cstddef>

namespace shell {

enum CommandId : int {
    FileOpen = 57601,
    ChooseSaveFolder = 32773,
    RecentFile = 57616,
    AppExit = 57665,
    EditUndo = 57643,
    EditCut = 57635,
    EditCopy = 57634,
    EditPaste = 57637,
    SetProxy = 32782,
    AllowBasicAuth = 32903,
    GenReport = 32784,
    StyleSimple = 32787,
    StyleStandard = 32788,
    StyleLong = 32789,
    RotationNames = 32790,
    UniqueNames = 32791,
    ShowReport = 32783,
    Logging = 32780,
    PlainLog = 32904,
    IfNotExistToUpdate = 32907,
    OpenSaveFolder = 32785,
    EmptyTemporary = 32908,
    RecentReceives = 32792,
    ViewToolBar = 59392,
    ViewStatusBar = 59393,
    ViewUrlBar = 32778,
    ViewFolderBar = 32779,
    HomePage = 32900,
    About = 57664,
    HelpPage = 32901,
};

struct Command {
    CommandId id;
    const char* text;    // menu text with its "&" key
    const char* keys;    // "Ctrl+O" or several as "Ctrl+C; Ctrl+Ins"; "" for none
    const char* prompt;  // status bar prompt, "\n", tool tip
};

inline constexpr Command commands[] = {
    {FileOpen, "開く(&O)...", "Ctrl+O", "既存のガイドポストを開いて受信します\n開く"},
    {ChooseSaveFolder, "保存ﾌｫﾙﾀﾞの指定(&S)...", "Ctrl+S", "受信したファイルを保存するフォルダを指定します\n保存フォルダ"},
    {RecentFile, "最近使ったﾌｧｲﾙ", "", "このガイドポストを開いて受信します\n最近使ったファイル"},
    {AppExit, "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)", "", "アプリケーションを終了します\n終了"},
    {EditUndo, "元に戻す(&U)", "Ctrl+Z; Alt+Backspace", "直前に行った動作を元に戻します\n元に戻す"},
    {EditCut, "URLの切り取り(&T)", "Ctrl+X; Shift+Del", "URLを切り取ってクリップボードに移動します\n切り取り"},
    {EditCopy, "URLのｺﾋﾟｰ(&C)", "Ctrl+C; Ctrl+Ins", "URLをクリップボードにコピーします\nコピー"},
    {EditPaste, "URLの貼り付け(&P)", "Ctrl+V; Shift+Ins", "クリップボードの内容をURLに貼り付けます\n貼り付け"},
    {SetProxy, "PROXYサーバの指定(&P)...", "", "PROXYサーバを指定します\nPROXYサーバの指定"},
    {AllowBasicAuth, "WEBページ認証を許可(&B)", "", "WEBページのユーザIDとパスワードの問い合わせに答えます\nWEBページ認証"},
    {GenReport, "レポートの作成(&G)", "", "レポートファイルの作成\nレポートの作成"},
    {StyleSimple, "簡略(&C)", "", "簡略なレポートを作成します\n簡略"},
    {StyleStandard, "標準(&S)", "", "標準のレポートを作成します\n標準"},
    {StyleLong, "ロング(&L)", "", "詳しいレポートを作成します\nロング"},
    {RotationNames, "ローテーション（ファイル名を再利用する）(&R)", "", "レポートのファイル名を番号で再利用します\nローテーション"},
    {UniqueNames, "固有ファイル名（ガイドポスト名と日時を用いたファイル名）(&O)", "",
     "レポートのファイル名にガイドポスト名と日時を用います\n固有ファイル名"},
    {ShowReport, "レポートの表示(&D)", "", "受信レポートの表示\nレポートの表示"},
    {Logging, "ファイル受信の記録を保存する（ログ)(&L)", "", "受信ログの設定\nログ"},
    {PlainLog, "通常ログの表示(&D)", "", "通常ログの表示\n通常ログ"},
    {IfNotExistToUpdate, "すべての「補充更新」を「通常更新」へ変更", "", "補充更新を通常更新\n補充更新を通常更新"},
    {OpenSaveFolder, "保存フォルダを開く(&F)", "", "保存フォルダを開く\n保存フォルダを開く"},
    {EmptyTemporary, "一時フォルダを空にする", "", "一時フォルダを空に\n一時フォルダを空に"},
    {RecentReceives, "最近のファイル受信", "", "最近のファイル受信の表示\n最近のファイル受信"},
    {ViewToolBar, "ﾂｰﾙ ﾊﾞｰ(&T)", "", "ツールバーの表示/非表示を切り替えます\nツールバー"},
    {ViewStatusBar, "ｽﾃｰﾀｽ ﾊﾞｰ(&S)", "", "ステータスバーの表示/非表示を切り替えます\nステータスバー"},
    {ViewUrlBar, "URLバー(&R)", "", "URLバーの表示/非表示を切り替えます\nURLバー"},
    {ViewFolderBar, "フォルダバー(&F)", "", "フォルダバーの表示/非表示を切り替えます\nフォルダバー"},
    {HomePage, "Corvandelleホームページ(&H)", "", "Corvandelleのホームページを開きます\nホームページ"},
    {About, "Corvandelle のﾊﾞｰｼﾞｮﾝ情報(&A)...", "", "プログラム情報、バージョン、著作権を表示します\nバージョン"},
    {HelpPage, "ヘルプの表示(&C)", "", "ヘルプを表示します\nヘルプ"},
};

inline const Command& command(CommandId id)
{
    for (const Command& c : commands)
        if (c.id == id)
            return c;
    return commands[0];
}

// The menus, in order.
inline constexpr const char* menuFile = "ﾌｧｲﾙ(&F)";
inline constexpr const char* menuEdit = "編集(&E)";
inline constexpr const char* menuSettings = "設定(&S)";
inline constexpr const char* menuReport = "受信レポート(&R)";
inline constexpr const char* menuReportStyle = "レポートスタイル(&S)";
inline constexpr const char* menuReportFileStyle = "レポートファイルスタイル(&F)";
inline constexpr const char* menuWriteMode = "ファイル書き込み方式の設定";
inline constexpr const char* menuAfterCare = "アフターケア(&A)";
inline constexpr const char* menuView = "表示(&V)";
inline constexpr const char* menuHelp = "ﾍﾙﾌﾟ(&H)";

// The recent receives take the identifiers that follow the placeholder.
inline constexpr int recentReceiveCount = 16;

} // namespace shell
