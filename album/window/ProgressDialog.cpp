#include "album/window/ProgressDialog.h"

#include "album/core/AlbumError.h"
#include "album/core/AlbumTexts.h"
#include "styles/dialog/AccessKey.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace glimmora {
namespace texts = album::texts;

ProgressDialog::ProgressDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("progressDialog"));
    setWindowTitle(QString::fromUtf8(texts::processingCaption));
    count_ = new QLabel;
    count_->setObjectName(QStringLiteral("progressCount"));
    count_->setMinimumWidth(count_->fontMetrics().horizontalAdvance(QString::fromUtf8(texts::stopping)) + 8);
    bar_ = new QProgressBar;
    bar_->setRange(0, 1000);
    bar_->setTextVisible(false);
    bar_->setMinimumWidth(260);
    stop_ = new QPushButton(dialogs::withAccessKey(texts::stopButton, 'C'));
    stop_->setObjectName(QStringLiteral("stopButton"));
    connect(stop_, &QPushButton::clicked, this, &ProgressDialog::stopRequested);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(stop_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(count_);
    layout->addWidget(bar_);
    layout->addLayout(buttons);
    setModal(false);
    showProgress(0, 0, 0);
}

void ProgressDialog::showProgress(int done, int total, int permille)
{
    stop_->setEnabled(true);
    count_->setText(QString::fromStdString(album::formatCount(texts::processingProgress, done, total)));
    const int value = total > 0 ? static_cast<int>((1000LL * done + std::clamp(permille, 0, 1000)) / total) : 0;
    bar_->setValue(std::min(value, 1000));
}

void ProgressDialog::showStopping()
{
    count_->setText(QString::fromUtf8(texts::stopping));
    stop_->setEnabled(false);
}

void ProgressDialog::reject()
{
    emit stopRequested();
}

} // namespace glimmora
