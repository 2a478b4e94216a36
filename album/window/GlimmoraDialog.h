#pragma once
// The main dialog "Glimmora": the guide "Glimmora アシスタント", the album's
// names, date and style, the commands (新規, 読み込み, 保存, 送信, 設定,
// ヘルプ, 終了) and the item list with its own commands. A thin host of the
// album core: every field is the album's, every rule the core's. Files are
// worked off by the pending queue; publishing and reading an archive back
// run on a thread of their own while the dialog waits, greyed.

#include "album/core/Album.h"
#include "album/core/AlbumAssistant.h"
#include "album/core/AlbumError.h"
#include "album/core/EditablePicture.h"
#include "styles/host/StyleManager.h"

#include <QDialog>
#include <QFileDialog>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QThread;

namespace dialogs {
class WindowPlace;
}

namespace album {
class CvclibLibrary;
class SoundDevice;
} // namespace album

namespace glimmora {

class ItemDialog;
class ItemList;
class PendingQueue;
class PictureDialog;
class VideoDialog;
class VoiceDialog;

class GlimmoraDialog : public QDialog {
    Q_OBJECT
public:
    GlimmoraDialog(album::Album& album, album::CvclibLibrary& library, styles::GMStyleHost& styles,
                   album::SoundDevice& sound, std::string saveRoot, QWidget* parent = nullptr);
    ~GlimmoraDialog() override;

    const album::AlbumAssistant& assistant() const { return assistant_; }
    ItemList* itemList() const { return items_; }
    PendingQueue* queue() const { return queue_; }
    PictureDialog* pictureDialog() const { return pictures_; }
    VideoDialog* videoDialog() const { return videos_; }
    VoiceDialog* voiceDialog() const { return voice_; }
    // Files are being worked off, or an archive written or read.
    bool busy() const;
    // Where the help pages stand: the program's own folder unless told
    // otherwise (tests run from another folder).
    void setProgramFolder(std::string folder) { programFolder_ = std::move(folder); }

public slots:
    // What the "写真\n読み込み" button and a drop on the list do with paths.
    void addPaths(const QStringList& paths);
    // "終了", the close box and Escape.
    void reject() override;
    // Every close: the window's size and place are kept for the next run.
    void done(int result) override;
    // The desktop or the terminal ends the program: no question, the work
    // is stopped and the window closes once it has.
    void terminate();

signals:
    // For tests and the benchmark: an item dialog is open, and background
    // work is done.
    void itemDialogOpened(glimmora::ItemDialog* dialog);
    void published(bool succeeded);
    void readBack(bool succeeded);
    void mailed(bool succeeded);

private slots:
    void nextStep();
    void previousStep();
    void focusChanged(QWidget* old, QWidget* now);
    void subtitleToggled(bool checked);
    void dateChanged();
    void styleChosen(int index);
    void chooseFiles();
    void editItem();
    void moveUp();
    void moveDown();
    void deleteItem();
    void newAlbum();
    void readAlbum();
    void saveAlbum();
    void sendAlbum();
    void openSettings();
    void openHelp();
    void manageStyles();
    void processingStarted();
    void processingFinished();
    void itemAdded();

private:
    QWidget* buildAssistant();
    QWidget* buildFields();
    QWidget* buildCommands();
    QWidget* buildItems();

    void showStep(bool moveFocus);
    void showAlbum();
    void showItems(int selected);
    void fillStyles();
    void setBusy(bool busy);
    // The checks before an archive is written; false (and the user told)
    // when publishing cannot start.
    bool readyToPublish();
    // Runs `work` on a thread of its own, the dialog greyed with the wait
    // cursor, then `done` here with what went wrong, if anything (an
    // exception not the core's is told as `unexpected`).
    void runInBackground(std::function<void()> work, const char* unexpected,
                         std::function<void(const std::optional<album::AlbumError>&)> done);
    // A file dialog in the folder used last: what was chosen, or nothing.
    // With `proposed` the dialog saves, proposing that name.
    QStringList askForFiles(const char* title, const char* filter, QFileDialog::FileMode mode,
                            const QString& proposed = {});
    void finishEdit(int result);

    album::Album& album_;
    album::CvclibLibrary& library_;
    styles::GMStyleHost& styles_;
    styles::StyleManager manager_;
    album::AlbumAssistant assistant_;
    std::vector<styles::StyleChoice> choices_;
    std::pair<std::string, int> styleKey_ {{}, -1}; // module path and style number
    QString lastFolder_;
    std::string programFolder_;

    QWidget* content_;
    QPlainTextEdit* guide_;
    QLineEdit* creator_;
    QLineEdit* title_;
    QCheckBox* useSubtitle_;
    QLineEdit* subtitle_;
    QCheckBox* useDate_;
    QDateEdit* date_;
    QComboBox* styleBox_;
    ItemList* items_;

    VoiceDialog* voice_;
    PictureDialog* pictures_;
    VideoDialog* videos_;
    PendingQueue* queue_;
    dialogs::WindowPlace* place_;
    QThread* work_ = nullptr;
    bool filling_ = false;
    bool terminating_ = false;
    // The focus the window opens with is not the user's: the guide stays at 0.
    bool openingFocus_ = true;

    // The item being edited ("編集"): a copy, written back when done.
    std::optional<std::size_t> editIndex_;
    album::AlbumItem editItem_;
    std::optional<album::EditablePicture> editPicture_;
};

} // namespace glimmora
