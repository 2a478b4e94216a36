#include "AboutItem.h"

#include <QAction>
#include <QMessageBox>
#include <QWidget>

namespace dialogs {

void addAboutItem(QWidget* window, const QString& program, const QString& version)
{
    auto* separator = new QAction(window);
    separator->setSeparator(true);
    auto* about = new QAction(program + QStringLiteral(" のﾊﾞｰｼﾞｮﾝ情報(&A)..."), window);
    about->setObjectName(QStringLiteral("aboutAction"));
    QObject::connect(about, &QAction::triggered, window, [window, program, version] {
        showAbout(window, program, version);
    });
    window->setContextMenuPolicy(Qt::ActionsContextMenu);
    window->addAction(separator);
    window->addAction(about);
}

void showAbout(QWidget* parent, const QString& program, const QString& version)
{
    QMessageBox box(QMessageBox::NoIcon, program + QStringLiteral("のﾊﾞｰｼﾞｮﾝ情報"),
                    program + QStringLiteral(" バージョン ") + version, QMessageBox::Ok, parent);
    if (parent)
        box.setIconPixmap(parent->windowIcon().pixmap(48, 48));
    box.exec();
}

} // namespace dialogs
