#include "album/cli/Commands.h"
#include "album/cli/OptionTable.h"
#include "album/cli/ProgressBar.h"
#include "album/cli/StyleNames.h"
#include "album/cli/Terminal.h"

#include "album/core/Album.h"
#include "album/core/AlbumPublisher.h"
#include "album/core/CvclibLibrary.h"
#include "album/core/ItemPreparer.h"
#include "album/core/VoiceFile.h"
#include "album/core/WorkControl.h"
#include "album/core/WorkFolder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <map>
#include <thread>

namespace cli {

using namespace album;

namespace {

const char* const usage =
    "使い方: glimmora-cli publish --creator NAME --title TITLE [--subtitle SUB] [--date YYYY-MM-DD]\n"
    "         [--style MODULE:NUMBER] [--max WxH] [--order date|name|given] [--voice PICTURE=WAVFILE]...\n"
    "         [--title-of PICTURE=TEXT]... [--comment-of PICTURE=TEXT]... FILE_OR_FOLDER... -o ALBUM.gpa\n";

const std::vector<OptionRule> optionTable = {
    {"--creator", "NAME", "作成者の名前（必須）"},
    {"--title", "TITLE", "写真集のタイトル（必須）"},
    {"--subtitle", "SUB", "サブタイトル"},
    {"--date", "YYYY-MM-DD", "写真の日付"},
    {"--style", "MODULE:NUMBER", "スタイル（既定: 最初のスタイル。一覧は glimmora-cli styles）"},
    {"--max", "WxH", "写真をこの大きさに収まるように縮小します（既定: 400x400）"},
    {"--order", "date|name|given",
     "並び順: date 撮影日順（撮影日のない写真と動画はその後に元の順で）、name 保存名順、given 指定した順（既定）"},
    {"--voice", "PICTURE=WAVFILE", "写真に声のメッセージを付けます（8ビット・モノラル・11025Hz の WAV、15 秒まで）", true},
    {"--title-of", "PICTURE=TEXT", "写真のタイトル（既定: ファイル名から拡張子を除いたもの）", true},
    {"--comment-of", "PICTURE=TEXT", "写真のコメント", true},
    {"-o", "ALBUM.gpa", "作成するガイドポスト・アーカイブ（必須）"},
};

const char* const help =
    "写真（.jpg, .png, .webp, .heic, .heif。JPEG で保存します）と動画（.avi, .mpg, .mp4, .mov, .webm）\n"
    "から写真集を作り、ガイドポスト・アーカイブとして保存します。\n"
    "フォルダを指定すると、その中のファイル（サブフォルダは含みません）をすべて追加します。\n"
    "PICTURE には指定したとおりのパスか、ファイル名を書きます。\n"
    "\n";

std::atomic<bool> interrupted {false};

extern "C" void onInterrupt(int)
{
    interrupted.store(true);
}

// Ctrl-C asks the work to stop, so that the work folder is still removed.
class InterruptGuard {
public:
    InterruptGuard()
    {
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, &oldInt_);
        ::sigaction(SIGTERM, &action, &oldTerm_);
    }
    ~InterruptGuard()
    {
        ::sigaction(SIGINT, &oldInt_, nullptr);
        ::sigaction(SIGTERM, &oldTerm_, nullptr);
    }

private:
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
};

std::string fileNameOf(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

// "KEY=VALUE" of --voice, --title-of and --comment-of.
bool splitAssignment(const std::string& text, std::string& key, std::string& value)
{
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0)
        return false;
    key = text.substr(0, equals);
    value = text.substr(equals + 1);
    return true;
}

std::optional<PictureSize> parseLimit(const std::string& text)
{
    int w = 0, h = 0;
    char x = 0, end = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c", &w, &x, &h, &end) != 3 || (x != 'x' && x != 'X') || w < 1 || h < 1
        || w > 65500 || h > 65500)
        return std::nullopt;
    return PictureSize {w, h};
}

