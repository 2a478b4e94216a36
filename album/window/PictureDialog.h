#pragma once
// The dialog "写真のタイトルとコメント": the fitted picture, turned ("左",
// "逆", "右") and made lighter or darker (the slider and "<< 暗", "< 暗",
// "明 >", "明 >>", shown as "%d%%"), each change rewriting the picture's
// file off the GUI thread and drawn again when done.

#include "album/core/EditablePicture.h"
#include "album/window/ItemDialog.h"

#include <functional>

class QLabel;
class QSlider;
class QThread;

namespace glimmora {

class PictureDialog : public ItemDialog {
    Q_OBJECT
public:
    PictureDialog(VoiceDialog& voice, QWidget* parent = nullptr);
    ~PictureDialog() override;

    // Shows `item` with its fitted picture; both must stay until finished().
    void openFor(Mode mode, album::AlbumItem& item, album::EditablePicture& picture);

    QSlider* brightnessSlider() const { return slider_; }
    QLabel* pictureView() const { return view_; }
    // Makes the dialog, with a window frame of frameAllowance around it, fit
    // into `available` (a screen's free area), the picture giving way first.
    // Opening the dialog does this for the main window's screen.
    void fitTo(const QRect& available);
    static constexpr int frameWidth = 16;
    static constexpr int frameHeight = 48;
    bool working() const override { return editing_ != nullptr; }

signals:
    // An edit was written and the picture drawn again (tests wait for it).
    void pictureChanged();

private slots:
    void brightnessMoved(int value);
    void brightnessChosen(int value);

private:
    using Edit = std::function<void(album::EditablePicture&, album::AlbumItem&)>;
    void edit(Edit change);
    void editDone();
    void drawPicture();
    void stepBrightness(int by);
    void enableEditing(bool enabled);

    album::EditablePicture* picture_ = nullptr;
    QLabel* view_;
    int viewSide_;
    QSlider* slider_;
    QLabel* percent_;
    QList<QWidget*> editControls_;
    QThread* editing_ = nullptr;
    std::string editError_;
};

} // namespace glimmora
