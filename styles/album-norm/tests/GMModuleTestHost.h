#pragma once
// A small album host for the module tests: loads a built GMS*.so by path,
// drives it only through its exports, and answers its questions from an
// album held here. Album texts are given in UTF-8 and handed over as code
// page 932, as the real host does.

#include "styles/interface/GMStyleInterface.h"
#include "styles/tests/ScratchFolder.h"

#include <filesystem>
#include <string>
#include <vector>

namespace gmtest {

struct TestItem {
    std::string file;
    std::string title;
    std::string comment;
    std::string voice;
    int width = 0;
    int height = 0;
    int type = GM_ITEM_PICTURE;
};

struct TestAlbum {
    std::string pageTitle;
    std::vector<TestItem> items;
    std::string comment; // handed out only when hasComment
    bool hasComment = false;
    int commentPieces = 1; // the comment comes in this many pieces
    int reportedCount = -1; // item count to report; -1: the number of items
    bool refuseTitle = false;
    bool refuseCount = false;
    bool refuseTitleLines = false;
    int refuseTextsFrom = -1; // item texts refused from this item on
};

// The album the tests publish: pictures with and without a size, videos
// with and without one, voice messages and a two-line comment.
TestAlbum sampleAlbum();

// Every question the module asked, as (callback, kind, index).
struct Question {
    char callback; // 'N' or 'I'
    int kind;
    int index;
};

class ModuleUnderTest {
public:
    // Loads a private copy of `path`, so the module starts from its freshly
    // loaded state whatever earlier tests did to it.
    explicit ModuleUnderTest(const std::filesystem::path& path);
    ~ModuleUnderTest();
    ModuleUnderTest(const ModuleUnderTest&) = delete;
    ModuleUnderTest& operator=(const ModuleUnderTest&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    void* symbol(const char* name) const;
    template <typename F>
    F entry(const char* name) const
    {
        return reinterpret_cast<F>(symbol(name));
    }

    // The host's sequence for one publishing run into `folder`: style,
    // callbacks, folder, version 1.5 and generation. The module's answer
    // from GMGenerate (0 when an earlier step refused).
    int generate(int style, const TestAlbum& album, const std::filesystem::path& folder, int hostMajor = 1,
                 int hostMinor = 5);

    // UTF-8 answers of the text entry points.
    std::string fixedText(const char* entryName) const;
    std::string styleText(const char* entryName, int style) const;

    const std::vector<Question>& questions() const { return questions_; }

private:
    void* handle_ = nullptr;
    std::filesystem::path copy_;
    std::vector<Question> questions_;
};

std::filesystem::path modulePath(const char* name); // CV_BIN_DIR/GMStyle/<name>.so

using stylestest::ScratchFolder;

std::string readFile(const std::filesystem::path& path);
// An expected page stored beside the tests of a module.
std::string expectedPage(const char* moduleFolder, const std::string& name);
std::string toCp932(const std::string& utf8);
std::string toUtf8(const std::string& cp932);

} // namespace gmtest