// Line ends typed on a terminal become the CR LF the album keeps.
std::string withCrLf(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

// What the command line says about one file of the album.
struct Extras {
    std::string title;
    bool titleGiven = false;
    std::string comment;
    std::vector<std::uint8_t> voice;
    std::string voiceFile;
};

// The pending entries worked off by a few threads at once; the results come
// back in queue order.
class Fitting {
public:
    Fitting(const Album& album, WorkControl& control) : album_(album), control_(control) {}

    void run()
    {
        const std::vector<PendingAddition> entries(album_.pending().entries().begin(), album_.pending().entries().end());
        results_.resize(entries.size());
        failures_.resize(entries.size());
        const unsigned workers =
            std::max(1u, std::min({std::thread::hardware_concurrency(), 4u, static_cast<unsigned>(entries.size())}));
        std::vector<std::thread> threads;
        for (unsigned t = 0; t < workers; ++t)
            threads.emplace_back([&] { work(entries); });
        ProgressBar bar("写真を縮小しています");
        while (done_.load() < entries.size() && !control_.stopRequested()) {
            if (interrupted.load())
                control_.requestStop();
            bar.draw(static_cast<int>(done_.load()), static_cast<int>(entries.size()));
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        for (std::thread& t : threads)
            t.join();
        bar.draw(static_cast<int>(done_.load()), static_cast<int>(entries.size()));
        bar.clear();
    }

    std::vector<std::optional<PreparedItem>>& results() { return results_; }
    // The first failure in queue order, if any (a stop is no failure).
    std::exception_ptr failure() const
    {
        for (const std::exception_ptr& f : failures_)
            if (f)
                return f;
        return nullptr;
    }

private:
    void work(const std::vector<PendingAddition>& entries)
    {
        for (;;) {
            const std::size_t i = next_.fetch_add(1);
            if (i >= entries.size() || control_.stopRequested())
                return;
            try {
                PreparedItem prepared = ItemPreparer::prepare(entries[i], album_.folder(), album_.limit, &control_);
                // The picture kept for turning and brightening in the window
                // is of no use here; a hundred of them would be 35 MB.
                prepared.picture.reset();
                results_[i] = std::move(prepared);
            } catch (const WorkStopped&) {
                // Stopped for another entry's failure, or by the user.
            } catch (...) {
                failures_[i] = std::current_exception();
                control_.requestStop();
            }
            done_.fetch_add(1);
        }
    }

    const Album& album_;
    WorkControl& control_;
    std::vector<std::optional<PreparedItem>> results_;
    std::vector<std::exception_ptr> failures_;
    std::atomic<std::size_t> next_ {0};
    std::atomic<std::size_t> done_ {0};
};

// Columns on a terminal: Japanese characters take two places.
std::string padded(const std::string& utf8, std::size_t columns)
{
    std::size_t width = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t code = lead < 0x80 ? lead : lead & (0xFF >> (length + 1));
        for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k)
            code = code << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        width += (code >= 0x2E80 && !(code >= 0xFF61 && code <= 0xFF9F)) ? 2 : 1;
        i += length;
    }
    return width >= columns ? utf8 : utf8 + std::string(columns - width, ' ');
}

const char* kindLabel(PublishedEntry::Kind kind)
{
    switch (kind) {
    case PublishedEntry::Kind::Page:
        return "ページ";
    case PublishedEntry::Kind::Material:
        return "ページの素材";
    case PublishedEntry::Kind::Picture:
        return "写真";
    case PublishedEntry::Kind::Video:
        return "動画";
    case PublishedEntry::Kind::Voice:
        return "声のメッセージ";
    case PublishedEntry::Kind::DataFile:
        return "写真集データ";
    }
    return "";
}

