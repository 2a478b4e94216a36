#pragma once
// One loaded exhibition style module: its library, its 14 entry points and
// what it said about itself when questioned. Texts here are UTF-8; they cross
// the module interface as code page 932.

#include "styles/interface/VTStyleInterface.h"

#include "styles/host/ModuleLibrary.h"

#include <memory>
#include <string>

namespace styles {

class VTStyleModule {
public:
    // Loads the library at `path`, resolves every entry point and questions
    // the module. nullptr (and the library unloaded) when the file does not
    // load, lacks an entry point, or the module does not start or name itself.
    static std::unique_ptr<VTStyleModule> load(const std::string& path);
    VTStyleModule(const VTStyleModule&) = delete;
    VTStyleModule& operator=(const VTStyleModule&) = delete;

    const std::string& path() const { return path_; }
    const std::string& name() const { return name_; }
    const std::string& description() const { return description_; }
    const std::string& creator() const { return creator_; }
    int versionMajor() const { return versionMajor_; }
    int versionMinor() const { return versionMinor_; }
    int styleCount() const { return styleCount_; }

    // Frees the module's library; false when it stays loaded. The module
    // must not be called again either way: its owner drops it.
    bool unloadLibrary() { return library_.unload(); }

    // The name and description of style `number`; false when the module
    // refuses the number.
    bool styleInfo(int number, std::string& name, std::string& description);

    // Has the module write the exhibition page `rootIndex` over the album
    // folders below `rootFolder` in style `number`. False when any step is
    // refused or a path has no code page 932 form.
    bool generate(int number, const std::string& rootFolder, const std::string& rootIndex);

    // The entry points by name, in the order they are resolved.
    static constexpr const char* entryNames[] = {
        "VTInit",          "VTGetVersion",    "VTInformVersion", "VTGetName",     "VTGetDescription",
        "VTGetCreator",    "VTGetDate",       "VTSetRootFolder", "VTSetRootIndex", "VTGenerate",
        "VTGetStyleNum",   "VTSetStyleNo",    "VTGetStyleName",  "VTGetStyleDescription",
    };

private:
    explicit VTStyleModule(const std::string& path);
    bool resolve();
    bool question();

    struct EntryPoints {
        VTInitProc init;
        VTGetVersionProc getVersion;
        VTInformVersionProc informVersion;
        VTGetTextProc getName;
        VTGetTextProc getDescription;
        VTGetTextProc getCreator;
        VTGetTextProc getDate;
        VTSetTextProc setRootFolder;
        VTSetTextProc setRootIndex;
        VTGenerateProc generate;
        VTGetStyleNumProc getStyleNum;
        VTSetStyleNoProc setStyleNo;
        VTGetStyleTextProc getStyleName;
        VTGetStyleTextProc getStyleDescription;
    };

    ModuleLibrary library_;
    std::string path_;
    EntryPoints entries_ {};
    std::string name_;
    std::string description_;
    std::string creator_;
    int versionMajor_ = 0;
    int versionMinor_ = 0;
    int styleCount_ = 0;
};

} // namespace styles
