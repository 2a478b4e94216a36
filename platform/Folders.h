#pragma once
// The well-known per-user folders (UTF-8 native paths, no trailing separator).

#include <string>

namespace platform {

class Folders {
public:
    // The personal documents folder; the default save root lies below it.
    static std::string personalDocuments();
    // The per-user application data folder (the account store lies below it).
    static std::string applicationData();
    // The folder of the running program (where its data files stand).
    static std::string programFolder();
};

} // namespace platform
