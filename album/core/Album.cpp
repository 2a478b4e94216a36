#include "album/core/Album.h"

#include "album/core/AlbumError.h"
#include "album/core/PictureFormat.h"
#include "album/core/VoiceFile.h"
#include "platform/Cp932Codec.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace album {
namespace fs = std::filesystem;

namespace {

std::string lowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The file name of a path as written, and its stem and extension split at
// the last dot.
struct NameParts {
    std::string name;
    std::string stem;
    std::string extension;
};

NameParts partsOf(const std::string& path)
{
    NameParts parts;
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    const std::size_t slash = trimmed.rfind('/');
    parts.name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
    const std::size_t dot = parts.name.rfind('.');
    parts.stem = dot == std::string::npos ? parts.name : parts.name.substr(0, dot);
    parts.extension = dot == std::string::npos ? std::string() : parts.name.substr(dot);
    return parts;
}

bool representable(const std::string& utf8)
{
    std::string ignored;
    return platform::Cp932Codec::tryFromUtf8(utf8, ignored);
}

// Names that stand for the album's own files, or that cannot be one file
// name in an archive.
bool reservedName(const std::string& name)
{
    const std::string lower = lowerAscii(name);
    return name == "." || name == ".." || name.find('/') != std::string::npos || name.find('\\') != std::string::npos
        || lower == texts::pageName || lower == texts::dataFileName || endsWith(lower, ".wav");
}

Admission refusal(Admission::Outcome outcome, std::string message, const char* caption, std::string saveName = {})
{
    Admission a;
    a.outcome = outcome;
    a.message = std::move(message);
    a.caption = caption;
    a.saveName = std::move(saveName);
    return a;
}

void removeFile(const std::string& path)
{
    std::error_code ignored;
    if (!path.empty())
        fs::remove(path, ignored);
}

} // namespace

Album::Album(std::string folder) : folder_(std::move(folder)) {}

Album::~Album()
{
    for (const AlbumItem& item : items_)
        if (item.workingPath != item.sourcePath)
            removeFile(item.workingPath);
}

bool Album::sameNameIgnoringCase(const std::string& a, const std::string& b)
{
    return lowerAscii(a) == lowerAscii(b);
}

bool Album::nameTakenIgnoringCase(const std::string& name) const
{
    auto same = [&](const std::string& other) { return sameNameIgnoringCase(other, name); };
    return std::any_of(items_.begin(), items_.end(), [&](const AlbumItem& i) { return same(i.saveName); })
        || std::any_of(pending_.entries().begin(), pending_.entries().end(),
                       [&](const PendingAddition& p) { return same(p.saveName); });
}

bool Album::nameTakenExactly(const std::string& name) const
{
    return std::any_of(items_.begin(), items_.end(), [&](const AlbumItem& i) { return i.saveName == name; })
        || std::any_of(pending_.entries().begin(), pending_.entries().end(),
                       [&](const PendingAddition& p) { return p.saveName == name; });
}

Admission Album::admit(const std::string& path)
{
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status))
        return refusal(Admission::Outcome::NotFound, texts::fileNotFound, texts::errorCaption);
    if (fs::is_directory(status))
        return refusal(Admission::Outcome::Folder, texts::folderDropped, texts::noticeCaption);
    return checkExtensionAndName(path);
}

Admission Album::admitFile(const std::string& path)
{
    std::error_code ec;
    if (!fs::exists(path, ec))
        return refusal(Admission::Outcome::NotFound, texts::fileNotFound, texts::errorCaption);
    return checkExtensionAndName(path);
}

Admission Album::checkExtensionAndName(const std::string& path)
{
    NameParts parts = partsOf(path);
    const std::string extension = lowerAscii(parts.extension);
    const bool video = PictureFormats::videoExtension(extension);
    // A picture is told by its content where its name does not say.
    if (!video && !PictureFormats::pictureExtension(extension)
        && PictureFormats::sniff(path) == PictureFormat::Unknown)
        return refusal(Admission::Outcome::BadExtension, formatText(texts::badExtension, parts.stem, parts.extension),
                       texts::noticeCaption);
    // Every picture is written as JPEG, and named so.
    if (!video && extension != ".jpg" && extension != ".jpeg")
        parts.name = parts.stem + ".jpg";
    // The path goes into the album data file and the name into the archive,
    // both in code page 932.
    if (!representable(path) || !representable(parts.name))
        return refusal(Admission::Outcome::Unusable, formatText(texts::unusableName, parts.name), texts::errorCaption);
    if (reservedName(parts.name))
        return refusal(Admission::Outcome::Unusable, formatText(texts::reservedSaveName, parts.name), texts::errorCaption);
    if (parts.name.empty() || nameTakenIgnoringCase(parts.name))
        return refusal(Admission::Outcome::NeedsNewName, texts::saveNameTaken, texts::renameCaption, parts.name);
    PendingAddition addition;
    addition.type = video ? MediaType::Video : MediaType::Picture;
    addition.sourcePath = path;
    addition.saveName = parts.name;
    pending_.push(addition);
    Admission queued;
    queued.saveName = parts.name;
    return queued;
}

