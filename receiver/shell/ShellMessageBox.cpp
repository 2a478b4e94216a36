#include "receiver/shell/ShellMessageBox.h"

#include "receiver/shell/ShellTexts.h"

#include <QPointer>
#include <QPushButton>

namespace shell {

QMessageBox* makeMessage(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text,
                         QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    auto* box = new QMessageBox(icon, caption, text, buttons, parent);
    box->setTextFormat(Qt::PlainText);
    if (QAbstractButton* cancel = box->button(QMessageBox::Cancel))
        cancel->setText(QString::fromUtf8(texts::cancelButton));
    if (defaultButton != QMessageBox::NoButton)
        box->setDefaultButton(defaultButton);
    return box;
}

QMessageBox::StandardButton showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                        const QString& text, QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton)
{
    // The parent may go while the box is open (the program ending).
    QPointer<QMessageBox> box = makeMessage(parent, icon, caption, text, buttons, defaultButton);
    box->setAttribute(Qt::WA_DeleteOnClose);
    const auto pressed = static_cast<QMessageBox::StandardButton>(box->exec());
    // Closed without a button (the program ending): the cautious answer.
    return pressed == QMessageBox::NoButton ? QMessageBox::Cancel : pressed;
}

} // namespace shell
