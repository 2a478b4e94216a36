#pragma once
// The exhibition program without its window: where the received albums and
// the index page lie, the exhibition style modules, and having the chosen
// style write the page. The dialog and `vitrinel --generate` both use it.

#include "styles/host/VTStyleHost.h"

#include <optional>
#include <string>
#include <vector>

namespace vitrinel {

struct CreateResult {
    enum class Outcome {
        NoStyle,  // no style chosen or none offered
        Failed,   // the module wrote no page
        Created,
    };
    Outcome outcome = Outcome::NoStyle;
    std::string message; // what to tell the user, with "\r\n" line breaks
    std::string page;    // the page written
};

class Exhibition {
public:
    // `saveRoot` is the receiver's; `styleFolder` replaces the program's
    // VTStyle folder (for tests).
    explicit Exhibition(std::string saveRoot, std::string styleFolder = styles::VTStyleHost::defaultStyleFolder());

    // The receiver's stored save root as it stands; when none is stored, its
    // default save root if that folder exists (corvan-cli receives there
    // without storing it); "" when neither.
    static std::string storedSaveRoot();
    // The program's help page.
    static std::string helpFile();

    const std::string& saveRoot() const { return saveRoot_; }
    // save root/Glimmora, where received albums land.
    std::string albumRoot() const;
    // album root/index.htm.
    std::string indexPage() const;

    // Loads every module of the style folder (anew).
    void loadModules() { host_.load(); }
    styles::VTStyleHost& host() { return host_; }
    std::vector<styles::VTStyleChoice> choices() const { return host_.choices(); }

    // The style `number` of the module whose file name without its extension
    // is `module` (such as VTSNorm).
    std::optional<styles::VTStyleChoice> findChoice(const std::string& module, int number) const;
    // "VTSNorm:1" for a choice.
    std::string choiceName(const styles::VTStyleChoice& choice) const;

    // Has the chosen style write the index page over the album root.
    CreateResult create(const std::optional<styles::VTStyleChoice>& choice) const;

private:
    std::string saveRoot_;
    styles::VTStyleHost host_;
};

} // namespace vitrinel
