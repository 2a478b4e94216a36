#pragma once
// Every fixed text of the receive report, the folder pages, the receive log
// and the error report, in one place. "%s" and "%d" (with widths) are fields
// filled by PageText::fill; texts without fields are written as they stand.
// All are UTF-8 here and leave the program as code page 932 with CR LF ends.

namespace reports::texts {

// Declares the page's code page right after the opening head tag.
inline constexpr const char* charsetMeta =
    R"~(<META http-equiv="Content-Type" content="text/html; charset=Shift_JIS">)~";

// ---- Receive report -------------------------------------------------------
inline constexpr const char* reportHead =
    R"~(<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.0 Transitional//EN">)~" "\n"
    R"~(<HTML><HEAD>)~" R"~(<META http-equiv="Content-Type" content="text/html; charset=Shift_JIS">)~"
    R"~(<META name="GENERATOR" content="Corvandelle"><TITLE>Corvandelle受信レポート</TITLE><STYLE type="text/css">)~" "\n"
    "<!--\nA{\n  text-decoration : none;\n}\n-->\n</STYLE>\n</HEAD>\n";
inline constexpr const char* bodyStart = R"~(<body bgcolor="#ffffff">)~" "\n";
inline constexpr const char* reportTitle =
    R"~(<H1 align="center"><FONT face="Arial Black"><I>Corvandelle</I></FONT></H1><H2 align="center">受信レポート</H2>)~" "\n";
inline constexpr const char* styleLine[3] = {
    "<CENTER><H4>[シンプルスタイル]</H4></CENTER>\n",
    "<CENTER><H4>[スタンダードスタイル]</H4></CENTER>\n",
    "<CENTER><H4>[ロングスタイル]</H4></CENTER>\n",
};

inline constexpr const char* closingHeading =
    "<H2><I>%d.\t" R"~(<FONT face="Arial Black">Corvandelle</FONT> に関する情報</I></H2>)~" "\n";
inline constexpr const char* closingInformation =
    R"~(<P><FONT face="Arial Black">Corvandelle</FONT> / <FONT face="Arial Black">Corvandelle コンストラクタ</FONT> に関する情報は次のURLを参照してください。</P>)~";
inline constexpr const char* closingHomePage =
    R"~(<P><FONT face="Courier New"><a href="%s" target="_blank">%s</a></FONT></P>)~" "\n";
inline constexpr const char* closingNotice = "<P>%s</P>\n";
inline constexpr const char* pageEnd = "</BODY></HTML>\n";

// Section 1, links.
inline constexpr const char* linksNone = "<H2><I>1.　リンク</I></H2>\n" "リンクが設定されていません。\n";
inline constexpr const char* linksHeading =
    "<H2><I>1.　リンク　（注意をよくお読みください）</I></H2>\n"
    "<P>ガイドポストの設計者が設定したリンクです。リンク先を表示するには各番号の右のタイトルをクリックしてください。</P>\n";
inline constexpr const char* linksTableHead =
    R"~(<TABLE cellpadding="5">)~" "\n"
    R"~(<TBODY><TR><TD align="center" bgcolor="#eeeeee"><B>番号</B></TD><TD align="center" bgcolor="#eeeeee"><B>タイトル</B></TD><TD align="center" bgcolor="#eeeeee"><B>外部</B></TD><TD align="center" bgcolor="#eeeeee"><B>コメント</B></TD><TD align="center" bgcolor="#eeeeee">お気に入りへ追加</TD></TR>)~" "\n";
inline constexpr const char* linkNumberCell = R"~(<tr><td align="center" bgcolor="%s"><B>%d</B></TD>)~" "\n";
inline constexpr const char* linkRemote =
    R"~(<td bgcolor="%s"><a href="%s" target="_blank">%s</a></td><td bgcolor="%s" align="center">○</td><td bgcolor="%s">%s</td><td bgcolor="%s" align="center">--</td></tr>)~" "\n";
// A remote link whose address is not a web or FTP address keeps its title
// without a link.
inline constexpr const char* linkRemoteUnlinked =
    R"~(<td bgcolor="%s">%s</td><td bgcolor="%s" align="center">○</td><td bgcolor="%s">%s</td><td bgcolor="%s" align="center">--</td></tr>)~" "\n";
inline constexpr const char* linkMissing =
    R"~(<td bgcolor="%s" align="center">--</td><td bgcolor="%s" align="center">--</td><td bgcolor="%s" align="center">--</td><td bgcolor="%s" align="center">--</td></tr>)~" "\n";
