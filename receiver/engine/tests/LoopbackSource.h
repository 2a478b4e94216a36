#pragma once
// The source the transfer tests point at their own server on 127.0.0.1.

#include "guidepost/CAMData.h"

#include <memory>

namespace receive::test {

inline std::unique_ptr<SourceRecord> loopbackSource(int protocol, int port)
{
    auto source = std::make_unique<SourceRecord>();
    source->name = "server";
    source->protocol = protocol;
    source->serverName = "127.0.0.1";
    source->port = static_cast<std::uint16_t>(port);
    return source;
}

} // namespace receive::test
