#pragma once
// The numbered messages between the receive engine, its worker and the view
// (WM_USER + n on the original platform; the numbers are kept so logs and
// hosts agree).

namespace receive {

inline constexpr int userBase = 1024;

enum class ReceiveMessage : int {
    // View messages: worker and transfer status.
    ConnectionStatus = userBase + 1,   // wParam: status code
    FileListChanged = userBase + 3,
    SourceChanged = userBase + 4,
    TaskChanged = userBase + 5,
    CountersChanged = userBase + 6,
    ReceiveEnded = userBase + 7,
    BytesReceived = userBase + 8,
    ProgressRange = userBase + 9,
    CloseWhenDrained = userBase + 10,
    EventReady = userBase + 11,
    FetchBegins = userBase + 12,
    ProgressRange2 = userBase + 13,
    BytesReceived2 = userBase + 14,
    FetchEnded = userBase + 15,
    // The receive driver's messages.
    FileListCount = 1027,    // lParam: number of file lists, or 0 as each begins
    SourceBegins = 1028,
    TaskCount = 1029,        // lParam: number of tasks, or 0 as each begins
    CounterChanged = 1030,
    ReceiveOver = 1031,
    FileBytes = 1032,
    FileBegins = 1033,       // lParam: file size, 0 when unknown
    CloseWhenDrainedMain = 1034,
    EventsAppended = 1035,
};

// The status text of a connection status code ("" for any other code).
const char* connectionStatusText(int code);

} // namespace receive