inline constexpr const char* linkLocalFavorite =
    R"~(<td bgcolor="%s"><a href="file://%s" target="_self">%s</a></td><td bgcolor="%s">　</td><td bgcolor="%s">%s</td><td bgcolor="%s"><BUTTON onClick="window.external.AddFavorite('file:///%s','%s')"><B>%s</B><br>を<br>お気に入りへ追加する</BUTTON></td></tr>)~" "\n";
inline constexpr const char* linkLocal =
    R"~(<td bgcolor="%s"><a href="file://%s" target="_self">%s</a></td><td bgcolor="%s">　</td><td bgcolor="%s">%s</td><td bgcolor="%s" align="center">--</td></tr>)~" "\n";
inline constexpr const char* linksTableEnd = "</TBODY></TABLE>\n";
inline constexpr const char* linksCautions =
    R"~(<P style='font-family : "ＭＳ Ｐゴシック";font-weight : bolder;color : red;font-size : 100%;'>注意！タイトルをクリックする前に必ず読んでください。</P>)~" "\n"
    "<UL><LI>タイトルをクリックすると他のページへジャンプします。\n"
    "<LI>そのページは受信してパソコンに保管されているファイルである場合と、インターネット上のホームページなどである場合があります。「外部」のところに「○」が書いてあるものは、インターネット上のホームページなどを指します。\n"
    "<LI>このリンクはガイドポストの設計者の指示にしたがってCorvandelleが自動的に作成したものです。リンク先については、Corvandelleは一切関知しません。リンク先のファイル、ホームページが安全であるかどうかをよく確認した上で、自らの責任でクリックしてください。\n"
    "</UL>\n"
    R"~(<P style='font-family : "ＭＳ Ｐゴシック";font-weight : bolder;color : red;font-size : 100%;'>注意！お気に入りへ追加にあるボタンをクリックする前に必ず読んでください。</P>)~" "\n"
    "<UL><LI>「お気に入りへ追加」のボタンを押すとリンク先のファイルを「お気に入り」へ追加することができます。このお気に入りへの追加作業は自らの責任で行ってください。追加されたお気に入りの削除は「お気に入りの整理」メニューなどで行うことができますが、詳細はブラウザの説明書をご覧ください。\n"
    "<LI>お気に入りへ追加しておくと、このレポートを閉じたり、削除したあとにもリンク先のファイルを簡単に見ることができます。ただし、ハードディスクやファイルの削除、変更、移動などをした場合にはアクセスができなくなる場合がありますのでご了承ください。</UL>\n";

// Section 2, summary.
inline constexpr const char* summaryHeading =
    "<H2><I>2.　受信の概要</I></H2>\n<P>今回の受信の概要は次の通りです。</P>\n"
    "<H4><I>2.1　受信ファイル数・サイズ</I></H4>";
inline constexpr const char* summaryFiles =
    R"~(<TABLE cellpadding="5"><TBODY><TR><TD align="right" bgcolor="#e4efec">受信ファイル数</TD><TD align="center" bgcolor="#e4efec"><FONT face="Courier New">%d (失敗 : %d)</FONT></TD></TR>)~" "\n";
inline constexpr const char* summaryBytes =
    R"~(<TR><TD align="right" bgcolor="#ecece4">受信ファイルサイズ</TD><TD align="center" bgcolor="#ecece4"><FONT face="Courier New">%d バイト</FONT></TD></TR>)~" "\n";
inline constexpr const char* summaryZipFiles =
    R"~(<TR><TD align="right" bgcolor="#e4efec">作成ZIPファイル数</TD><TD align="center" bgcolor="#e4efec"><FONT face="Courier New">%d (失敗 : %d)</FONT></TD></TR>)~" "\n";
inline constexpr const char* summaryZipBytes =
    R"~(<TR><TD align="right" bgcolor="#ecece4">作成ZIPファイルサイズ</TD><TD align="center" bgcolor="#ecece4"><FONT face="Courier New">%d バイト</FONT></TD></TR>)~" "\n";
inline constexpr const char* summaryFoldersHeading = "</TBODY></TABLE>\n" "<H4><I>2.2　受信フォルダ</I></H4>\n";
inline constexpr const char* summaryFoldersHead =
    R"~(<TABLE cellpadding="5"><TBODY>)~" "\n"
    R"~(<TR><TD bgcolor="#dddddd" align="center">タスク</TD><TD bgcolor="#dddddd" align="center">フォルダ</TD></TR>)~" "\n";
