#pragma once
// The receiver window's message boxes: shown as plain text (they may carry
// a file or folder name, which must never be read as markup) with Japanese
// buttons whether or not Qt's catalogues are installed.

#include <QMessageBox>

namespace shell {

// A modal box; returns the button pressed (the escape button when closed).
QMessageBox::StandardButton showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                        const QString& text,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// The same box, not yet shown (for a box shown without waiting).
QMessageBox* makeMessage(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text,
                         QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                         QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

} // namespace shell
