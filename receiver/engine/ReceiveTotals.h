#pragma once
// The counters of a whole receive, per protocol, kept by the finishing side
// and the engine together (atomics: both threads add into them).

#include <atomic>
#include <cstdint>

namespace receive {

struct ProtocolTotals {
    std::atomic<std::int64_t> received{0};
    std::atomic<std::int64_t> failed{0};
    std::atomic<std::int64_t> bytes{0};
    void zero() { received = 0, failed = 0, bytes = 0; }
};

struct ReceiveTotals {
    ProtocolTotals http;
    ProtocolTotals ftp;
    ProtocolTotals attach;
    ProtocolTotals zip;  // zip files created, failed, bytes

    void zero() { http.zero(), ftp.zero(), attach.zero(), zip.zero(); }
    std::int64_t filesReceived() const { return http.received + ftp.received + attach.received; }
};

} // namespace receive
