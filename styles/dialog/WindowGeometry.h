#pragma once
// A main window's size and place, kept in its program's settings section
// from one run to the next. A place that no screen shows any more is moved
// onto the screen when restored.

#include "platform/Settings.h"

#include <QByteArray>
#include <QObject>
#include <QWidget>

#include <string>
#include <utility>

namespace dialogs {

class WindowPlace : public QObject {
public:
    static constexpr const char* valueName = "WindowGeometry";

    // Gives `window` the size and place stored in `section`, if any.
    WindowPlace(QWidget* window, std::string section) : QObject(window), window_(window), section_(std::move(section))
    {
        const std::string stored = platform::Settings().getBytes(section_, valueName);
        if (!stored.empty())
            window_->restoreGeometry(QByteArray(stored.data(), static_cast<qsizetype>(stored.size())));
    }

    // At the window's close: stores its size and place.
    void keep()
    {
        if (!window_->isVisible())
            return;
        const QByteArray geometry = window_->saveGeometry();
        platform::Settings settings;
        settings.setBytes(section_, valueName,
                          std::string(geometry.constData(), static_cast<std::size_t>(geometry.size())));
        settings.sync();
    }

private:
    QWidget* window_;
    std::string section_;
};

} // namespace dialogs
