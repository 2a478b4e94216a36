#pragma once
// The local name of a received file.

#include <string>

namespace receive {

class LocalName {
public:
    // The file's name, or else the remote name after its last "/", cut
    // before the first "#" or "?". Empty when nothing usable is left, or when
    // the name could lead out of its folder (platform::SafeName); reason
    // then says why.
    static std::string of(const std::string& name, const std::string& remote, std::string& reason);
    // The local name as a failed file's row shows it: of(), or the name as
    // the GuidePost gave it when of() refuses it.
    static std::string shown(const std::string& name, const std::string& remote);
    // Remote names lose leading "/" and white space.
    static std::string remoteName(const std::string& remote);
    // Remote folders lose trailing "/" and white space (at most 259 bytes).
    static std::string remoteFolder(const std::string& folder);
};

} // namespace receive