inline constexpr const char* summaryFolderRow =
    R"~(<TR><TD bgcolor="%s" align="right">%s</TD><TD bgcolor="%s">%s</TD></TR>)~" "\n";
inline constexpr const char* tableEnd = "</TBODY></TABLE>\n";

// Section 3, GuidePost.
inline constexpr const char* guidePostHeading =
    "<H2><I>3.　ガイドポスト</I></H2>\n<P>今回の受信に使用したガイドポストのバージョンおよび内容は次の通りです。</P>\n";
inline constexpr const char* guidePostFormat =
    R"~(<P><TABLE cellpadding="5"><TBODY><TR><TD bgcolor="#e4efec">バージョン %d</TD></TR></TBODY></TABLE></P>)~" "\n";
inline constexpr const char* guidePostPath =
    R"~(<P><TABLE cellpadding="5"><TBODY><TR><TD colspan="3" bgcolor="#dddddd"><NOBR>%s</NOBR></TD></TR>)~" "\n";
inline constexpr const char* guidePostName =
    R"~(<TR><TD></TD><TD align="center" bgcolor="%s">ガイドポスト名</TD><TD bgcolor="%s">%s</TD></TR>)~" "\n";
inline constexpr const char* guidePostCreator =
    R"~(<TR><TD></TD><TD align="center" bgcolor="%s">作成者</TD><TD bgcolor="%s">%s</TD></TR>)~" "\n";
inline constexpr const char* guidePostDate =
    R"~(<TR><TD></TD><TD align="center" bgcolor="%s">作成日</TD><TD bgcolor="%s">%4d/%2d/%2d</TD></TR>)~" "\n";
inline constexpr const char* guidePostVersion =
    R"~(<TR><TD></TD><TD align="center" bgcolor="%s">バージョン</TD><TD bgcolor="%s">%s</TD></TR>)~";
inline constexpr const char* guidePostComment =
    R"~(<TR><TD></TD><TD align="center" bgcolor="%s">コメント</TD><TD bgcolor="%s">%s</TD></TR>)~";
inline constexpr const char* guidePostEnd = "</TBODY></TABLE></P>\n";

// Section 4, program.
inline constexpr const char* programSection =
    R"~(<H2><I>4.　<FONT face="Arial Black">Corvandelle</FONT></I></H2>)~" "\n"
    R"~(<P>今回の受信に使用した<FONT face="Arial Black"><I>Corvandelle</FONT></I> は次の通りです。</P>)~" "\n"
    R"~(<P><TABLE cellpadding="5"><TBODY><TR><TD bgcolor="#e4efec">バージョン %s</TD></TR></TBODY></TABLE></P>)~" "\n";

// Section 5, this file.
inline constexpr const char* fileSection =
    "<H2><I>5.　このファイルについて</I></H2>\n<P>このファイルの名前</P>"
    R"~(<P><TABLE cellpadding="5"><TBODY>)~"
    R"~(<TR><TD bgcolor="#e4efec"><NOBR>このファイルの名前</NOBR></td><td bgcolor="#e4efec"><NOBR>%s</NOBR></td></tr>)~" "\n"
    R"~(<TR><TD bgcolor="#ecece4">作成日時</td><td bgcolor="#ecece4">%d 年 %d 月 %d 日 %d 時 %d 分 %d 秒</td></tr>)~" "\n"
    "</TBODY></TABLE></P>\n";

// Section 6, log files.
inline constexpr const char* logSectionHeading = "<H2><I>6.　ログファイルについて</I></H2>\n" "<H4><I>6.1　受信ログ</I></H4>\n";
inline constexpr const char* logSectionLink =
    "<P>受信のログファイルを作成しました。ログファイルを表示するには次のリンクをクリックしてください。</P>\n"
    R"~(<TABLE cellpadding="5"><TBODY><TR><TD bgcolor="#e4efec"><a href="file://%s" target="_self">ログファイル</a></TD></TR></TBODY></TABLE><br>)~" "\n";
inline constexpr const char* logSectionNone =
    "<P>受信ログを作成しませんでした。ログを作成するにはCorvandelle のメニューの「設定」で設定してください。\n";
