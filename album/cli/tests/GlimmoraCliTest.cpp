// glimmora-cli as a user runs it: its usage, the styles, publishing pictures
// into an archive that corvan-cli receives into a save root, reading the
// archive back, and bad input refused with nothing left behind. Every run
// has a HOME and a temporary folder of its own.

#include "album/core/CvclibCodes.h"
#include "album/core/CvclibLibrary.h"
#include "album/core/JpegReader.h"
#include "album/core/VoiceFile.h"
#include "album/testsupport/TestJpeg.h"
#include "album/testsupport/TestPictures.h"
#include "styles/tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace albumtest;
namespace fs = std::filesystem;

namespace {

const std::string glimmora = CV_BIN_DIR "/glimmora-cli";
const std::string corvan = CV_BIN_DIR "/corvan-cli";

std::string quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// An album archive made item by item: one task whose folder has three
// components, every file in its list and attached.
void buildArchive(const std::vector<std::pair<std::string, std::string>>& files, const std::string& archive)
{
    using namespace album::cvclib;
    album::CvclibLibrary lib(CV_BIN_DIR);
    const int root = lib.newItem(GuidePostItem);
    ASSERT_TRUE(lib.setText(root, Name, "手作り") && lib.setText(root, Creator, "作者")
                && lib.setText(root, Comment, "コメント") && lib.setNumber(root, Location, LocationLocal));
    const int task = lib.newItem(TaskItem);
    ASSERT_TRUE(lib.setText(task, Name, "タスク") && lib.setText(task, DestinationFolder, "Glimmora\\作者\\題")
                && lib.setNumber(root, AppendTask, task));
    const int source = lib.newItem(SourceItem);
    ASSERT_TRUE(lib.setNumber(source, Protocol, ProtocolAttach) && lib.setNumber(task, AppendSource, source));
    const int list = lib.newItem(FileListItem);
    ASSERT_TRUE(lib.setNumber(source, AppendFileList, list));
    for (const auto& [name, path] : files) {
        const int file = lib.newItem(FileItem);
        ASSERT_TRUE(lib.setText(file, LocalName, name) && lib.setNumber(list, AppendFile, file));
        const int a = lib.newItem(AttachmentItem);
        ASSERT_TRUE(lib.setText(a, Name, name) && lib.setText(a, AttachPath, path)
                    && lib.setNumber(task, AppendAttachment, a));
    }
    ASSERT_TRUE(lib.save(root, archive, saveArchive)) << lib.lastError();
}

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class GlimmoraCli : public ::testing::Test {
protected:
    GlimmoraCli()
    {
        for (const char* sub : {"home", "tmp", "pictures", "out", "root"})
            fs::create_directories(folder.path() / sub);
    }

    fs::path at(const std::string& name) const { return folder.path() / name; }

    std::string environment() const
    {
        const fs::path home = at("home");
        return "env -i PATH=/usr/bin:/bin LC_ALL=C.UTF-8 HOME=" + quote(home.string())
            + " XDG_CONFIG_HOME=" + quote((home / ".config").string())
            + " XDG_DATA_HOME=" + quote((home / ".local/share").string())
            + " XDG_DOCUMENTS_DIR=" + quote((home / "Documents").string()) + " TMPDIR=" + quote(at("tmp").string())
            + " ";
    }

    // Runs a program with the arguments (quoted here) in the test's folder.
    Outcome run(const std::string& program, const std::vector<std::string>& args)
    {
        std::string command = "cd " + quote(folder.path().string()) + " && " + environment() + quote(program);
        for (const std::string& a : args)
            command += " " + quote(a);
        command += " >" + quote(at("stdout").string()) + " 2>" + quote(at("stderr").string()) + " </dev/null";
        Outcome r;
        const int raw = std::system(command.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = slurp(at("stdout"));
        r.err = slurp(at("stderr"));
        return r;
    }
    Outcome glimmoraCli(const std::vector<std::string>& args) { return run(glimmora, args); }

    std::string picture(const std::string& name, int width, int height)
    {
        const fs::path p = at("pictures") / name;
        fs::create_directories(p.parent_path());
        writeJpeg(p.string(), width, height, photoLike(width, height, static_cast<unsigned>(width + height)));
        return p.string();
    }
    std::string voice(const std::string& name, std::uint32_t claimed, std::size_t samples)
    {
        std::vector<std::uint8_t> bytes = album::VoiceFile::header(claimed);
        for (std::size_t i = 0; i < samples; ++i)
            bytes.push_back(static_cast<std::uint8_t>(128 + 60 * ((i / 20) % 2)));
        writeBytes(at(name).string(), bytes);
        return at(name).string();
    }
    // The pictures a headless Chromium shows on `page`, as "src=WxH,...":
    // the page is framed by one of ours that reads the frame's images once
    // everything has loaded.
    std::string picturesShown(const fs::path& page)
    {
        const char* chromium = "/usr/bin/chromium";
        if (!fs::exists(chromium)) {
            ADD_FAILURE() << "no " << chromium << ": install the Debian package chromium";
            return {};
        }
        const fs::path frame = at("frame.html");
        std::ofstream(frame) << "<html><body><iframe id=\"f\" src=\"file://" << page.string()
                             << "\" width=\"800\" height=\"600\"></iframe><script>\n"
                                "window.onload = function () {\n"
                                "  var d = document.getElementById('f').contentDocument, out = [];\n"
                                "  for (var i = 0; i < d.images.length; ++i)\n"
                                "    out.push(d.images[i].getAttribute('src') + '=' + d.images[i].naturalWidth + 'x'\n"
                                "             + d.images[i].naturalHeight);\n"
                                "  var p = document.createElement('pre');\n"
                                "  p.textContent = '[' + out.join(',') + ']';\n"
                                "  document.body.appendChild(p);\n"
                                "};\n</script></body></html>\n";
        Outcome r = run("/usr/bin/timeout",
                        {"90", chromium, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                         "--disable-background-networking", "--disable-component-update", "--disable-sync",
                         "--allow-file-access-from-files", "--virtual-time-budget=5000",
                         "--user-data-dir=" + at("profile").string(), "--dump-dom", "file://" + frame.string()});
        const std::size_t open = r.out.find("<pre>[");
        const std::size_t close = r.out.find("]</pre>");
        if (open == std::string::npos || close == std::string::npos) {
            ADD_FAILURE() << "Chromium showed nothing: " << r.err;
            return {};
        }
        return r.out.substr(open + 6, close - open - 6);
    }

    bool temporaryFolderEmpty() const { return fs::is_empty(at("tmp")); }

    stylestest::ScratchFolder folder {"CVglimmora"};
};

} // namespace

TEST_F(GlimmoraCli, TellsHowItIsUsed)
{
    Outcome r = glimmoraCli({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* command : {"styles", "publish", "read"})
        EXPECT_TRUE(contains(r.out, command)) << command;

    r = glimmoraCli({"publish", "--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* option : {"--creator NAME", "--title TITLE", "--subtitle SUB", "--date YYYY-MM-DD",
                               "--style MODULE:NUMBER", "--max WxH", "--voice PICTURE=WAVFILE",
                               "--title-of PICTURE=TEXT", "--comment-of PICTURE=TEXT", "-o ALBUM.gpa", "--help"})
        EXPECT_TRUE(contains(r.out, option)) << option;
    EXPECT_EQ(glimmoraCli({"read", "--help"}).status, 0);
    EXPECT_EQ(glimmoraCli({"styles", "--help"}).status, 0);

    const std::string a = picture("a.jpg", 80, 60);
    const std::vector<std::string> base = {"publish", "--creator", "山田", "--title", "運動会"};
    struct Case {
        std::vector<std::string> extra;
        const char* says;
    };
    for (const Case& c : {Case {{"-o", "x.gpa"}, "写真のファイルまたはフォルダがありません"},
                          Case {{a}, "-o がありません"},
                          Case {{a, "-o", "x.gpa", "--bogus"}, "--bogus を解釈できません"},
                          Case {{a, "-o", "x.gpa", "--date", "2024-02-30"}, "--date の値が正しくありません"},
                          Case {{a, "-o", "x.gpa", "--max", "400"}, "--max の値が正しくありません"},
                          Case {{a, "-o", "x.gpa", "--title", "二度目"}, "--title は一度だけ指定できます"},
                          Case {{a, "-o", "x.gpa", "--voice", "a.jpg"}, "PICTURE=... の形"},
                          Case {{a, "-o", "x.gpa", "--title-of", "z.jpg=題"}, "z.jpg という写真は写真集にありません"},
                          Case {{a, "-o"}, "-o に値がありません"}}) {
        std::vector<std::string> args = base;
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        r = glimmoraCli(args);
        EXPECT_EQ(r.status, 2) << c.says;
        EXPECT_TRUE(contains(r.err, c.says)) << r.err;
        EXPECT_TRUE(contains(r.err, "使い方: glimmora-cli publish")) << r.err;
    }
    EXPECT_EQ(glimmoraCli({"publish", "--title", "t", a, "-o", "x.gpa"}).status, 2);
    EXPECT_EQ(glimmoraCli({}).status, 2);
    EXPECT_EQ(glimmoraCli({"paint"}).status, 2);
    EXPECT_EQ(glimmoraCli({"read"}).status, 2);
    EXPECT_FALSE(fs::exists(at("x.gpa")));
    EXPECT_TRUE(temporaryFolderEmpty());
}

TEST_F(GlimmoraCli, ListsTheStyles)
{
    Outcome r = glimmoraCli({"styles"});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* line : {"GMSNorm  標準スタイルセット", "GMSNorm:0      シンプル  標準的なページスタイルです。",
                             "GMSNorm:4      銀世界", "GMSSmart:0"})
        EXPECT_TRUE(contains(r.out, line)) << line << "\n" << r.out;
}

TEST_F(GlimmoraCli, PublishesAnAlbumThatCorvanReceives)
{
    picture("a.jpg", 800, 600);
    const std::string b = picture("b.jpg", 300, 900);
    const std::string wav = voice("hello.wav", 5 * 11025, 5 * 11025);
    Outcome r = glimmoraCli({"publish", "--creator", "山田 太郎", "--title", "運動会", "--date", "2024-05-03", "--style",
                         "GMSNorm:0", "--voice", "b.jpg=" + wav, "--title-of", "a.jpg=かけっこ", "--comment-of",
                         b + "=一行目\n二行目", at("pictures").string(), "-o", "out/運動会.gpa"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.err, "2 個のファイルを追加しました")) << r.err;
    for (const char* line : {"ガイドポスト名: Glimmora - 山田 太郎 - 運動会", "受信するフォルダ: Glimmora\\山田 太郎\\運動会",
                             "スタイル: GMSNorm:0 シンプル", "1. index.htm", "2. a.jpg", "写真 (400x300",
                             "3. b.jpg", "写真 (133x400", "4. _v_b.wav", "声のメッセージ (5 秒", "5. ___gm___.dat"})
        EXPECT_TRUE(contains(r.out, line)) << line << "\n" << r.out;
    EXPECT_TRUE(fs::exists(at("out/運動会.gpa")));
    EXPECT_TRUE(temporaryFolderEmpty()) << "the work folder is removed";

    Outcome received = run(corvan, {"receive", "out/運動会.gpa", "--root", at("root").string(), "--yes"});
    ASSERT_EQ(received.status, 0) << received.err << received.out;
    const fs::path album = at("root") / "Glimmora" / "山田 太郎" / "運動会";
    for (const char* name : {"index.htm", "a.jpg", "b.jpg", "_v_b.wav"})
        EXPECT_TRUE(fs::is_regular_file(album / name)) << name;
    album::DecodedPicture a = album::JpegReader::readFitted((album / "a.jpg").string(), {65500, 65500}, "a.jpg");
    EXPECT_EQ(a.image.width, 400);
    EXPECT_EQ(a.image.height, 300);
    EXPECT_EQ(fs::file_size(album / "_v_b.wav"), 44u + 5 * 11025);
    const std::string page = slurp(album / "index.htm");
    EXPECT_TRUE(contains(page, "<img src=\"b.jpg\" width=\"133\" height=\"400\""));

    // A browser shows the received page with every picture.
    const std::string shown = picturesShown(album / "index.htm");
    EXPECT_EQ(shown, "a.jpg=400x300,b.jpg=133x400");

    r = glimmoraCli({"read", "out/運動会.gpa"});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* line : {"作成者: 山田 太郎", "タイトル: 運動会", "サブタイトル: （なし）", "日付: 2024-05-03",
                             "写真と動画: 2", "1. a.jpg  写真  400x300", "タイトル: かけっこ", "2. b.jpg  写真  133x400",
                             "タイトル: b", "コメント: 一行目", "声のメッセージ: _v_b.wav (5 秒)"})
        EXPECT_TRUE(contains(r.out, line)) << line << "\n" << r.out;
    EXPECT_TRUE(temporaryFolderEmpty());
}

