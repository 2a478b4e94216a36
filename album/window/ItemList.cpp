#include "album/window/ItemList.h"

#include "album/core/AlbumTexts.h"
#include "album/window/ItemIcons.h"
#include "styles/dialog/MessageBoxes.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QUrl>

namespace glimmora {
namespace texts = album::texts;

namespace {

QStringList localPaths(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    return paths;
}

} // namespace

ItemList::ItemList(QWidget* parent) : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("itemList"));
    setHeaderLabels({QString::fromUtf8(texts::saveNameColumn), QString::fromUtf8(texts::titleColumn),
                     QString::fromUtf8(texts::sourceColumn)});
    setColumnWidth(0, 100);
    setColumnWidth(1, 100);
    header()->setStretchLastSection(true);
    setIconSize(QSize(16, 16));
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setDropIndicatorShown(false);
}

void ItemList::showItems(const std::vector<album::AlbumItem>& items, int selected)
{
    clear();
    for (const album::AlbumItem& item : items)
        append(item);
    if (selected >= 0 && selected < topLevelItemCount())
        setCurrentItem(topLevelItem(selected));
}

void ItemList::append(const album::AlbumItem& item)
{
    auto* row = new QTreeWidgetItem(this);
    row->setIcon(0, ItemIcons::icon(item.iconIndex()));
    row->setText(0, QString::fromStdString(item.saveName));
    row->setText(1, QString::fromStdString(item.title));
    row->setText(2, QString::fromStdString(item.sourcePath));
    row->setToolTip(2, dialogs::plainToolTip(row->text(2)));
}

int ItemList::selectedRow() const
{
    const QList<QTreeWidgetItem*> rows = selectedItems();
    return rows.isEmpty() ? -1 : indexOfTopLevelItem(rows.front());
}

QStringList ItemList::mimeTypes() const
{
    return {QStringLiteral("text/uri-list")};
}

Qt::DropActions ItemList::supportedDropActions() const
{
    return Qt::CopyAction | Qt::LinkAction;
}

void ItemList::dragEnterEvent(QDragEnterEvent* event)
{
    if (localPaths(event->mimeData()).isEmpty())
        return event->ignore();
    event->acceptProposedAction();
}

void ItemList::dragMoveEvent(QDragMoveEvent* event)
{
    if (localPaths(event->mimeData()).isEmpty())
        return event->ignore();
    event->acceptProposedAction();
}

void ItemList::dropEvent(QDropEvent* event)
{
    const QStringList paths = localPaths(event->mimeData());
    if (paths.isEmpty())
        return event->ignore();
    event->acceptProposedAction();
    // The questions about the files come after the drop is done with, so
    // the program the files came from is not kept waiting.
    QMetaObject::invokeMethod(this, [this, paths] { emit pathsDropped(paths); }, Qt::QueuedConnection);
}

} // namespace glimmora
