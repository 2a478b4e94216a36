#pragma once
// Renders a window or dialog to build/screenshots/<name>.png, so anyone can
// look at what a test drove.

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>

#include <string>

namespace widgettest {

inline bool saveScreenshot(QWidget* widget, const std::string& name)
{
    QDir().mkpath(QStringLiteral(CV_SCREENSHOT_DIR));
    if (!widget->isVisible())
        widget->show();
    QApplication::processEvents();
    const QString file = QStringLiteral(CV_SCREENSHOT_DIR) + QLatin1Char('/') + QString::fromStdString(name)
        + QStringLiteral(".png");
    return widget->grab().save(file);
}

} // namespace widgettest