TEST_F(GlimmoraCli, PlacesASubtitledAlbumOneFolderDeeper)
{
    const std::string a = picture("a.jpg", 640, 480);
    Outcome r = glimmoraCli({"publish", "--creator", "作者", "--title", "旅行", "--subtitle", "二日目", "--max", "200x100",
                         "--style", "GMSSmart:2", a, "-o", "trip.gpa"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "写真 (133x100")) << r.out;
    ASSERT_EQ(run(corvan, {"receive", "trip.gpa", "--root", at("root").string(), "--yes"}).status, 0);
    EXPECT_TRUE(fs::is_regular_file(at("root") / "Glimmora" / "作者" / "旅行" / "二日目" / "a.jpg"));
    r = glimmoraCli({"read", "trip.gpa"});
    EXPECT_TRUE(contains(r.out, "サブタイトル: 二日目")) << r.out;
    EXPECT_TRUE(contains(r.out, "日付: （なし）")) << r.out;
}

TEST_F(GlimmoraCli, RefusesBadInputLeavingNothingBehind)
{
    const std::string good = picture("good.jpg", 120, 90);
    const std::string text = at("pictures/memo.jpg").string();
    writeBytes(text, {'m', 'e', 'm', 'o'});
    std::vector<std::uint8_t> whole = encodeJpeg(300, 200, photoLike(300, 200, 9));
    const std::string cut = at("pictures/cut.jpg").string();
    writeBytes(cut, std::vector<std::uint8_t>(whole.begin(), whole.begin() + whole.size() / 2));
    picture("day1/same.jpg", 50, 50);
    picture("day2/Same.JPG", 50, 50);
    const std::string claim = voice("claim.wav", 0xFFFFFFFF, 5 * 11025);

    struct Case {
        std::vector<std::string> args;
        const char* says;
    };
    for (const Case& c : {
             Case {{good, text}, "memo.jpg はJPEGファイルではないので写真集に入れることができません。"},
             Case {{good, cut}, "cut.jpg は壊れているか途中で切れているので読み込むことができませんでした。"},
             Case {{at("pictures/day1").string(), at("pictures/day2").string()}, "保存名が空白であるか"},
             Case {{good, at("pictures/none.jpg").string()}, "ファイルが見つかりません"},
             Case {{good, "--voice", "good.jpg=" + claim}, "claim.wav は声のメッセージのファイル"},
             Case {{good, "--subtitle", "午前:午後"}, "名前、タイトルに不適切な文字が含まれています。"},
             Case {{good, "--style", "GMSNorm:9"}, "スタイルを選択できないためファイルを作成できません。"},
             Case {{at("pictures/memo.jpg") .string() + ".txt"}, "ファイルが見つかりません"},
         }) {
        std::vector<std::string> args = {"publish", "--creator", "作者", "--title", "題"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.insert(args.end(), {"-o", "bad.gpa"});
        Outcome r = glimmoraCli(args);
        EXPECT_EQ(r.status, 1) << c.says << "\n" << r.err;
        EXPECT_TRUE(contains(r.err, c.says)) << r.err;
        EXPECT_FALSE(fs::exists(at("bad.gpa"))) << c.says;
        EXPECT_TRUE(temporaryFolderEmpty()) << c.says;
    }
    // Both files of one save name are named.
    Outcome r = glimmoraCli({"publish", "--creator", "作者", "--title", "題", at("pictures/day1").string(),
                         at("pictures/day2").string(), "-o", "bad.gpa"});
    EXPECT_TRUE(contains(r.err, "day1/same.jpg と ")) << r.err;
    EXPECT_TRUE(contains(r.err, "day2/Same.JPG")) << r.err;

    // A file of another kind in a folder is passed over with a note.
    writeBytes(at("pictures/day1/notes.txt").string(), {'x'});
    r = glimmoraCli({"publish", "--creator", "作者", "--title", "題", at("pictures/day1").string(), "-o", "ok.gpa"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.err, "注意: notes.txt は拡張子が .jpg, .avi, .mpg ではないので")) << r.err;

    r = glimmoraCli({"read", good});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "Glimmora用ガイドポストが正しくありませんので読み込むことができませんでした")) << r.err;
    EXPECT_TRUE(temporaryFolderEmpty());
}

