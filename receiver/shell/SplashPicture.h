#pragma once
// The picture the main window shows: drawn here at its fixed size, in as
// many device pixels as the screen has for it (sharp at any scale).

#include <QPixmap>
#include <QSize>

class SplashPicture {
public:
    static QSize size() { return {480, 270}; }
    static QPixmap draw(const QString& version, qreal devicePixelRatio = 1.0);
};
