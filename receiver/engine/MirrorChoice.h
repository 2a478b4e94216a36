#pragma once
// Choosing one server for a source among its own and its mirror sites,
// weighted by each site's value.

#include "guidepost/CAMData.h"

#include <cstdint>
#include <functional>
#include <string>

namespace receive {

struct ChosenServer {
    std::string host;
    std::string mirrorId;  // empty: the source's own server
    int protocol = guidepost::ProtocolHttp;
    bool portGiven = false;
    std::uint16_t port = 0;
};

class MirrorChoice {
public:
    // Returns a number in [0, total); tests pin it.
    using RandomSource = std::function<unsigned(unsigned total)>;

    // The default source: a generator seeded when the receive starts.
    static RandomSource seededRandom();

    static ChosenServer choose(const SourceRecord& source, const RandomSource& random);

    // The remote folder of a file list on the chosen server. Throws
    // ReceiveError 41 when the list maps folders but not the chosen site's.
    static std::string remoteFolder(const FileListRecord& list, const ChosenServer& server);
};

} // namespace receive
