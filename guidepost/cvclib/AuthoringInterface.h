#pragma once
// What stands behind one handle of the authoring interface: a GuidePost model
// and the item table through which a host builds and reads it. Texts here are
// UTF-8; the exports convert to and from code page 932. Failures are thrown
// as CCVCException.

#include "guidepost/AccountRecord.h"
#include "guidepost/AccountStore.h"
#include "guidepost/CAMData.h"
#include "guidepost/ProxyRecord.h"

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class AuthoringInterface {
public:
    enum Kind {
        GuidePostKind = 1,
        TaskKind = 2,
        SourceKind = 3,
        FileListKind = 4,
        FileKind = 5,
        AttachKind = 6,
        BrowseKind = 7,
        FolderKind = 8,
        StoresKind = 9,
        AccountKind = 10,
        ProxyKind = 11,
    };

    AuthoringInterface();

    void Clear();
    // -1 for a kind that cannot be made.
    int NewItem(int kind);
    void SetNum(int item, int id, int value);
    void SetValue(int item, int id, const std::string& value);
    bool GetValue(int item, int id, std::string& value);
    bool GetNum(int item, int id, int& value);
    bool GetOrderedValue(int item, int id, int index, std::string& value);
    bool TestData(int item, int id, int index, int target);
    int ItemCount(int item, int childKind);
    int ChildId(int item, int childKind, int index);
    bool Save(int item, const std::string& path, int archive);
    bool Load(const std::string& path);
    bool LoadArchive(const std::string& archivePath, const std::string& folder);

    CAMData& model() { return model_; }
    AccountStore& store() { return store_; }

private:
    // One entry per item; large documents have one per file, so it stays
    // two words.
    struct Item {
        int kind = 0;
        void* record = nullptr;
    };
    using IdMap = std::unordered_map<const void*, int>;

    Item& item(int id);
    int addItem(int kind, void* record);
    void registerModel();
    template <typename Record>
    Record* appendable(int id, int kind, int errorCode, std::vector<std::unique_ptr<Record>>& pool);

    CAMData model_;
    std::vector<Item> items_;
    IdMap taskIds_, sourceIds_, fileListIds_, fileIds_, browseIds_;
    // Records made by NewItem and not yet appended to a parent.
    std::vector<std::unique_ptr<TaskRecord>> newTasks_;
    std::vector<std::unique_ptr<SourceRecord>> newSources_;
    std::vector<std::unique_ptr<FileListRecord>> newFileLists_;
    std::vector<std::unique_ptr<FileRecord>> newFiles_;
    std::vector<std::unique_ptr<AttachRecord>> newAttachments_;
    std::vector<std::unique_ptr<BrowseRecord>> newBrowse_;
    AccountStore store_;
    // The work records of the account item (1) and the proxy item (2).
    AccountRecord account_;
    ProxyRecord proxy_;
    // Never set through the interface: archives it writes are not enciphered.
    bool encipher_ = false;
};
