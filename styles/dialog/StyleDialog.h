#pragma once
// The dialog "スタイル" of the album and the exhibition program: the loaded
// style modules and their styles, deleting a module, updating the module
// folder from the certified deliveries, and the program's home page. What
// differs between the programs comes from the manager's StyleProgram.

#include "styles/host/StyleManager.h"

#include <QDialog>

class QPushButton;
class QTreeWidget;

namespace dialogs {

class StyleDialog : public QDialog {
    Q_OBJECT
public:
    explicit StyleDialog(styles::StyleManager& manager, QWidget* parent = nullptr);

    // The module rows shown now (for the program's own checks and tests).
    QTreeWidget* moduleList() const { return modules_; }
    QTreeWidget* styleList() const { return styles_; }

signals:
    // The modules were freed and loaded again, or one was deleted: the main
    // window fills its style selection anew.
    void stylesChanged();

private slots:
    void deleteModule();
    void updateModules();
    void openHomePage();
    void showStylesOfSelection();

private:
    void fillModules();

    styles::StyleManager& manager_;
    QTreeWidget* modules_;
    QTreeWidget* styles_;
    QPushButton* deleteButton_;
};

} // namespace dialogs
