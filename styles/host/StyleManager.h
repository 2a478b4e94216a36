#pragma once
// Style module management, as the album and the exhibition program share it:
// updating the module folder from the modules the receiver saved in its
// certified area, deleting a module with its file, and the texts that tell
// the user how it went. The dialog "スタイル" is a thin layer over this.

#include "StyleModuleHost.h"
#include "StyleProgram.h"

#include <cstddef>
#include <filesystem>
#include <string>

namespace styles {

struct StyleUpdateReport {
    enum class Outcome {
        CannotUpdate,      // the module folder is missing
        NothingDelivered,  // no module file in the delivery folder
        Installed,         // at least one module new or updated
        Failed,            // nothing copied, and errors
        NothingNewer,      // every delivered module was older or as old
    };
    Outcome outcome = Outcome::CannotUpdate;
    int added = 0;
    int updated = 0;
    int errors = 0;
    std::string message; // what to tell the user, with "\r\n" line breaks
};

struct StyleDeleteReport {
    bool deleted = false;
    std::string message; // what to tell the user when it failed
};

class StyleManager {
public:
    // `saveRoot` is the receiver's save root, where its certified area lies.
    StyleManager(StyleModuleHost& host, const StyleProgram& program, std::string saveRoot);

    StyleModuleHost& host() const { return host_; }
    const StyleProgram& program() const { return program_; }
    const std::string& saveRoot() const { return saveRoot_; }

    // save root/certified/<certification site folder>/<program>/Style, with
    // the certified folder formed as the receiver forms it; empty when the
    // save root leaves no room for it.
    static std::string deliveryFolder(const std::string& saveRoot, const StyleProgram& program);
    std::string deliveryFolder() const { return deliveryFolder(saveRoot_, program_); }

    // Copies every delivered module (a regular file with a plain module
    // name) that is newer than the copy the program loads today, or new,
    // into the user's module folder, each placed whole and with the delivered
    // file's time. A copy that does not load as a module of the program's
    // kind is removed again and counted as an error. Modules are freed for
    // the copy and loaded again afterwards, whatever happened.
    StyleUpdateReport update();

    // The question asked before module `index` is deleted.
    std::string deleteQuestion(std::size_t index) const;
    // Why module `index` may not be deleted (it belongs to the system);
    // empty when it may.
    std::string deleteRefusal(std::size_t index) const;
    // Frees module `index` and deletes its file; an installed module is
    // left as it is, with deleteRefusal() as the message. On failure the
    // modules are loaded again, so the list shows what the folders hold and
    // no freed module stays in it.
    StyleDeleteReport remove(std::size_t index);

    // The address the home page button opens (tell texts::homePageFailed
    // when it cannot be shown).
    static std::string homePage();

private:
    bool place(const std::string& delivered, const std::filesystem::path& target) const;
    std::string withName(const char* text, std::size_t index) const;

    StyleModuleHost& host_;
    const StyleProgram& program_;
    std::string saveRoot_;
};

} // namespace styles
