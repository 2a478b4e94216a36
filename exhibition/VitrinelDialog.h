#pragma once
// The main dialog "Vitrinel": show the page made before, choose a style and
// create the page anew, manage the style modules, help, and exit after its
// question (the close box and Escape ask too). The page is written on a
// thread of its own, since the module walks every album folder; the dialog
// waits for it, greyed.

#include "Exhibition.h"

#include "styles/host/StyleManager.h"

#include <QDialog>

#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QThread;

namespace dialogs {
class WindowPlace;
}

namespace vitrinel {

class VitrinelDialog : public QDialog {
    Q_OBJECT
public:
    explicit VitrinelDialog(Exhibition& exhibition, QWidget* parent = nullptr);
    ~VitrinelDialog() override;

    // The start-up check: with no stored save root there is nothing to show,
    // and the user is told to receive albums first. False then.
    static bool checkSaveRoot(const std::string& saveRoot, QWidget* parent = nullptr);

    QComboBox* styleSelection() const { return styleBox_; }

public slots:
    void showPage();
    void createPage();
    void manageStyles();
    void openHelp();
    // Asks before the program ends; on OK the modules are freed.
    void reject() override;
    // Every close: the window's size and place are kept for the next run.
    void done(int result) override;

private:
    void fillStyles();
    void showDescription();
    void finishCreate();
    // Opens a page or file off the GUI thread; `failure` is told when the
    // desktop cannot show it.
    void openOrTell(const std::string& target, const char* failure);

    Exhibition& exhibition_;
    styles::StyleManager manager_;
    std::vector<styles::VTStyleChoice> choices_;
    QComboBox* styleBox_;
    QLabel* description_;
    dialogs::WindowPlace* place_;
    QThread* creating_ = nullptr;
    CreateResult created_;
};

} // namespace vitrinel
