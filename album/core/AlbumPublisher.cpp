#include "album/core/AlbumPublisher.h"

#include "album/core/AlbumDataFile.h"
#include "album/core/AlbumError.h"
#include "album/core/CvclibCodes.h"
#include "album/core/CvclibLibrary.h"
#include "album/core/VoiceFile.h"
#include "platform/AtomicFile.h"
#include "platform/Cp932Codec.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <set>
#include <system_error>

namespace album {
namespace fs = std::filesystem;
using namespace cvclib;

namespace {

// The receiver refuses a destination folder of 260 bytes or more.
constexpr std::size_t maxSaveFolderBytes = 259;

std::uintmax_t sizeOf(const std::string& path)
{
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    return ec ? 0 : size;
}

void removeQuietly(const std::string& path)
{
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

// A folder of its own inside the album folder, removed with its contents
// when the work is done.
class Scratch {
public:
    explicit Scratch(const std::string& parent, const char* prefix)
    {
        std::string pattern = parent + "/" + prefix + "XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw AlbumError(formatText(texts::folderNotCreated, parent + "/" + prefix));
        path_ = pattern;
    }
    ~Scratch() { removeQuietly(path_); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The files publishing writes into the album folder, removed however it ends.
class PublishingFiles {
public:
    explicit PublishingFiles(std::string folder) : folder_(std::move(folder)) {}
    ~PublishingFiles()
    {
        for (const std::string& name : names_)
            removeQuietly(folder_ + "/" + name);
    }
    PublishingFiles(const PublishingFiles&) = delete;
    PublishingFiles& operator=(const PublishingFiles&) = delete;
    void add(const std::string& name) { names_.push_back(name); }

private:
    std::string folder_;
    std::vector<std::string> names_;
};

bool isSafeFileName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos
        && name.find('\\') == std::string::npos;
}

bool endsWithWav(const std::string& name)
{
    if (name.size() < 4)
        return false;
    std::string end = name.substr(name.size() - 4);
    for (char& c : end)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return end == ".wav";
}

// A name or title that can stand as one folder of the save folder wherever
// the album is received.
bool suitableForFolder(const std::string& text)
{
    if (text.find_first_of("\\:/%") != std::string::npos || text.find("..") != std::string::npos || text == ".")
        return false;
    if (std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
        return false;
    std::string ignored;
    return platform::Cp932Codec::tryFromUtf8(text, ignored);
}

styles::GMAlbumContent contentOf(const Album& album)
{
    styles::GMAlbumContent content;
    content.title = album.title;
    content.subtitle = album.activeSubtitle();
    for (const AlbumItem& item : album.items()) {
        styles::GMAlbumItem m;
        m.saveName = item.saveName;
        m.title = item.title;
        m.comment = item.comment;
        m.type = item.type == MediaType::Video ? styles::GMAlbumItem::Type::Video : styles::GMAlbumItem::Type::Picture;
        m.extraText = item.extraText;
        m.width = item.width;
        m.height = item.height;
        m.sourceWidth = item.sourceWidth;
        m.sourceHeight = item.sourceHeight;
        m.voiceFileName = item.hasVoice() ? item.voiceName : std::string();
        content.items.push_back(std::move(m));
    }
    return content;
}

// The build calls; the first that the library refuses ends publishing.
class Builder {
public:
    explicit Builder(CvclibLibrary& library) : library_(library) {}

    int item(int kind)
    {
        const int id = library_.newItem(kind);
        if (id < 0)
            fail();
        return id;
    }
    void set(int item, int id, int value)
    {
        if (!library_.setNumber(item, id, value))
            fail();
    }
    void set(int item, int id, const std::string& value)
    {
        if (!library_.setText(item, id, value))
            fail();
    }
    // A file entry of list `list` and the attachment of task `task` that
    // carries it.
    void fileAndAttachment(int task, int list, const std::string& name, const std::string& path)
    {
        const int file = item(FileItem);
        set(file, LocalName, name);
        set(file, RemoteName, name);
        set(list, AppendFile, file);
        attachment(task, name, path);
    }
    void attachment(int task, const std::string& name, const std::string& path)
    {
        const int a = item(AttachmentItem);
        set(a, Name, name);
        set(a, AttachLabel, path);
        set(a, AttachPath, path);
        set(task, AppendAttachment, a);
    }
    // A task that saves into `folder`, appended to the GuidePost, with one
    // attachment source and its file list: the task and the list.
    std::pair<int, int> attachedTask(int root, const std::string& name, const std::string& folder,
                                     const std::string& listName, int policy = 0)
    {
        const int task = item(TaskItem);
        set(task, Name, name);
        set(task, DestinationType, DestinationSave);
        set(task, DestinationFolder, folder);
        set(task, OpenFolder, 0);
        if (policy)
            set(task, UpdatePolicy, policy);
        set(root, AppendTask, task);
        const int source = item(SourceItem);
        set(source, Name, std::string(texts::attachSourceName));
        set(source, Protocol, ProtocolAttach);
        set(task, AppendSource, source);
        const int list = item(FileListItem);
        set(list, Name, listName);
        set(list, Method, MethodGet);
        set(source, AppendFileList, list);
        return {task, list};
    }
    [[noreturn]] void fail() { throw AlbumError(texts::archiveNotMade, texts::errorCaption, library_.lastError()); }

private:
    CvclibLibrary& library_;
};

} // namespace

AlbumPublisher::AlbumPublisher(CvclibLibrary& library, const styles::GMStyleHost& styles)
    : library_(library), styles_(styles)
{
}

std::string AlbumPublisher::guidePostName(const Album& album)
{
    std::string name = std::string(Album::baseWord()) + " - " + album.creator + " - " + album.title;
    if (album.useSubtitle)
        name += " - " + album.subtitle;
    return name;
}

std::string AlbumPublisher::saveFolder(const Album& album)
{
    std::string folder = std::string(Album::baseWord()) + "\\" + album.creator + "\\" + album.title;
    if (album.useSubtitle)
        folder += "\\" + album.subtitle;
    return folder;
}

std::string AlbumPublisher::attachmentName(const Album& album)
{
    return std::string(Album::baseWord()) + " - " + album.creator + " - " + album.title + ".gpa";
}

void AlbumPublisher::check(const Album& album)
{
    std::vector<const std::string*> names = {&album.creator, &album.title};
    if (album.useSubtitle)
        names.push_back(&album.subtitle);
    for (const std::string* name : names)
        if (name->empty())
            throw AlbumError(texts::namesRequired);
    if (album.items().empty())
        throw AlbumError(texts::noItems);
    for (const std::string* name : names)
        if (!suitableForFolder(*name))
            throw AlbumError(texts::badNameCharacters);
    if (platform::Cp932Codec::byteLength(saveFolder(album)) > maxSaveFolderBytes)
        throw AlbumError(texts::folderTooLong);
}

PublishedAlbum AlbumPublisher::save(const Album& album, const std::string& archivePath)
{
    check(album);
    const std::string& folder = album.folder();
    PublishingFiles written(folder);

    // The album's own files in its folder: a module's material may be none
    // of them, and the clean-up never takes them away.
    std::set<std::string> taken;
    for (const AlbumItem& item : album.items()) {
        taken.insert(item.saveName);
        if (item.hasVoice())
            taken.insert(item.voiceName);
    }
    const styles::GMGenerationResult generated = styles_.generate(album.style, contentOf(album), folder);
    for (const styles::Material& m : generated.materials)
        if (isSafeFileName(m.name) && !taken.count(m.name))
            written.add(m.name);
    if (!generated.succeeded)
        throw AlbumError(generated.message);
    taken.insert(texts::dataFileName);
    for (const styles::Material& m : generated.materials)
        if (!isSafeFileName(m.name) || !taken.insert(m.name).second)
            throw AlbumError(styles::GMStyleHost::generationFailedMessage);

    PublishedAlbum published;
    published.guidePostName = guidePostName(album);
    published.saveFolder = saveFolder(album);
    auto entry = [&](PublishedEntry::Kind kind, const std::string& name, const std::string& path) -> PublishedEntry& {
        PublishedEntry e;
        e.kind = kind;
        e.name = name;
        e.path = path;
        e.bytes = sizeOf(path);
        published.entries.push_back(std::move(e));
        return published.entries.back();
    };

    Builder b(library_);
    library_.clear();
    const int root = b.item(GuidePostItem);
    b.set(root, Name, published.guidePostName);
    b.set(root, Location, LocationLocal);
    b.set(root, Creator, album.creator);
    b.set(root, Comment, std::string(texts::guidePostComment));

    const auto [task, list] = b.attachedTask(root, published.guidePostName, published.saveFolder, texts::fileListName);

    for (const styles::Material& m : generated.materials) {
        if (m.attribute != GM_MATERIAL_ORDINARY)
            continue;
        const std::string path = folder + "/" + m.name;
        const int file = b.item(FileItem);
        b.set(file, LocalName, m.name);
        b.set(file, RemoteName, m.name);
        if (m.name == texts::pageName) {
            b.set(file, BrowseId, std::string(texts::pageBrowseId));
            if (album.date)
                b.set(file, FileTime, static_cast<int>(album.date->localMidnight()));
        }
        b.set(list, AppendFile, file);
        b.attachment(task, m.name, path);
        entry(m.name == texts::pageName ? PublishedEntry::Kind::Page : PublishedEntry::Kind::Material, m.name, path);
    }

    const int browse = b.item(BrowseItem);
    b.set(browse, BrowseTarget, std::string(texts::pageBrowseId));
    b.set(browse, BrowseTitle, published.guidePostName);
    b.set(browse, BrowseDescription, std::string(texts::browseDescription));
    b.set(browse, BrowseFavorite, 1);
    b.set(root, AppendBrowse, browse);

    for (const AlbumItem& item : album.items()) {
        b.fileAndAttachment(task, list, item.saveName, item.workingPath);
        PublishedEntry& e = entry(item.type == MediaType::Video ? PublishedEntry::Kind::Video
                                                                : PublishedEntry::Kind::Picture,
                                  item.saveName, item.workingPath);
        e.width = item.width;
        e.height = item.height;
        if (item.hasVoice()) {
            b.fileAndAttachment(task, list, item.voiceName, item.voicePath);
            entry(PublishedEntry::Kind::Voice, item.voiceName, item.voicePath).voiceSeconds = item.voiceSeconds;
        }
    }
    b.set(root, Location, LocationLocal);

    AlbumData data;
    data.items = album.items();
    data.materials = generated.materials;
    const std::string dataPath = folder + "/" + texts::dataFileName;
    written.add(texts::dataFileName);
    AlbumDataFile::write(dataPath, data);
    b.attachment(task, texts::dataFileName, dataPath);
    entry(PublishedEntry::Kind::DataFile, texts::dataFileName, dataPath);

    if (!generated.commonName.empty()) {
        published.commonData = true;
        const auto [common, commonList] = b.attachedTask(
            root, texts::commonDataName,
            std::string(Album::baseWord()) + "\\" + texts::commonDataFolder + "\\" + generated.commonName,
            texts::commonDataName, PolicyIfNotExist);
        for (const styles::Material& m : generated.materials) {
            if (m.attribute == GM_MATERIAL_ORDINARY)
                continue;
            b.fileAndAttachment(common, commonList, m.name, folder + "/" + m.name);
            entry(PublishedEntry::Kind::Material, m.name, folder + "/" + m.name);
        }
    }

    // Saved inside the album folder first: the path crosses the library in
    // code page 932, which the chosen path need not fit, and the archive
    // takes the chosen path's place only when it is whole.
    Scratch saving(folder, ".publish-");
    const std::string saved = saving.path() + "/album.gpa";
    if (!library_.save(root, saved, saveArchive))
        b.fail();
    published.archiveBytes = sizeOf(saved);
    if (!platform::AtomicFile::moveOrCopy(saved, archivePath))
        throw AlbumError(texts::archiveNotMade, texts::errorCaption, formatText(texts::archiveNotPlaced, archivePath));
    published.archivePath = archivePath;
    library_.clear();
    return published;
}

void AlbumPublisher::readBack(const std::string& archivePath, Album& album)
{
    // Whatever a hostile archive makes us allocate, running out ends the
    // read-back like any refusal: the scratch folder goes, the album stays.
    try {
        readBackUnguarded(archivePath, album);
    } catch (const std::bad_alloc&) {
        throw AlbumError(texts::readBackRefused, texts::errorCaption, texts::outOfMemory);
    }
}

void AlbumPublisher::readBackUnguarded(const std::string& archivePath, Album& album)
{
    auto refuse = [](const std::string& reason) -> void {
        throw AlbumError(texts::readBackRefused, texts::errorCaption, reason);
    };
    Scratch unpacked(album.folder(), ".readback-");
    if (!library_.loadArchive(archivePath, unpacked.path()))
        refuse(library_.lastError().empty() ? "ガイドポスト・アーカイブを読めません" : library_.lastError());

    const int root = library_.childId(-1, GuidePostItem, 0);
    if (root < 0 || !library_.text(root, Name) || !library_.text(root, Creator) || !library_.text(root, Comment))
        refuse("ガイドポストの名前・作成者・コメントがありません");
    if (library_.itemCount(root, TaskItem) != 1)
        refuse("タスクが一つではありません");
    if (library_.number(root, Location) != LocationLocal)
        refuse("ガイドポストの場所が正しくありません");
    const int task = library_.childId(root, TaskItem, 0);
    const int components = task < 0 ? -1 : library_.itemCount(task, FolderComponent);
    if (components != 3 && components != 4)
        refuse("保存フォルダが3階層または4階層ではありません");
    std::vector<std::string> parts;
    for (int i = 0; i < components; ++i) {
        std::optional<std::string> part = library_.orderedText(task, DestinationFolder, i);
        if (!part)
            refuse("保存フォルダを読めません");
        parts.push_back(*part);
    }

    const int source = library_.childId(task, SourceItem, 0);
    const int list = source < 0 ? -1 : library_.childId(source, FileListItem, 0);
    const int files = list < 0 ? 0 : std::max(0, library_.itemCount(list, FileItem));

    // Every item and every page material has a file in that list, so the
    // list bounds what the data file may declare.
    AlbumData data;
    try {
        data = AlbumDataFile::read(unpacked.path() + "/" + texts::dataFileName, static_cast<std::size_t>(files));
    } catch (const AlbumError& e) {
        refuse(e.detail().empty() ? e.what() : std::string(e.what()) + " " + e.detail());
    }

    // The files of the first list, in order: the items in the data file's
    // order, each voice file after its item.
    std::vector<AlbumItem> items;
    std::optional<AlbumDate> date;
    std::size_t next = 0;
    std::optional<std::size_t> last;
    for (int i = 0; i < files; ++i) {
        const int file = library_.childId(list, FileItem, i);
        const std::optional<std::string> name = file < 0 ? std::nullopt : library_.text(file, LocalName);
        if (!name)
            refuse("ファイルリストを読めません");
        if (next < data.items.size() && *name == data.items[next].saveName) {
            AlbumItem item = std::move(data.items[next++]);
            if (!isSafeFileName(item.saveName) || !fs::is_regular_file(unpacked.path() + "/" + item.saveName))
                refuse(item.saveName + " がアーカイブにありません");
            item.workingPath = item.saveName; // placed below, once accepted
            item.sourcePath = texts::readBackSourcePath;
            item.sourceWidth = item.sourceHeight = 0;
            item.voicePath.clear();
            item.voiceName.clear();
            item.voiceSeconds = 0;
            items.push_back(std::move(item));
            last = items.size() - 1;
        } else if (*name != texts::pageName && endsWithWav(*name)) {
            if (!last)
                continue;
            std::vector<std::uint8_t> samples;
            if (!isSafeFileName(*name) || !VoiceFile::read(unpacked.path() + "/" + *name, samples) || samples.empty())
                refuse(formatText(texts::voiceNotReadable, *name));
            AlbumItem& owner = items[*last];
            owner.voicePath = *name;
            owner.voiceName = *name;
            owner.voiceSeconds = VoiceFile::secondsOf(samples.size());
        } else if (*name == texts::pageName) {
            if (library_.number(file, FileTimePresent).value_or(0) != 0) {
                if (std::optional<int> time = library_.number(file, FileTime))
                    date = AlbumDate::localDayOf(static_cast<std::time_t>(*time));
            }
        }
    }

    // Accepted: the album gives way to what was read.
    album.clear();
    album.creator = parts[1];
    album.title = parts[2];
    album.useSubtitle = parts.size() == 4;
    album.subtitle = album.useSubtitle ? parts[3] : std::string();
    album.date = date;
    for (AlbumItem& item : items) {
        const std::string target = album.folder() + "/" + item.saveName;
        if (!platform::AtomicFile::moveOrCopy(unpacked.path() + "/" + item.saveName, target))
            continue;
        item.workingPath = target;
        if (!item.voiceName.empty()) {
            const std::string voice = album.folder() + "/" + item.voiceName;
            if (platform::AtomicFile::moveOrCopy(unpacked.path() + "/" + item.voiceName, voice))
                item.voicePath = voice;
            else
                Album::removeVoice(item);
        }
        album.append(std::move(item));
    }
}

} // namespace album
