#include "album/window/Controls.h"

#include "styles/dialog/AccessKey.h"

#include <QPushButton>

namespace glimmora {

QPushButton* makeButton(const char* label, const char* name, char key)
{
    auto* button = new QPushButton(dialogs::withAccessKey(label, key));
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace glimmora