void printPublished(const PublishedAlbum& published, const std::string& style)
{
    std::printf("作成しました: %s (%ju バイト)\n", published.archivePath.c_str(), published.archiveBytes);
    std::printf("  ガイドポスト名: %s\n", published.guidePostName.c_str());
    std::printf("  受信するフォルダ: %s\n", published.saveFolder.c_str());
    std::printf("  スタイル: %s\n", style.c_str());
    int n = 0;
    for (const PublishedEntry& e : published.entries) {
        std::string size;
        if (e.width > 0 && e.height > 0)
            size = std::to_string(e.width) + "x" + std::to_string(e.height) + ", ";
        if (e.voiceSeconds > 0)
            size = std::to_string(e.voiceSeconds) + " 秒, ";
        std::printf("  %3d. %s %s (%s%ju バイト)\n", ++n, padded(e.name, 24).c_str(), kindLabel(e.kind), size.c_str(),
                    e.bytes);
    }
    if (published.commonData)
        std::printf("  共通データのタスク \"Common Data\" を加えました\n");
}

} // namespace

int publishCommand(const std::vector<std::string>& args)
{
    const ParsedOptions options = parseOptions(optionTable, args);
    if (options.help) {
        std::fputs(usage, stdout);
        std::fputs(help, stdout);
        printOptions(stdout, optionTable);
        std::fputs("\n終了コード: 0 作成した, 1 エラー, 2 使い方の誤り\n", stdout);
        return exitDone;
    }
    if (!options.error.empty())
        return usageError(options.error, usage);
    for (const char* required : {"--creator", "--title", "-o"})
        if (!options.has(required))
            return usageError(std::string(required) + " がありません", usage);
    if (options.operands.empty())
        return usageError("写真のファイルまたはフォルダがありません", usage);

    std::optional<AlbumDate> date;
    if (options.has("--date") && !(date = AlbumDate::parse(options.value("--date"))))
        return usageError("--date の値が正しくありません（YYYY-MM-DD）: " + options.value("--date"), usage);
    PictureSize limit = defaultPictureLimit;
    if (options.has("--max")) {
        std::optional<PictureSize> parsed = parseLimit(options.value("--max"));
        if (!parsed)
            return usageError("--max の値が正しくありません（WxH）: " + options.value("--max"), usage);
        limit = *parsed;
    }
    const std::string order = options.value("--order", "given");
    if (order != "date" && order != "name" && order != "given")
        return usageError("--order の値は date, name, given のどれかです: " + order, usage);
    struct Assignment {
        const char* option;
        std::string key;
        std::string value;
    };
    std::vector<Assignment> assignments;
    for (const char* option : {"--voice", "--title-of", "--comment-of"}) {
        for (const std::string& text : options.all(option)) {
            Assignment a {option, {}, {}};
            if (!splitAssignment(text, a.key, a.value))
                return usageError(std::string(option) + " の値は PICTURE=... の形で指定します: " + text, usage);
            assignments.push_back(std::move(a));
        }
    }

    InterruptGuard interruptGuard;
    try {
        CvclibLibrary library;
        styles::GMStyleHost styleHost;
        styleHost.load();
        std::optional<styles::StyleChoice> style;
        if (options.has("--style")) {
            style = findStyle(styleHost, options.value("--style"));
            if (!style) {
                report(texts::errorCaption, styles::GMStyleHost::noStyleMessage,
                       options.value("--style") + " というスタイルはありません（一覧: glimmora-cli styles）");
                return exitFailed;
            }
        } else {
            const std::vector<styles::StyleChoice> choices = styleHost.choices();
            if (!choices.empty())
                style = choices.front();
        }

        WorkFolder workFolder;
        Album album(workFolder.path());
        album.creator = options.value("--creator");
        album.title = options.value("--title");
        album.useSubtitle = options.has("--subtitle");
        album.subtitle = options.value("--subtitle");
        album.date = date;
        album.style = style;
        album.limit = limit;

        // Admission, as the window admits what is dropped on it; with no
        // rename dialog here, a second file of one save name is an error.
        std::map<std::string, std::string> givenAs; // save name -> path as given
        auto conflict = [&](const std::string& path, const Admission& a) {
            std::string other;
            for (const auto& [name, given] : givenAs)
                if (Album::sameNameIgnoringCase(name, a.saveName))
                    other = given;
            report(texts::errorCaption, a.message, other + " と " + path + " の保存名 " + a.saveName + " が重なります");
        };
        for (const std::string& operand : options.operands) {
            Admission a = album.admit(operand);
            if (a.outcome == Admission::Outcome::Folder) {
                FolderAdmission folder = album.admitFolder(operand);
                for (const auto& [path, refusal] : folder.refused) {
                    if (refusal.outcome == Admission::Outcome::NeedsNewName) {
                        conflict(path, refusal);
                        return exitFailed;
                    }
                    if (refusal.outcome != Admission::Outcome::BadExtension) {
                        report(refusal.caption, refusal.message, path);
                        return exitFailed;
                    }
                    report(refusal.caption, refusal.message);
                }
                for (const PendingAddition& p : album.pending().entries())
                    givenAs.emplace(p.saveName, p.sourcePath);
                if (folder.caption.empty())
                    std::fprintf(stderr, "%s (%s)\n", folder.message.c_str(), operand.c_str());
                else
                    std::fprintf(stderr, "%s: %s (%s)\n", folder.caption.c_str(), folder.message.c_str(), operand.c_str());
                continue;
            }
            switch (a.outcome) {
            case Admission::Outcome::Queued:
                givenAs.emplace(a.saveName, operand);
                break;
            case Admission::Outcome::BadExtension:
                report(a.caption, a.message);
                break;
            case Admission::Outcome::NeedsNewName:
                conflict(operand, a);
                return exitFailed;
            default:
                report(a.caption, a.message, operand);
                return exitFailed;
            }
        }

        // PICTURE names an entry by its path as given or by its file name.
        const std::vector<PendingAddition> entries(album.pending().entries().begin(), album.pending().entries().end());
        std::vector<Extras> extras(entries.size());
        for (const Assignment& a : assignments) {
            std::vector<std::size_t> matches;
            for (std::size_t i = 0; i < entries.size(); ++i)
                if (a.key == entries[i].sourcePath || a.key == givenAs[entries[i].saveName]
                    || a.key == entries[i].saveName || a.key == fileNameOf(entries[i].sourcePath))
                    matches.push_back(i);
            if (matches.size() != 1)
                return usageError(std::string(a.option) + ": " + a.key
                                      + (matches.empty() ? " という写真は写真集にありません" : " に当たる写真が複数あります"),
                                  usage);
            Extras& e = extras[matches.front()];
            if (std::string(a.option) == "--title-of") {
                e.title = a.value;
                e.titleGiven = true;
            } else if (std::string(a.option) == "--comment-of") {
                e.comment = withCrLf(a.value);
            } else {
                if (!VoiceFile::read(a.value, e.voice) || e.voice.empty()) {
                    report(texts::errorCaption, formatText(texts::voiceNotReadable, a.value));
                    return exitFailed;
                }
                e.voiceFile = a.value;
            }
        }
        if (entries.empty()) {
            report(texts::errorCaption, texts::noItems);
            return exitFailed;
        }

        WorkControl control;
        Fitting fitting(album, control);
        fitting.run();
        if (std::exception_ptr failure = fitting.failure())
            std::rethrow_exception(failure);
        const auto& results = fitting.results();
        if (interrupted.load() || std::any_of(results.begin(), results.end(), [](const auto& r) { return !r; }))
            throw WorkStopped();
        for (std::size_t i = 0; i < entries.size(); ++i) {
            PreparedItem prepared = std::move(*fitting.results()[i]);
            const Extras& e = extras[i];
            prepared.item.title = e.titleGiven ? e.title : std::filesystem::path(prepared.item.saveName).stem().string();
            prepared.item.comment = e.comment;
            if (!e.voice.empty())
                album.setVoice(prepared.item, e.voice);
            album.accept(std::move(prepared));
        }
        if (order == "date")
            album.orderByDate();
        else if (order == "name")
            album.orderByName();

        AlbumPublisher publisher(library, styleHost);
        PublishedAlbum published = publisher.save(album, options.value("-o"));
        printPublished(published, style ? styleName(styleHost, *style) + " " + style->name : std::string());
        return exitDone;
    } catch (const AlbumError& e) {
        report(e);
        return exitFailed;
    }
}

} // namespace cli
