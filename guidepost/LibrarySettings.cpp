#include "LibrarySettings.h"

#include "platform/Settings.h"

std::string LibrarySettings::authorName()
{
    platform::Settings settings;
    return settings.getString(section, authorNameValue, defaultAuthorName);
}

bool LibrarySettings::setAuthorName(const std::string& name)
{
    platform::Settings settings;
    settings.setString(section, authorNameValue, name);
    return settings.sync();
}
