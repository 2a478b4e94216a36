#include "guidepost/cvclib/AuthoringInterface.h"

#include "guidepost/CAMException.h"
#include "guidepost/CCVCException.h"
#include "guidepost/GuidePostArchive.h"
#include "platform/Cp932Codec.h"

#include <algorithm>

using guidepost::UpdateDefault;

namespace {

// Data identifiers of the interface.
enum DataId {
    IdReset = 0,
    IdName = 1011,
    IdTime = 1012,
    IdTimePresent = 1013,
    IdStoreAdd = 1014,
    IdStoreRemove = 1015,
    IdPassword = 1016,
    IdLocation = 1101,
    IdAppendTask = 1102,
    IdAppendBrowse = 1103,
    IdDestinationType = 1201,
    IdFolder = 1202,
    IdOpen = 1203,
    IdZipFileName = 1204,
    IdUpdate = 1205,
    IdSynchronize = 1206,
    IdAppendSource = 1207,
    IdAppendAttach = 1208,
    IdProtocol = 1301,
    IdServer = 1302,
    IdMethod = 1303,
    IdAccount = 1304,
    IdPort = 1305,
    IdAppendFileList = 1306,
    IdRemoteFolder = 1401,
    IdLocalFolder = 1402,
    IdMode = 1403,
    IdAppendFile = 1404,
    IdLocalName = 1501,
    IdRemoteName = 1502,
    IdBrowseId = 1503,
    IdUncompress = 1504,
    IdAttachLabel = 1601,
    IdAttachPath = 1602,
    IdAttachTime = 1603,
    IdAttachSize = 1604,
    IdCreator = 1701,
    IdComment = 1702,
    IdBrowseTarget = 1801,
    IdBrowseTitle = 1802,
    IdBrowseDescription = 1803,
    IdBrowseRemote = 1804,
    IdBrowseFavorite = 1805,
    IdStoreLoad = 1901,
    IdStoreClear = 1902,
    IdUserId = 2001,
    IdAccountNumber = 2002,
    IdAccountNumber2 = 2003,
    IdAccountString = 2004,
};

// Interface codes to model codes, in model-code order.
const int locationCodes[] = {112, 111};  // remote, local
const int destinationCodes[] = {121, 122};
const int updateCodes[] = {161, 162, 163, 164};
const int protocolCodes[] = {132, 131, 133};  // http, ftp, attach
const int methodCodes[] = {141, 142};
const int modeCodes[] = {153, 152, 151};  // auto, ascii, binary
const int uncompressCodes[] = {171, 172};

template <std::size_t N>
int toModel(const int (&codes)[N], int value)
{
    for (std::size_t i = 0; i < N; ++i)
        if (codes[i] == value)
            return static_cast<int>(i);
    throw CCVCException(CCVCException::BadParameter);
}

template <std::size_t N>
int toInterface(const int (&codes)[N], int model)
{
    return model >= 0 && static_cast<std::size_t>(model) < N ? codes[model] : 0;
}

bool toFlag(int value)
{
    if (value != 0 && value != 1)
        throw CCVCException(CCVCException::BadParameter);
    return value == 1;
}

constexpr std::size_t maxStoreTextBytes = 260;

void setStoreText(std::string& field, const std::string& value, int errorCode)
{
    std::string cp932;
    if (!platform::Cp932Codec::tryFromUtf8(value, cp932) || cp932.size() > maxStoreTextBytes)
        throw CCVCException(errorCode);
    field = value;
}

} // namespace

AuthoringInterface::AuthoringInterface()
{
    items_.resize(3);
    items_[0].kind = StoresKind;
    items_[1].kind = AccountKind;
    items_[2].kind = ProxyKind;
    store_.ensureFolder();
}

void AuthoringInterface::Clear()
{
    items_.resize(3);
    taskIds_.clear();
    sourceIds_.clear();
    fileListIds_.clear();
    fileIds_.clear();
    browseIds_.clear();
    newTasks_.clear();
    newSources_.clear();
    newFileLists_.clear();
    newFiles_.clear();
    newAttachments_.clear();
    newBrowse_.clear();
    model_.Clear();
}

AuthoringInterface::Item& AuthoringInterface::item(int id)
{
    if (id < 0 || static_cast<std::size_t>(id) >= items_.size())
        throw CCVCException(CCVCException::BadId);
    return items_[static_cast<std::size_t>(id)];
}

