// glimmora-cli: the album program's work from a terminal: list the styles,
// publish pictures as an album archive, read an album archive back.

#include "album/cli/Commands.h"
#include "platform/ProductInfo.h"

#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Subcommand {
    const char* name;
    const char* summary;
    int (*run)(const std::vector<std::string>& args);
};

const Subcommand subcommands[] = {
    {"styles", "スタイルモジュールとスタイルの一覧を表示します", cli::stylesCommand},
    {"publish", "写真から写真集のガイドポスト・アーカイブを作成します", cli::publishCommand},
    {"read", "写真集のガイドポスト・アーカイブの内容を表示します", cli::readCommand},
};

void printUsage(std::FILE* out)
{
    std::fputs("使い方: glimmora-cli COMMAND [ARGS...]\n\nコマンド:\n", out);
    for (const auto& s : subcommands)
        std::fprintf(out, "  %-10s%s\n", s.name, s.summary);
    std::fputs("\n  --help    この説明を表示します\n"
               "  --version バージョンを表示します\n"
               "各コマンドの説明: glimmora-cli COMMAND --help\n"
               "\n終了コード: 0 成功, 1 エラー, 2 使い方の誤り\n",
               out);
}

} // namespace

int main(int argc, char** argv)
{
    if (product::answeredVersionQuestion(argc, argv, "glimmora-cli"))
        return 0;
    // Decoded pictures are tens of megabytes each and come one after the
    // other on several threads: give them back to the system when freed,
    // instead of letting the allocator keep them once it has seen them.
    mallopt(M_MMAP_THRESHOLD, 4 * 1024 * 1024);
    if (argc < 2) {
        printUsage(stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        printUsage(stdout);
        return 0;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    for (const auto& s : subcommands)
        if (std::strcmp(argv[1], s.name) == 0)
            return s.run(args);
    std::fprintf(stderr, "不明なコマンドです: %s\n\n", argv[1]);
    printUsage(stderr);
    return 2;
}
