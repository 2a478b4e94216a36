#pragma once
// The dialog "ビデオ": the video shown in a player, its size as the player
// reports it given to the item, with the title, comment and voice message
// of every item.

#include "album/window/ItemDialog.h"

#include <memory>

class QAudioOutput;
class QFile;
class QLabel;
class QMediaPlayer;
class QVideoWidget;

namespace glimmora {

class VideoDialog : public ItemDialog {
    Q_OBJECT
public:
    VideoDialog(VoiceDialog& voice, QWidget* parent = nullptr);
    ~VideoDialog() override;

    // Shows `item` and plays it; the item must stay until finished().
    void openFor(Mode mode, album::AlbumItem& item);

    QMediaPlayer* player() const { return player_; }
    // The problem told under the player, empty while it plays.
    QString problem() const;

signals:
    // The player told the video's size (tests wait for it).
    void sizeKnown(int width, int height);

private slots:
    void takeSize();
    void showError();
    void checkMedia();
    void playAgain();
    void release();

private:
    void showSize();
    void tell(const std::string& reason);

    std::unique_ptr<QFile> file_;
    QMediaPlayer* player_;
    QAudioOutput* audio_ = nullptr;
    QVideoWidget* video_;
    QLabel* size_;
    QLabel* problem_;
};

} // namespace glimmora