int AuthoringInterface::addItem(int kind, void* record)
{
    Item entry;
    entry.kind = kind;
    entry.record = record;
    items_.push_back(std::move(entry));
    return static_cast<int>(items_.size() - 1);
}

int AuthoringInterface::NewItem(int kind)
{
    switch (kind) {
    case GuidePostKind:
        return addItem(kind, &model_);
    case TaskKind:
        newTasks_.push_back(std::make_unique<TaskRecord>());
        return taskIds_[newTasks_.back().get()] = addItem(kind, newTasks_.back().get());
    case SourceKind:
        newSources_.push_back(std::make_unique<SourceRecord>());
        return sourceIds_[newSources_.back().get()] = addItem(kind, newSources_.back().get());
    case FileListKind:
        newFileLists_.push_back(std::make_unique<FileListRecord>());
        return fileListIds_[newFileLists_.back().get()] = addItem(kind, newFileLists_.back().get());
    case FileKind:
        newFiles_.push_back(std::make_unique<FileRecord>());
        return fileIds_[newFiles_.back().get()] = addItem(kind, newFiles_.back().get());
    case AttachKind:
        newAttachments_.push_back(std::make_unique<AttachRecord>());
        return addItem(kind, newAttachments_.back().get());
    case BrowseKind:
        newBrowse_.push_back(std::make_unique<BrowseRecord>());
        return browseIds_[newBrowse_.back().get()] = addItem(kind, newBrowse_.back().get());
    case StoresKind:
        return 0;
    case AccountKind:
        return 1;
    case ProxyKind:
        return 2;
    default:
        return -1;
    }
}

// The record of item id, taken out of the pool of new records so that its
// parent owns it. A record already appended somewhere is refused: two owners
// would free it twice.
template <typename Record>
Record* AuthoringInterface::appendable(int id, int kind, int errorCode, std::vector<std::unique_ptr<Record>>& pool)
{
    if (id < 0 || static_cast<std::size_t>(id) >= items_.size() || items_[static_cast<std::size_t>(id)].kind != kind)
        throw CCVCException(errorCode);
    auto* record = static_cast<Record*>(items_[static_cast<std::size_t>(id)].record);
    auto it = std::find_if(pool.begin(), pool.end(), [&](const auto& p) { return p.get() == record; });
    if (it == pool.end())
        throw CCVCException(errorCode);
    return record;
}

namespace {
template <typename Record>
void moveInto(std::vector<std::unique_ptr<Record>>& pool, Record* record, std::vector<std::unique_ptr<Record>>& list)
{
    auto it = std::find_if(pool.begin(), pool.end(), [&](const auto& p) { return p.get() == record; });
    list.push_back(std::move(*it));
    pool.erase(it);
}
} // namespace