TEST_F(GlimmoraCli, TwoRunsAtOnceKeepToTheirOwnWorkFolders)
{
    for (int i = 0; i < 6; ++i)
        picture("p" + std::to_string(i) + ".jpg", 1600, 1200);
    std::string command = "cd " + quote(folder.path().string()) + " || exit 1; ";
    for (int run = 0; run < 2; ++run)
        command += environment() + quote(glimmora) + " publish --creator 作者 --title 題" + std::to_string(run)
            + " pictures -o run" + std::to_string(run) + ".gpa >run" + std::to_string(run) + ".log 2>&1 & ";
    command += "wait";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        const std::string log = slurp(at("run" + std::to_string(run) + ".log"));
        EXPECT_TRUE(contains(log, "作成しました")) << log;
        Outcome r = glimmoraCli({"read", "run" + std::to_string(run) + ".gpa"});
        EXPECT_TRUE(contains(r.out, "写真と動画: 6")) << r.out << r.err;
        EXPECT_TRUE(contains(r.out, "タイトル: 題" + std::to_string(run))) << r.out;
    }
    EXPECT_TRUE(temporaryFolderEmpty());
}

TEST_F(GlimmoraCli, CtrlCStopsAndStillRemovesTheWorkFolder)
{
    // One picture under forty names: enough work to be stopped in.
    writeJpeg(at("pictures/p0.jpg").string(), 4000, 3000, photoLike(4000, 3000, 5));
    for (int i = 1; i < 40; ++i)
        fs::create_hard_link(at("pictures/p0.jpg"), at("pictures/p" + std::to_string(i) + ".jpg"));
    const std::string command = "cd " + quote(folder.path().string()) + " || exit 1; " + environment() + quote(glimmora)
        + " publish --creator 作者 --title 題 pictures -o int.gpa >int.log 2>&1 & pid=$!; sleep 0.3; kill -INT $pid;"
          " wait $pid; echo $? >int.status";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string status = slurp(at("int.status"));
    const std::string log = slurp(at("int.log"));
    // However far it got, nothing is left in the temporary folder.
    EXPECT_TRUE(temporaryFolderEmpty());
    if (status == "0\n") {
        EXPECT_TRUE(fs::exists(at("int.gpa"))) << "finished before the signal";
        std::fprintf(stderr, "note: glimmora-cli finished before Ctrl-C reached it\n");
    } else {
        EXPECT_EQ(status, "1\n") << log;
        EXPECT_TRUE(contains(log, "中止: 中止しました")) << log;
        EXPECT_FALSE(fs::exists(at("int.gpa")));
    }
}

