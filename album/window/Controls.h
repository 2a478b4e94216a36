#pragma once
// Small makers for the window's controls: the fixed texts (UTF-8) as Qt
// strings, and buttons that a test finds by name, that Enter does not press
// by accident and that carry an access key ("保存(&S)").

#include <QString>

class QPushButton;

namespace glimmora {

inline QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QPushButton* makeButton(const char* label, const char* name, char key);

} // namespace glimmora
