#include "InspectCommand.h"

#include "GuidePostPrinter.h"

#include "guidepost/CAMData.h"
#include "guidepost/CAMException.h"
#include "guidepost/GuidePostArchive.h"
#include "platform/TerminalText.h"

#include "platform/CommandLine.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace cli {

namespace {

// The index reader hands over a temporary copy of the document; it goes on
// every path, loaded or not.
struct RemoveOnExit {
    std::string path;
    ~RemoveOnExit()
    {
        if (!path.empty())
            std::remove(path.c_str());
    }
};

int inspectArchive(const std::string& path)
{
    ArchiveIndex index;
    if (!GuidePostArchive::ReadIndex(path, index)) {
        std::cerr << path << ": " << CAMException::messageFor(CAMException::BadArchive) << '\n';
        return 1;
    }
    RemoveOnExit document{index.documentPath};
    CAMData model;
    // The loader checks every attach name against the archive's entries.
    model.attachmentIndex = index.byName;
    std::string error;
    if (!loadGuidePost(index.documentPath, model, error)) {
        std::cerr << path << ": " << error << '\n';
        return 1;
    }
    GuidePostPrinter printer(std::cout, platform::TerminalText::isTerminal(stdout));
    printer.print(model);
    printer.printArchive(index, model);
    return 0;
}

} // namespace

void printInspectUsage()
{
    std::cout << "使い方: corvan-cli inspect FILE\n"
                 "  GuidePostファイル (.gp) またはガイドポストアーカイブ (.gpa) を読み込み、\n"
                 "  その内容を木の形で表示します。アーカイブでは添付ファイルの一覧も表示します。\n";
}

int runInspect(int argc, char** argv)
{
    // argv[0] is the subcommand's name.
    const platform::CommandLine line = platform::parseCommandLine({}, std::vector<std::string>(argv + 1, argv + argc));
    if (line.help) {
        printInspectUsage();
        return 0;
    }
    if (!line.error.empty())
        std::cerr << line.error << '\n';
    if (!line.error.empty() || line.operands.size() != 1 || line.operands.front().empty()) {
        std::cerr << "使い方: corvan-cli inspect FILE\n";
        return 2;
    }
    const std::string& path = line.operands.front();
    // An archive is told by its mark, whatever its name ends with.
    if (GuidePostArchive::IsArchive(path))
        return inspectArchive(path);
    CAMData model;
    std::string error;
    if (!loadGuidePost(path, model, error)) {
        std::cerr << path << ": " << error << '\n';
        return 1;
    }
    GuidePostPrinter(std::cout, platform::TerminalText::isTerminal(stdout)).print(model);
    return 0;
}

} // namespace cli
