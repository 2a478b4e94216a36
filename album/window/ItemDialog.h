#pragma once
// What the two item dialogs ("写真のタイトルとコメント" and "ビデオ") share:
// the item's title and comment, its voice message ("録音・再生", "削除"),
// and the closing buttons. While files are being added the buttons are
// "この写真を写真集に含める" (accept) and "写真集に含めない" (reject); for an
// item of the album ("編集") they are OK and キャンセル, and キャンセル keeps
// the old title and comment. While files are being added the dialog leaves
// the main window and the dialog "処理" usable, and carries its own "中止"
// for the rest of the queue; an item of the album is edited modal to the
// main window.

#include "album/core/AlbumItem.h"

#include <QDialog>

class QGridLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace glimmora {

class VoiceDialog;

class ItemDialog : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Adding, Editing };

    QLineEdit* titleField() const { return title_; }
    QPlainTextEdit* commentField() const { return comment_; }
    QPushButton* acceptButton() const { return accept_; }
    QPushButton* rejectButton() const { return reject_; }
    QPushButton* voiceButton() const { return voice_; }
    QPushButton* voiceDeleteButton() const { return deleteVoice_; }
    QPushButton* stopButton() const { return stop_; }
    album::AlbumItem* item() const { return item_; }
    // True while work on the item runs: the dialog neither closes nor
    // starts more work.
    virtual bool working() const { return false; }
    // Closes without the item: at once, or as soon as the work on it ends.
    void abandon();

    // The comment as the album keeps it (CR LF) and as a text field shows it.
    static std::string albumComment(const QString& shown);
    static QString shownComment(const std::string& comment);

public slots:
    void accept() override;
    void reject() override;

signals:
    // "中止" while files are being added: the rest of the queue goes too.
    void stopRequested();

protected:
    ItemDialog(VoiceDialog& voice, const char* includeLabel, QWidget* parent);

    // Fills the common fields for `item`, which must stay until finished().
    void begin(Mode mode, album::AlbumItem& item);
    // Puts the dialog's own controls (the picture or the video) on the left.
    void setMediaArea(QWidget* area);
    void enableClosing(bool enabled);
    // Shows the dialog as its mode wants it (after begin()).
    void present();
    // The work on the item has ended: a close asked for meanwhile happens.
    void workEnded();

private slots:
    void recordVoice();
    void deleteVoice();

private:
    void showVoice();

    VoiceDialog& voiceDialog_;
    const char* includeLabel_;
    Mode mode_ = Mode::Adding;
    album::AlbumItem* item_ = nullptr;
    QGridLayout* layout_;
    QLineEdit* title_;
    QPlainTextEdit* comment_;
    QPushButton* voice_;
    QPushButton* deleteVoice_;
    QLabel* voiceState_;
    QPushButton* accept_;
    QPushButton* reject_;
    QPushButton* stop_;
    bool abandoned_ = false;
};

} // namespace glimmora
