#pragma once
// The update policy handed down from task to source to file list to file,
// the confirmations of the stronger policies, and the decision whether an
// existing local file may be replaced.

#include "receiver/engine/Questions.h"

#include "guidepost/CAMData.h"

#include <cstdint>
#include <optional>
#include <string>

namespace receive {

class ReceiveHost;
struct ReceiveProgress;

// What one level hands to the next.
struct PolicyState {
    int policy = 0;  // guidepost::UpdatePolicy
    bool synchronize = false;
    bool askHere = true;             // force/up2date confirmations still to be asked here
    bool ifnotexistToUpdate = false; // the receiver's "i2n" setting
    bool ifnotexistAsked = false;
};

// Per receive: answers that hold until the receive ends.
struct PolicyMemory {
    bool askUpdate = true;
    // 0 ask, 1 keep every existing file, 3 overwrite every existing file, 5 abort.
    int overwriteMode = 0;
};

enum class Transfer { Http, Ftp, Attach };

class SavePolicy {
public:
    SavePolicy(ReceiveHost& host, ReceiveProgress& progress, PolicyMemory& memory)
        : host_(host), progress_(progress), memory_(memory)
    {
    }

    // Applies one level's `update` (and `synchronize`) to state. False when
    // the user chose to skip this item.
    bool resolve(PolicyLevel level, const std::string& itemName, int update, bool synchronize, PolicyState& state,
                 Transfer transfer = Transfer::Http);
    // The file level: as resolve, and synchronize="no" clears what the
    // levels above set.
    bool resolveFile(const FileRecord& file, const std::string& itemName, PolicyState& state, Transfer transfer);

    // Whether the file at localPath is to be received. remoteTime: seconds
    // since 1970 (UTC) when known. Throws ReceiveError 37 when the local
    // file's status cannot be read, 43 when the user stops the receive.
    bool shouldReceive(const std::string& localPath, int policy, Transfer transfer,
                       std::optional<std::int64_t> remoteTime);

private:
    ReceiveHost& host_;
    ReceiveProgress& progress_;
    PolicyMemory& memory_;
};

} // namespace receive
