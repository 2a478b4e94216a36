#pragma once
// Emptying the receiver's temporary folder "__tmp___" below the save root:
// everything it holds goes, except read-only files and the folders that hold
// them; the folder itself stays. Links are removed, never followed.

#include <string>

class TemporaryFolder {
public:
    static std::string pathBelow(const std::string& saveRoot);

    struct Result {
        int removed = 0;  // files, links and folders deleted
        int kept = 0;     // read-only files and entries that could not be deleted
    };
    static Result empty(const std::string& folder);

    // Read-only as the desktop shows it: nobody may write the file.
    static bool isReadOnly(const std::string& path);
};
