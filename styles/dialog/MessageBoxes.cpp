#include "MessageBoxes.h"

#include <QPushButton>
#include <QTextDocument>

namespace dialogs {

QString displayText(const std::string& text)
{
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

QString plainToolTip(const QString& text)
{
    // Tooltips guess their format; escaped in a paragraph they never guess.
    return text.isEmpty() ? text : Qt::convertFromPlainText(text, Qt::WhiteSpacePre);
}

void inform(QWidget* parent, const QString& caption, const std::string& text, QMessageBox::Icon icon)
{
    QMessageBox box(icon, caption, displayText(text), QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void showError(QWidget* parent, const std::string& text)
{
    inform(parent, QString::fromUtf8(errorCaption), text, QMessageBox::Critical);
}

bool confirm(QWidget* parent, const QString& caption, const std::string& text, QMessageBox::Icon icon)
{
    QMessageBox box(icon, caption, displayText(text), QMessageBox::Ok | QMessageBox::Cancel, parent);
    box.setTextFormat(Qt::PlainText);
    // The family speaks Japanese whatever the desktop's language.
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("キャンセル"));
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

} // namespace dialogs
