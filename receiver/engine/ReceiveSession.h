#pragma once
// One receive, the one way every host runs it (the window, corvan-cli, the
// tests, the benchmarks). The host starts it with a source and a save root,
// reads its progress snapshot when it likes, answers its questions, may
// cancel it at any time, and takes its one result at the end. The session
// owns its threads: the worker (fetching, the GuidePost, the transfers) and
// the finisher (placing received files, packing and unpacking zip files, the
// log rows, and at the end the report pages and the recent receive list).
//
// Threading contract:
// - Every method may be called from any thread. start() once.
// - cancel() may come at any time: before start() (the receive then stops at
//   its first step), during a transfer (seen within a second, even while no
//   byte arrives), while a question is pending (it is answered with its close
//   button and a QuestionWithdrawn event follows), while the finisher packs or
//   unpacks. A cancelled receive keeps the files already placed, finishes the
//   report and the log with "ユーザによりファイル受信は中止されました。" and
//   removes its temporary files.
// - The event handler is called on the session's threads, one call at a
//   time, in order, never while the session holds a lock of its own. It
//   must return promptly (a Qt host queues the event to its GUI thread); it
//   may call answer(), cancel() and snapshot(), but must not destroy the
//   session. Ended is the last event; result() may be taken in its handler.
//   finished(), waitFinished() and result() see the end only once the Ended
//   event has been handled, so a host that waits has seen every event.
// - The destructor cancels a receive still running and waits for its
//   threads; a pending question is answered with its close button, so the
//   host going away never leaves anything waiting.
// - Without an event handler every question is answered with its close
//   button.

#include "receiver/engine/ReceiveResult.h"
#include "receiver/engine/ReceiveSessionEvent.h"
#include "receiver/engine/ReceiveSessionOptions.h"
#include "receiver/engine/ReceiveSnapshot.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace receive {

class ReceiveSession {
public:
    using EventHandler = std::function<void(const SessionEvent& event)>;

    explicit ReceiveSession(ReceiveSessionOptions options);
    ~ReceiveSession();
    ReceiveSession(const ReceiveSession&) = delete;
    ReceiveSession& operator=(const ReceiveSession&) = delete;

    // Set before start(); the handler lives as long as the session runs.
    void setEventHandler(EventHandler handler);

    // Receives source (a path, a "file" URL or an http(s) address) into
    // saveRoot (made when missing, one level). False when already started.
    bool start(const std::string& source, const std::string& saveRoot);

    // Stops the receive as soon as it can; harmless when it has ended.
    void cancel();
    bool cancelRequested() const;

    // The answer to the pending question (button, and text where it takes
    // one). False when that question is no longer pending.
    bool answer(std::uint64_t questionId, const Answer& answer);

    ReceiveSnapshot snapshot() const;

    // True once the receive has ended (and its Ended event was handled).
    bool finished() const;
    // Waits at most timeout for the end; true when it has ended.
    bool waitFinished(std::chrono::milliseconds timeout) const;
    // The result; waits for the end when called earlier.
    ReceiveResult result() const;

    // For a host that must end at once (a second Ctrl-C): stops the
    // receive and deletes its temporary files now, without waiting for its
    // threads. The process is expected to exit right after.
    void discardTemporaryFiles();

    // Removes the temporary folders of receives whose process has gone (a
    // SIGKILL, a crash, a power cut); every receive does it as it starts.
    // Returns how many went.
    static int removeAbandonedTemporaryFolders();

private:
    class Run;
    std::unique_ptr<Run> run_;
};

} // namespace receive
