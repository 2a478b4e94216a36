#pragma once
// Style module management, as the album and the exhibition program share it:
// updating the module folder from the modules the receiver saved in its
// certified area, deleting a module with its file, and the texts that tell
// the user how it went. The dialog "スタイル" is a thin layer over this.

#include "StyleModuleHost.h"
#include "StyleProgram.h"

#include <cstddef>
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

    // Copies every delivered module that is newer than the installed copy
    // (or not installed) into the module folder, each placed whole and with
    // the delivered file's time. Modules are freed for the copy and the
    // folder's modules loaded again afterwards, whatever happened.
    StyleUpdateReport update();

    // The question asked before module `index` is deleted.
    std::string deleteQuestion(std::size_t index) const;
    // Frees module `index` and deletes its file. On failure the folder's
    // modules are loaded again, so the list shows what the folder holds and
    // no freed module stays in it.
    StyleDeleteReport remove(std::size_t index);

    // The address the home page button opens (tell texts::homePageFailed
    // when it cannot be shown).
    static std::string homePage();

private:
    StyleModuleHost& host_;
    const StyleProgram& program_;
    std::string saveRoot_;
};

} // namespace styles
