#pragma once
// The programs' message boxes: fixed texts, which keep their "\r" and "\r\n"
// line breaks as the programs store them, shown with this desktop's breaks.
// Errors carry the caption "エラー", everything else the caption it is given.
// Messages are plain text: they quote names from GuidePosts and files.

#include <QMessageBox>
#include <QString>

#include <string>

namespace dialogs {

inline constexpr const char* errorCaption = "エラー";

// "\r\n" and "\r" as "\n".
QString displayText(const std::string& text);
// A tooltip that shows `text` as it is, even when it looks like markup (a
// name from a GuidePost, an album or a file).
QString plainToolTip(const QString& text);

// A message with OK.
void inform(QWidget* parent, const QString& caption, const std::string& text,
            QMessageBox::Icon icon = QMessageBox::Information);
// An error message with OK, caption "エラー".
void showError(QWidget* parent, const std::string& text);
// OK and Cancel; true for OK.
bool confirm(QWidget* parent, const QString& caption, const std::string& text,
             QMessageBox::Icon icon = QMessageBox::Question);

} // namespace dialogs
