#include "CAMData.h"

#include "guidepost/CAMException.h"
#include "guidepost/DocumentTree.h"
#include "guidepost/TCXML.h"
#include "platform/AtomicFile.h"
#include "platform/Cp932Codec.h"

#include <cerrno>
#include <cstdio>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <unordered_map>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace guidepost;

namespace {

// The accepted version texts of a GuidePost and the version numbers they mean.
struct VersionEntry {
    std::string_view text;
    int number;
};
constexpr VersionEntry acceptedVersions[] = {{"1", 1}};

constexpr std::size_t maxFolderBytes = 260;

// The C atol rules: leading blanks, a sign, then digits; junk ends the number.
std::int64_t decimal(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT64_MAX / 100)  // far beyond any value the format uses
            break;
    }
    return negative ? -value : value;
}

int decimalInt(const std::string& text)
{
    const std::int64_t v = decimal(text);
    return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v);
}

bool isBlankByte(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

// Folder values: leading "\" and blanks are dropped, at most 260 bytes of the
// code page 932 form are kept (never half a character), and the rest is split
// at "\" until an empty component. Splitting the UTF-8 form means a trail byte
// 0x5C of a double-byte character is never taken for a separator.
void CAMData::SplitFolder(const std::string& text, std::string& folderText, FolderList& folders)
{
    std::size_t start = 0;
    while (start < text.size() && (text[start] == '\\' || isBlankByte(text[start])))
        ++start;
    // Cut before anything is assigned, so a text that cannot be held leaves
    // both outputs as they were.
    std::string kept = platform::Cp932Codec::truncateUtf8(std::string_view(text).substr(start), maxFolderBytes);
    folderText = std::move(kept);
    folders.clear();
    std::size_t pos = 0;
    while (pos <= folderText.size()) {
        std::size_t end = folderText.find('\\', pos);
        if (end == std::string::npos)
            end = folderText.size();
        if (end == pos)
            break;
        folders.push_back(folderText.substr(pos, end - pos));
        pos = end + 1;
    }
}

bool CAMData::ParseFolder(const std::string& text, std::string& folderText, FolderList& folders)
{
    folderText.clear();
    folders.clear();
    try {
        SplitFolder(text, folderText, folders);
    } catch (const platform::CodecError&) {
        return false;  // cannot be stored as a path on disk
    }
    return !folders.empty();
}

std::string CAMData::JoinFolder(const FolderList& folders)
{
    std::string joined;
    for (const auto& component : folders) {
        if (!joined.empty())
            joined += '\\';
        joined += component;
    }
    return joined;
}

namespace {

using Element = DocumentTree::Element;
using Tag = DocumentTree::Tag;

class Loader {
public:
    explicit Loader(CAMData& model) : m(model) {}

    bool load(const Element& root)
    {
        if (!root.Is(Tag::Corvandelle))
            return false;
        bool found = false;
        const std::string version = root.ChildText(Tag::version, found);
        if (!found || !knownVersion(version))
            return false;
        bool locationFound = false;
        const std::string location = root.ChildText(Tag::location, locationFound);
        if (!locationFound)
            return false;
        m.encrypt = isYes(root.ChildText(Tag::encrypt));
        m.local = location == keyword::local;
        m.navigation = isYes(root.ChildText(Tag::navigation));

        if (Element info = root.FirstChild(Tag::information))
            loadInformation(info);
        if (Element list = root.FirstChild(Tag::browselist))
            for (Element b = list.FirstChild(Tag::browse); b; b = b.NextSameName())
                loadBrowse(b);
        m.name = root.ChildText(Tag::name);
        m.description = root.ChildText(Tag::description);

        Element taskList = root.FirstChild(Tag::tasklist);
        if (!taskList)
            return false;
        // Tasks handed over while the document was read are in already.
        for (Element t = taskList.FirstChild(Tag::task); t; t = t.NextSameName())
            takeTask(t);
        return !taskFailed_;
    }

    // One task as soon as the tree has read it; after the first that fails
    // the rest are not loaded, and the whole load fails.
    void takeTask(const Element& node)
    {
        if (taskFailed_)
            return;
        auto task = loadTask(node);
        if (task)
            m.tasks.push_back(std::move(task));
        else
            taskFailed_ = true;
    }

private:
    // Each record moves out of the index into the first attachment that
    // names it, so the index shrinks while the model grows (with many small
    // attachments the two together were the largest part of a receive).
    // A document naming an attachment again finds the record with the
    // attachment that took it; that table is made only for such a document.
    bool takeIndexRecord(AttachRecord& attach, const TaskRecord& current)
    {
        auto entry = m.attachmentIndex.find(attach.name);
        if (entry != m.attachmentIndex.end()) {
            attach.indexRecord = std::move(entry->second);
            m.attachmentIndex.erase(entry);
        } else {
            if (!takenKnown_) {
                takenKnown_ = true;
                for (const auto& task : m.tasks)
                    for (const auto& a : task->attachments)
                        taken_.emplace(a->name, &a->indexRecord);
                for (const auto& a : current.attachments)
                    taken_.emplace(a->name, &a->indexRecord);
            }
            auto earlier = taken_.find(attach.name);
            if (earlier == taken_.end())
                return false;
            attach.indexRecord = *earlier->second;
        }
        if (takenKnown_)
            taken_.emplace(attach.name, &attach.indexRecord);
        return true;
    }

    static bool knownVersion(const std::string& text)
    {
        for (const auto& entry : acceptedVersions)
            if (entry.text == text && entry.number == CAMData::formatVersion)
                return true;
        return false;
    }

    void loadInformation(const Element& info)
    {
        m.creator = info.ChildText(Tag::creator);
        std::string comment = info.ChildText(Tag::comment);
        m.comment.clear();
        for (char c : comment) {
            if (c == '\n')
                m.comment += '\r';
            m.comment += c;
        }
        if (Element date = info.FirstChild(Tag::date)) {
            const int year = decimalInt(date.ChildText(Tag::year));
            const int month = decimalInt(date.ChildText(Tag::month));
            const int day = decimalInt(date.ChildText(Tag::day));
            if (year >= 1970 && year <= 2038 && month >= 1 && month <= 12 && day >= 1 && day <= 31) {
                m.datePresent = true;
                m.dateYear = year;
                m.dateMonth = month;
                m.dateDay = day;
            }
        }
        m.contentVersion = info.ChildText(Tag::version);
        if (Element digest = info.FirstChild(Tag::digest)) {
            bool urlFound = false, nameFound = false;
            std::string url = digest.ChildText(Tag::url, urlFound);
            std::string name = digest.ChildText(Tag::name, nameFound);
            if (urlFound && nameFound) {
                m.digestPresent = true;
                m.digestUrl = std::move(url);
                m.digestName = std::move(name);
                m.digestType = digest.Attr(Tag::type);
            }
        }
    }

    void loadBrowse(const Element& node)
    {
        auto b = std::make_unique<BrowseRecord>();
        b->target = node.ChildText(Tag::target);
        b->title = node.ChildText(Tag::title);
        b->description = node.ChildText(Tag::description);
        b->remote = isYes(node.Attr(Tag::remote));
        b->favorite = isYes(node.Attr(Tag::favorite));
        m.browse.push_back(std::move(b));
    }

    std::unique_ptr<TaskRecord> loadTask(const Element& node)
    {
        auto task = std::make_unique<TaskRecord>();
        task->name = node.ChildText(Tag::name);
        Element destination = node.FirstChild(Tag::destination);
        if (!destination)
            return nullptr;
        if (Element digest = destination.FirstChild(Tag::digest)) {
            task->digestPresent = true;
            task->digest = digest.Text();
        }
        bool found = false;
        const int type = destinationCode(destination.ChildText(Tag::type, found));
        if (!found || type < 0)
            return nullptr;
        task->destinationType = type;
        if (type == DestinationZip) {
            task->zipFileName = destination.ChildText(Tag::filename);
            if (task->zipFileName.empty())
                return nullptr;
        }
        Element folder = destination.FirstChild(Tag::folder);
        if (!folder || !CAMData::ParseFolder(folder.Text(), task->folderText, task->folderList))
            return nullptr;
        task->open = isYes(folder.Attr(Tag::open));
        task->synchronize = isYes(node.Attr(Tag::synchronize));
        task->update = updatePolicyCode(node.Attr(Tag::update));

        if (Element attachList = node.FirstChild(Tag::attachlist)) {
            for (Element a = attachList.FirstChild(Tag::attach); a; a = a.NextSameName()) {
                bool nameFound = false, sizeFound = false, timeFound = false;
                auto attach = std::make_unique<AttachRecord>();
                attach->name = a.ChildText(Tag::name, nameFound);
                const std::string size = a.ChildText(Tag::size, sizeFound);
                const std::string time = a.ChildText(Tag::time, timeFound);
                if (!nameFound || !sizeFound || !timeFound)
                    return nullptr;
                if (!takeIndexRecord(*attach, *task))
                    return nullptr;
                attach->label = "添付ファイル";
                attach->fromArchive = true;
                attach->size = decimal(size);
                attach->time = decimal(time);
                task->attachments.push_back(std::move(attach));
            }
        }

        Element sourceList = node.FirstChild(Tag::sourcelist);
        if (!sourceList)
            return nullptr;
        for (Element s = sourceList.FirstChild(Tag::source); s; s = s.NextSameName()) {
            auto source = loadSource(s);
            if (!source)
                return nullptr;
            task->sources.push_back(std::move(source));
        }
        if (task->sources.empty())
            return nullptr;
        return task;
    }

    std::unique_ptr<SourceRecord> loadSource(const Element& node)
    {
        auto source = std::make_unique<SourceRecord>();
        source->name = node.ChildText(Tag::name);
        bool found = false;
        const int protocol = protocolCode(node.ChildText(Tag::protocol, found));
        if (!found || protocol < 0)
            return nullptr;
        source->protocol = protocol;
        if (protocol == ProtocolHttp || protocol == ProtocolFtp) {
            Element server = node.FirstChild(Tag::server);
            if (!server)
                return nullptr;
            source->serverName = server.ChildText(Tag::name);
            if (source->serverName.empty())
                return nullptr;
            if (Element account = node.FirstChild(Tag::account)) {
                source->account = account.Text();
                source->inputMail = isYes(account.Attr(Tag::inputmail));
            }
            if (Element mirrors = server.FirstChild(Tag::mirrorsitelist))
                loadMirrorSites(mirrors, *source);
        }
        // Out-of-range ports mean the protocol's default.
        const int port = decimalInt(node.ChildText(Tag::port));
        source->port = port > 0 && port <= 65535 ? static_cast<std::uint16_t>(port) : 0;
        source->synchronize = isYes(node.Attr(Tag::synchronize));
        source->update = updatePolicyCode(node.Attr(Tag::update));

        for (Element l = node.FirstChild(Tag::filelist); l; l = l.NextSameName()) {
            auto list = loadFileList(l);
            if (!list)
                return nullptr;
            source->fileLists.push_back(std::move(list));
        }
        if (source->fileLists.empty())
            return nullptr;
        return source;
    }

    static void loadMirrorSites(const Element& list, SourceRecord& source)
    {
        for (Element s = list.FirstChild(Tag::site); s; s = s.NextSameName()) {
            MirrorSite site;
            site.id = s.Attr(Tag::id);
            if (site.id.empty())
                continue;
            // An empty weight counts as an absent one.
            std::string value;
            if (s.GetAttr(Tag::value, value) && !value.empty())
                site.weight = decimalInt(value);
            if (site.weight <= 0)
                continue;
            const std::string protocol = s.Attr(Tag::protocol);
            if (protocol == keyword::protocol[ProtocolHttp])
                site.protocol = ProtocolHttp;
            else if (protocol == keyword::protocol[ProtocolFtp])
                site.protocol = ProtocolFtp;
            else
                continue;
            const int port = decimalInt(s.Attr(Tag::port));
            site.port = port > 0 && port <= 65535 ? port : 0;
            site.host = s.Text();
            source.mirrorSites.push_back(std::move(site));
        }
    }

    std::unique_ptr<FileListRecord> loadFileList(const Element& node)
    {
        auto list = std::make_unique<FileListRecord>();
        list->method = methodCode(node.Attr(Tag::method));
        list->mode = modeCode(node.Attr(Tag::mode));
        list->remoteFolder = node.Attr(Tag::remotefolder);
        list->remoteFolderGiven = !list->remoteFolder.empty();
        const std::string localFolder = node.Attr(Tag::localfolder);
        if (!localFolder.empty()) {
            std::string text;
            if (!CAMData::ParseFolder(localFolder, text, list->localFolder))
                return nullptr;
        }
        list->name = node.ChildText(Tag::name);
        list->synchronize = isYes(node.Attr(Tag::synchronize));
        list->update = updatePolicyCode(node.Attr(Tag::update));
        if (Element folders = node.FirstChild(Tag::mirrorsitefolderlist)) {
            list->mirrorFoldersPresent = true;
            for (Element f = folders.FirstChild(Tag::mirrorsitefolder); f; f = f.NextSameName())
                list->mirrorFolders[f.Attr(Tag::id)] = f.Text();
        }
        for (Element f = node.FirstChild(Tag::file); f; f = f.NextSameName())
            list->files.push_back(loadFile(f));
        return list;
    }

    std::unique_ptr<FileRecord> loadFile(const Element& node)
    {
        auto file = std::make_unique<FileRecord>();
        if (Element remote = node.FirstChild(Tag::remote))
            file->remote = remote.Text();
        else  // only the element's own text: a time child is not part of the name
            file->remote = node.OwnText();
        bool timeFound = false;
        const std::string time = node.ChildText(Tag::time, timeFound);
        if (timeFound) {
            file->timePresent = true;
            file->time = decimal(time);
        }
        file->name = node.Attr(Tag::name);
        const std::string mode = node.Attr(Tag::mode);
        if (!mode.empty())
            file->mode = modeCode(mode);
        // Only a known keyword overrides the list's value.
        file->modeGiven = keywordCode(keyword::mode, mode, -1) >= 0;
        const int method = keywordCode(keyword::method, node.Attr(Tag::method), -1);
        file->methodGiven = method >= 0;
        if (file->methodGiven)
            file->method = method;
        file->browseId = node.Attr(Tag::browseid);
        m.browseIndex[file->browseId] = file.get();
        const std::string synchronize = node.Attr(Tag::synchronize);
        file->synchronize = isYes(synchronize);
        file->synchronizeOff = synchronize == keyword::no;
        file->update = updatePolicyCode(node.Attr(Tag::update));
        file->uncompress = uncompressCode(node.Attr(Tag::uncompress));
        return file;
    }

    CAMData& m;
    bool taskFailed_ = false;
    // Names (viewing the attachments' own) to the records already taken.
    bool takenKnown_ = false;
    std::unordered_map<std::string_view, const ArchiveIndexRecord*> taken_;
};

// The document as UTF-8; converted to code page 932 as a whole when written.
class Writer {
public:
    std::string out;

    void text(std::string_view s)
    {
        // CR and LF stay raw: the reader turns LF back into CR LF in comments.
        for (char c : s) {
            switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            default: out += c;
            }
        }
    }
    void attrValue(std::string_view s)
    {
        // Attribute values would lose CR, LF and TAB to normalization.
        for (char c : s) {
            switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '"': out += "&quot;"; break;
            case '\r': out += "&#13;"; break;
            case '\n': out += "&#10;"; break;
            case '\t': out += "&#9;"; break;
            default: out += c;
            }
        }
    }
    void open(std::string_view name) { out += '<'; out += name; }
    void attr(std::string_view name, std::string_view value)
    {
        out += ' ';
        out += name;
        out += "=\"";
        attrValue(value);
        out += '"';
    }
    void endOpen() { out += '>'; }
    void close(std::string_view name)
    {
        out += "</";
        out += name;
        out += '>';
    }
    void element(std::string_view name, std::string_view value)
    {
        open(name);
        endOpen();
        text(value);
        close(name);
    }
};

