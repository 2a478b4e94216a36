#pragma once
// The main dialog "Vitrinel": show the page made before, choose a style and
// create the page anew, manage the style modules, help, and exit after its
// question (the close box and Escape ask too).

#include "Exhibition.h"

#include "styles/host/StyleManager.h"

#include <QDialog>

#include <vector>

class QComboBox;
class QLabel;

namespace vitrinel {

class VitrinelDialog : public QDialog {
    Q_OBJECT
public:
    explicit VitrinelDialog(Exhibition& exhibition, QWidget* parent = nullptr);

    QComboBox* styleSelection() const { return styleBox_; }

public slots:
    void showPage();
    void createPage();
    void manageStyles();
    void openHelp();
    // Asks before the program ends; on OK the modules are freed.
    void reject() override;

private:
    void fillStyles();
    void showDescription();

    Exhibition& exhibition_;
    styles::StyleManager manager_;
    std::vector<styles::VTStyleChoice> choices_;
    QComboBox* styleBox_;
    QLabel* description_;
};

} // namespace vitrinel
