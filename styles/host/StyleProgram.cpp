#include "StyleProgram.h"

#include "StyleTexts.h"

namespace styles {
namespace {

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Letters, digits, '_' and '-' only: no hidden file, no second suffix, nothing
// a shell or a path would read differently.
bool plainStem(const std::string& name, std::size_t from, std::size_t to)
{
    for (std::size_t i = from; i < to; ++i) {
        const char c = name[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-'))
            return false;
    }
    return true;
}

// GMS*.so
bool isAlbumModuleFile(const std::string& name)
{
    return name.size() >= 6 && name.compare(0, 3, "GMS") == 0 && endsWith(name, ".so")
        && plainStem(name, 3, name.size() - 3);
}

// *.so
bool isExhibitionModuleFile(const std::string& name)
{
    return name.size() > 3 && endsWith(name, ".so") && plainStem(name, 0, name.size() - 3);
}

} // namespace

const StyleProgram& StyleProgram::album()
{
    static const StyleProgram program {"Glimmora", texts::albumHomePageLabel, isAlbumModuleFile};
    return program;
}

const StyleProgram& StyleProgram::exhibition()
{
    static const StyleProgram program {"Vitrinel", texts::exhibitionHomePageLabel, isExhibitionModuleFile};
    return program;
}

} // namespace styles