void writeInformation(Writer& w, const CAMData& m)
{
    if (m.creator.empty() && m.comment.empty() && !m.datePresent && m.contentVersion.empty() && !m.digestPresent)
        return;
    w.open("information");
    w.endOpen();
    if (!m.creator.empty())
        w.element("creator", m.creator);
    if (!m.comment.empty())
        w.element("comment", m.comment);
    if (m.datePresent) {
        w.open("date");
        w.endOpen();
        w.element("year", std::to_string(m.dateYear));
        w.element("month", std::to_string(m.dateMonth));
        w.element("day", std::to_string(m.dateDay));
        w.close("date");
    }
    if (!m.contentVersion.empty())
        w.element("version", m.contentVersion);
    if (m.digestPresent) {
        w.open("digest");
        if (!m.digestType.empty())
            w.attr("type", m.digestType);
        w.endOpen();
        w.element("url", m.digestUrl);
        w.element("name", m.digestName);
        w.close("digest");
    }
    w.close("information");
}

void writePolicyAttributes(Writer& w, bool synchronize, int update)
{
    if (synchronize)
        w.attr("synchronize", keyword::yes);
    if (update >= UpdateForce && update <= UpdateIfNotExist)
        w.attr("update", keyword::update[update]);
}

void writeFile(Writer& w, const FileRecord& f)
{
    w.open("file");
    w.attr("name", f.name);
    if (!f.folder.empty())
        w.attr("folder", f.folder);
    if (!f.browseId.empty())
        w.attr("browseid", f.browseId);
    if (f.mode == ModeAscii || f.mode == ModeBinary || (f.modeGiven && f.mode == ModeAuto))
        w.attr("mode", keyword::mode[f.mode]);
    if (f.synchronize)
        w.attr("synchronize", keyword::yes);
    if (f.update >= UpdateForce && f.update <= UpdateIfNotExist)
        w.attr("update", keyword::update[f.update]);
    if (f.uncompress > UncompressNone && f.uncompress <= UncompressTgz)
        w.attr("uncompress", keyword::uncompress[f.uncompress]);
    w.endOpen();
    w.element("remote", f.remote);
    if (f.timePresent)
        w.element("time", std::to_string(f.time));
    w.close("file");
}

