#include "album/cli/Commands.h"
#include "album/cli/OptionTable.h"
#include "album/cli/StyleNames.h"
#include "album/cli/Terminal.h"

#include <charconv>
#include <cstdio>
#include <filesystem>

namespace cli {

namespace {
const char* const usage = "使い方: glimmora-cli styles\n";
}

std::string moduleFileStem(const styles::GMStyleModule& module)
{
    return std::filesystem::path(module.path()).stem().string();
}

std::string styleName(const styles::GMStyleHost& host, const styles::StyleChoice& choice)
{
    return moduleFileStem(*host.modules().at(choice.module)) + ":" + std::to_string(choice.style);
}

std::optional<styles::StyleChoice> findStyle(const styles::GMStyleHost& host, const std::string& text)
{
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos)
        return std::nullopt;
    const std::string module = text.substr(0, colon);
    int number = -1;
    const char* first = text.data() + colon + 1;
    const char* last = text.data() + text.size();
    auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc() || end != last || first == last)
        return std::nullopt;
    for (const styles::StyleChoice& choice : host.choices())
        if (choice.style == number && moduleFileStem(*host.modules()[choice.module]) == module)
            return choice;
    return std::nullopt;
}

int stylesCommand(const std::vector<std::string>& args)
{
    ParsedOptions options = parseOptions({}, args);
    if (options.help) {
        std::fputs(usage, stdout);
        std::fputs("スタイルモジュール（GMStyle フォルダ）ごとに、そのスタイルを MODULE:NUMBER の形で表示します。\n"
                   "publish の --style にはこの形で指定します。\n",
                   stdout);
        return exitDone;
    }
    if (!options.error.empty() || !options.operands.empty())
        return usageError(options.error.empty() ? options.operands.front() + " を解釈できません" : options.error,
                          usage);

    styles::GMStyleHost host;
    host.load();
    if (host.modules().empty()) {
        const std::string why = host.loadProblem();
        report(album::texts::errorCaption, styles::GMStyleHost::noStyleMessage,
               why.empty() ? "フォルダ: " + host.styleFolder() + ", " + host.folders().user : why);
        return exitFailed;
    }
    const std::vector<styles::StyleChoice> choices = host.choices();
    for (std::size_t m = 0; m < host.modules().size(); ++m) {
        const styles::GMStyleModule& module = *host.modules()[m];
        std::printf("%s  %s  Ver.%d.%d  作成者: %s\n  %s\n", moduleFileStem(module).c_str(), module.name().c_str(),
                    module.versionMajor(), module.versionMinor(), module.creator().c_str(),
                    module.description().c_str());
        for (const styles::StyleChoice& choice : choices)
            if (choice.module == m)
                std::printf("    %-14s %s  %s\n", styleName(host, choice).c_str(), choice.name.c_str(),
                            choice.description.c_str());
    }
    return exitDone;
}

} // namespace cli
