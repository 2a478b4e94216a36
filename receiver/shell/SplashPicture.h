#pragma once
// The picture the main window shows: drawn here, once, at its fixed size.

#include <QPixmap>
#include <QSize>

class SplashPicture {
public:
    static QSize size() { return {480, 270}; }
    static QPixmap draw(const QString& version);
};