void AuthoringInterface::SetNum(int id, int dataId, int value)
{
    Item& it = item(id);
    switch (it.kind) {
    case GuidePostKind: {
        auto& m = *static_cast<CAMData*>(it.record);
        switch (dataId) {
        case IdLocation:
            m.local = toModel(locationCodes, value) == 1;
            return;
        case IdAppendTask:
            moveInto(newTasks_, appendable(value, TaskKind, CCVCException::BadTaskId, newTasks_), m.tasks);
            return;
        case IdAppendBrowse:
            moveInto(newBrowse_, appendable(value, BrowseKind, CCVCException::BadBrowseId, newBrowse_), m.browse);
            return;
        }
        break;
    }
    case TaskKind: {
        auto& t = *static_cast<TaskRecord*>(it.record);
        switch (dataId) {
        case IdDestinationType:
            t.destinationType = toModel(destinationCodes, value);
            return;
        case IdOpen:
            t.open = toFlag(value);
            return;
        case IdUpdate:
            t.update = toModel(updateCodes, value);
            return;
        case IdSynchronize:
            t.synchronize = toFlag(value);
            return;
        case IdAppendSource:
            moveInto(newSources_, appendable(value, SourceKind, CCVCException::BadSourceId, newSources_), t.sources);
            return;
        case IdAppendAttach:
            moveInto(newAttachments_, appendable(value, AttachKind, CCVCException::BadAttachId, newAttachments_),
                     t.attachments);
            return;
        }
        break;
    }
    case SourceKind: {
        auto& s = *static_cast<SourceRecord*>(it.record);
        switch (dataId) {
        case IdProtocol:
            s.protocol = toModel(protocolCodes, value);
            return;
        case IdPort:
            s.port = static_cast<std::uint16_t>(value);
            return;
        case IdAppendFileList:
            moveInto(newFileLists_, appendable(value, FileListKind, CCVCException::BadFileListId, newFileLists_),
                     s.fileLists);
            return;
        }
        break;
    }
    case FileListKind: {
        auto& l = *static_cast<FileListRecord*>(it.record);
        switch (dataId) {
        case IdMethod:
            l.method = toModel(methodCodes, value);
            return;
        case IdMode:
            l.mode = toModel(modeCodes, value);
            return;
        case IdUpdate:
            l.update = toModel(updateCodes, value);
            return;
        case IdSynchronize:
            l.synchronize = toFlag(value);
            return;
        case IdAppendFile:
            moveInto(newFiles_, appendable(value, FileKind, CCVCException::BadFileId, newFiles_), l.files);
            return;
        }
        break;
    }
    case FileKind: {
        auto& f = *static_cast<FileRecord*>(it.record);
        switch (dataId) {
        case IdTime:
            f.time = value;
            f.timePresent = true;
            return;
        case IdMode:
            f.mode = toModel(modeCodes, value);
            return;
        case IdUpdate:
            f.update = toModel(updateCodes, value);
            return;
        case IdSynchronize:
            f.synchronize = toFlag(value);
            return;
        case IdUncompress:
            f.uncompress = toModel(uncompressCodes, value);
            return;
        }
        break;
    }
    case AttachKind: {
        auto& a = *static_cast<AttachRecord*>(it.record);
        switch (dataId) {
        case IdAttachTime:
            a.time = value;
            return;
        case IdAttachSize:
            a.size = value;
            return;
        }
        break;
    }
    case BrowseKind: {
        auto& b = *static_cast<BrowseRecord*>(it.record);
        switch (dataId) {
        case IdBrowseRemote:
            b.remote = toFlag(value);
            return;
        case IdBrowseFavorite:
            b.favorite = toFlag(value);
            return;
        }
        break;
    }
    case StoresKind:
        switch (dataId) {
        case IdStoreAdd:
            if (value == 1) {
                if (!store_.addAccount(account_))
                    throw CCVCException(CCVCException::AccountAddFailed);
                return;
            }
            if (value == 2) {
                if (!store_.addProxy(proxy_))
                    throw CCVCException(CCVCException::ProxyAddFailed);
                return;
            }
            throw CCVCException(CCVCException::BadParameter);
        case IdStoreRemove:
            if (value == 1) {
                if (!store_.removeAccount(account_.name))
                    throw CCVCException(CCVCException::AccountRemoveFailed);
                return;
            }
            if (value == 2) {
                if (!store_.removeProxy(proxy_.name))
                    throw CCVCException(CCVCException::ProxyRemoveFailed);
                return;
            }
            throw CCVCException(CCVCException::BadParameter);
        case IdStoreLoad: {
            auto result = store_.load();
            if (result != AccountStore::LoadResult::Loaded && result != AccountStore::LoadResult::Missing &&
                result != AccountStore::LoadResult::Empty)
                throw CCVCException(CCVCException::AccountSetFailed);
            return;
        }
        case IdStoreClear:
            store_.clear();
            return;
        }
        break;
    case AccountKind: {
        auto& a = account_;
        switch (dataId) {
        case IdReset:
            a = AccountRecord{};
            return;
        case IdProtocol:
            a.protocol = toModel(protocolCodes, value);
            return;
        case IdPort:
            a.port = static_cast<std::uint16_t>(value);
            return;
        case IdAccountNumber:
            a.askPassword = value;
            return;
        case IdAccountNumber2:
            a.extraNumber = value;
            return;
        }
        break;
    }
    case ProxyKind:
        switch (dataId) {
        case IdReset:
            proxy_ = ProxyRecord{};
            return;
        case IdPort:
            proxy_.port = static_cast<std::uint16_t>(value);
            return;
        }
        break;
    }
    throw CCVCException(CCVCException::BadDataObject);
}

