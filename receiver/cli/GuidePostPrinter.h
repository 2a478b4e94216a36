#pragma once
// Loading a GuidePost document for the terminal and printing it as an
// indented tree with Japanese labels. Shared by the subcommands that show
// GuidePosts.

#include <iosfwd>
#include <string>

class CAMData;
struct ArchiveIndex;

namespace cli {

// Loads path into model; false with the library's message in error when the
// document is not a usable GuidePost.
bool loadGuidePost(const std::string& path, CAMData& model, std::string& error);

class GuidePostPrinter {
public:
    // `forTerminal`: received texts are shown with their control characters
    // replaced (platform::TerminalText).
    explicit GuidePostPrinter(std::ostream& out, bool forTerminal = false) : out_(out), forTerminal_(forTerminal) {}
    // The whole document: head, then every task with its sources, file lists and files.
    void print(const CAMData& model);
    // An archive's entries in file order: name, stored size, the size the
    // document gives the attachment, and how the data is held.
    void printArchive(const ArchiveIndex& index, const CAMData& model);

private:
    void line(int depth, const std::string& label, const std::string& value);
    void multiline(int depth, const std::string& label, const std::string& value);
    std::string shown(const std::string& text) const;
    std::ostream& out_;
    bool forTerminal_;
};

} // namespace cli