void writeFileList(Writer& w, const FileListRecord& l)
{
    w.open("filelist");
    if (!l.localFolder.empty())
        w.attr("localfolder", CAMData::JoinFolder(l.localFolder));
    if (l.remoteFolderGiven)
        w.attr("remotefolder", l.remoteFolder);
    writePolicyAttributes(w, l.synchronize, l.update);
    w.attr("method", keyword::method[l.method == MethodMget ? MethodMget : MethodGet]);
    if (l.mode == ModeAscii || l.mode == ModeBinary)
        w.attr("mode", keyword::mode[l.mode]);
    w.endOpen();
    w.element("name", l.name);
    if (l.mirrorFoldersPresent) {
        w.open("mirrorsitefolderlist");
        w.endOpen();
        for (const auto& [id, folder] : l.mirrorFolders) {
            w.open("mirrorsitefolder");
            w.attr("id", id);
            w.endOpen();
            w.text(folder);
            w.close("mirrorsitefolder");
        }
        w.close("mirrorsitefolderlist");
    }
    for (const auto& f : l.files)
        writeFile(w, *f);
    w.close("filelist");
}

void writeSource(Writer& w, const SourceRecord& s)
{
    w.open("source");
    writePolicyAttributes(w, s.synchronize, s.update);
    w.endOpen();
    w.element("name", s.name);
    const int protocol = s.protocol >= ProtocolHttp && s.protocol <= ProtocolAttach ? s.protocol : ProtocolHttp;
    w.element("protocol", keyword::protocol[protocol]);
    if (protocol == ProtocolHttp || protocol == ProtocolFtp) {
        w.open("server");
        w.endOpen();
        w.element("name", s.serverName);
        if (!s.mirrorSites.empty()) {
            w.open("mirrorsitelist");
            w.endOpen();
            for (const auto& site : s.mirrorSites) {
                w.open("site");
                w.attr("id", site.id);
                w.attr("value", std::to_string(site.weight));
                w.attr("protocol", keyword::protocol[site.protocol == ProtocolFtp ? ProtocolFtp : ProtocolHttp]);
                if (site.port > 0)
                    w.attr("port", std::to_string(site.port));
                w.endOpen();
                w.text(site.host);
                w.close("site");
            }
            w.close("mirrorsitelist");
        }
        w.close("server");
        if (s.port > 0)
            w.element("port", std::to_string(s.port));
        if (!s.account.empty()) {
            w.open("account");
            if (s.inputMail && s.account != "anonymous")
                w.attr("inputmail", keyword::yes);
            w.endOpen();
            w.text(s.account);
            w.close("account");
        }
    }
    for (const auto& l : s.fileLists)
        writeFileList(w, *l);
    w.close("source");
}

