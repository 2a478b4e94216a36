// The album entry points that do not differ between the modules.

#include "styles/interface/GMModuleEntryPoints.h"

namespace gmmodule {

ModuleState state;

} // namespace gmmodule

using namespace gmmodule;

extern "C" {

GM_EXPORT int GM_CALL GMSetModuleHandle(void* handle)
{
    state.handle = handle;
    return 1;
}

GM_EXPORT int GM_CALL GMInit(void)
{
    state.styleCount = moduleInfo.styleCount;
    return 1;
}

GM_EXPORT int GM_CALL GMGetVersion(int* major, int* minor)
{
    if (!major || !minor)
        return 0;
    *major = moduleInfo.major;
    *minor = moduleInfo.minor;
    return 1;
}

GM_EXPORT int GM_CALL GMGetDataVersion(int* version)
{
    if (!version)
        return 0;
    *version = 1;
    return 1;
}

GM_EXPORT int GM_CALL GMInformVersion(int major, int minor)
{
    state.hostMajor = major;
    state.hostMinor = minor;
    return 1;
}

GM_EXPORT int GM_CALL GMGetName(char* buffer)
{
    return guarded([&] { return copyFixed(buffer, moduleInfo.name); });
}

GM_EXPORT int GM_CALL GMGetDescription(char* buffer)
{
    return guarded([&] { return copyFixed(buffer, moduleInfo.description); });
}

GM_EXPORT int GM_CALL GMGetCreator(char* buffer)
{
    return guarded([&] { return copyFixed(buffer, product::maker); });
}

GM_EXPORT int GM_CALL GMGetDate(char* buffer)
{
    return guarded([&] { return copyFixed(buffer, moduleInfo.date); });
}

GM_EXPORT int GM_CALL GMSetFolder(const char* folder)
{
    return guarded([&] { return setFolder(state, folder); });
}

GM_EXPORT int GM_CALL GMGenerate(void)
{
    return guarded(moduleInfo.generate);
}

GM_EXPORT int GM_CALL GMGetStyleNum(int* count)
{
    if (!count)
        return 0;
    *count = state.styleCount;
    return 1;
}

GM_EXPORT int GM_CALL GMSetStyleNo(int number)
{
    if (number >= state.styleCount)
        return 0;
    state.currentStyle = number;
    return 1;
}

GM_EXPORT int GM_CALL GMGetStyleName(char* buffer, int length)
{
    if (!state.styleInRange())
        return 0;
    return guarded([&] { return copyBounded(buffer, length, moduleInfo.styles[state.currentStyle].name); });
}

GM_EXPORT int GM_CALL GMGetStyleDescription(char* buffer, int length)
{
    if (!state.styleInRange())
        return 0;
    return guarded([&] { return copyBounded(buffer, length, moduleInfo.styles[state.currentStyle].description); });
}

GM_EXPORT int GM_CALL GMSetNumFunc(NumFunc function)
{
    state.numFunc = function;
    return 1;
}

GM_EXPORT int GM_CALL GMSetInfoFunc(InfoFunc function)
{
    state.infoFunc = function;
    return 1;
}

GM_EXPORT int GM_CALL GMGetMaterialAttribute(int index, int* attribute)
{
    if (!attribute || index != 0)
        return 0;
    *attribute = GM_MATERIAL_ORDINARY;
    return 1;
}

} // extern "C"