void AuthoringInterface::SetValue(int id, int dataId, const std::string& value)
{
    Item& it = item(id);
    switch (it.kind) {
    case GuidePostKind: {
        auto& m = *static_cast<CAMData*>(it.record);
        switch (dataId) {
        case IdName: m.name = value; return;
        case IdCreator: m.creator = value; return;
        case IdComment: m.comment = value; return;
        }
        break;
    }
    case TaskKind: {
        auto& t = *static_cast<TaskRecord*>(it.record);
        switch (dataId) {
        case IdName: t.name = value; return;
        case IdFolder: CAMData::SplitFolder(value, t.folderText, t.folderList); return;
        case IdZipFileName: t.zipFileName = value; return;
        }
        break;
    }
    case SourceKind: {
        auto& s = *static_cast<SourceRecord*>(it.record);
        switch (dataId) {
        case IdName: s.name = value; return;
        case IdServer: s.serverName = value; return;
        case IdAccount: s.account = value; return;
        }
        break;
    }
    case FileListKind: {
        auto& l = *static_cast<FileListRecord*>(it.record);
        switch (dataId) {
        case IdName: l.name = value; return;
        case IdRemoteFolder:
            // A folder the author set is meant to be saved.
            l.remoteFolder = value;
            l.remoteFolderGiven = !value.empty();
            return;
        case IdLocalFolder: {
            std::string text;
            CAMData::SplitFolder(value, text, l.localFolder);
            return;
        }
        }
        break;
    }
    case FileKind: {
        auto& f = *static_cast<FileRecord*>(it.record);
        switch (dataId) {
        case IdLocalName: f.name = value; return;
        case IdRemoteName: f.remote = value; return;
        case IdBrowseId: f.browseId = value; return;
        }
        break;
    }
    case AttachKind: {
        auto& a = *static_cast<AttachRecord*>(it.record);
        switch (dataId) {
        case IdName: a.name = value; return;
        case IdAttachLabel: a.label = value; return;
        case IdAttachPath: a.sourcePath = value; return;
        }
        break;
    }
    case BrowseKind: {
        auto& b = *static_cast<BrowseRecord*>(it.record);
        switch (dataId) {
        case IdBrowseTarget: b.target = value; return;
        case IdBrowseTitle: b.title = value; return;
        case IdBrowseDescription: b.description = value; return;
        }
        break;
    }
    case AccountKind: {
        auto& a = account_;
        constexpr int e = CCVCException::AccountSetFailed;
        switch (dataId) {
        case IdReset: a = AccountRecord{}; return;
        case IdName: setStoreText(a.name, value, e); return;
        case IdUserId: setStoreText(a.userId, value, e); return;
        case IdPassword: setStoreText(a.password, value, e); return;
        case IdServer: setStoreText(a.server, value, e); return;
        case IdAccountString: setStoreText(a.proxyName, value, e); return;
        }
        break;
    }
    case ProxyKind: {
        auto& p = proxy_;
        constexpr int e = CCVCException::ProxySetFailed;
        switch (dataId) {
        case IdReset: p = ProxyRecord{}; return;
        case IdName: setStoreText(p.name, value, e); return;
        case IdServer: setStoreText(p.server, value, e); return;
        case IdPassword: setStoreText(p.password, value, e); return;
        case IdUserId: setStoreText(p.userId, value, e); return;
        }
        break;
    }
    }
    throw CCVCException(CCVCException::BadDataObject);
}

bool AuthoringInterface::GetValue(int id, int dataId, std::string& value)
{
    Item& it = item(id);
    const std::string* field = nullptr;
    switch (it.kind) {
    case GuidePostKind: {
        auto& m = *static_cast<CAMData*>(it.record);
        field = dataId == IdName ? &m.name : dataId == IdCreator ? &m.creator : dataId == IdComment ? &m.comment : nullptr;
        break;
    }
    case TaskKind: {
        auto& t = *static_cast<TaskRecord*>(it.record);
        field = dataId == IdName ? &t.name : dataId == IdFolder ? &t.folderText : dataId == IdZipFileName ? &t.zipFileName : nullptr;
        break;
    }
    case SourceKind: {
        auto& s = *static_cast<SourceRecord*>(it.record);
        field = dataId == IdName ? &s.name : dataId == IdServer ? &s.serverName : dataId == IdAccount ? &s.account : nullptr;
        break;
    }
    case FileListKind: {
        auto& l = *static_cast<FileListRecord*>(it.record);
        if (dataId == IdLocalFolder) {
            value = CAMData::JoinFolder(l.localFolder);
            return true;
        }
        field = dataId == IdName ? &l.name : dataId == IdRemoteFolder ? &l.remoteFolder : nullptr;
        break;
    }
    case FileKind: {
        auto& f = *static_cast<FileRecord*>(it.record);
        field = dataId == IdLocalName ? &f.name : dataId == IdRemoteName ? &f.remote : dataId == IdBrowseId ? &f.browseId : nullptr;
        break;
    }
    case AccountKind: {
        auto& a = account_;
        field = dataId == IdName ? &a.name : dataId == IdUserId ? &a.userId : dataId == IdServer ? &a.server
              : dataId == IdAccountString ? &a.proxyName : nullptr;
        break;
    }
    case ProxyKind: {
        auto& p = proxy_;
        field = dataId == IdName ? &p.name : dataId == IdServer ? &p.server : dataId == IdUserId ? &p.userId : nullptr;
        break;
    }
    }
    if (!field)
        return false;
    value = *field;
    return true;
}

