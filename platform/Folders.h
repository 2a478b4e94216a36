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
    // The folder of the running program (where its data files stand); empty
    // when it cannot be known, and then nothing is looked for beside the
    // program: the current folder is never a stand-in for it.
    static std::string programFolder();
    // `name` in the program's folder; empty when that folder is unknown.
    static std::string besideProgram(const std::string& name);

    // Where the running program's path is read from ("/proc/self/exe");
    // tests point it elsewhere to play a system without /proc.
    static void setProgramLink(std::string link);
};

} // namespace platform
