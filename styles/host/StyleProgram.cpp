#include "StyleProgram.h"

#include "StyleTexts.h"

namespace styles {
namespace {

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// GMS*.so
bool isAlbumModuleFile(const std::string& name)
{
    return name.size() >= 6 && name.compare(0, 3, "GMS") == 0 && endsWith(name, ".so");
}

// *.so
bool isExhibitionModuleFile(const std::string& name)
{
    return name.size() > 3 && endsWith(name, ".so");
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
