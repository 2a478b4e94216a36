// ledgerix: the receiver's recent receives, to reopen a report or a folder.

#include "LedgerixDialog.h"
#include "LedgerixTexts.h"

#include "platform/QtTranslations.h"
#include "platform/ProductInfo.h"
#include <QApplication>

int main(int argc, char** argv)
{
    if (product::answeredVersionQuestion(argc, argv, "ledgerix"))
        return 0;
    QApplication application(argc, argv);
    platform::QtTranslations qtTranslations;
    QApplication::setApplicationName(QString::fromUtf8(ledgerix::texts::programName));
    QApplication::setApplicationVersion(QString::fromUtf8(ledgerix::texts::version));
    QApplication::setDesktopFileName(QStringLiteral("ledgerix"));

    ledgerix::LedgerixDialog dialog;
    dialog.show();
    return application.exec();
}
