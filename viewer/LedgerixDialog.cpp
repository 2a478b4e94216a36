#include "LedgerixDialog.h"

#include "LedgerixTexts.h"
#include "ReceiveTimeText.h"

#include "platform/DesktopOpener.h"
#include "platform/Settings.h"
#include "styles/dialog/AboutItem.h"
#include "styles/dialog/AccessKey.h"
#include "styles/dialog/MessageBoxes.h"
#include "styles/dialog/WindowGeometry.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace ledgerix {

namespace {

QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

LedgerixDialog::LedgerixDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(text(texts::dialogTitle));
    setWindowIcon(QIcon(QStringLiteral(":/icons/ledgerix.svg")));
    dialogs::addAboutItem(this, text(texts::programName), text(texts::version));

    auto* explanation = new QLabel(dialogs::displayText(texts::explanation));
    explanation->setWordWrap(true);

    list_ = new QTreeWidget;
    list_->setObjectName(QStringLiteral("receiveList"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setHeaderLabels({text(texts::timeColumn), text(texts::titleColumn), text(texts::folderColumn),
                            text(texts::targetColumn)});
    for (int c = 0; c < 3; ++c)
        list_->setColumnWidth(c, 150);
    list_->header()->setStretchLastSection(true);

    auto* reportButton = new QPushButton(dialogs::withAccessKey(texts::openReportButton, 'R'));
    reportButton->setObjectName(QStringLiteral("openReportButton"));
    reportButton->setDefault(true);
    auto* folderButton = new QPushButton(dialogs::withAccessKey(texts::openFolderButton, 'F'));
    folderButton->setObjectName(QStringLiteral("openFolderButton"));
    folderButton->setAutoDefault(false);
    auto* exitButton = new QPushButton(dialogs::withAccessKey(texts::exitButton, 'X'));
    exitButton->setObjectName(QStringLiteral("exitButton"));
    exitButton->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(reportButton);
    buttons->addWidget(folderButton);
    buttons->addStretch(1);
    buttons->addWidget(exitButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    resize(760, 420);
    place_ = new dialogs::WindowPlace(this, texts::programName);

    connect(reportButton, &QPushButton::clicked, this, &LedgerixDialog::openReport);
    connect(folderButton, &QPushButton::clicked, this, &LedgerixDialog::openFolder);
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &LedgerixDialog::openReport);

    // Read once, never written: the list is the receiver's.
    reports::RecentReceiveList recent;
    recent.load(platform::Settings());
    entries_ = recent.entries();
    for (const reports::RecentReceive& entry : entries_) {
        auto* row = new QTreeWidgetItem(list_);
        row->setText(0, QString::fromStdString(receiveTimeText(entry.time)));
        row->setText(1, QString::fromStdString(entry.title));
        row->setText(2, QString::fromStdString(entry.folder));
        row->setText(3, QString::fromStdString(entry.target));
        for (int c = 1; c < 4; ++c)
            row->setToolTip(c, dialogs::plainToolTip(row->text(c)));
    }
    // The newest receive is where the arrows start; Enter opens its report.
    list_->setFocus();
    if (QTreeWidgetItem* newest = list_->topLevelItem(0))
        list_->setCurrentItem(newest);
}

void LedgerixDialog::done(int result)
{
    place_->keep();
    QDialog::done(result);
}

const reports::RecentReceive* LedgerixDialog::chosen() const
{
    int first = -1;
    for (QTreeWidgetItem* item : list_->selectedItems()) {
        const int row = list_->indexOfTopLevelItem(item);
        if (row >= 0 && (first < 0 || row < first))
            first = row;
    }
    if (first < 0 || static_cast<std::size_t>(first) >= entries_.size())
        return nullptr;
    return &entries_[static_cast<std::size_t>(first)];
}

void LedgerixDialog::openReport()
{
    const reports::RecentReceive* entry = chosen();
    if (!entry)
        return;
    if (entry->target.empty()) {
        dialogs::inform(this, text(texts::programName), texts::noReport, QMessageBox::NoIcon);
        return;
    }
    platform::DesktopOpener::open(entry->target, this, [this](bool opened) {
        if (!opened)
            dialogs::showError(this, texts::reportFailed);
    });
}

void LedgerixDialog::openFolder()
{
    const reports::RecentReceive* entry = chosen();
    if (!entry || entry->folder.empty())
        return;
    platform::DesktopOpener::open(entry->folder, this, [this](bool opened) {
        if (!opened)
            dialogs::showError(this, texts::folderFailed);
    });
}

} // namespace ledgerix