TEST_F(GlimmoraCli, AHostileDataFileIsRefusedBeforeItTakesMemory)
{
    // 12 Mi empty items of version 1 in 48 MiB, next to one picture: a few
    // hundred KiB of archive that once asked for gigabytes.
    const std::string good = picture("g.jpg", 40, 30);
    const std::uint32_t items = 12u << 20;
    {
        std::ofstream dat(at("___gm___.dat"), std::ios::binary);
        const char head[12] = {'G', 'l', 'i', 'm', 1, 0, 0, 0, 0, 0, static_cast<char>(items >> 16), 0};
        dat.write(head, sizeof head);
        const std::vector<char> zeros(1 << 20, 0);
        for (int mib = 0; mib < 48; ++mib)
            dat.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
    }
    buildArchive({{"g.jpg", good}, {"___gm___.dat", at("___gm___.dat").string()}}, at("hostile.gpa").string());
    ASSERT_LT(fs::file_size(at("hostile.gpa")), 1u << 20);

    // Under a 1 GiB address-space limit it is refused with its reason, and
    // the work folder goes.
    const std::string command = "cd " + quote(folder.path().string()) + " && ulimit -v 1048576 && " + environment()
        + quote(glimmora) + " read hostile.gpa >limited.out 2>limited.err";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    const std::string said = slurp(at("limited.err"));
    EXPECT_TRUE(contains(said, "Glimmora用ガイドポストが正しくありませんので読み込むことができませんでした")) << said;
    EXPECT_TRUE(contains(said, "写真の数 がアーカイブのファイルの数を越えています")) << said;
    EXPECT_TRUE(temporaryFolderEmpty());
}

