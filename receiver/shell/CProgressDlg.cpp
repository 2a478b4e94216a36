#include "receiver/shell/CProgressDlg.h"

#include "receiver/shell/ShellTexts.h"

#include "receiver/engine/ReceiveSnapshot.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString tr8(const char* text) { return QString::fromUtf8(text); }

QString counter(int done, int total)
{
    return tr8(shell::texts::counterFormat).arg(done).arg(total);
}

// The bar's range is an int; large files are shown in proportion.
constexpr int barSteps = 10000;

} // namespace

CProgressDlg::CProgressDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr8(shell::texts::progressCaption));
    setModal(false);
    auto* layout = new QVBoxLayout(this);

    auto* statusBox = new QGroupBox(tr8(shell::texts::statusLabel));
    auto* statusLayout = new QVBoxLayout(statusBox);
    status_ = new QLineEdit;
    status_->setReadOnly(true);
    status_->setFocusPolicy(Qt::NoFocus);
    statusLayout->addWidget(status_);
    layout->addWidget(statusBox);

    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(1, 300);
    auto addRow = [grid](int row, const char* label, QLabel*& name, QLabel*& count) {
        grid->addWidget(new QLabel(tr8(label)), row, 0);
        name = new QLabel;
        name->setTextFormat(Qt::PlainText);
        name->setFrameShape(QFrame::StyledPanel);
        name->setMinimumWidth(300);
        grid->addWidget(name, row, 1);
        count = new QLabel;
        count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        count->setMinimumWidth(90);
        grid->addWidget(count, row, 2);
    };
    addRow(0, shell::texts::taskLabel, task_, taskCount_);
    addRow(1, shell::texts::sourceLabel, source_, sourceCount_);
    addRow(2, shell::texts::fileListLabel, fileList_, fileListCount_);
    grid->addWidget(new QLabel(tr8(shell::texts::fileLabel)), 3, 0);
    fileCount_ = new QLabel;
    fileCount_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(fileCount_, 3, 2);
    layout->addLayout(grid);

    bar_ = new QProgressBar;
    bar_->setTextVisible(false);
    layout->addWidget(bar_);
    bytes_ = new QLabel;
    layout->addWidget(bytes_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    stop_ = new QPushButton(tr8(shell::texts::stopButton));
    connect(stop_, &QPushButton::clicked, this, &CProgressDlg::reject);
    buttons->addWidget(stop_);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    reset();
}

void CProgressDlg::reset()
{
    stopping_ = false;
    status_->clear();
    for (QLabel* l : {task_, source_, fileList_})
        l->clear();
    for (QLabel* l : {taskCount_, sourceCount_, fileListCount_, fileCount_})
        l->setText(counter(0, 0));
    bytes_->setText(tr8(shell::texts::waiting));
    bar_->setRange(0, 0);
    bar_->setValue(0);
    // An empty range is a busy bar in Qt; show an empty one instead.
    bar_->setRange(0, 1);
    bar_->setValue(0);
}

void CProgressDlg::setIfChanged(QLabel* label, const QString& text)
{
    if (label->text() != text)
        label->setText(text);
}

void CProgressDlg::showSnapshot(const receive::ReceiveSnapshot& s)
{
    const QString status = s.stopRequested || stopping_ ? tr8(shell::texts::stopping)
                                                        : QString::fromStdString(s.statusText);
    if (status_->text() != status)
        status_->setText(status);
    setIfChanged(task_, QString::fromStdString(s.taskName));
    setIfChanged(source_, QString::fromStdString(s.sourceName));
    setIfChanged(fileList_, QString::fromStdString(s.fileListName));
    setIfChanged(taskCount_, counter(s.tasksDone, s.taskTotal));
    setIfChanged(sourceCount_, counter(s.sourcesDone, s.sourceTotal));
    setIfChanged(fileListCount_, counter(s.fileListsDone, s.fileListTotal));
    setIfChanged(fileCount_, counter(s.filesDone, s.fileTotal));

    if (s.fileSize > 0) {
        const int position = static_cast<int>(std::min<std::int64_t>(s.fileReceived, s.fileSize) * barSteps / s.fileSize);
        if (bar_->maximum() != barSteps)
            bar_->setRange(0, barSteps);
        if (bar_->value() != position)
            bar_->setValue(position);
        setIfChanged(bytes_, tr8(shell::texts::bytesOfTotal).arg(s.fileReceived).arg(s.fileSize));
    } else if (s.fileReceived > 0) {
        setIfChanged(bytes_, tr8(shell::texts::bytesOnly).arg(s.fileReceived));
    }
}

QString CProgressDlg::statusText() const
{
    return status_->text();
}

QString CProgressDlg::byteText() const
{
    return bytes_->text();
}

void CProgressDlg::reject()
{
    if (!stopping_) {
        stopping_ = true;
        status_->setText(tr8(shell::texts::stopping));
        emit stopRequested();
    }
}
