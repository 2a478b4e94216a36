#include "receiver/cli/ReceiveCommand.h"

#include "receiver/cli/TerminalHost.h"

#include "receiver/engine/ReceiveEventQueue.h"
#include "receiver/engine/ReceiveFinisher.h"
#include "receiver/engine/ReceiveProgress.h"
#include "receiver/engine/ReceiveTotals.h"
#include "receiver/engine/ReceiveWorker.h"

#include "guidepost/AccountStore.h"
#include "platform/SaveRoot.h"
#include "platform/Settings.h"

#include <chrono>
#include <cstdio>
#include <thread>
#include <unistd.h>

namespace cli {

using namespace receive;

namespace {

const char* const usage = "使い方: corvan-cli receive SOURCE [--root DIR] [--yes] [--cipher-code CODE]\n";
const char* const help =
    "GuidePost（パスまたは file URL）のファイルを受信します。\n"
    "\n"
    "  --root DIR          保存フォルダ（既定: 設定の保存フォルダ）\n"
    "  --yes               すべての質問に既定の答えを使います\n"
    "  --cipher-code CODE  暗号化されたガイドポストの暗号コード\n"
    "\n"
    "終了コード: 0 受信した, 3 受信したファイルがない, 1 エラー, 2 使い方の誤り\n";

} // namespace

int receiveCommand(const std::vector<std::string>& args)
{
    std::string source, root;
    bool rootGiven = false;
    TerminalHost::Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            std::fputs(usage, stdout);
            std::fputs(help, stdout);
            return 0;
        }
        if (a == "--yes") {
            options.assumeDefaults = true;
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

    platform::Settings settings;
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
    std::vector<std::string> failures;
    finisher.setLogHook([&](const ReceiveEvent& event, const FinishResult& result) {
        if (!result.ok)
            failures.push_back((event.destPath.empty() ? event.saveName : event.destPath) + ": " + result.error);
    });

    ReceiveWorker worker(host, queue, totals, progress, engineOptions);
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

    for (const std::string& line : worker.errorLines()) {
        // The error that ended the receive is shown once, below.
        if (line != outcome.message)
            std::fprintf(stderr, "%s\n", line.c_str());
    }
    for (const std::string& line : failures)
        std::fprintf(stderr, "ファイルを置けませんでした: %s\n", line.c_str());
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
