#pragma once
// Adding files to the album as the user sees it: each path goes through the
// album's admission, and the window answers what it asks: the question for a
// folder and the count of its files, the messages for files it refuses, and
// the dialog "保存名の変更" for a save name that is taken, until a free name
// is typed or the file is dropped.

#include "album/core/Album.h"

#include <QStringList>

class QWidget;

namespace glimmora {

class MediaAdmission {
public:
    // How many files were queued.
    static int admit(album::Album& album, const QStringList& paths, QWidget* parent);

private:
    static int admitOne(album::Album& album, const std::string& path, QWidget* parent);
    static int admitFolder(album::Album& album, const std::string& folder, QWidget* parent);
    // The rename dialog until a name is accepted (1) or the file dropped (0).
    static int rename(album::Album& album, const std::string& path, const album::Admission& refused, QWidget* parent);
    static void tell(const album::Admission& refused, QWidget* parent);
};

} // namespace glimmora
