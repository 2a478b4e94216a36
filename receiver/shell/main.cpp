// corvan: the receiver's window.

#include "receiver/shell/CAmbrivaleApp.h"

#include "platform/QtTranslations.h"
#include "platform/ProductInfo.h"
#include "receiver/engine/ReceiveSession.h"

#include <QApplication>

#include <thread>

int main(int argc, char** argv)
{
    if (product::answeredVersionQuestion(argc, argv, "corvan"))
        return 0;
    QApplication application(argc, argv);
    platform::QtTranslations qtTranslations;
    CAmbrivaleApp app;
    switch (app.initInstance(application.arguments().mid(1))) {
    case CAmbrivaleApp::StartResult::HandedOver:
        return 0;
    case CAmbrivaleApp::StartResult::Failed:
        return 1;
    case CAmbrivaleApp::StartResult::Run:
        break;
    }
    // Debris of killed receives goes off the GUI thread.
    std::thread([] { receive::ReceiveSession::removeAbandonedTemporaryFolders(); }).detach();
    const int status = application.exec();
    app.exitInstance();
    return status;
}
