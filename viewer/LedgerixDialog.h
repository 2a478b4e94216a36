#pragma once
// The dialog "最近のファイル受信": the receiver's recent receives, newest
// first, and for the chosen one its report page or its folder. It only reads
// the receiver's settings.

#include "receiver/reports/RecentReceiveList.h"

#include <QDialog>

#include <vector>

class QTreeWidget;

namespace dialogs {
class WindowPlace;
}

namespace ledgerix {

class LedgerixDialog : public QDialog {
    Q_OBJECT
public:
    explicit LedgerixDialog(QWidget* parent = nullptr);

    QTreeWidget* list() const { return list_; }

public slots:
    void openReport();
    void openFolder();
    // Every close: the window's size and place are kept for the next run, in
    // the viewer's own section; the receiver's list is never written.
    void done(int result) override;

private:
    // The first selected row's entry; nullptr when none is selected.
    const reports::RecentReceive* chosen() const;

    std::vector<reports::RecentReceive> entries_;
    QTreeWidget* list_;
    dialogs::WindowPlace* place_;
};

} // namespace ledgerix
