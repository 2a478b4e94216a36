#pragma once
// The album being assembled: who made it, its titles and date, its style,
// its items in page order, and the files admitted but not yet accepted. Its
// working files (fitted pictures, voice files) live in the album folder.
//
// An Album belongs to one thread (the window's, or the terminal program's).
// The slow part of an addition, ItemPreparer::prepare, may run on a worker
// thread with a copy of the pending entry, the folder and the limit; its
// result comes back to the album's thread to be accepted or rejected.

#include "album/core/AlbumDate.h"
#include "album/core/AlbumTexts.h"
#include "album/core/AlbumItem.h"
#include "album/core/ItemPreparer.h"
#include "album/core/PendingAdditions.h"
#include "album/core/PictureFit.h"
#include "styles/host/GMStyleHost.h"

#include <optional>
#include <string>
#include <vector>

namespace album {

// What became of one path given to the album.
struct Admission {
    enum class Outcome {
        Queued,       // waiting in the pending additions
        Folder,       // a folder: ask texts::folderDropped, then admitFolder or admitFile
        NotFound,     // message, caption エラー
        BadExtension, // message, caption 注意
        NeedsNewName, // message; then the dialog 保存名の変更 and admitRenamed
        Unusable,     // message: a name the album cannot carry
    };
    Outcome outcome = Outcome::Queued;
    std::string message;
    std::string caption;
    std::string saveName; // the proposed or queued save name
};

// What adding a folder's files came to.
struct FolderAdmission {
    int queued = 0;
    std::vector<std::pair<std::string, Admission>> refused; // path and why, for every file not queued
    // "%d 個のファイルを追加しました" (no caption), or
    // "追加するファイルが一つもありませんでした" (注意).
    std::string message;
    std::string caption;
};

class Album {
public:
    explicit Album(std::string folder);
    // The fitted copies are deleted; a video's own file never is.
    ~Album();
    Album(const Album&) = delete;
    Album& operator=(const Album&) = delete;

    std::string creator;
    std::string title = texts::defaultTitle;
    bool useSubtitle = false;
    std::string subtitle;
    std::optional<AlbumDate> date; // set when the date is checked
    std::optional<styles::StyleChoice> style;
    PictureSize limit = defaultPictureLimit;

    const std::string& folder() const { return folder_; }
    static constexpr const char* baseWord() { return texts::baseWord; }
    // The subtitle when it counts, else empty.
    std::string activeSubtitle() const { return useSubtitle ? subtitle : std::string(); }

    const std::vector<AlbumItem>& items() const { return items_; }
    AlbumItem& item(std::size_t index) { return items_.at(index); }

    // Steps of admission (file or folder, extension, save name) for one path;
    // a file that passes is queued.
    Admission admit(const std::string& path);
    // As admit, but a folder is taken for a file (the answer Cancel).
    Admission admitFile(const std::string& path);
    // Every file directly in `folder` through admitFile (the answer OK).
    // A file that needs a new name is left for the caller in `refused`.
    FolderAdmission admitFolder(const std::string& folder);
    // The files directly in `folder`, in name order (what admitFolder takes),
    // for a host that asks about each file as it comes.
    static std::vector<std::string> filesInFolder(const std::string& folder);
    // The message after a folder's files: how many were queued, or that none was.
    static FolderAdmission folderSummary(int queued);
    // The name typed into the dialog 保存名の変更 for `path`: compared exactly.
    Admission admitRenamed(const std::string& path, const std::string& saveName);

    // The pending additions, to be worked off oldest first.
    const PendingAdditions& pending() const { return pending_; }
    bool busy() const { return !pending_.empty(); }
    // The oldest entry's item joins the album ("この写真を写真集に含める").
    void accept(PreparedItem prepared);
    // It does not; its fitted copy and voice file are deleted ("写真集に含めない").
    void reject(const PreparedItem& prepared);
    // Deletes what preparing an entry wrote, for a result nobody waits for
    // any more (the entry was dropped by "中止" while it was prepared).
    static void discard(const PreparedItem& prepared) { deleteFiles(prepared.item); }
    // Preparing the oldest entry failed: it leaves the queue.
    void dropFront();
    // "中止": every remaining entry is dropped.
    void cancelPending();

    // Moves an item one place; false (nothing done) with fewer than two
    // items, at the list's end, or while additions are pending.
    bool moveUp(std::size_t index);
    bool moveDown(std::size_t index);
    // "撮影日順に並べる": pictures with a shooting date first, oldest first;
    // the others after them in the order they had. False (nothing done)
    // while additions are pending.
    bool orderByDate();
    // By save name, case-blind; equal names keep their order.
    bool orderByName();
    // Removes an item with its fitted copy and voice file.
    void remove(std::size_t index);
    // "新規": no items, nothing pending, the titles and date as at the start.
    // The creator, style, limit and folder stay.
    void clear();

    // The voice file for `item` ("_v_<name>.wav" in the album folder); an
    // item that has one keeps it. When another item already has that name
    // the media's whole save name is used ("_v_a.avi.wav").
    std::string voicePathFor(const AlbumItem& item) const;
    // Writes `samples` as the item's voice message, made up to whole seconds
    // with silence; throws AlbumError.
    void setVoice(AlbumItem& item, const std::vector<std::uint8_t>& samples) const;
    // Deletes the item's voice file and forgets it.
    static void removeVoice(AlbumItem& item);

    // Appends an item as it is (reading an album back).
    void append(AlbumItem item) { items_.push_back(std::move(item)); }

    // True when the lower-case forms are equal (ASCII letters only, as the
    // program always compared).
    static bool sameNameIgnoringCase(const std::string& a, const std::string& b);

private:
    Admission checkExtensionAndName(const std::string& path);
    bool nameTakenIgnoringCase(const std::string& name) const;
    bool nameTakenExactly(const std::string& name) const;
    static void deleteFiles(const AlbumItem& item);

    std::string folder_;
    std::vector<AlbumItem> items_;
    PendingAdditions pending_;
};

} // namespace album
