#pragma once
// The receiver's save root: its default and the check that keeps it out of
// the system's own folders. Shared by every program that uses the save root.

#include <string>
#include <vector>

namespace platform {

class SaveRoot {
public:
    // The personal documents folder + "/Corvan".
    static std::string defaultFolder();

    // The stored "RootFolder" ("settings") or the default when absent or empty.
    static std::string stored();

    struct CheckResult {
        std::string folder;                 // the folder to use
        std::vector<std::string> warnings;  // one message per reason it was replaced
    };
    // Replaces a forbidden folder by defaultFolder, with one warning
    // ("保存フォルダが禁止されている...") per word or rule that matched.
    static CheckResult check(const std::string& folder, const std::string& defaultFolder);
    static CheckResult check(const std::string& folder) { return check(folder, defaultFolder()); }

    // The warning text for a replacement folder.
    static std::string warningText(const std::string& newFolder);

    // Makes sure the save root exists. The default save root is made with
    // every folder above it (a fresh account may have no documents folder
    // yet); any other folder, which the user chose, only one level, so a
    // mistyped path does not grow a tree.
    struct Preparation {
        enum Status { Ready, ParentMissing, NotAFolder, CannotCreate };
        Status status = Ready;
        std::string folder;   // the save root (absolute, without a trailing "/")
        std::string missing;  // ParentMissing: the folder above that is not there
        int error = 0;        // CannotCreate: the errno of the failed mkdir
        explicit operator bool() const { return status == Ready; }
    };
    static Preparation prepare(const std::string& folder, const std::string& defaultFolder);
    static Preparation prepare(const std::string& folder) { return prepare(folder, defaultFolder()); }
};

} // namespace platform
