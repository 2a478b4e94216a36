#include "album/window/MediaAdmission.h"

#include "album/core/AlbumTexts.h"
#include "album/window/RenameDialog.h"
#include "styles/dialog/MessageBoxes.h"

namespace glimmora {
namespace texts = album::texts;
using Outcome = album::Admission::Outcome;

namespace {

QString caption(const std::string& caption)
{
    return QString::fromStdString(caption.empty() ? std::string(texts::programName) : caption);
}

QMessageBox::Icon iconFor(const std::string& caption)
{
    return caption == texts::errorCaption ? QMessageBox::Critical : QMessageBox::Warning;
}

} // namespace

int MediaAdmission::admit(album::Album& album, const QStringList& paths, QWidget* parent)
{
    int queued = 0;
    for (const QString& path : paths)
        queued += admitOne(album, path.toStdString(), parent);
    return queued;
}

int MediaAdmission::admitOne(album::Album& album, const std::string& path, QWidget* parent)
{
    album::Admission a = album.admit(path);
    if (a.outcome == Outcome::Folder) {
        if (dialogs::confirm(parent, caption(a.caption), a.message))
            return admitFolder(album, path, parent);
        // A folder the user did not open goes on as a file would.
        a = album.admitFile(path);
    }
    switch (a.outcome) {
    case Outcome::Queued:
        return 1;
    case Outcome::NeedsNewName:
        return rename(album, path, a, parent);
    default:
        tell(a, parent);
        return 0;
    }
}

int MediaAdmission::admitFolder(album::Album& album, const std::string& folder, QWidget* parent)
{
    int queued = 0;
    // Files the album cannot take are told about in one message, not one
    // box each: a camera's folder holds many files of other kinds.
    std::string refusals;
    for (const std::string& file : album::Album::filesInFolder(folder)) {
        const album::Admission a = album.admitFile(file);
        if (a.outcome == Outcome::Queued)
            ++queued;
        else if (a.outcome == Outcome::NeedsNewName)
            queued += rename(album, file, a, parent);
        else
            refusals += (refusals.empty() ? "" : "\r\n") + a.message;
    }
    if (!refusals.empty())
        dialogs::inform(parent, QString::fromUtf8(texts::noticeCaption), refusals, QMessageBox::Warning);
    const album::FolderAdmission summary = album::Album::folderSummary(queued);
    dialogs::inform(parent, caption(summary.caption), summary.message,
                    summary.caption.empty() ? QMessageBox::Information : QMessageBox::Warning);
    return queued;
}

int MediaAdmission::rename(album::Album& album, const std::string& path, const album::Admission& refused,
                           QWidget* parent)
{
    album::Admission a = refused;
    for (;;) {
        tell(a, parent);
        RenameDialog dialog(QString::fromStdString(a.saveName), QString::fromStdString(path), parent);
        if (dialog.exec() != QDialog::Accepted)
            return 0;
        const std::string name = dialog.saveName().toStdString();
        a = album.admitRenamed(path, name);
        if (a.outcome == Outcome::Queued)
            return 1;
        if (a.saveName.empty())
            a.saveName = name;
    }
}

void MediaAdmission::tell(const album::Admission& refused, QWidget* parent)
{
    dialogs::inform(parent, caption(refused.caption), refused.message, iconFor(refused.caption));
}

} // namespace glimmora
