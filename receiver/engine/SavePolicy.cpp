#include "receiver/engine/SavePolicy.h"

#include "receiver/engine/ReceiveError.h"
#include "receiver/engine/ReceiveHost.h"
#include "receiver/engine/ReceiveProgress.h"

#include "guidepost/Keywords.h"

#include <cerrno>
#include <sys/stat.h>

namespace receive {

bool SavePolicy::resolve(PolicyLevel level, const std::string& itemName, int update, bool synchronize,
                         PolicyState& state, Transfer transfer)
{
    if (synchronize)
        state.synchronize = true;
    // FTP file lists and files read only "force" and "ifnotexist".
    if (transfer == Transfer::Ftp && (level == PolicyLevel::File || level == PolicyLevel::FileList)
        && update == guidepost::UpdateUp2Date)
        return true;

    if (update == guidepost::UpdateForce || update == guidepost::UpdateUp2Date) {
        const bool up2date = update == guidepost::UpdateUp2Date;
        if (up2date && level != PolicyLevel::Source)
            state.synchronize = true;
        if (!memory_.askUpdate || !state.askHere) {
            state.policy = update;
            return true;
        }
        Answer a = host_.ask(up2date ? Questions::updateUp2Date(level, itemName)
                                     : Questions::updateForce(level, itemName));
        switch (a.button) {
        case UpdateAllowAll:
            memory_.askUpdate = false;
            [[fallthrough]];
        case UpdateAllowItem:
            state.policy = update;
            state.askHere = false;
            return true;
        case UpdateAskInstead:
            state.policy = guidepost::UpdateDefault;
            if (level == PolicyLevel::Task || level == PolicyLevel::File)
                state.synchronize = false;
            return true;
        default:
            return false;
        }
    }
    if (update == guidepost::UpdateIfNotExist) {
        if (!state.ifnotexistToUpdate) {
            state.policy = guidepost::UpdateIfNotExist;
        } else if (state.ifnotexistAsked) {
            state.policy = guidepost::UpdateDefault;
        } else {
            Answer a = host_.ask(Questions::ifNotExist());
            if (a.button == AnswerOk) {
                state.policy = guidepost::UpdateDefault;
            } else {
                state.policy = guidepost::UpdateIfNotExist;
                state.ifnotexistToUpdate = false;
            }
            state.ifnotexistAsked = true;
        }
    }
    return true;
}

bool SavePolicy::resolveFile(const FileRecord& file, const std::string& itemName, PolicyState& state,
                             Transfer transfer)
{
    if (file.synchronizeOff)
        state.synchronize = false;
    return resolve(PolicyLevel::File, itemName, file.update, file.synchronize, state, transfer);
}

bool SavePolicy::shouldReceive(const std::string& localPath, int policy, Transfer transfer,
                               std::optional<std::int64_t> remoteTime)
{
    struct stat st;
    if (::lstat(localPath.c_str(), &st) != 0) {
        if (errno == ENOENT)
            return true;
        throw ReceiveError(CAMException::FileCreateFailed, localPath);
    }
    if (policy == guidepost::UpdateForce)
        return true;
    if (policy == guidepost::UpdateIfNotExist)
        return false;
    // Time comparison needs the remote time; without it the file is handled
    // as under the default policy rather than never replaced.
    if (policy == guidepost::UpdateUp2Date && transfer != Transfer::Ftp && remoteTime)
        return st.st_mtime < *remoteTime;

    switch (memory_.overwriteMode) {
    case 1:
        return false;
    case 3:
        return true;
    case 5:
        progress_.cancel = true;
        throw ReceiveError(CAMException::UserCancelled);
    default:
        break;
    }
    progress_.fileSize = 0;
    progress_.fileReceived = 0;
    Answer a = host_.ask(Questions::overwrite(localPath));
    switch (a.button) {
    case OverwriteThis:
        return true;
    case OverwriteAll:
        memory_.overwriteMode = 3;
        return true;
    case OverwriteNotThis:
        return false;
    case OverwriteOnlyNew:
        memory_.overwriteMode = 1;
        return false;
    default:
        progress_.cancel = true;
        throw ReceiveError(CAMException::UserCancelled);
    }
}

} // namespace receive
