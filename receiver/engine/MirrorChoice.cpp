#include "receiver/engine/MirrorChoice.h"

#include "receiver/engine/ReceiveError.h"

#include <chrono>
#include <memory>
#include <random>
#include <vector>

namespace receive {

MirrorChoice::RandomSource MirrorChoice::seededRandom()
{
    auto engine = std::make_shared<std::mt19937>(
        static_cast<unsigned>(std::chrono::system_clock::now().time_since_epoch().count()));
    return [engine](unsigned total) { return total ? static_cast<unsigned>((*engine)() % total) : 0u; };
}

ChosenServer MirrorChoice::choose(const SourceRecord& source, const RandomSource& random)
{
    struct Candidate {
        ChosenServer server;
        int weight;
    };
    std::vector<Candidate> candidates;
    candidates.push_back({{source.serverName, {}, source.protocol, source.port != 0, source.port}, 100});
    if (source.mirrorSites.empty())
        return candidates.front().server;
    for (const MirrorSite& site : source.mirrorSites) {
        // The document reader keeps only "http" and "ftp" sites; the others
        // are dropped here too.
        if (site.host.empty() || site.id.empty() || site.weight <= 0
            || (site.protocol != guidepost::ProtocolHttp && site.protocol != guidepost::ProtocolFtp))
            continue;
        candidates.push_back({{site.host, site.id, site.protocol, site.port != 0,
                               static_cast<std::uint16_t>(site.port)},
                              site.weight});
    }
    unsigned total = 0;
    for (const Candidate& c : candidates)
        total += static_cast<unsigned>(c.weight);
    unsigned r = random(total);
    for (const Candidate& c : candidates) {
        // "<=": the first candidate also wins r == its weight.
        if (r <= static_cast<unsigned>(c.weight))
            return c.server;
        r -= static_cast<unsigned>(c.weight);
    }
    return candidates.back().server;
}

std::string MirrorChoice::remoteFolder(const FileListRecord& list, const ChosenServer& server)
{
    if (server.mirrorId.empty() || !list.mirrorFoldersPresent)
        return list.remoteFolder;
    auto it = list.mirrorFolders.find(server.mirrorId);
    if (it == list.mirrorFolders.end())
        throw ReceiveError(CAMException::BadMirrorFolder, "[" + list.name + "]");
    return it->second;
}

} // namespace receive
