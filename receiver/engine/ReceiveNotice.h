#pragma once
// What the engine tells its host as a receive goes on. Progress is not among
// them: counters, names and bytes stand in ReceiveProgress, which the host
// reads whenever it likes, so nothing is sent per block.

namespace receive {

enum class ReceiveNotice {
    TasksBegin,        // the task loop begins; the task total is set
    TaskBegins,        // a task begins (its name is in ReceiveProgress)
    SourceBegins,      // a source begins
    FileListBegins,    // a file list begins
    EventsAppended,    // ReceiveEvents wait in the queue
    ConnectionStatus,  // value: a platform::ConnectionStatus code
    FetchBegins,       // a GuidePost or certificate fetch begins
    FetchEnded,        // ... and has ended
};

// The status text of a connection status code ("" for any other code).
const char* connectionStatusText(int code);

} // namespace receive