Admission Album::admitRenamed(const std::string& path, const std::string& saveName)
{
    if (saveName.empty() || nameTakenExactly(saveName))
        return refusal(Admission::Outcome::NeedsNewName, texts::renamedSaveNameTaken, texts::renameCaption, saveName);
    if (!representable(saveName))
        return refusal(Admission::Outcome::Unusable, formatText(texts::unusableName, saveName), texts::errorCaption);
    if (reservedName(saveName))
        return refusal(Admission::Outcome::Unusable, formatText(texts::reservedSaveName, saveName), texts::errorCaption);
    const std::string extension = lowerAscii(partsOf(path).extension);
    PendingAddition addition;
    addition.type = PictureFormats::videoExtension(extension) ? MediaType::Video : MediaType::Picture;
    addition.sourcePath = path;
    addition.saveName = saveName;
    pending_.push(addition);
    Admission queued;
    queued.saveName = saveName;
    return queued;
}

std::vector<std::string> Album::filesInFolder(const std::string& folder)
{
    std::vector<std::string> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError))
            files.push_back(it->path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

FolderAdmission Album::folderSummary(int queued)
{
    FolderAdmission result;
    result.queued = queued;
    if (queued > 0) {
        result.message = formatCount(texts::filesAdded, queued);
    } else {
        result.message = texts::noFileAdded;
        result.caption = texts::noticeCaption;
    }
    return result;
}

FolderAdmission Album::admitFolder(const std::string& folder)
{
    int queued = 0;
    std::vector<std::pair<std::string, Admission>> refused;
    for (const std::string& file : filesInFolder(folder)) {
        Admission a = admitFile(file);
        if (a.outcome == Admission::Outcome::Queued)
            ++queued;
        else
            refused.emplace_back(file, std::move(a));
    }
    FolderAdmission result = folderSummary(queued);
    result.refused = std::move(refused);
    return result;
}

void Album::accept(PreparedItem prepared)
{
    items_.push_back(std::move(prepared.item));
    pending_.popFront();
}

void Album::reject(const PreparedItem& prepared)
{
    deleteFiles(prepared.item);
    pending_.popFront();
}

void Album::dropFront()
{
    pending_.popFront();
}

void Album::cancelPending()
{
    pending_.clear();
}

bool Album::moveUp(std::size_t index)
{
    if (busy() || items_.size() < 2 || index == 0 || index >= items_.size())
        return false;
    std::swap(items_[index - 1], items_[index]);
    return true;
}

bool Album::moveDown(std::size_t index)
{
    if (busy() || items_.size() < 2 || index + 1 >= items_.size())
        return false;
    std::swap(items_[index], items_[index + 1]);
    return true;
}

bool Album::orderByDate()
{
    if (busy())
        return false;
    std::stable_sort(items_.begin(), items_.end(), [](const AlbumItem& a, const AlbumItem& b) {
        if (a.taken.empty() || b.taken.empty())
            return !a.taken.empty() && b.taken.empty();
        return a.taken < b.taken;
    });
    return true;
}

bool Album::orderByName()
{
    if (busy())
        return false;
    std::stable_sort(items_.begin(), items_.end(),
                     [](const AlbumItem& a, const AlbumItem& b) { return lowerAscii(a.saveName) < lowerAscii(b.saveName); });
    return true;
}

void Album::remove(std::size_t index)
{
    if (index >= items_.size())
        return;
    deleteFiles(items_[index]);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
}

void Album::clear()
{
    for (const AlbumItem& item : items_)
        deleteFiles(item);
    items_.clear();
    pending_.clear();
    title = texts::defaultTitle;
    useSubtitle = false;
    subtitle.clear();
    date.reset();
}

void Album::deleteFiles(const AlbumItem& item)
{
    if (item.workingPath != item.sourcePath)
        removeFile(item.workingPath);
    if (!item.voicePath.empty() && item.voicePath != item.sourcePath)
        removeFile(item.voicePath);
}

std::string Album::voicePathFor(const AlbumItem& item) const
{
    if (!item.voicePath.empty())
        return item.voicePath;
    auto taken = [&](const std::string& name) {
        return std::any_of(items_.begin(), items_.end(), [&](const AlbumItem& other) {
            return &other != &item && (other.voiceName == name || other.saveName == name);
        });
    };
    std::string name = VoiceFile::nameFor(item.saveName);
    if (taken(name))
        name = "_v_" + item.saveName + ".wav";
    return folder_ + "/" + name;
}

void Album::setVoice(AlbumItem& item, const std::vector<std::uint8_t>& samples) const
{
    const std::string path = voicePathFor(item);
    const std::string name = partsOf(path).name;
    // Recordings are whole seconds; a file brought in is made one with silence.
    const int seconds = VoiceFile::secondsOf(samples.size());
    std::vector<std::uint8_t> whole = samples;
    whole.resize(static_cast<std::size_t>(seconds) * VoiceFile::samplesPerSecond, VoiceFile::silence);
    if (samples.empty() || !VoiceFile::write(path, whole))
        throw AlbumError(formatText(texts::voiceNotWritten, name));
    item.voicePath = path;
    item.voiceName = name;
    item.voiceSeconds = seconds;
}

void Album::removeVoice(AlbumItem& item)
{
    if (!item.voicePath.empty() && item.voicePath != item.sourcePath)
        removeFile(item.voicePath);
    item.voicePath.clear();
    item.voiceName.clear();
    item.voiceSeconds = 0;
}

} // namespace album
