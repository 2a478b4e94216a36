#include "album/window/Controls.h"

#include <QPushButton>

namespace glimmora {

QPushButton* makeButton(const char* label, const char* name)
{
    auto* button = new QPushButton(text(label));
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace glimmora
