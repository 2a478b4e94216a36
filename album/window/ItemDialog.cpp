#include "album/window/ItemDialog.h"

#include "album/core/Album.h"
#include "album/core/AlbumError.h"
#include "album/core/AlbumTexts.h"
#include "album/window/Controls.h"
#include "album/window/VoiceDialog.h"
#include "styles/dialog/AccessKey.h"
#include "styles/dialog/MessageBoxes.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace glimmora {
namespace texts = album::texts;

ItemDialog::ItemDialog(VoiceDialog& voice, const char* includeLabel, QWidget* parent)
    : QDialog(parent), voiceDialog_(voice), includeLabel_(includeLabel)
{
    title_ = new QLineEdit;
    title_->setObjectName(QStringLiteral("titleField"));
    comment_ = new QPlainTextEdit;
    comment_->setObjectName(QStringLiteral("commentField"));
    comment_->setTabChangesFocus(true);
    comment_->setMinimumWidth(260);

    voice_ = new QPushButton(dialogs::withAccessKey(texts::recordPlayButton, 'V'));
    voice_->setObjectName(QStringLiteral("voiceButton"));
    voice_->setAutoDefault(false);
    deleteVoice_ = new QPushButton(dialogs::withAccessKey(texts::voiceDeleteButton, 'D'));
    deleteVoice_->setObjectName(QStringLiteral("voiceDeleteButton"));
    deleteVoice_->setAutoDefault(false);
    voiceState_ = new QLabel;
    voiceState_->setObjectName(QStringLiteral("voiceState"));
    auto* voiceBox = new QGroupBox(text(texts::voiceInvitation));
    auto* voiceLayout = new QGridLayout(voiceBox);
    voiceLayout->addWidget(voiceState_, 0, 0, 1, 3);
    voiceLayout->addWidget(voice_, 1, 0);
    voiceLayout->addWidget(deleteVoice_, 1, 1);
    voiceLayout->setColumnStretch(2, 1);

    accept_ = new QPushButton;
    accept_->setObjectName(QStringLiteral("acceptButton"));
    accept_->setDefault(true);
    reject_ = new QPushButton;
    reject_->setObjectName(QStringLiteral("rejectButton"));
    reject_->setAutoDefault(false);
    stop_ = new QPushButton(dialogs::withAccessKey(texts::stopButton, 'C'));
    stop_->setObjectName(QStringLiteral("stopButton"));
    stop_->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(stop_);
    buttons->addStretch(1);
    buttons->addWidget(accept_);
    buttons->addWidget(reject_);

    auto* fields = new QVBoxLayout;
    auto* titleLabel = new QLabel(dialogs::withAccessKey(texts::itemTitleLabel, 'T'));
    titleLabel->setBuddy(title_);
    auto* commentLabel = new QLabel(dialogs::withAccessKey(texts::itemCommentLabel, 'M'));
    commentLabel->setBuddy(comment_);
    fields->addWidget(titleLabel);
    fields->addWidget(title_);
    fields->addWidget(commentLabel);
    fields->addWidget(comment_, 1);
    fields->addWidget(voiceBox);

    layout_ = new QGridLayout(this);
    layout_->addLayout(fields, 0, 1);
    layout_->addLayout(buttons, 1, 0, 1, 2);
    layout_->setColumnStretch(1, 1);

    connect(voice_, &QPushButton::clicked, this, &ItemDialog::recordVoice);
    connect(deleteVoice_, &QPushButton::clicked, this, &ItemDialog::deleteVoice);
    connect(accept_, &QPushButton::clicked, this, &ItemDialog::accept);
    connect(reject_, &QPushButton::clicked, this, &ItemDialog::reject);
    connect(stop_, &QPushButton::clicked, this, &ItemDialog::stopRequested);
}

void ItemDialog::setMediaArea(QWidget* area)
{
    layout_->addWidget(area, 0, 0);
}

std::string ItemDialog::albumComment(const QString& shown)
{
    QString comment = shown;
    comment.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    comment.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return comment.toStdString();
}

QString ItemDialog::shownComment(const std::string& comment)
{
    return dialogs::displayText(comment);
}

void ItemDialog::begin(Mode mode, album::AlbumItem& item)
{
    mode_ = mode;
    item_ = &item;
    abandoned_ = false;
    stop_->setVisible(mode == Mode::Adding);
    title_->setText(QString::fromStdString(item.title));
    comment_->setPlainText(shownComment(item.comment));
    accept_->setText(mode == Mode::Adding ? dialogs::withAccessKey(includeLabel_, 'Y')
                                          : QLatin1Char('&') + text(texts::okButton));
    reject_->setText(mode == Mode::Adding ? dialogs::withAccessKey(texts::excludeItem, 'N')
                                          : dialogs::withAccessKey(texts::cancelButton, 'C'));
    enableClosing(true);
    showVoice();
    title_->setFocus();
}

void ItemDialog::enableClosing(bool enabled)
{
    accept_->setEnabled(enabled);
    reject_->setEnabled(enabled);
    stop_->setEnabled(enabled);
}

void ItemDialog::present()
{
    if (mode_ == Mode::Editing) {
        open();
        return;
    }
    // Modal, it would block the main window's close box and the dialog
    // "処理" with its "中止" until the whole queue had been answered.
    setWindowModality(Qt::NonModal);
    show();
    raise();
    activateWindow();
}

void ItemDialog::abandon()
{
    abandoned_ = true;
    if (!working())
        reject();
}

void ItemDialog::workEnded()
{
    if (abandoned_ && isVisible())
        reject();
}

void ItemDialog::showVoice()
{
    const bool has = item_ && item_->hasVoice();
    voiceState_->setText(has ? QString::fromStdString(album::formatCount(texts::voiceSecondsText, item_->voiceSeconds))
                             : text(texts::voiceNone));
    deleteVoice_->setEnabled(has);
}

void ItemDialog::recordVoice()
{
    if (!item_ || working())
        return;
    // The voice dialog writes the file and gives it to the item at once.
    connect(&voiceDialog_, &QDialog::finished, this, &ItemDialog::showVoice, Qt::SingleShotConnection);
    voiceDialog_.openFor(*item_);
}

void ItemDialog::deleteVoice()
{
    if (!item_ || !item_->hasVoice())
        return;
    if (!dialogs::confirm(this, text(texts::confirmDeleteVoiceCaption), texts::confirmDeleteVoice))
        return;
    album::Album::removeVoice(*item_);
    showVoice();
}

void ItemDialog::accept()
{
    if (!item_ || working())
        return;
    item_->title = title_->text().toStdString();
    item_->comment = albumComment(comment_->toPlainText());
    item_ = nullptr;
    QDialog::accept();
}

void ItemDialog::reject()
{
    if (!item_ || working())
        return;
    item_ = nullptr;
    QDialog::reject();
}

} // namespace glimmora
