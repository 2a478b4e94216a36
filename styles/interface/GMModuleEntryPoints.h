#pragma once
// The album entry points that every module answers alike live in
// GMModuleEntryPoints.cpp, compiled into each module; the module supplies
// only what sets it apart, its ModuleInfo.

#include "styles/interface/GMModuleSupport.h"

namespace gmmodule {

struct StyleText {
    const char* name;        // UTF-8
    const char* description; // UTF-8
};

struct ModuleInfo {
    int major;
    int minor;
    const char* name;        // UTF-8
    const char* description; // UTF-8
    const char* date;
    int styleCount;
    const StyleText* styles; // styleCount of them
    int (*generate)();       // writes the page of the current style
};

// Shared by the common entry points and the module's own code.
extern ModuleState state;

// Defined by each module.
extern const ModuleInfo moduleInfo;

} // namespace gmmodule
