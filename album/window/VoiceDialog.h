#pragma once
// The dialog "声のメッセージ": records a voice message for one item from the
// default input and plays it on the default output, 5, 10 or 15 seconds
// long. Made once with the main dialog and reused, so that its 15-second
// buffer is allocated once. "保存" writes the voice file and gives it to the
// item; "保存しない" (and the close box) leaves the item as it was.

#include "album/core/Album.h"
#include "album/core/VoiceRecorder.h"

#include <QDialog>

#include <array>

class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;

namespace glimmora {

class VoiceDialog : public QDialog, private album::VoiceRecorder::Observer {
    Q_OBJECT
public:
    VoiceDialog(album::Album& album, album::SoundDevice& device, QWidget* parent = nullptr);
    ~VoiceDialog() override;

    // Shows the dialog for `item`, which must stay until finished(): an item
    // with a voice message has it loaded for playing.
    void openFor(album::AlbumItem& item);

    const album::VoiceRecorder& recorder() const { return recorder_; }
    QSlider* slider() const { return slider_; }

signals:
    // The item's voice message was written (or replaced).
    void voiceSaved();

public slots:
    // "保存しない" and the close box.
    void reject() override;

private slots:
    void record();
    void play();
    void keep();
    void chooseLength(int seconds);

private:
    void voiceSecond(int seconds) override;
    void voiceStopped(const std::string& error) override;
    void showState();

    album::Album& album_;
    album::VoiceRecorder recorder_;
    album::AlbumItem* item_ = nullptr;
    QPushButton* record_;
    QPushButton* play_;
    QPushButton* keep_;
    QPushButton* discard_;
    std::array<QRadioButton*, 3> lengths_ {};
    QSlider* slider_;
    QLabel* seconds_;
    bool recording_ = false;    // the run going on is a recording
    bool newRecording_ = false; // recorded since the dialog opened
};

} // namespace glimmora