inline constexpr const char* errorSectionHeading = "<H4><I>6.2　エラーログ</I></H4>\n";
inline constexpr const char* errorSectionNone = "<P>エラーが発生しませんでしたので、エラーログを作成しませんでした。\n";
inline constexpr const char* errorSectionLink =
    "<P>受信中にエラーが生じました。エラーログを見るには次のリンクをクリックしてください。<br>\n"
    R"~(<TABLE cellpadding="5"><TBODY><TR><TD bgcolor="#e4efec"><a href="file://%s" target="_self">エラーログ</a></TD></TR></TBODY></TABLE>)~" "\n";

// Section 7, long style only.
inline constexpr const char* settingsSectionHeading =
    "<H2><I>%d.レポート・ログの設定</I></H2>\n<H4>%d.1　今回作成されたレポートを削除するには？</H4>\n<P>次のファイルを削除してください。</P>\n";
inline constexpr const char* settingsReportPath =
    R"~(<P><TABLE cellpadding="5"><TBODY><TR><TD  bgcolor=%s><NOBR>%s</NOBR></TD></TR></TBODY></TABLE></P>)~" "\n";
inline constexpr const char* settingsLogPath =
    "<H4>%d.2　今回作成されたログを削除するには?</H4>\n<P>次のファイルを削除してください。</P>\n"
    R"~(<P><TABLE cellpadding="5"><TBODY><TR><TD  bgcolor=%s><NOBR>%s</NOBR></TD></TR></TBODY></TABLE></P>)~";
inline constexpr const char* settingsNoLog = "<H4>%d.2　今回はログは作成されませんでしたのでログを削除する必要はありません</H4>\n";
inline constexpr const char* settingsErrorPath =
    "<H4>%d.3　今回作成されたエラーレポートを削除するには?</H4>\n<P>次のファイルを削除してください。</P>\n"
    R"~(<P><TABLE cellpadding="5"><TBODY><TR><TD bgcolor=%s><NOBR>%s</NOBR></TD></TR></TBODY></TABLE></P>)~";
inline constexpr const char* settingsNoErrors = "<H4>%d.3　今回はエラーはありませんでしたのでエラーログを削除する必要はありません</H4>\n";
inline constexpr const char* settingsHowTo =
    "<H4>%d.4　レポート・ログについて設定するには</H4>\n"
    R"~(<P><FONT face="Arial Black"><I>"CORVANDELLE"</I></FONT> のメニューの「設定」を使ってレポート・ログの生成などの設定を行ってください。</P>)~"
    "<H4>%d.5　今までのレポート・ログを消去するには</H4>\n"
    R"~(<P><FONT face="Arial Black"><I>"CORVANDELLE"</I></FONT> のメニューの「アフターケア」を使って、レポート・ログが保管されているフォルダを開いてからファイルの削除等を行ってください。</P>)~";

// ---- Folder-list and frame pages --------------------------------------------
// The folder lists are written without a head; the smallest head that names
// the code page stands between the html and body tags.
inline constexpr const char* folderListHead =
    "<html><head>" R"~(<META http-equiv="Content-Type" content="text/html; charset=Shift_JIS">)~" "</head>"
    "<body><h2>受信フォルダリスト</h2>\n(クリックするとフォルダを表示します)\n";
inline constexpr const char* allFolderListHead =
    "<html><head>" R"~(<META http-equiv="Content-Type" content="text/html; charset=Shift_JIS">)~" "</head>"
    R"~(<body><h3><font face="Arial Black">Corvandelle</font><br>すべての受信フォルダリスト</h3>)~" "\n(クリックするとフォルダを表示します)\n";
inline constexpr const char* folderListTable = R"~(<TABLE cellpadding="5"><TBODY>)~";
inline constexpr const char* folderRowWithoutReport =
    R"~(<TR><TD><a href="file://%s" target="folder">%s</a><BlockQuote>)~" "\n"
    R"~(%s<br><br><font size="-1">[<a href="file://%s" target="_blank">このフォルダを新しいウィンドウで開く</a>]</font></BlockQuote></TD></TR>)~";
inline constexpr const char* folderRowWithReport =
    R"~(<TR><TD><a href="file://%s" target="folder">%s</a><BlockQuote>)~"
    R"~(%s<br><br><font size="-1">[<a href="file://%s" target="_blank">このフォルダを新しいウィンドウで開く</a>]</font></BlockQuote></TD></TR>)~";
