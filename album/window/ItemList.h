#pragma once
// The album's item list: one row per item in page order, with its icon and
// the columns "写真ファイル名", "タイトル" and "ファイルの場所". Files and
// folders dropped on it are handed on as local paths.

#include "album/core/AlbumItem.h"

#include <QStringList>
#include <QTreeWidget>

#include <vector>

namespace glimmora {

class ItemList : public QTreeWidget {
    Q_OBJECT
public:
    explicit ItemList(QWidget* parent = nullptr);

    // Shows `items` (selecting row `selected` when there is one).
    void showItems(const std::vector<album::AlbumItem>& items, int selected = -1);
    void append(const album::AlbumItem& item);
    // The selected row, or -1.
    int selectedRow() const;

signals:
    void pathsDropped(const QStringList& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    QStringList mimeTypes() const override;
    Qt::DropActions supportedDropActions() const override;
};

} // namespace glimmora
