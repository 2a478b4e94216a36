// glimmora: the album program's window.
//   glimmora [FILE_OR_FOLDER...]   pictures, videos or folders to add at once

#include "album/core/Album.h"
#include "album/core/AlbumError.h"
#include "album/core/AlbumTexts.h"
#include "album/core/CvclibLibrary.h"
#include "album/core/PictureLimitSetting.h"
#include "album/core/WorkFolder.h"
#include "album/window/GlimmoraDialog.h"
#include "album/window/QtSoundDevice.h"
#include "platform/TerminationSignals.h"
#include "platform/ProductInfo.h"
#include "platform/SaveRoot.h"
#include "platform/QtTranslations.h"
#include "styles/dialog/MessageBoxes.h"
#include "styles/host/GMStyleHost.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include <memory>
#include <optional>

int main(int argc, char** argv)
{
    if (product::answeredVersionQuestion(argc, argv, "glimmora"))
        return 0;
    // Qt's own FFmpeg media back end plays AVI and MPEG files as they come;
    // the user may still choose another.
    if (!qEnvironmentVariableIsSet("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "ffmpeg");
    // The media back end's notes on hardware decoding are not the user's.
    if (!qEnvironmentVariableIsSet("QT_LOGGING_RULES"))
        qputenv("QT_LOGGING_RULES", "*.debug=false");
    QApplication application(argc, argv);
    platform::QtTranslations qtTranslations;
    QApplication::setApplicationName(QString::fromUtf8(album::texts::programName));
    QApplication::setApplicationVersion(QString::fromUtf8(album::texts::programVersion));
    QApplication::setDesktopFileName(QStringLiteral("glimmora"));

    std::optional<album::CvclibLibrary> library;
    std::optional<album::WorkFolder> workFolder;
    try {
        library.emplace();
        workFolder.emplace();
    } catch (const album::AlbumError& e) {
        dialogs::showError(nullptr, e.what());
        return 1;
    }
    styles::GMStyleHost styles;
    styles.load();

    album::Album album(workFolder->path());
    album.creator = library->authorName();
    album.limit = album::PictureLimitSetting::load();
    glimmora::QtSoundDevice sound;

    int status = 0;
    {
        glimmora::GlimmoraDialog dialog(album, *library, styles, sound, platform::SaveRoot::stored());
        platform::TerminationSignals termination;
        QObject::connect(&termination, &platform::TerminationSignals::terminationRequested, &dialog,
                         &glimmora::GlimmoraDialog::terminate);
        QStringList paths;
        for (const QString& argument : QApplication::arguments().mid(1))
            paths << QFileInfo(argument).absoluteFilePath();
        if (!paths.isEmpty())
            QTimer::singleShot(0, &dialog, [&dialog, paths] { dialog.addPaths(paths); });
        status = dialog.exec() == QDialog::Rejected ? 0 : 1;
    }
    // The name becomes the next album's default.
    if (!album.creator.empty())
        library->setAuthorName(album.creator);
    styles.unload();
    return status;
}
