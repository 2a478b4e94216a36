#pragma once
// One loaded album style module: its library, its 21 entry points and what it
// said about itself when questioned. Texts here are UTF-8; they cross the
// module interface as code page 932.

#include "styles/interface/GMStyleInterface.h"

#include "styles/host/ModuleLibrary.h"

#include <memory>
#include <string>
#include <vector>

namespace styles {

// A file the module produced, relative to the album folder.
struct Material {
    std::string name;
    int attribute = GM_MATERIAL_ORDINARY;
};

class GMStyleModule {
public:
    // Loads the library at `path`, resolves every entry point and questions
    // the module. nullptr (and the library unloaded) when the file does not
    // load, lacks an entry point, or the module does not start or name itself.
    static std::unique_ptr<GMStyleModule> load(const std::string& path);
    GMStyleModule(const GMStyleModule&) = delete;
    GMStyleModule& operator=(const GMStyleModule&) = delete;

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
    // refuses the number or its name.
    bool styleInfo(int number, std::string& name, std::string& description);

    // Has the module write the pages of style `number` into `folder`,
    // answering its questions through `numFunc` and `infoFunc`, and collects
    // what it produced. False when any step is refused, nothing is produced,
    // or a material needs a common name the module does not give.
    bool generate(int number, const std::string& folder, NumFunc numFunc, InfoFunc infoFunc,
                  std::vector<Material>& materials, std::string& commonName);

    // The entry points by name, in the order they are resolved.
    static constexpr const char* entryNames[] = {
        "GMSetModuleHandle",     "GMInit",           "GMGetVersion",         "GMGetDataVersion",
        "GMInformVersion",       "GMGetName",        "GMGetDescription",     "GMGetCreator",
        "GMGetDate",             "GMSetFolder",      "GMGenerate",           "GMGetStyleNum",
        "GMSetStyleNo",          "GMGetStyleName",   "GMGetStyleDescription", "GMSetNumFunc",
        "GMSetInfoFunc",         "GMGetMaterialNum", "GMGetMaterialName",    "GMGetMaterialAttribute",
        "GMGetMaterialCommonName",
    };

private:
    explicit GMStyleModule(const std::string& path);
    bool resolve();
    bool question();

    struct EntryPoints {
        GMSetModuleHandleProc setModuleHandle;
        GMInitProc init;
        GMGetVersionProc getVersion;
        GMGetDataVersionProc getDataVersion;
        GMInformVersionProc informVersion;
        GMGetFixedTextProc getName;
        GMGetFixedTextProc getDescription;
        GMGetFixedTextProc getCreator;
        GMGetFixedTextProc getDate;
        GMSetFolderProc setFolder;
        GMGenerateProc generate;
        GMGetStyleNumProc getStyleNum;
        GMSetStyleNoProc setStyleNo;
        GMGetTextProc getStyleName;
        GMGetTextProc getStyleDescription;
        GMSetNumFuncProc setNumFunc;
        GMSetInfoFuncProc setInfoFunc;
        GMGetMaterialNumProc getMaterialNum;
        GMGetMaterialNameProc getMaterialName;
        GMGetMaterialAttributeProc getMaterialAttribute;
        GMGetTextProc getMaterialCommonName;
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
