#pragma once
// The version item the family's dialog programs add to their window menu:
// here the dialog's own context menu, since a Linux desktop's window menu
// takes no items from the program.

#include <QString>

class QWidget;

namespace dialogs {

// Adds "<program> のﾊﾞｰｼﾞｮﾝ情報(&A)..." to `window`'s context menu; it shows
// the version box with the window's icon and "<program> バージョン <version>".
void addAboutItem(QWidget* window, const QString& program, const QString& version);

// The version box itself.
void showAbout(QWidget* parent, const QString& program, const QString& version);

} // namespace dialogs