void writeTask(Writer& w, const TaskRecord& t)
{
    w.open("task");
    writePolicyAttributes(w, t.synchronize, t.update);
    w.endOpen();
    w.element("name", t.name);
    w.open("destination");
    w.endOpen();
    const bool zip = t.destinationType == DestinationZip;
    w.element("type", keyword::destination[zip ? DestinationZip : DestinationSave]);
    w.open("folder");
    if (t.open)
        w.attr("open", keyword::yes);
    w.endOpen();
    // A model built by hand may carry only the folder text.
    w.text(t.folderList.empty() ? t.folderText : CAMData::JoinFolder(t.folderList));
    w.close("folder");
    if (zip)
        w.element("filename", t.zipFileName);
    // Kept so that a loaded document saves back without losing it.
    if (t.digestPresent)
        w.element("digest", t.digest);
    w.close("destination");
    w.open("sourcelist");
    w.endOpen();
    for (const auto& s : t.sources)
        writeSource(w, *s);
    w.close("sourcelist");
    if (!t.attachments.empty()) {
        w.open("attachlist");
        w.endOpen();
        for (const auto& a : t.attachments) {
            w.open("attach");
            w.endOpen();
            w.element("name", a->name);
            w.element("time", std::to_string(a->time));
            w.element("size", std::to_string(a->size));
            w.element("type", "attach");
            w.close("attach");
        }
        w.close("attachlist");
    }
    w.close("task");
}