inline constexpr const char* folderListEnd = "</TBODY></TABLE></body></html>\n";
inline constexpr const char* frameHead =
    R"~(<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.0 Transitional//EN">)~" "\n"
    R"~(<HTML><HEAD>)~" R"~(<META http-equiv="Content-Type" content="text/html; charset=Shift_JIS">)~"
    R"~(<META name="GENERATOR" content="Corvandelle"><TITLE>Corvandelle受信レポート（ハイブリッド形式）</TITLE></HEAD>)~" "\n";
inline constexpr const char* framesWithoutReport =
    R"~(<FRAMESET cols="40%%,*">)~" "\n" R"~(<FRAME src="%s" name="folderlist">)~" "\n"
    R"~(<FRAME name="folder">)~" "\n"
    "<NOFRAMES><BODY><P>このページをご覧いただくにはフレーム対応のブラウザが必要です。</P></BODY></NOFRAMES></FRAMESET></html>\n";
inline constexpr const char* framesWithReport =
    R"~(<FRAMESET rows="*,30%%">)~" "\n" R"~(<FRAME src="%s" name="report">)~" "\n"
    R"~(<FRAMESET cols="40%%,*">)~" "\n" R"~(<FRAME src="%s" name="folderlist">)~" "\n"
    R"~(<FRAME name="folder">)~" "\n"
    "</FRAMESET><NOFRAMES><BODY><P>このページをご覧いただくにはフレーム対応のブラウザが必要です。</P></BODY></NOFRAMES></FRAMESET></html>\n";

// ---- Receive log ------------------------------------------------------------
inline constexpr const char* logHead =
    R"~(<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.0 Transitional//EN">)~" "\n"
    R"~(<HTML><HEAD>)~" R"~(<META http-equiv="Content-Type" content="text/html; charset=Shift_JIS">)~"
    R"~(<META name="GENERATOR" content="Corvandelle"><TITLE>Corvandelleファイル受信ログ</TITLE><STYLE type="text/css">)~" "\n"
    "<!--\nA{\n  text-decoration : none;\n}\n-->\n</STYLE>\n</HEAD>\n"
    R"~(<body bgcolor="#ffffff">)~" "\n"
    R"~(<H1 align="center"><FONT face="Arial Black"><I>Corvandelle</I></FONT></H1><H2 align="center">ファイル受信ログ</H2>)~" "\n"
    "<H2><I>1.　ログファイルについて</I></H2>\n"
    "<P>このログファイルは受信の詳細を記したファイルです。</P>\n"
    "<P>このファイルの名前は次の通りです。</P>"
    R"~(<TABLE cellpadding="5"><TBODY><TR><TD bgcolor="#e4efec">%s</TD></TR></TBODY></TABLE><br>)~" "\n"
    "%4d 年 %2d 月 %2d 日 %2d 時 %2d 分 %2d 秒 作成";
inline constexpr const char* logBackToReport =
    "<P>受信レポートへ戻るには次のリンクをクリックしてください。\n"
    R"~(<TABLE cellpadding="5"><TBODY><TR><TD bgcolor="#e4efec">⇒<a href="file://%s" target="_self">受信レポートへ戻る</a></TD></TR></TBODY></TABLE></P>)~" "\n";
inline constexpr const char* logDetailStart = "<H2><I>2.　受信の詳細</I></H2>\n" R"~(<TABLE cellpadding="5"><TBODY>)~" "\n";

inline constexpr const char* logSourceRows =
    R"~(<TR><TD colspan="3" align="center" bgcolor="#dddddd">サーバー</TD><TD colspan="3" align="center" bgcolor="#dddddd"><FONT face="Courier New">%s</FONT></TR>)~" "\n"
    R"~(<TR><TD colspan="3" align="center" bgcolor="#dddddd">プロトコル</TD><TD colspan="3" align="center" bgcolor="#dddddd"><FONT face="Courier New">%s</FONT></TR>)~" "\n";
inline constexpr const char* protocolNames[3] = {"HTTP", "FTP", "添付"};
inline constexpr const char* logZipSuccess =
    R"~(<tr><td align="center" bgcolor="#e4efec"><font color="green">S</font></td><td bgcolor="#e4efec">ZIP</td><td bgcolor="#e4efec">%s</td><td bgcolor="#e4efec">--</td><td bgcolor="#e4efec">--</td><td align="right" bgcolor="#e4efec">%s</td></tr>)~" "\n";