bool AuthoringInterface::GetNum(int id, int dataId, int& value)
{
    Item& it = item(id);
    switch (it.kind) {
    case GuidePostKind:
        if (dataId == IdLocation) {
            value = toInterface(locationCodes, static_cast<CAMData*>(it.record)->local ? 1 : 0);
            return true;
        }
        return false;
    case TaskKind: {
        auto& t = *static_cast<TaskRecord*>(it.record);
        switch (dataId) {
        case IdDestinationType: value = toInterface(destinationCodes, t.destinationType); return true;
        case IdOpen: value = t.open ? 1 : 0; return true;
        case IdUpdate: value = toInterface(updateCodes, t.update); return true;
        case IdSynchronize: value = t.synchronize ? 1 : 0; return true;
        }
        return false;
    }
    case SourceKind: {
        auto& s = *static_cast<SourceRecord*>(it.record);
        switch (dataId) {
        case IdProtocol: value = toInterface(protocolCodes, s.protocol); return true;
        case IdPort: value = s.port; return true;
        case IdUpdate: value = toInterface(updateCodes, s.update); return true;
        case IdSynchronize: value = s.synchronize ? 1 : 0; return true;
        }
        return false;
    }
    case FileListKind: {
        auto& l = *static_cast<FileListRecord*>(it.record);
        switch (dataId) {
        case IdMethod: value = toInterface(methodCodes, l.method); return true;
        case IdMode: value = toInterface(modeCodes, l.mode); return true;
        case IdUpdate: value = toInterface(updateCodes, l.update); return true;
        case IdSynchronize: value = l.synchronize ? 1 : 0; return true;
        }
        return false;
    }
    case FileKind: {
        auto& f = *static_cast<FileRecord*>(it.record);
        switch (dataId) {
        case IdTime:
            if (!f.timePresent)
                return false;
            value = static_cast<int>(f.time);
            return true;
        case IdTimePresent: value = f.timePresent ? 1 : 0; return true;
        case IdMode: value = toInterface(modeCodes, f.mode); return true;
        case IdUpdate: value = toInterface(updateCodes, f.update); return true;
        case IdSynchronize: value = f.synchronize ? 1 : 0; return true;
        case IdUncompress:
            if (f.uncompress > guidepost::UncompressZip)
                return false;
            value = toInterface(uncompressCodes, f.uncompress);
            return true;
        }
        return false;
    }
    case AccountKind:
        switch (dataId) {
        case IdProtocol: value = toInterface(protocolCodes, account_.protocol); return true;
        case IdPort: value = account_.port; return true;
        case IdAccountNumber: value = account_.askPassword; return true;
        case IdAccountNumber2: value = account_.extraNumber; return true;
        }
        return false;
    case ProxyKind:
        if (dataId == IdPort) {
            value = proxy_.port;
            return true;
        }
        return false;
    }
    return false;
}

bool AuthoringInterface::GetOrderedValue(int id, int dataId, int index, std::string& value)
{
    Item& it = item(id);
    if (it.kind != TaskKind || dataId != IdFolder)
        return false;
    auto& t = *static_cast<TaskRecord*>(it.record);
    if (index < 0) {
        value = t.folderText;
        return true;
    }
    if (static_cast<std::size_t>(index) >= t.folderList.size())
        return false;
    value = t.folderList[static_cast<std::size_t>(index)];
    return true;
}

bool AuthoringInterface::TestData(int id, int dataId, int index, int target)
{
    Item& it = item(id);
    if (it.kind != StoresKind || index < 0)
        return false;
    if (dataId == IdAccount) {
        const AccountRecord* account = store_.accountAt(static_cast<std::size_t>(index));
        const Item& work = item(target);
        if (!account)
            return false;
        if (work.kind == AccountKind)
            account_ = *account;
        return true;
    }
    if (dataId == IdAccountString) {
        const ProxyRecord* proxy = store_.proxyAt(static_cast<std::size_t>(index));
        const Item& work = item(target);
        if (!proxy)
            return false;
        if (work.kind == ProxyKind)
            proxy_ = *proxy;
        return true;
    }
    return false;
}

