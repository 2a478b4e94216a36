#pragma once
// Hands pages, folders and files to the desktop (platform::Shell) off the GUI
// thread, since the desktop's opener may take seconds to answer and a window
// must not freeze meanwhile. Requests are served one after another in the
// order given, across the whole process; the outcome comes back on the GUI
// thread, and only while `context` lives.

#include <QObject>
#include <QStringList>

#include <functional>
#include <string>

namespace platform {

class DesktopOpener {
public:
    // Opens targets in order (the empty ones skipped); done gets the first
    // target that could not be opened, or an empty string.
    static void open(const QStringList& targets, QObject* context,
                     std::function<void(const QString& failed)> done = {});
    // One target; done learns whether it opened.
    static void open(const std::string& target, QObject* context, std::function<void(bool opened)> done = {});
};

} // namespace platform
