#pragma once
// What the window tests share: a driver that answers the program's own
// dialogs (rename, file choice, voice) as they come up, a fixture that
// makes the album program as main() does but over a scripted sound device,
// scratch folders and a recording desktop, and small waits.

#include "album/core/Album.h"
#include "album/core/CvclibLibrary.h"
#include "album/core/WorkFolder.h"
#include "album/testsupport/ScriptedSoundDevice.h"
#include "album/testsupport/TestJpeg.h"
#include "album/window/GlimmoraDialog.h"
#include "album/window/ItemDialog.h"
#include "album/window/ItemList.h"
#include "styles/dialog/tests/ModalAnswerer.h"
#include "styles/dialog/tests/RecordingOpener.h"
#include "styles/dialog/tests/Screenshot.h"
#include "styles/host/GMStyleHost.h"
#include "styles/tests/ScratchFolder.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>

namespace glimmoratest {

namespace fs = std::filesystem;

// Runs the event loop until `done` holds (at most 20 s); false if it never did.
inline bool waitUntil(const std::function<bool()>& done, int ms = 20000)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}

// Answers the program's dialogs of one type after another, in the order the
// test expects them: each step waits for a visible top-level widget of its
// type and does what the test says with it, again on the next tick while
// the dialog stays open (a file dialog still reading its folder).
class DialogDriver {
public:
    DialogDriver()
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
        timer_.start(10);
    }

    template <typename Dialog>
    DialogDriver& then(std::function<void(Dialog*)> step)
    {
        steps_.push_back([step](QWidget* widget) {
            auto* dialog = qobject_cast<Dialog*>(widget);
            if (!dialog)
                return Outcome::NotIt;
            step(dialog);
            return dialog->isVisible() ? Outcome::StillOpen : Outcome::Done;
        });
        return *this;
    }

    bool done() const { return steps_.empty(); }

private:
    void tick()
    {
        if (steps_.empty() || busy_)
            return;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (!widget->isVisible())
                continue;
            busy_ = true;
            const Outcome outcome = steps_.front()(widget);
            busy_ = false;
            if (outcome == Outcome::NotIt)
                continue;
            if (outcome == Outcome::Done)
                steps_.pop_front();
            return;
        }
    }

    enum class Outcome { NotIt, StillOpen, Done };
    std::deque<std::function<Outcome(QWidget*)>> steps_;
    QTimer timer_;
    bool busy_ = false;
};

class GlimmoraWindowTest : public ::testing::Test {
protected:
    GlimmoraWindowTest()
    {
        fs::create_directories(sources());
        fs::create_directories(output());
    }
    ~GlimmoraWindowTest() override
    {
        dialog.reset();
        album.reset();
    }

    // The program as main() makes it, with the style modules of `styleFolder`.
    void open(const std::string& styleFolder = CV_BIN_DIR "/GMStyle", const std::string& saveRoot = {})
    {
        styles = std::make_unique<styles::GMStyleHost>(styleFolder);
        styles->load();
        album = std::make_unique<album::Album>(work.path());
        album->creator = "写真係";
        sound.run(2);
        dialog = std::make_unique<glimmora::GlimmoraDialog>(*album, library, *styles, sound,
                                                            saveRoot.empty() ? root().string() : saveRoot);
        dialog->setProgramFolder(CV_BIN_DIR);
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    }

    fs::path sources() const { return scratch.path() / "sources"; }
    fs::path output() const { return scratch.path() / "out"; }
    fs::path root() const { return scratch.path() / "root"; }

    std::string picture(const std::string& name, int width, int height, const fs::path& folder = {})
    {
        const fs::path p = (folder.empty() ? sources() : folder) / name;
        fs::create_directories(p.parent_path());
        albumtest::writeJpeg(p.string(), width, height,
                             albumtest::photoLike(width, height, static_cast<unsigned>(width * 7 + height)));
        return p.string();
    }

    // The next item dialog the window opens (at most 20 s).
    glimmora::ItemDialog* nextItemDialog(QSignalSpy& opened)
    {
        if (opened.isEmpty() && !opened.wait(20000))
            return nullptr;
        auto* dialog = opened.takeFirst().at(0).value<glimmora::ItemDialog*>();
        EXPECT_TRUE(waitUntil([dialog] { return dialog->isVisible(); }));
        return dialog;
    }

    // The save names the list shows, top to bottom.
    QStringList rowNames() const
    {
        QStringList names;
        for (int i = 0; i < dialog->itemList()->topLevelItemCount(); ++i)
            names << dialog->itemList()->topLevelItem(i)->text(0);
        return names;
    }

    std::vector<std::string> workFiles() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(work.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    stylestest::ScratchFolder scratch {"CVglimwin"};
    album::CvclibLibrary library {CV_BIN_DIR};
    album::WorkFolder work {scratch.path().string()};
    std::unique_ptr<styles::GMStyleHost> styles;
    std::unique_ptr<album::Album> album;
    albumtest::ScriptedSoundDevice sound;
    widgettest::RecordingOpener opener;
    std::unique_ptr<glimmora::GlimmoraDialog> dialog;
};

// A file dialog step: `path` typed and the dialog accepted; what the dialog
// proposed is noted in `proposed` when given.
inline std::function<void(QFileDialog*)> choose(const fs::path& path, QString* proposed = nullptr)
{
    return [path, proposed](QFileDialog* d) {
        if (proposed && proposed->isEmpty())
            *proposed = d->selectedFiles().value(0);
        // Typed, as a user does: selectFile() leaves a focused name field alone.
        if (auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->setText(QString::fromStdString(path.string()));
        else
            d->selectFile(QString::fromStdString(path.string()));
        static_cast<QDialog*>(d)->accept();
    };
}

template <typename Widget>
Widget* child(QWidget* parent, const char* name)
{
    auto* widget = parent->findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

} // namespace glimmoratest