inline constexpr const char* logZipFailure =
    R"~(<tr><td align="center" bgcolor="#e4efec"><font color="red">F</font></td><td bgcolor="#e4efec">ZIP</td><td bgcolor="#e4efec">%s</td><td bgcolor="#e4efec" align="center">--</td><td bgcolor="#e4efec" align="center">--</td><td align="right" bgcolor="#e4efec">--</td></tr>)~" "\n";
inline constexpr const char* logDestinationRows =
    R"~(<tr><td align="center" colspan="2" bgcolor="#dddddd">保存先</td><td colspan="4" bgcolor="#dddddd">%s</td></tr>)~" "\n"
    R"~(<tr><td align="center" bgcolor="#dddddd">結果</td bgcolor="#dddddd"><td align="center" bgcolor="#dddddd">形式</td><td align="center" bgcolor="#dddddd">保存名</td><td align="center" bgcolor="#dddddd">リモートファイル名</td><td align="center" bgcolor="#dddddd">転送モード</td><td align="center" bgcolor="#dddddd">サイズ</td></tr>)~" "\n";
inline constexpr const char* logFolderCreated =
    R"~(<tr><td align="center" bgcolor="%s"><font color="green">S</font></td><td bgcolor="%s">フォルダ</td><td bgcolor="%s">%s</td><td bgcolor="%s">%s</td><td bgcolor="%s" align="center">--</td><td align="right" bgcolor="%s" align="center">--</td></tr>)~" "\n";
inline constexpr const char* logFolderFailed =
    R"~(<tr><td align="center" bgcolor="%s"><font color="red">F</font></td><td bgcolor="%s">フォルダ</td><td bgcolor="%s">%s</td><td bgcolor="%s">%s</td><td bgcolor="%s">--</td><td align="right" bgcolor="%s">--</td></tr>)~" "\n";
inline constexpr const char* logFile =
    R"~(<tr><td align="center" bgcolor="%s">%s</td><td bgcolor="%s">ファイル</td><td bgcolor="%s">%s</td><td bgcolor="%s">%s</td><td bgcolor="%s" align="center">%s</td><td align="right" bgcolor="%s">%s</td></tr>)~" "\n";
inline constexpr const char* logFileFailed =
    R"~(<tr><td align="center" bgcolor="#ecece4"><font color="red">F</font></td><td bgcolor="#ecece4">ファイル</td><td bgcolor="#ecece4">%s</td><td bgcolor="#ecece4">%s</td><td bgcolor="#ecece4" align="center">%s</td bgcolor="#ecece4"><td align="right" bgcolor="#ecece4">--</td></tr>)~" "\n";
inline constexpr const char* markKept = R"~(<font color="blue">N</font>)~";
inline constexpr const char* markSuccess = R"~(<font color="green">S</font>)~";
inline constexpr const char* sizeBytes = "%d バイト";
inline constexpr const char* sizeKept = "受信済み";
inline constexpr const char* modeNone = "--";
inline constexpr const char* modeAscii = "ASCII";
inline constexpr const char* modeBinary = "BINARY";
inline constexpr const char* logFolderColour = "#e4ecec";

// The line that ended a receive early, as the last row of the detail table.
inline constexpr const char* logEndLineRow =
    R"~(<tr><td colspan="6" bgcolor="#ecece4"><font color="red">%s</font></td></tr>)~" "\n";
inline constexpr const char* logTotalsCount =
    R"~(<TR><TD rowspan="2" align="center" bgcolor="#dddddd">%s</TD><TD colspan="2" align="center" bgcolor="#dddddd">受信ファイル数</TD><TD colspan="3" align="center" bgcolor="%s"><FONT face="Courier New">%d (失敗 : %d)</FONT></TD></TR>)~" "\n";
inline constexpr const char* logTotalsBytes =
    R"~(<TR><TD colspan="2" align="center" bgcolor="#dddddd">受信ファイルサイズ</TD><TD colspan="3" align="center" bgcolor="%s"><FONT face="Courier New">%d バイト</FONT></TR>)~" "\n";
inline constexpr const char* logTotalsSumBytes =
    R"~(<TR><TD colspan="2" align="center" bgcolor="#dddddd">受信ファイルサイズ</TD><TD colspan="3" align="center" bgcolor="#ece4ec"><FONT face="Courier New" bgcolor="#ece4ec">%d バイト</FONT></TD></TR>)~" "\n";
