#pragma once
// Hands pages, folders and files to the desktop (platform::Shell) off the GUI
// thread, since starting the desktop's opener may take a while, one request
// after another in the order given; the outcome comes back on the GUI thread.

#include <QObject>
#include <QStringList>

#include <functional>

class DesktopOpener {
public:
    // Opens targets in order (the empty ones skipped); done gets the first
    // target that could not be opened, or an empty string. context: done is
    // dropped when it has gone.
    static void open(const QStringList& targets, QObject* context,
                     std::function<void(const QString& failed)> done = {});
};
