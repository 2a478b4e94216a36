#pragma once
// The receive driver: walks a GuidePost task by task, source by source,
// file list by file list and file by file, asks what must be asked, and
// reports every step through the host and the event queue.

#include "receiver/engine/MirrorChoice.h"
#include "receiver/engine/ProxySettings.h"
#include "receiver/engine/SavePolicy.h"
#include "receiver/engine/TaskCounters.h"

#include "guidepost/CAMData.h"
#include "platform/InternetTypes.h"
#include "receiver/reports/ReportTypes.h"

#include <array>
#include <ctime>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

class AccountStore;

namespace receive {

class ReceiveEventQueue;
class ReceiveHost;
struct Question;
struct ReceiveProgress;
struct ReceiveTotals;
struct SourceLogin;

// The head of a GuidePost as the driver reads it.
struct GuidePostHead {
    std::string name;
    std::string creator;
    std::string comment;
    std::string contentVersion;
    bool datePresent = false;
    int year = 0, month = 0, day = 0;
    bool local = false;
    bool navigation = false;
    bool encrypt = false;
    bool archived = false;
    // The certification site of a signed GuidePost.
    bool digestPresent = false;
    std::string digestUrl;
    std::string digestName;
    std::string digestType;

    static GuidePostHead of(const CAMData& model);
};

// The cipher key of an enciphered GuidePost: the code's first 16 bytes.
struct CipherKey {
    std::array<unsigned char, 16> bytes{};
    std::size_t length = 0;
    bool enciphered = false;
};

struct ReceiveOptions {
    bool ifnotexistToUpdate = false;  // "i2n"
    const AccountStore* accounts = nullptr;
    ProxySettings proxies;
    MirrorChoice::RandomSource random;  // empty: seeded from the clock
    int maxOpenFolders = 8;
    bool allowBasicAuth = false;  // "AllowBasicAuth"
    platform::InternetOptions transfer;
};

class ReceiveEngine {
public:
    // Takes each piece of an attachment's file in order; false stops it.
    using AttachmentSink = std::function<bool(const unsigned char* data, std::size_t length)>;
    // Hands one attachment's file to sink, deciphered with key; true when
    // all of it went.
    using AttachmentExtractor =
        std::function<bool(const AttachRecord& attachment, const CipherKey& key, const AttachmentSink& sink)>;
    // Receives one HTTP or FTP source instead of the built-in transfers
    // (a host may route them elsewhere).
    struct RemoteSource {
        const SourceRecord* source;
        ChosenServer server;
        const SourceLogin* login;
        PolicyState policy;
        std::string folder;
    };
    using RemoteTransfer = std::function<void(ReceiveEngine& engine, const RemoteSource& source)>;

    ReceiveEngine(ReceiveHost& host, ReceiveEventQueue& queue, ReceiveTotals& totals, ReceiveProgress& progress,
                  ReceiveOptions options = {});
    ~ReceiveEngine();

    void setAttachmentExtractor(AttachmentExtractor extractor) { extractor_ = std::move(extractor); }
    void setRemoteTransfer(RemoteTransfer transfer) { remoteTransfer_ = std::move(transfer); }
    // Called once the receive begins, after certification and the welcome,
    // with the save root it receives into (a certified GuidePost's own
    // folder): the reports are written below it.
    using BeginHook = std::function<void(const std::string& saveRoot)>;
    void setBeginHook(BeginHook hook) { beginHook_ = std::move(hook); }
    // The GuidePost file as received: certification compares its digest.
    void setGuidePostFile(std::string path) { guidePostFile_ = std::move(path); }

    // The whole receive into saveRoot (which exists). False when the user
    // chose not to receive at the welcome; throws CAMException (usually a
    // ReceiveError) on failure, 38 when nothing at all was received.
    bool Receive(const CAMData& model, const std::string& saveRoot);
    bool Receive(const GuidePostHead& head, const std::vector<std::unique_ptr<TaskRecord>>& tasks,
                 const std::string& saveRoot);