inline constexpr const char* logSumName = "合計";
inline constexpr const char* logSumColour = "#ece4ec";
inline constexpr const char* logLegend =
    "</TBODY></TABLE>\n"
    R"~(<TABLE cellpadding="5"><TBODY><TR>)~" "\n"
    R"~(<TD bgcolor="#e4efec"><font color="green">S</font></TD><TD bgcolor="#e4efec">成功</TD></TR>)~" "\n"
    R"~(<TD bgcolor="#e4efec"><font color="red">F</font></TD><TD bgcolor="#e4efec">失敗</TD></TR>)~" "\n"
    R"~(<TD bgcolor="#e4efec"><font color="blue">N</font></TD><TD bgcolor="#e4efec">受信済み</TD></TR>)~" "\n"
    "</TBODY></TABLE>\n";
inline constexpr const char* logClosingHeading =
    R"~(<H2><I>3.　<FONT face="Arial Black">Corvandelle</FONT> に関する情報</I></H2>)~" "\n";

// ---- Error report -----------------------------------------------------------
inline constexpr const char* errorHead =
    R"~(<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.0 Transitional//EN">)~" "\n"
    R"~(<HTML><HEAD>)~" R"~(<META http-equiv="Content-Type" content="text/html; charset=Shift_JIS">)~"
    R"~(<META name="GENERATOR" content="Corvandelle"><TITLE>Corvandelleエラー・レポート</TITLE><STYLE type="text/css">)~" "\n"
    "<!--\nA{\n  text-decoration : none;\n}\n-->\n</STYLE>\n</HEAD>\n"
    R"~(<H1 align="center"><FONT face="Arial Black"><I>Corvandelle</I></FONT></H1><H2 align="center">エラー・レポート</H2>)~" "\n";
inline constexpr const char* errorBackToReport =
    "<P>受信レポートへ戻るには次のリンクをクリックしてください。\n"
    R"~(<TABLE cellpadding="5"><TBODY><TR><TD bgcolor="%s">⇒<a href="%s">受信レポートへ戻る</a></TD></TR></TBODY></TABLE></P>)~" "\n";
inline constexpr const char* errorTableHeading = "<H2><I>1.　受信中に次のようなエラーが生じました。</I></H2>";
inline constexpr const char* errorTableHead =
    R"~(<TABLE cellpadding="5"><TBODY><TR><TD align="center" bgcolor="#dddddd">番号</TD><TD align="center" bgcolor="#dddddd">タスク</TD><TD align="center" bgcolor="#dddddd">ソース</TD><TD align="center" bgcolor="#dddddd">ファイルリスト</TD><TD align="center" bgcolor="#dddddd">エラー</TD></TR>)~" "\n";
inline constexpr const char* errorRow =
    R"~(<TR><TD align="center" bgcolor="%s">%d</TD><TD bgcolor="%s">%s</TD><TD bgcolor="%s">%s</TD><TD bgcolor="%s">%s</TD><TD bgcolor="%s">%s</TD></TR>)~" "\n";
inline constexpr const char* copyFailureHeading =
    "<br><H5>受信一時ファイルをコピーする際にエラーが生じました。受信は成功していますが、ファイルのコピーができませんでした。</H5>\n";
inline constexpr const char* copyFailureHead =
    R"~(<TABLE cellpadding="5"><TBODY><TR><TD align="center" bgcolor="#dddddd">番号</TD><TD align="center" bgcolor="#dddddd">受信済み一時ファイル名</TD><TD align="center" bgcolor="#dddddd">コピー先ファイル名</TD></TR>)~" "\n";
inline constexpr const char* copyFailureRow =
    R"~(<TR><TD align="center" bgcolor=%s>%d</TD><TD bgcolor=%s>%s</TD><TD bgcolor=%s>%s</TD></TR>)~" "\n";
inline constexpr const char* errorReportOpenFailed =
    "エラーレポート表示中にエラーが生じました。エラーレポートファイルを開くことができません。\r\n%s\r\nをご覧下さい。";
inline constexpr const char* logCreateFailed = "ログファイル作成中にエラーが生じたのでログの作成を中止します";

// Row colours.
inline constexpr const char* colourA = "#e4efec";
inline constexpr const char* colourB = "#ecece4";

// ---- Page names -------------------------------------------------------------
inline constexpr const char* reportFolder = "_html___";
inline constexpr const char* counterFile = "__no____.dat";
inline constexpr const char* unusedLogName = "Log00.htm";

} // namespace reports::texts