int AuthoringInterface::ItemCount(int id, int childKind)
{
    Item& it = item(id);
    switch (it.kind * 100 + childKind) {
    case GuidePostKind * 100 + TaskKind:
        return static_cast<int>(static_cast<CAMData*>(it.record)->tasks.size());
    case TaskKind * 100 + SourceKind:
        return static_cast<int>(static_cast<TaskRecord*>(it.record)->sources.size());
    case TaskKind * 100 + FolderKind:
        return static_cast<int>(static_cast<TaskRecord*>(it.record)->folderList.size());
    case SourceKind * 100 + FileListKind:
        return static_cast<int>(static_cast<SourceRecord*>(it.record)->fileLists.size());
    case FileListKind * 100 + FileKind:
        return static_cast<int>(static_cast<FileListRecord*>(it.record)->files.size());
    case StoresKind * 100 + AccountKind:
        return static_cast<int>(store_.accounts().size());
    case StoresKind * 100 + ProxyKind:
        return static_cast<int>(store_.proxies().size());
    }
    return -1;
}

namespace {
template <typename Record>
int idAt(const std::vector<std::unique_ptr<Record>>& list, int index, const std::unordered_map<const void*, int>& ids)
{
    if (index < 0 || static_cast<std::size_t>(index) >= list.size())
        return -1;
    auto found = ids.find(list[static_cast<std::size_t>(index)].get());
    return found == ids.end() ? -1 : found->second;
}
} // namespace

int AuthoringInterface::ChildId(int id, int childKind, int index)
{
    if (id == -1) {
        if (childKind != GuidePostKind)
            return -1;
        for (std::size_t i = 0; i < items_.size(); ++i)
            if (items_[i].kind == GuidePostKind)
                return static_cast<int>(i);
        return -1;
    }
    Item& it = item(id);
    switch (it.kind * 100 + childKind) {
    case GuidePostKind * 100 + TaskKind:
        return idAt(static_cast<CAMData*>(it.record)->tasks, index, taskIds_);
    case GuidePostKind * 100 + BrowseKind:
        return idAt(static_cast<CAMData*>(it.record)->browse, index, browseIds_);
    case TaskKind * 100 + SourceKind:
        return idAt(static_cast<TaskRecord*>(it.record)->sources, index, sourceIds_);
    case SourceKind * 100 + FileListKind:
        return idAt(static_cast<SourceRecord*>(it.record)->fileLists, index, fileListIds_);
    case FileListKind * 100 + FileKind:
        return idAt(static_cast<FileListRecord*>(it.record)->files, index, fileIds_);
    }
    return -1;
}

bool AuthoringInterface::Save(int id, const std::string& path, int archive)
{
    Item& it = item(id);
    if (it.kind != GuidePostKind)
        throw CCVCException(CCVCException::BadSaveType);
    if (archive == 1) {
        model_.Save(path);
        return true;
    }
    if (!GuidePostArchive::Write(path, model_, encipher_, nullptr, 0))
        throw CAMException(GuidePostArchive::LastError() ? GuidePostArchive::LastError() : CAMException::SaveFailed);
    return true;
}

void AuthoringInterface::registerModel()
{
    std::size_t files = 0;
    for (auto& task : model_.tasks)
        for (auto& source : task->sources)
            for (auto& list : source->fileLists)
                files += list->files.size();
    items_.reserve(items_.size() + files + 1);
    fileIds_.reserve(files);
    addItem(GuidePostKind, &model_);
    for (auto& task : model_.tasks) {
        taskIds_[task.get()] = addItem(TaskKind, task.get());
        for (auto& source : task->sources) {
            sourceIds_[source.get()] = addItem(SourceKind, source.get());
            for (auto& list : source->fileLists) {
                fileListIds_[list.get()] = addItem(FileListKind, list.get());
                for (auto& file : list->files)
                    fileIds_[file.get()] = addItem(FileKind, file.get());
            }
        }
    }
    for (auto& entry : model_.browse)
        browseIds_[entry.get()] = addItem(BrowseKind, entry.get());
}

bool AuthoringInterface::Load(const std::string& path)
{
    Clear();
    if (!model_.Load(path)) {
        model_.Clear();
        return false;
    }
    registerModel();
    return true;
}

bool AuthoringInterface::LoadArchive(const std::string& archivePath, const std::string& folder)
{
    Clear();
    if (!GuidePostArchive::Load(archivePath, folder, model_)) {
        model_.Clear();
        return false;
    }
    registerModel();
    return true;
}