TEST_F(GlimmoraCli, ReadShowsNoControlCharactersOnATerminal)
{
    const std::string a = picture("a.jpg", 40, 30);
    Outcome r = glimmoraCli({"publish", "--creator", "作者", "--title", "題", "--title-of", "a.jpg=\x1B]0;pwned\x07",
                         "--comment-of", "a.jpg=\x1B[2J\x1B]52;c;ZWNobw==\x07\n二行目", a, "-o", "ctl.gpa"});
    ASSERT_EQ(r.status, 0) << r.err;
    if (!fs::exists("/usr/bin/script"))
        FAIL() << "no /usr/bin/script: install the Debian package bsdutils";
    const std::string command = "cd " + quote(folder.path().string()) + " && " + environment()
        + "/usr/bin/script -qec " + quote(quote(glimmora) + " read ctl.gpa") + " /dev/null >tty.txt </dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string shown = slurp(at("tty.txt"));
    const std::string x = "\xEF\xBF\xBD";
    EXPECT_TRUE(contains(shown, "タイトル: " + x + "]0;pwned" + x)) << shown;
    EXPECT_TRUE(contains(shown, "コメント: " + x + "[2J" + x + "]52;c;ZWNobw==" + x)) << shown;
    EXPECT_TRUE(contains(shown, "二行目")) << shown;
    EXPECT_FALSE(contains(shown, "\x1B")) << shown;
    EXPECT_FALSE(contains(shown, "\x07")) << shown;

    // Into a file the texts stay as they are.
    r = glimmoraCli({"read", "ctl.gpa"});
    EXPECT_TRUE(contains(r.out, "タイトル: \x1B]0;pwned\x07")) << r.out;
    EXPECT_TRUE(temporaryFolderEmpty());
}

