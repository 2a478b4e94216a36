#pragma once
// Opens a page, folder or file with the desktop's program off the GUI
// thread: the desktop's opener may take seconds to answer (platform::Shell
// waits for it), and a dialog must not freeze meanwhile. The outcome comes
// back on the GUI thread, and only while `context` lives.

#include <QObject>

#include <functional>
#include <string>

namespace dialogs {

class DesktopOpener {
public:
    static void open(const std::string& target, QObject* context, std::function<void(bool opened)> done = {});
};

} // namespace dialogs
