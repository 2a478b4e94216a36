#include "InspectCommand.h"

#include "GuidePostPrinter.h"

#include "guidepost/CAMData.h"

#include <cstring>
#include <iostream>
#include <string>

namespace cli {

void printInspectUsage()
{
    std::cout << "使い方: corvan-cli inspect FILE\n"
                 "  GuidePostファイル (.gp) を読み込み、その内容を木の形で表示します。\n";
}

int runInspect(int argc, char** argv)
{
    // argv[0] is the subcommand's name.
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        printInspectUsage();
        return 0;
    }
    if (argc != 2 || argv[1][0] == '\0') {
        std::cerr << "使い方: corvan-cli inspect FILE\n";
        return 2;
    }
    CAMData model;
    std::string error;
    if (!loadGuidePost(argv[1], model, error)) {
        std::cerr << argv[1] << ": " << error << '\n';
        return 1;
    }
    GuidePostPrinter(std::cout).print(model);
    return 0;
}

} // namespace cli
