#include "album/window/VideoDialog.h"

#include "album/core/AlbumError.h"
#include "album/core/AlbumTexts.h"
#include "album/window/Controls.h"
#include "styles/dialog/AccessKey.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QMediaDevices>
#include <QMediaMetaData>
#include <QMediaPlayer>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoSink>
#include <QVideoWidget>

#include <algorithm>

namespace glimmora {
namespace texts = album::texts;

VideoDialog::VideoDialog(VoiceDialog& voice, QWidget* parent) : ItemDialog(voice, texts::includeVideo, parent)
{
    setObjectName(QStringLiteral("videoDialog"));
    setWindowTitle(text(texts::videoDialogCaption));

    video_ = new QVideoWidget;
    video_->setObjectName(QStringLiteral("videoView"));
    // The screen of the player: dark around the picture, as players are.
    auto* screen = new QFrame;
    screen->setFrameShape(QFrame::StyledPanel);
    screen->setAutoFillBackground(true);
    QPalette dark = screen->palette();
    dark.setColor(QPalette::Window, Qt::black);
    screen->setPalette(dark);
    screen->setFixedSize(404, 304);
    auto* screenLayout = new QVBoxLayout(screen);
    screenLayout->setContentsMargins(2, 2, 2, 2);
    screenLayout->addWidget(video_);
    player_ = new QMediaPlayer(this);
    player_->setVideoOutput(video_);
    // Without a sound device the video plays silent.
    if (!QMediaDevices::defaultAudioOutput().isNull()) {
        audio_ = new QAudioOutput(this);
        player_->setAudioOutput(audio_);
    }

    auto* play = new QPushButton(dialogs::withAccessKey(texts::playVideoButton, 'P'));
    play->setObjectName(QStringLiteral("playVideoButton"));
    play->setAutoDefault(false);
    size_ = new QLabel;
    size_->setObjectName(QStringLiteral("videoSize"));
    problem_ = new QLabel;
    problem_->setObjectName(QStringLiteral("videoProblem"));
    problem_->setWordWrap(true);
    problem_->setTextFormat(Qt::PlainText);
    problem_->setMaximumWidth(400);
    problem_->hide();

    auto* controls = new QHBoxLayout;
    controls->addWidget(play);
    controls->addStretch(1);
    controls->addWidget(size_);
    auto* area = new QWidget;
    auto* areaLayout = new QVBoxLayout(area);
    areaLayout->setContentsMargins(0, 0, 0, 0);
    areaLayout->addWidget(screen);
    areaLayout->addLayout(controls);
    areaLayout->addWidget(problem_);
    areaLayout->addStretch(1);
    setMediaArea(area);

    connect(play, &QPushButton::clicked, this, &VideoDialog::playAgain);
    connect(player_, &QMediaPlayer::metaDataChanged, this, &VideoDialog::takeSize);
    connect(video_->videoSink(), &QVideoSink::videoSizeChanged, this, &VideoDialog::takeSize);
    connect(player_, &QMediaPlayer::errorOccurred, this, &VideoDialog::showError);
    connect(player_, &QMediaPlayer::mediaStatusChanged, this, &VideoDialog::checkMedia);
    connect(this, &QDialog::finished, this, &VideoDialog::release);
}

VideoDialog::~VideoDialog()
{
    release();
}

void VideoDialog::openFor(Mode mode, album::AlbumItem& item)
{
    begin(mode, item);
    problem_->clear();
    problem_->hide();
    showSize();
    if (!player_->isAvailable()) {
        tell(texts::videoNoPlayer);
        present();
        return;
    }
    // Handed over open: the media back end does not open every name a file
    // may have (Japanese ones among them) by itself.
    const QString path = QString::fromStdString(item.workingPath);
    file_ = std::make_unique<QFile>(path);
    if (file_->open(QIODevice::ReadOnly))
        player_->setSourceDevice(file_.get(), QUrl::fromLocalFile(path));
    else
        player_->setSource(QUrl::fromLocalFile(path));
    player_->play();
    present();
}

void VideoDialog::takeSize()
{
    album::AlbumItem* item = this->item();
    if (!item)
        return;
    QSize size = player_->metaData().value(QMediaMetaData::Resolution).toSize();
    if (!size.isValid() || size.isEmpty())
        size = video_->videoSink()->videoSize();
    if (!size.isValid() || size.isEmpty() || (size.width() == item->width && size.height() == item->height))
        return;
    item->width = size.width();
    item->height = size.height();
    showSize();
    emit sizeKnown(item->width, item->height);
}

void VideoDialog::showSize()
{
    const album::AlbumItem* item = this->item();
    size_->setText(item && item->width > 0 && item->height > 0
                       ? QString::fromStdString(album::formatCount(texts::videoSizeText, item->width, item->height))
                       : QString());
}

QString VideoDialog::problem() const
{
    return problem_->text();
}

void VideoDialog::tell(const std::string& reason)
{
    problem_->setText(QString::fromStdString(album::formatText(texts::videoNotPlayable, reason)) + QLatin1Char('\n')
                      + text(texts::videoStillIncluded));
    problem_->show();
    // Told after the dialog is up: it grows to take the wrapped lines,
    // rather than pressing the controls into the fixed screen above them.
    if (QLayout* whole = layout()) {
        whole->invalidate();
        whole->activate();
        const int needed = whole->hasHeightForWidth() ? whole->totalHeightForWidth(width()) : whole->totalSizeHint().height();
        resize(width(), std::max(height(), needed));
    }
}

void VideoDialog::showError()
{
    // The back end's own words are English and technical; they follow ours.
    const std::string detail = player_->errorString().toStdString();
    switch (player_->error()) {
    case QMediaPlayer::ResourceError:
        tell(detail.empty() ? texts::videoUnreadable : std::string(texts::videoUnreadable) + " (" + detail + ")");
        break;
    case QMediaPlayer::FormatError:
        tell(detail.empty() ? texts::videoFormatUnknown
                            : std::string(texts::videoFormatUnknown) + " (" + detail + ")");
        break;
    case QMediaPlayer::AccessDeniedError:
        tell(texts::videoAccessDenied);
        break;
    default:
        tell(detail);
        break;
    }
}

void VideoDialog::checkMedia()
{
    // Opened, but with no picture the system can show (a codec it lacks).
    const QMediaPlayer::MediaStatus status = player_->mediaStatus();
    if (status == QMediaPlayer::InvalidMedia && problem_->isHidden())
        tell(texts::videoFormatUnknown);
    else if ((status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::BufferedMedia) && !player_->hasVideo()
             && problem_->isHidden())
        tell(texts::videoFormatUnknown);
}

void VideoDialog::playAgain()
{
    player_->setPosition(0);
    player_->play();
}

void VideoDialog::release()
{
    // Lets go of the file, which may be the user's own.
    player_->stop();
    player_->setSource(QUrl());
    file_.reset();
}

} // namespace glimmora