// An existing document survives any failure of the save.
bool writeAtomically(const std::string& path, const std::string& data)
{
    return platform::AtomicFile::writeWhole(path, data);
}

} // namespace

CAMData::CAMData() = default;
CAMData::~CAMData() = default;

void CAMData::Clear()
{
    name.clear();
    browse.clear();
    browseIndex.clear();
    description.clear();
    creator.clear();
    comment.clear();
    datePresent = false;
    dateYear = dateMonth = dateDay = 0;
    contentVersion.clear();
    digestPresent = false;
    digestUrl.clear();
    digestName.clear();
    archived = false;
    encrypt = false;
    sourceArchivePath.clear();
    attachmentTotal = 0;
    attachmentIndex.clear();
    local = false;
    tasks.clear();
    navigation = false;
    digestType.clear();
}

bool CAMData::Load(const std::string& path)
{
    return LoadDocument([&path](DocumentTree& tree) { tree.Open(path); });
}

bool CAMData::LoadMemory(const char* data, std::size_t length)
{
    return LoadDocument([&](DocumentTree& tree) { tree.OpenMemory(data, length); });
}

bool CAMData::LoadDocument(const std::function<void(DocumentTree&)>& open)
{
    // The archive reader fills these before the document is loaded.
    auto keepArchiveFields = [this](auto&& step) {
        auto index = std::move(attachmentIndex);
        auto archivePath = std::move(sourceArchivePath);
        step();
        attachmentIndex = std::move(index);
        sourceArchivePath = std::move(archivePath);
    };
    keepArchiveFields([this] { Clear(); });

    // Each task is loaded as soon as it is read, so the document never
    // stands whole in memory beside the model.
    Loader loader(*this);
    DocumentTree tree;
    tree.SetTaskHandler([&loader](const DocumentTree::Element& task) { loader.takeTask(task); });
    try {
        open(tree);
    } catch (...) {
        keepArchiveFields([this] { Clear(); });
        throw;
    }
    if (loader.load(tree.Root()))
        return true;
    // A document that breaks a rule is rejected whole, so no half-read model
    // (or browse index entry into a dropped task) is left behind.
    keepArchiveFields([this] { Clear(); });
    return false;
}

