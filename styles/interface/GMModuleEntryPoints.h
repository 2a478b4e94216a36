#pragma once
// The album entry points that every module answers alike live in
// GMModuleEntryPoints.cpp, compiled into each module; the module supplies
// only what sets it apart, below.

#include "styles/interface/GMModuleSupport.h"

namespace gmmodule {

struct ModuleInfo {
    int major;
    int minor;
    const char* name;        // UTF-8
    const char* description; // UTF-8
    const char* date;
    int styleCount;
};

// Shared by the common entry points and the module's own code.
extern ModuleState state;

// Defined by each module.
extern const ModuleInfo moduleInfo;
int generate();
const char* styleName(int style);
const char* styleDescription(int style);

} // namespace gmmodule