    // The receive's start (local time): date macros use it.
    const std::tm& startTime() const { return start_; }
    // (task name, folder) pairs marked for opening after the receive.
    const std::vector<std::pair<std::string, std::string>>& foldersToOpen() const { return foldersToOpen_; }
    // Every task folder of this receive with the task that made it, in the
    // order they were made (a skipped task made none).
    const std::vector<reports::FolderEntry>& receivedFolders() const { return receivedFolders_; }
    // The error list of the report: each line ("ファイル[ %s ]を取得できませ
    // んでした。", ...) with the task, source and file list it arose in
    // (empty where it arose outside them).
    const std::vector<reports::ErrorEntry>& errors() const { return errors_; }
    // The lines alone.
    std::vector<std::string> errorLines() const;
    const CipherKey& cipherKey() const { return cipherKey_; }
    // The GuidePost was certified in this receive; saveRoot() is then its
    // certified folder.
    bool certified() const { return certified_; }
    const std::string& saveRoot() const { return saveRoot_; }

    // For the transfers: the shared pieces of the receive.
    ReceiveHost& host() { return host_; }
    const ReceiveOptions& options() const { return options_; }
    ReceiveEventQueue& queue() { return queue_; }
    ReceiveProgress& progress() { return progress_; }
    SavePolicy& policy() { return policy_; }
    TaskCounters& task() { return task_; }
    // Appends an event and tells the host.
    void append(ReceiveEvent event);
    // Throws 43 when the user has stopped the receive.
    void checkCancel() const;
    // Adds a line to the error list, placed where the receive is now.
    void addErrorLine(std::string line);
    // Walks a source's file lists, and a list's files, keeping the progress
    // counters and messages; the cancel request is checked before each.
    void eachFileList(const SourceRecord& source, const std::function<void(const FileListRecord&)>& receiveList);
    void eachFile(const FileListRecord& list, const std::function<void(const FileRecord&)>& receiveFile);
    // Makes the list's local folders below folder (local: their names) and
    // settles the list's policy; false when the list is not to be received,
    // with an error line when its folder could not be made.
    bool prepareFileList(const FileListRecord& list, const std::string& folder, std::vector<std::string>& local,
                         PolicyState& policy, Transfer transfer = Transfer::Http);
    // A zip task removes the list's local folders once they are packed.
    void removeAfterZip(const std::string& folder, const std::vector<std::string>& local);
    // The kind-0 event that opens a source's rows.
    void sourceBegins(const std::string& server, std::int32_t protocol);
    // One file that could not be received: the error lines (the reason, then
    // "ファイル[ %s ]を取得できませんでした。" with the remote name; none
    // when the transfer gave its own), a kind-8 event with the remote and
    // local names, and the failure count.
    void failFile(const std::string& name, const std::string& saveName, std::int32_t protocol, const std::string& why,
                  bool withLine = true);

private:
    struct Attachment {
        const AttachRecord* record = nullptr;
        std::int64_t time = 0;
        std::int64_t size = 0;
    };
    using AttachmentMap = std::map<std::string, const AttachRecord*>;

    // A task or server confirmation: false to skip it; "stop all" ends
    // the receive.
    bool confirmed(const Question& question);
    void certify();
    void openSite(const std::string& address);
    void askCipherCode();
    void checkCipherCode(const std::vector<std::unique_ptr<TaskRecord>>& tasks);
    void processTask(const TaskRecord& task, int index);
    void processSource(const SourceRecord& source, const PolicyState& inherited, const AttachmentMap& attachments,
                       const std::string& folder);
    void processAttachSource(const SourceRecord& source, const PolicyState& inherited,
                             const AttachmentMap& attachments, const std::string& folder);
    void processAttachFile(const FileRecord& file, const PolicyState& inherited, const AttachmentMap& attachments,
                           const std::string& folder);
    void finishAfterFailure(const std::string& line);

    ReceiveHost& host_;
    ReceiveEventQueue& queue_;
    ReceiveTotals& totals_;
    ReceiveProgress& progress_;
    ReceiveOptions options_;
    PolicyMemory memory_;
    SavePolicy policy_;
    TaskCounters task_;
    AttachmentExtractor extractor_;
    RemoteTransfer remoteTransfer_;
    BeginHook beginHook_;

    GuidePostHead head_;
    std::string saveRoot_;
    std::tm start_{};
    int confirmMode_ = 0;
    bool certified_ = false;
    std::string guidePostFile_;
    CipherKey cipherKey_;
    std::vector<std::pair<std::string, std::string>> foldersToOpen_;
    std::vector<reports::FolderEntry> receivedFolders_;
    std::vector<reports::ErrorEntry> errors_;
    reports::ErrorEntry place_;  // the task, source and file list being received
};

} // namespace receive