void CAMData::Save(const std::string& path) const
{
    if (!writeAtomically(path, SaveMemory()))
        throw CAMException(CAMException::SaveFailed);
}

std::string CAMData::SaveMemory() const
{
    if (tasks.empty())
        throw CAMException(CAMException::NoTask);
    for (const auto& t : tasks) {
        if (t->sources.empty())
            throw CAMException(CAMException::NoSource);
        for (const auto& s : t->sources)
            if (s->fileLists.empty())
                throw CAMException(CAMException::NoFileList);
    }

    Writer w;
    w.out = "<?xml version='1.0' encoding=\"Shift-JIS\"?>\r\n";
    w.open("Corvandelle");
    w.attr("xmlns", TCXML::NamespaceOf(TCXML::GuidePost));
    w.endOpen();
    w.element("version", std::to_string(formatVersion));
    w.element("location", local ? keyword::local : keyword::remote);
    if (encrypt)
        w.element("encrypt", keyword::yes);
    if (navigation)
        w.element("navigation", keyword::yes);
    if (!name.empty())
        w.element("name", name);
    if (!description.empty())
        w.element("description", description);
    writeInformation(w, *this);
    if (!browse.empty()) {
        w.open("browselist");
        w.endOpen();
        for (const auto& b : browse) {
            w.open("browse");
            if (b->remote)
                w.attr("remote", keyword::yes);
            if (b->favorite)
                w.attr("favorite", keyword::yes);
            w.endOpen();
            w.element("title", b->title);
            w.element("target", b->target);
            w.element("description", b->description);
            w.close("browse");
        }
        w.close("browselist");
    }
    w.open("tasklist");
    w.endOpen();
    for (const auto& t : tasks)
        writeTask(w, *t);
    w.close("tasklist");
    w.close("Corvandelle");

    std::string encoded;
    if (!platform::Cp932Codec::tryFromUtf8(w.out, encoded))
        throw CAMException(CAMException::SaveFailed);
    return encoded;
}