// Pictures with and without a shooting date in their Exif blocks (JPEG and
// HEIC), put in order by it; what the album sends carries none of their
// Exif data.
TEST_F(GlimmoraCli, OrdersByShootingDateAndSendsNoExif)
{
    auto jpegTaken = [&](const std::string& name, const std::string& taken) {
        JpegOptions o;
        o.exifTaken = taken;
        o.exifOrientation = 1;
        writeJpeg(at("pictures/" + name).string(), 64, 48, photoLike(64, 48, 3), o);
    };
    jpegTaken("a.jpg", "2024:05:03 10:00:00");
    picture("b.jpg", 64, 48);
    HeicOptions heic;
    heic.taken = "2024:05:03 09:00:00";
    heic.exifOrientation = 6;
    writeHeic(at("pictures/c.heic").string(), quarters(64, 48, false), heic);
    writePng(at("pictures/d.png").string(), quarters(64, 48, true), PngKind::Rgba8);
    jpegTaken("e.jpg", "2023:12:31 23:59:59");

    struct Case {
        const char* order;
        const char* expected;
    };
    for (const Case& c : {Case {"date", "e.jpg c.jpg a.jpg b.jpg d.jpg"}, Case {"given", "a.jpg b.jpg c.jpg d.jpg e.jpg"},
                          Case {"name", "a.jpg b.jpg c.jpg d.jpg e.jpg"}}) {
        SCOPED_TRACE(c.order);
        Outcome r = glimmoraCli({"publish", "--creator", "作者", "--title", c.order, "--order", c.order,
                                 at("pictures").string(), "-o", std::string(c.order) + ".gpa"});
        ASSERT_EQ(r.status, 0) << r.err;
        r = glimmoraCli({"read", std::string(c.order) + ".gpa"});
        std::string names;
        for (std::size_t at = r.out.find(". "); at != std::string::npos; at = r.out.find(". ", at + 1)) {
            const std::size_t end = r.out.find("  ", at + 2);
            names += (names.empty() ? "" : " ") + r.out.substr(at + 2, end - at - 2);
        }
        EXPECT_EQ(names, c.expected) << r.out;
    }
    EXPECT_EQ(glimmoraCli({"publish", "--creator", "作者", "--title", "題", "--order", "size", at("pictures").string(),
                           "-o", "x.gpa"})
                  .status,
              2);

    // Received, every picture is a JPEG with no Exif block (no APP1 segment
    // before its picture data), whatever its source held.
    ASSERT_EQ(run(corvan, {"receive", "date.gpa", "--root", at("root").string(), "--yes"}).status, 0);
    const fs::path received = at("root") / "Glimmora" / "作者" / "date";
    for (const char* name : {"a.jpg", "c.jpg", "e.jpg", "d.jpg"}) {
        SCOPED_TRACE(name);
        const std::vector<std::uint8_t> bytes = readBytes((received / name).string());
        ASSERT_GE(bytes.size(), 4u);
        ASSERT_EQ(bytes[1], 0xD8);
        for (std::size_t at = 2; at + 4 <= bytes.size() && bytes[at] == 0xFF && bytes[at + 1] != 0xDA;
             at += 2 + (std::size_t(bytes[at + 2]) << 8 | bytes[at + 3]))
            EXPECT_NE(bytes[at + 1], 0xE1) << "APP1 at " << at;
        const std::string text(bytes.begin(), bytes.end());
        EXPECT_FALSE(contains(text, "Exif"));
        EXPECT_FALSE(contains(text, "2024:05:03"));
    }
    EXPECT_TRUE(temporaryFolderEmpty());
}
