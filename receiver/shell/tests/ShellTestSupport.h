#pragma once
// What the window tests share: a home of their own (HOME, TMPDIR, XDG
// folders) set before the application object exists, finding and answering
// the dialogs a window shows, and pictures of windows under
// build/screenshots/.

#include "guidepost/TCXML.h"
#include "platform/Shell.h"
#include "styles/dialog/tests/RecordingOpener.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QSignalSpy>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace shelltest {

namespace fs = std::filesystem;

// The home of this test program; made before the QApplication.
inline fs::path& home()
{
    static fs::path h;
    return h;
}

inline void makeHome()
{
    char pattern[] = "/tmp/CVshellXXXXXX";
    home() = ::mkdtemp(pattern);
    const fs::path h = home();
    for (const char* sub : {"config", "data", "cache", "runtime", "tmp", "Documents"})
        fs::create_directories(h / sub);
    fs::permissions(h / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    ::setenv("HOME", h.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (h / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (h / "data").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (h / "cache").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (h / "runtime").c_str(), 1);
    ::setenv("TMPDIR", (h / "tmp").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("LC_ALL", "C.UTF-8", 1);
    ::unsetenv("XDG_DOCUMENTS_DIR");
}

inline void removeHome()
{
    std::error_code ec;
    for (auto& e : fs::recursive_directory_iterator(home(), ec))
        fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(home(), ec);
}

// The desktop's opener is the family's recording one (noted, not opened).
using RecordingOpener = widgettest::RecordingOpener;

// The visible top-level dialog of type T, if any.
template <typename T>
T* visibleDialog()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* d = qobject_cast<T*>(w); d && d->isVisible())
            return d;
    }
    return nullptr;
}

// Waits until a dialog of type T is shown; null (and a warning naming the
// type) when none came in time, which the caller's check then reports.
template <typename T>
T* waitForDialog(int timeoutMs = 10000)
{
    T* found = nullptr;
    if (!QTest::qWaitFor([&] { return (found = visibleDialog<T>()) != nullptr; }, timeoutMs))
        qWarning("no %s shown within %d ms", T::staticMetaObject.className(), timeoutMs);
    return found;
}

// The button of a dialog whose text is text (the "\r" of the engine's
// labels shown as line breaks).
inline QAbstractButton* buttonNamed(QWidget* dialog, const QString& text)
{
    QString wanted = text;
    wanted.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>())
        if (b->text() == wanted)
            return b;
    return nullptr;
}

// Answers the message boxes that modal code opens while it runs: the
// handler runs on a timer inside the nested event loop.
class MessageBoxAnswerer : public QObject {
public:
    using Handler = std::function<void(QMessageBox*)>;
    explicit MessageBoxAnswerer(Handler handler) : handler_(std::move(handler))
    {
        connect(&timer_, &QTimer::timeout, this, [this] {
            if (QMessageBox* box = visibleDialog<QMessageBox>()) {
                // A box may take the address of the one before it.
                if (box->property("cvAnswered").toBool())
                    return;
                box->setProperty("cvAnswered", true);
                texts.append(box->text());
                captions.append(box->windowTitle());
                handler_(box);
            }
        });
        timer_.start(20);
    }
    // Presses a standard button of the box.
    static void press(QMessageBox* box, QMessageBox::StandardButton button)
    {
        if (QAbstractButton* b = box->button(button))
            b->click();
        else
            box->reject();
    }
    QStringList texts;
    QStringList captions;

private:
    Handler handler_;
    QTimer timer_;
};

inline QString screenshotFolder()
{
    return QStringLiteral(CV_SCREENSHOT_DIR);
}

// Saves a picture of widget as build/screenshots/corvan-name.png.
inline bool saveScreenshot(QWidget* widget, const QString& name)
{
    QDir().mkpath(screenshotFolder());
    widget->adjustSize();
    QTest::qWait(30);
    return widget->grab().save(screenshotFolder() + QStringLiteral("/corvan-") + name + QStringLiteral(".png"));
}

} // namespace shelltest

// main(): the home first, then the application, then the tests.
#define CV_SHELL_TEST_MAIN(TestClass)                                   \
    int main(int argc, char** argv)                                     \
    {                                                                   \
        shelltest::makeHome();                                          \
        int status = 0;                                                 \
        {                                                               \
            QApplication app(argc, argv);                               \
            TCXML::SetSchemaFolder(CV_BIN_DIR);                         \
            TestClass test;                                             \
            status = QTest::qExec(&test, argc, argv);                   \
        }                                                               \
        shelltest::removeHome();                                        \
        return status;                                                  \
    }
