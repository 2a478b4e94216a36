#pragma once
// The album program's style modules: every GMStyle/GMS*.so beside the
// program, loaded at start-up and freed at the end, the styles they offer,
// and publishing an album's page through the chosen one.

#include "GMAlbumContent.h"
#include "GMStyleModule.h"
#include "StyleModuleHost.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace styles {

// One entry of the style selection: a style of one loaded module.
struct StyleChoice {
    std::size_t module = 0; // index into GMStyleHost::modules()
    int style = 0;
    std::string name;
    std::string description;
};

// What one publishing run produced.
struct GMGenerationResult {
    bool succeeded = false;
    std::string message; // what to tell the user when it failed
    std::vector<Material> materials;
    std::string commonName;
};

class GMStyleHost : public StyleModuleHost {
public:
    static constexpr const char* styleFolderName = "GMStyle";
    static constexpr const char* noStyleMessage = "スタイルを選択できないためファイルを作成できません。";
    static constexpr const char* generationFailedMessage =
        "写真集データの作成時にエラーが起きました。別のスタイルを使ってみてください。";

    // The program's own GMStyle folder; empty when the program's folder is
    // unknown.
    static std::string defaultStyleFolder();

    // The program's GMStyle folder and the user's.
    GMStyleHost();
    explicit GMStyleHost(StyleFolders folders);
    // One private folder of modules, installed and user's at once (for
    // tests; an empty folder is a host without modules).
    explicit GMStyleHost(std::string styleFolder);
    ~GMStyleHost() override;
    GMStyleHost(const GMStyleHost&) = delete;
    GMStyleHost& operator=(const GMStyleHost&) = delete;

    // Loads every GMS*.so of both folders, in name order so the selection
    // is the same at every start; files that are no album module are passed
    // by without a word. Modules loaded before are freed first.
    void load() override;
    // Frees every module.
    void unload() override;

    const StyleFolders& folders() const override { return folders_; }
    bool loadsAsModule(const std::string& path) const override;
    std::size_t moduleCount() const override { return modules_.size(); }
    StyleModuleSummary moduleSummary(std::size_t index) const override { return summarizeModule(*modules_.at(index), folders_); }
    std::vector<StyleSummary> moduleStyles(std::size_t index) override { return stylesOfModule(*modules_.at(index)); }
    bool release(std::size_t index) override { return releaseModule(modules_, index); }
    const std::vector<std::unique_ptr<GMStyleModule>>& modules() const { return modules_; }

    // Every style of every module, in module order and style order; a style
    // whose name the module refuses is left out.
    std::vector<StyleChoice> choices() const;

    // Has the chosen module write the album's page into `albumFolder`. No
    // choice, or a choice of no loaded module, fails with noStyleMessage.
    GMGenerationResult generate(const std::optional<StyleChoice>& choice, const GMAlbumContent& album,
                                const std::string& albumFolder) const;

private:
    StyleFolders folders_;
    std::vector<std::unique_ptr<GMStyleModule>> modules_;
};

} // namespace styles
