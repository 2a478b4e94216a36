#include "album/cli/Commands.h"
#include "album/cli/OptionTable.h"
#include "album/cli/Terminal.h"

#include "album/core/Album.h"
#include "album/core/AlbumPublisher.h"
#include "album/core/CvclibLibrary.h"
#include "album/core/WorkFolder.h"
#include "platform/TerminalText.h"

#include <cstdio>
#include <new>

namespace cli {

using namespace album;

namespace {

const char* const usage = "使い方: glimmora-cli read ALBUM.gpa\n";

// A comment's CR LF shown as one line break, indented.
std::string indented(const std::string& text, const char* indent)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += text[i];
        if (text[i] == '\n')
            out += indent;
    }
    return out;
}

void printAlbum(const Album& album)
{
    // Every text here comes from the archive.
    const bool terminal = platform::TerminalText::isTerminal(stdout);
    auto shown = [terminal](const std::string& text) {
        return terminal ? platform::TerminalText::safe(text) : text;
    };
    std::printf("作成者: %s\n", shown(album.creator).c_str());
    std::printf("タイトル: %s\n", shown(album.title).c_str());
    std::printf("サブタイトル: %s\n", album.useSubtitle ? shown(album.subtitle).c_str() : "（なし）");
    std::printf("日付: %s\n", album.date ? album.date->text().c_str() : "（なし）");
    std::printf("写真と動画: %zu\n", album.items().size());
    int n = 0;
    for (const AlbumItem& item : album.items()) {
        const char* kind = item.type == MediaType::Video ? "動画" : "写真";
        std::printf("  %3d. %s  %s", ++n, shown(item.saveName).c_str(), kind);
        if (item.width > 0 && item.height > 0)
            std::printf("  %dx%d", item.width, item.height);
        std::printf("\n");
        if (!item.title.empty())
            std::printf("       タイトル: %s\n", shown(item.title).c_str());
        if (!item.comment.empty())
            std::printf("       コメント: %s\n", shown(indented(item.comment, "                 ")).c_str());
        if (item.hasVoice())
            std::printf("       声のメッセージ: %s (%d 秒)\n", shown(item.voiceName).c_str(), item.voiceSeconds);
    }
}

} // namespace

int readCommand(const std::vector<std::string>& args)
{
    const ParsedOptions options = parseOptions({}, args);
    if (options.help) {
        std::fputs(usage, stdout);
        std::fputs("glimmora-cli publish（または写真集の作成画面）で保存した写真集のアーカイブを読み込み、\n"
                   "作成者、タイトル、サブタイトル、日付、写真と動画の一覧を表示します。\n",
                   stdout);
        return exitDone;
    }
    if (!options.error.empty())
        return usageError(options.error, usage);
    if (options.operands.size() != 1)
        return usageError(options.operands.empty() ? "アーカイブがありません" : "アーカイブは一つだけ指定します", usage);

    try {
        CvclibLibrary library;
        styles::GMStyleHost noStyles(std::string {});
        WorkFolder workFolder;
        Album album(workFolder.path());
        AlbumPublisher(library, noStyles).readBack(options.operands.front(), album);
        printAlbum(album);
        return exitDone;
    } catch (const AlbumError& e) {
        report(e);
        return exitFailed;
    } catch (const std::bad_alloc&) {
        report(texts::errorCaption, texts::outOfMemory);
        return exitFailed;
    }
}

} // namespace cli
