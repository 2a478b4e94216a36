#pragma once
// What sets the album program's style management apart from the exhibition
// program's: module file names, where deliveries arrive, and the home page
// button.

#include <string>

namespace styles {

struct StyleProgram {
    const char* programName;       // "Glimmora" or "Vitrinel"
    const char* homePageLabel;     // the dialog's home page button
    bool (*isModuleFile)(const std::string& fileName);

    // The certification site of the maker's signed deliveries, as a
    // GuidePost's digest names it (without "http://"); the receiver keeps
    // what it certifies in a folder named after it.
    static constexpr const char* certificationSite = "www.quillmere.example/corvandelle/certificate";

    // The delivery's own folder below the certified folder: "<program>/Style".
    std::string deliverySubfolder() const { return std::string(programName) + "/Style"; }

    static const StyleProgram& album();
    static const StyleProgram& exhibition();
};

} // namespace styles
