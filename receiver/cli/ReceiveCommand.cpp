#include "receiver/cli/ReceiveCommand.h"

#include "receiver/cli/SessionInbox.h"
#include "receiver/cli/SignalWatcher.h"
#include "receiver/cli/TerminalEcho.h"
#include "receiver/cli/TerminalHost.h"

#include "receiver/engine/ReceiveSession.h"
#include "receiver/engine/ReceiveTexts.h"

#include "receiver/reports/PageText.h"
#include "receiver/reports/ReportTexts.h"

#include "platform/CommandLine.h"
#include "platform/SaveRoot.h"
#include "platform/Settings.h"
#include "platform/Shell.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace cli {

using namespace receive;

namespace {

struct Parsed {
    std::string source;
    std::string root;
    bool rootGiven = false;
    bool openPages = false;
    bool help = false;
    TerminalHost::Options terminal;
    ReceiveSessionOptions session;
};

bool yesNo(const std::string& value, bool& flag)
{
    if (value != "yes" && value != "no")
        return false;
    flag = value == "yes";
    return true;
}

bool number(const std::string& value, long low, long high, long& out)
{
    if (value.empty() || value.size() > 9 || value.find_first_not_of("0123456789") != std::string::npos)
        return false;
    long n = std::atol(value.c_str());
    if (n < low || n > high)
        return false;
    out = n;
    return true;
}

// One row per option: the table drives both the parsing and --help.
struct OptionRule {
    const char* name;
    const char* value;  // nullptr: a flag without a value
    bool separate;      // the value is the next argument, else "--name=value"
    const char* help;
    bool (*apply)(Parsed& p, const std::string& value);  // false: the value is not allowed
};

const OptionRule optionTable[] = {
    {"--root", "DIR", true, "保存フォルダ（既定: 設定の保存フォルダ）",
     [](Parsed& p, const std::string& v) { return p.root = v, p.rootGiven = true; }},
    {"--yes", nullptr, false, "すべての質問に既定の答えを使います",
     [](Parsed& p, const std::string&) { return p.terminal.assumeDefaults = true; }},
    {"--cipher-code", "CODE", true, "暗号化されたガイドポストの暗号コード",
     [](Parsed& p, const std::string& v) { return p.terminal.cipherCode = v, true; }},
    {"--open", nullptr, false, "受信のあと、レポートや受信フォルダを開きます（既定: パスを表示するだけ）",
     [](Parsed& p, const std::string&) { return p.openPages = true; }},
    {"--gen-report", "yes|no", false, "受信レポートを作成するか",
     [](Parsed& p, const std::string& v) { return yesNo(v, p.session.reports.genReport); }},
    {"--show-report", "yes|no", false, "レポートを選んだスタイルで作成するか",
     [](Parsed& p, const std::string& v) { return yesNo(v, p.session.reports.showReport); }},
    {"--logging", "yes|no", false, "受信ログを作成するか",
     [](Parsed& p, const std::string& v) { return yesNo(v, p.session.reports.logging); }},
    {"--report-style", "0|1|2", false, "レポートのスタイル（0 シンプル, 1 スタンダード, 2 ロング）",
     [](Parsed& p, const std::string& v) {
         long n = 0;
         return number(v, 0, 2, n) && (p.session.reports.reportStyle = static_cast<int>(n), true);
     }},
    {"--report-rotation", "yes|no", false, "レポートに番号（1〜30）を付けて使い回すか",
     [](Parsed& p, const std::string& v) { return yesNo(v, p.session.reports.reportRotation); }},
    {"--connect-timeout", "MS", false, "サーバーへの接続を待つ時間（ミリ秒）",
     [](Parsed& p, const std::string& v) {
         long n = 0;
         return number(v, 100, 600000, n) && (p.session.transfer.connectTimeoutMs = n, true);
     }},
    {"--stall-time", "SEC", false, "データが届かないまま待つ時間（秒）",
     [](Parsed& p, const std::string& v) {
         long n = 0;
         return number(v, 1, 3600, n) && (p.session.transfer.stallSeconds = n, true);
     }},
    {"--ca-file", "FILE", false, "サーバー証明書の確認に加える認証局（PEM）",
     [](Parsed& p, const std::string& v) { return !v.empty() && (p.session.transfer.caFile = v, true); }},
    {"--passive-ftp", "yes|no", false, "FTP をパッシブモードで使うか",
     [](Parsed& p, const std::string& v) { return yesNo(v, p.session.transfer.passiveFtp); }},
    {"--sjis-names", "yes|no", false, "リモートのファイル名を Shift-JIS で送るか",
     [](Parsed& p, const std::string& v) { return yesNo(v, p.session.transfer.cp932Names); }},
    {"--retries", "N", false, "一時的な失敗（接続できない、切れた、503 など）をやり直す回数（既定: 3）",
     [](Parsed& p, const std::string& v) {
         long n = 0;
         return number(v, 0, 100, n) && (p.session.transfer.retries = static_cast<int>(n), true);
     }},
    {"--connections", "N", false, "一つのサーバーから同時に受信するファイルの数（1〜16、既定: 6）",
     [](Parsed& p, const std::string& v) {
         long n = 0;
         return number(v, 1, 16, n) && (p.session.transfer.connections = static_cast<int>(n), true);
     }},
    {"--no-resume", nullptr, false, "途中で止まったファイルを次の受信で続きから受け取らず、途中のデータも残しません",
     [](Parsed& p, const std::string&) { return p.session.transfer.resumeFolder.clear(), true; }},
    {"--help", nullptr, false, "この説明を表示します", [](Parsed& p, const std::string&) { return p.help = true; }},
};

std::string usageLine()
{
    return "使い方: corvan-cli receive SOURCE [OPTION...]\n";
}

// The rows as the shared parser reads them; it adds --help itself.
std::vector<platform::CommandLineOption> commandLineTable()
{
    std::vector<platform::CommandLineOption> table;
    for (const OptionRule& o : optionTable)
        if (std::strcmp(o.name, "--help") != 0)
            table.push_back({o.name, o.value, o.help, false, o.value && !o.separate});
    return table;
}

std::string helpText()
{
    std::string text = usageLine();
    text += "\nGuidePost（パス、file URL、http・https のアドレス）のファイルを受信します。\n\n";
    text += platform::describeOptions(commandLineTable());
    text += "\n--root 以外の値のある設定は、この受信だけ変わります（既定: 保存されている設定）。\n"
            "Ctrl-C で受信を中止します（もう一度押すと一時ファイルを消してすぐに終了します）。\n"
            "\n終了コード: 0 受信した, 3 受信したファイルがない, 1 エラー, 2 使い方の誤り, 130 中止した\n";
    return text;
}

int usageError(const std::string& what)
{
    std::fprintf(stderr, "%s\n%s", what.c_str(), usageLine().c_str());
    return 2;
}

// Fills p from args; returns 0 to go on, else the exit status (help or a
// usage error, already printed).
int parse(const std::vector<std::string>& args, Parsed& p)
{
    const platform::CommandLine line = platform::parseCommandLine(commandLineTable(), args);
    if (!line.error.empty())
        return usageError(line.error);
    if (line.help) {
        std::fputs(helpText().c_str(), stdout);
        return -1;
    }
    for (const OptionRule& o : optionTable)
        for (const std::string& value : line.all(o.name))
            if (!o.apply(p, value))
                return usageError(std::string(o.name) + " の値が正しくありません: " + value);
    if (line.operands.size() > 1)
        return usageError(line.operands[1] + " を解釈できません");
    if (line.operands.empty() || line.operands.front().empty()) {
        std::fputs(usageLine().c_str(), stderr);
        return 2;
    }
    p.source = line.operands.front();
    return 0;
}

const char* pageLabel(PageKind kind)
{
    switch (kind) {
    case PageKind::Report: return "レポート";
    case PageKind::Log: return "ログ";
    case PageKind::ErrorReport: return "エラーレポート";
    case PageKind::FolderList: return "フォルダリスト";
    case PageKind::AllFolders: return "すべての受信フォルダ";
    }
    return "";
}

// Opens target through the desktop (with --open) or names it.
void openOrName(const std::string& target, bool open, const std::string& failure)
{
    if (!open) {
        std::printf("開くページ（--open で開きます）: %s\n", target.c_str());
        return;
    }
    if (!platform::Shell::open(target))
        std::fprintf(stderr, "注意: %s\n", failure.c_str());
}

int exitStatus(const ReceiveResult& r)
{
    switch (r.outcome) {
    case ReceiveOutcome::Succeeded:
        // Every file arrived but none could be placed.
        return r.totals.filesReceived() > 0 ? 0 : (r.placementFailures.empty() ? 3 : 1);
    case ReceiveOutcome::NothingReceived:
        return 3;
    case ReceiveOutcome::Cancelled:
        return 130;
    case ReceiveOutcome::Failed:
        return 1;
    }
    return 1;
}

int runSession(Parsed& p)
{
    SessionInbox inbox;
    TerminalHost terminal(p.terminal);
    ReceiveSession session(p.session);
    session.setEventHandler([&inbox](const SessionEvent& event) { inbox.put(event); });
    const bool interactive = p.terminal.interactive;
    SignalWatcher signals([&session] { session.cancel(); },
                          [&session, interactive] {
                              // Second Ctrl-C: out at once, leaving no temporary file
                              // and the terminal echoing again.
                              TerminalEcho::restoreNow();
                              if (interactive)
                                  (void)!::write(STDERR_FILENO, "\r\033[K", 4);
                              session.discardTemporaryFiles();
                              std::_Exit(130);
                          });
    session.start(p.source, p.root);

    for (;;) {
        std::optional<SessionEvent> event = inbox.take(std::chrono::milliseconds(200));
        if (event && event->kind == SessionEventKind::Ended)
            break;
        if (event && event->kind == SessionEventKind::QuestionAsked) {
            Answer answer = terminal.ask(event->question, [&session] { return session.snapshot().questionPending; });
            session.answer(event->questionId, answer);
        } else if (event && event->kind == SessionEventKind::OpenRequested) {
            terminal.clearProgress();
            openOrName(event->name, p.openPages, std::string(texts::pageOpenFailed) + ": " + event->name);
        }
        terminal.drawProgress(session.snapshot());
    }
    terminal.clearProgress();
    const ReceiveResult r = session.result();

    for (const std::string& warning : r.warnings)
        std::fprintf(stderr, "注意: %s\n", warning.c_str());
    for (const std::string& line : r.errorLines) {
        // The error that ended the receive is shown once, below.
        if (line != r.message)
            std::fprintf(stderr, "%s\n", line.c_str());
    }
    for (const std::string& line : r.placementFailures)
        std::fprintf(stderr, "ファイルを置けませんでした: %s\n", line.c_str());
    for (const WrittenPage& page : r.pages)
        std::printf("%s: %s\n", pageLabel(page.kind), page.path.c_str());
    // The pages and the recent list are written already: a page that does
    // not open is only a warning.
    if (!r.errorReportToOpen.empty())
        openOrName(r.errorReportToOpen, p.openPages,
                   reports::fill(reports::texts::errorReportOpenFailed, {r.errorReportToOpen}));
    if (!r.pageToOpen.empty())
        openOrName(r.pageToOpen, p.openPages, std::string(texts::pageOpenFailed) + ": " + r.pageToOpen);

    if (terminal.unanswerable()) {
        std::fprintf(stderr, "エラー: 端末がないため質問に答えられません（--yes で既定の答えを使えます）: %s\n",
                     terminal.unanswered().c_str());
        return 1;
    }
    std::printf("受信: %lld ファイル, %lld バイト (失敗 %lld), ZIP %lld (失敗 %lld)\n",
                static_cast<long long>(r.totals.filesReceived()), static_cast<long long>(r.totals.bytes()),
                static_cast<long long>(r.totals.filesFailed()), static_cast<long long>(r.totals.zip.received),
                static_cast<long long>(r.totals.zip.failed));
    if (!r.message.empty())
        std::fprintf(stderr, "%s: %s\n", r.caption.c_str(), r.message.c_str());
    return exitStatus(r);
}

} // namespace

int receiveCommand(const std::vector<std::string>& args)
{
    platform::Settings settings;
    Parsed p;
    p.session = ReceiveSessionOptions::load(settings);
    if (int status = parse(args, p))
        return status < 0 ? 0 : status;
    if (!p.rootGiven) {
        auto checked = platform::SaveRoot::check(platform::SaveRoot::stored());
        for (const std::string& warning : checked.warnings)
            std::fprintf(stderr, "注意: %s\n", warning.c_str());
        p.root = checked.folder;
    }
    p.terminal.interactive = ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO);
    return runSession(p);
}

int runReceive(int argc, char** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    return receiveCommand(args);
}

} // namespace cli
