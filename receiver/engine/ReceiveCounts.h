#pragma once
// The counters of a receive as a plain value: what a host reads from a
// snapshot or a result (64-bit; the pages print them as the system's 32-bit
// numbers).

#include <cstdint>

namespace receive {

struct ProtocolCounts {
    std::int64_t received = 0;
    std::int64_t failed = 0;
    std::int64_t bytes = 0;
};

struct ReceiveCounts {
    ProtocolCounts http;
    ProtocolCounts ftp;
    ProtocolCounts attach;
    ProtocolCounts zip;  // zip files made, failed, bytes

    std::int64_t filesReceived() const { return http.received + ftp.received + attach.received; }
    std::int64_t filesFailed() const { return http.failed + ftp.failed + attach.failed; }
    std::int64_t bytes() const { return http.bytes + ftp.bytes + attach.bytes; }
};

} // namespace receive
