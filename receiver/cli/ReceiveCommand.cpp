#include "receiver/cli/ReceiveCommand.h"

#include "receiver/cli/TerminalHost.h"

#include "receiver/engine/ReceiveEventQueue.h"
#include "receiver/engine/ReceiveFinisher.h"
#include "receiver/engine/ReceiveProgress.h"
#include "receiver/engine/ReceiveReporting.h"
#include "receiver/engine/ReceiveTexts.h"
#include "receiver/engine/ReceiveTotals.h"
#include "receiver/engine/ReceiveWorker.h"

#include "receiver/reports/ReportTexts.h"

#include "guidepost/AccountStore.h"
#include "guidepost/CAMException.h"
#include "platform/SaveRoot.h"
#include "platform/Settings.h"
#include "platform/Shell.h"

#include <chrono>
#include <cstdio>
#include <thread>
#include <unistd.h>

namespace cli {

using namespace receive;

namespace {

const char* const usage = "使い方: corvan-cli receive SOURCE [--root DIR] [--yes] [--cipher-code CODE] [--open]\n"
                          "         [--gen-report=yes|no] [--show-report=yes|no] [--logging=yes|no]\n"
                          "         [--report-style=0|1|2] [--report-rotation=yes|no]\n";
const char* const help =
    "GuidePost（パス、file URL、http・https のアドレス）のファイルを受信します。\n"
    "\n"
    "  --root DIR          保存フォルダ（既定: 設定の保存フォルダ）\n"
    "  --yes               すべての質問に既定の答えを使います\n"
    "  --cipher-code CODE  暗号化されたガイドポストの暗号コード\n"
    "  --open              書いたレポートや受信フォルダを開きます（既定: パスを表示するだけ）\n"
    "  --gen-report=yes|no, --show-report=yes|no, --logging=yes|no,\n"
    "  --report-style=0|1|2, --report-rotation=yes|no\n"
    "                      この受信だけレポートの設定を変えます（既定: 設定の値）\n"
    "\n"
    "終了コード: 0 受信した, 3 受信したファイルがない, 1 エラー, 2 使い方の誤り\n";

// "--name=value" of a report setting; false when the value is not allowed.
bool reportOverride(const std::string& arg, reports::ReportSettings& s, bool& known)
{
    known = true;
    auto eq = arg.find('=');
    std::string name = arg.substr(0, eq);
    std::string value = eq == std::string::npos ? std::string() : arg.substr(eq + 1);
    bool* flag = name == "--gen-report"       ? &s.genReport
                 : name == "--show-report"    ? &s.showReport
                 : name == "--logging"        ? &s.logging
                 : name == "--report-rotation" ? &s.reportRotation
                                               : nullptr;
    if (flag) {
        if (value != "yes" && value != "no")
            return false;
        *flag = value == "yes";
        return true;
    }
    if (name == "--report-style") {
        if (value.size() != 1 || value[0] < '0' || value[0] > '2')
            return false;
        s.reportStyle = value[0] - '0';
        return true;
    }
    known = false;
    return false;
}

} // namespace

int receiveCommand(const std::vector<std::string>& args)
{
    std::string source, root;
    bool rootGiven = false;
    TerminalHost::Options options;
    platform::Settings settings;
    reports::ReportSettings reportSettings = reports::ReportSettings::load(settings);
    bool openPages = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            std::fputs(usage, stdout);
            std::fputs(help, stdout);
            return 0;
        }
        if (a == "--yes") {
            options.assumeDefaults = true;
        } else if (a == "--open") {
            openPages = true;
        } else if (a.rfind("--", 0) == 0 && a.find('=') != std::string::npos) {
            bool known = false;
            if (!reportOverride(a, reportSettings, known)) {
                std::fprintf(stderr, known ? "%s の値が正しくありません\n%s" : "%s を解釈できません\n%s", a.c_str(),
                             usage);
                return 2;
            }
        } else if (a == "--root" || a == "--cipher-code") {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "%s に値がありません\n%s", a.c_str(), usage);
                return 2;
            }
            (a == "--root" ? root : options.cipherCode) = args[++i];
            rootGiven = rootGiven || a == "--root";
        } else if (a.rfind("--", 0) == 0 || !source.empty()) {
            std::fprintf(stderr, "%s を解釈できません\n%s", a.c_str(), usage);
            return 2;
        } else {
            source = a;
        }
    }
    if (source.empty()) {
        std::fputs(usage, stderr);
        return 2;
    }
    if (!rootGiven) {
        auto checked = platform::SaveRoot::check(platform::SaveRoot::stored());
        for (const std::string& warning : checked.warnings)
            std::fprintf(stderr, "注意: %s\n", warning.c_str());
        root = checked.folder;
    }
    options.interactive = ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO);

    ReceiveOptions engineOptions;
    engineOptions.ifnotexistToUpdate = settings.getBool("settings", "i2n");
    engineOptions.allowBasicAuth = settings.getBool("settings", "AllowBasicAuth");
    engineOptions.proxies.load(settings);
    AccountStore accounts;
    if (accounts.load() == AccountStore::LoadResult::Loaded)
        engineOptions.accounts = &accounts;

    ReceiveEventQueue queue;
    ReceiveTotals totals;
    ReceiveProgress progress;
    TerminalHost host(progress, options);
    ReceiveFinisher finisher(totals);
    ReceiveWorker worker(host, queue, totals, progress, engineOptions);
    ReceiveReporting reporting(reportSettings, source);
    reporting.attach(finisher, worker, totals);

    // Without --open nothing is launched: the pages to open are only named.
    std::vector<std::string> opened;
    if (!openPages)
        platform::Shell::setOpener([&opened](const std::string& target) {
            opened.push_back(target);
            return true;
        });
    struct OpenerReset {
        bool active;
        ~OpenerReset()
        {
            if (active)
                platform::Shell::setOpener({});
        }
    } openerReset{!openPages};

    WorkerOutcome outcome;
    std::atomic<bool> done{false};
    std::thread thread([&] {
        outcome = worker.run(source, root);
        done = true;
    });
    // The host thread finishes what the worker hands over, as the window does.
    while (!done) {
        finisher.drain(queue);
        host.drawProgress();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    thread.join();
    finisher.drain(queue);
    host.drawProgress();
    host.clearProgress();

    const std::vector<std::string>& failures = reporting.failureLines();
    if (reporting.logFailed())
        std::fprintf(stderr, "注意: %s\n", reports::texts::logCreateFailed);

    for (const std::string& line : worker.errorLines()) {
        // The error that ended the receive is shown once, below.
        if (line != outcome.message)
            std::fprintf(stderr, "%s\n", line.c_str());
    }
    for (const std::string& line : failures)
        std::fprintf(stderr, "ファイルを置けませんでした: %s\n", line.c_str());

    // The pages of a receive that reached its tasks, however it ended.
    if (finisher.finished() && outcome.status != WorkerOutcome::NotStarted) {
        reports::RecentReceiveList recent;
        recent.load(settings);
        try {
            reports::ReportOutcome pages = reporting.finish(outcome, totals, finisher.failures(), &settings, recent);
            if (pages.reportWritten)
                std::printf("レポート: %s\n", pages.pages.report.c_str());
            if (!reporting.logPath().empty())
                std::printf("ログ: %s\n", reporting.logPath().c_str());
            if (pages.errorReportWritten) {
                std::printf("エラーレポート: %s\n", pages.pages.error.c_str());
                platform::Shell::open(pages.pages.error);
            }
            if (!pages.pages.pageToOpen.empty())
                platform::Shell::open(pages.pages.pageToOpen);
            if (!pages.pages.frame.empty() && pages.pages.pageToOpen == pages.pages.frame)
                std::printf("フォルダリスト: %s\n", pages.pages.frame.c_str());
            if (!pages.pages.mrrFrame.empty() && pages.pages.pageToRemember == pages.pages.mrrFrame)
                std::printf("すべての受信フォルダ: %s\n", pages.pages.mrrFrame.c_str());
        } catch (const CAMException& e) {
            std::fprintf(stderr, "%s: %s\n", receive::texts::errorCaption, e.message());
            return 1;
        }
        for (const std::string& target : opened)
            std::printf("開くページ（--open で開きます）: %s\n", target.c_str());
    }

    if (host.unanswerable()) {
        std::fprintf(stderr, "エラー: 端末がないため質問に答えられません（--yes で既定の答えを使えます）: %s\n",
                     host.unanswered().c_str());
        return 1;
    }
    std::printf("受信: %lld ファイル, %lld バイト (失敗 %lld), ZIP %lld (失敗 %lld)\n",
                static_cast<long long>(totals.filesReceived()),
                static_cast<long long>(totals.http.bytes + totals.ftp.bytes + totals.attach.bytes),
                static_cast<long long>(totals.http.failed + totals.ftp.failed + totals.attach.failed),
                static_cast<long long>(totals.zip.received.load()), static_cast<long long>(totals.zip.failed.load()));
    switch (outcome.status) {
    case WorkerOutcome::Received:
        if (totals.filesReceived() > 0)
            return 0;
        // Every file arrived but none could be placed.
        return failures.empty() ? 3 : 1;
    case WorkerOutcome::NotStarted:
        return 3;
    case WorkerOutcome::NothingReceived:
        std::fprintf(stderr, "%s: %s\n", outcome.caption.c_str(), outcome.message.c_str());
        return 3;
    case WorkerOutcome::Failed:
        break;
    }
    std::fprintf(stderr, "%s: %s\n", outcome.caption.c_str(), outcome.message.c_str());
    return 1;
}

int runReceive(int argc, char** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    return receiveCommand(args);
}

} // namespace cli
