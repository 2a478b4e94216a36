#pragma once
// The library's own setting: the author name an authoring program offers
// for new GuidePosts, kept with the family's settings (section "settings").

#include <string>

class LibrarySettings {
public:
    static constexpr const char* section = "settings";
    static constexpr const char* authorNameValue = "TargetRoot";
    static constexpr const char* defaultAuthorName = "ここに名前を入力してください";

    // The stored name (UTF-8), or the prompt text above when none is stored.
    static std::string authorName();
    // False when the settings cannot be written.
    static bool setAuthorName(const std::string& name);
};
