// Publishing through the real libCVCLIB.so and GMSNorm, loaded by name, and
// reading archives back: the checks, the GuidePost built item by item, the
// archive's entries in order, the clean-up, and archives that are refused
// without touching the album.

#include "album/core/Album.h"
#include "album/core/AlbumDataFile.h"
#include "album/core/AlbumError.h"
#include "album/core/AlbumPublisher.h"
#include "album/core/CvclibCodes.h"
#include "album/core/CvclibLibrary.h"
#include "album/core/ItemPreparer.h"
#include "album/core/VoiceFile.h"
#include "album/testsupport/TestJpeg.h"
#include "guidepost/CAMData.h"
#include "guidepost/GuidePostArchive.h"
#include "guidepost/Keywords.h"
#include "guidepost/TCXML.h"
#include "styles/tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

using namespace album;
using namespace albumtest;
namespace fs = std::filesystem;

namespace {

const std::string binFolder = CV_BIN_DIR;
const std::string fixtureFolder = CV_BIN_DIR "/../tests/fixtures";

std::vector<std::string> filesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(folder, ec))
        names.push_back(fs::relative(entry.path(), folder).string());
    std::sort(names.begin(), names.end());
    return names;
}

class Publishing : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        for (const char* name : environmentNames) {
            const char* value = std::getenv(name);
            savedEnvironment_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        home_ = new stylestest::ScratchFolder("CValbumhome");
        const fs::path h = home_->path();
        ::setenv("HOME", h.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (h / "config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (h / "data").c_str(), 1);
        fs::create_directories(h / "tmp");
        ::setenv("TMPDIR", (h / "tmp").c_str(), 1);
        // The copy of the GuidePost code linked into this test reads archives
        // written by the library.
        TCXML::SetSchemaFolder(CV_BIN_DIR);
    }
    static void TearDownTestSuite()
    {
        TCXML::SetSchemaFolder("");
        delete home_;
        home_ = nullptr;
        for (const auto& [name, value] : savedEnvironment_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
        savedEnvironment_.clear();
    }
    static constexpr const char* environmentNames[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "TMPDIR"};
    static inline std::vector<std::pair<std::string, std::optional<std::string>>> savedEnvironment_;

    Publishing()
    {
        fs::create_directories(sources());
        fs::create_directories(work());
        fs::create_directories(out());
        styles.load();
    }

    fs::path sources() const { return root.path() / "sources"; }
    fs::path work() const { return root.path() / "work"; }
    fs::path out() const { return root.path() / "out"; }

    std::string picture(const std::string& name, int width, int height)
    {
        const std::string p = (sources() / name).string();
        writeJpeg(p, width, height, photoLike(width, height, static_cast<unsigned>(width)));
        return p;
    }
    std::optional<styles::StyleChoice> style(const std::string& moduleName, int number) const
    {
        for (const styles::StyleChoice& c : styles.choices())
            if (fs::path(styles.modules()[c.module]->path()).stem() == moduleName && c.style == number)
                return c;
        return std::nullopt;
    }
    // Two pictures, the first with a voice message, in GMSNorm's style 0.
    void fillAlbum(Album& album)
    {
        album.creator = "山田 太郎";
        album.title = "運動会";
        album.date = AlbumDate {2024, 5, 3};
        album.style = style("GMSNorm", 0);
        ASSERT_TRUE(album.style);
        album.admit(picture("a.jpg", 800, 600));
        album.admit(picture("b.jpg", 300, 900));
        while (album.busy()) {
            PreparedItem p = ItemPreparer::prepare(album.pending().front(), album.folder(), album.limit);
            p.item.title = p.item.saveName == "a.jpg" ? "かけっこ" : "玉入れ";
            p.item.comment = "一行目\r\n二行目";
            if (p.item.saveName == "a.jpg")
                album.setVoice(p.item, std::vector<std::uint8_t>(5 * 11025, 0x80));
            album.accept(std::move(p));
        }
    }
    std::string refusal(const std::function<void()>& work)
    {
        try {
            work();
        } catch (const AlbumError& e) {
            return e.what();
        }
        return "done";
    }

    static stylestest::ScratchFolder* home_;
    stylestest::ScratchFolder root {"CValbumpub"};
    CvclibLibrary library {binFolder};
    styles::GMStyleHost styles {binFolder + "/GMStyle"};
};

stylestest::ScratchFolder* Publishing::home_ = nullptr;

} // namespace

TEST_F(Publishing, BindsTheLibraryByNameAndChecksIt)
{
    EXPECT_EQ(library.authorName(), "ここに名前を入力してください");
    ASSERT_TRUE(library.setAuthorName("山田"));
    EXPECT_EQ(library.authorName(), "山田");
    EXPECT_EQ(std::size(CvclibLibrary::functionNames), 21u);

    auto startUp = [&](const std::string& folder) {
        return refusal([&] { CvclibLibrary other(folder); });
    };
    EXPECT_EQ(startUp(root.path().string()),
              "プログラム・サブモジュールを読み込むことができません。インストールしなおしてください。");
    EXPECT_EQ(startUp(fixtureFolder + "/cvclib-Incomplete"),
              "プログラム・サブモジュールが正しくありません。インストールしなおしてください。");
    EXPECT_EQ(startUp(fixtureFolder + "/cvclib-OldVersion"),
              "プログラム・サブモジュールが正しいバージョンではありません。インストールしなおしてください。");
}

TEST_F(Publishing, PublishesTwoPicturesAndAVoiceEntryByEntry)
{
    Album album(work().string());
    fillAlbum(album);
    const std::vector<std::string> before = filesIn(work());
    EXPECT_EQ(before, (std::vector<std::string> {"_v_a.wav", "a.jpg", "b.jpg"}));

    const std::string archive = (out() / "album.gpa").string();
    AlbumPublisher publisher(library, styles);
    PublishedAlbum published = publisher.save(album, archive);
    EXPECT_EQ(published.guidePostName, "Glimmora - 山田 太郎 - 運動会");
    EXPECT_EQ(published.saveFolder, "Glimmora\\山田 太郎\\運動会");
    EXPECT_FALSE(published.commonData);
    std::vector<std::string> names;
    for (const PublishedEntry& e : published.entries)
        names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string> {"index.htm", "a.jpg", "_v_a.wav", "b.jpg", "___gm___.dat"}));
    EXPECT_EQ(published.entries[1].width, 400);
    EXPECT_EQ(published.entries[2].voiceSeconds, 5);
    EXPECT_EQ(published.archiveBytes, fs::file_size(archive));
    // What publishing wrote into the album folder is gone again.
    EXPECT_EQ(filesIn(work()), before);

    // The archive, entry by entry.
    ArchiveIndex index;
    ASSERT_TRUE(GuidePostArchive::ReadIndex(archive, index));
    std::vector<std::string> entries;
    for (const ArchiveIndexRecord& r : index.records)
        entries.push_back(r.name);
    EXPECT_EQ(entries, names);
    EXPECT_EQ(index.attachmentCounts, (std::vector<std::uint32_t> {5}));

    CAMData gp;
    gp.attachmentIndex = index.byName;
    ASSERT_TRUE(gp.Load(index.documentPath));
    fs::remove(index.documentPath);
    EXPECT_EQ(gp.name, "Glimmora - 山田 太郎 - 運動会");
    EXPECT_EQ(gp.creator, "山田 太郎");
    EXPECT_EQ(gp.comment, "写真集を受信します。この写真集はGlimmora - グリモーラ -によって作成されました。");
    EXPECT_TRUE(gp.local);
    ASSERT_EQ(gp.tasks.size(), 1u) << "no Common Data task";
    const TaskRecord& task = *gp.tasks[0];
    EXPECT_EQ(task.name, gp.name);
    EXPECT_EQ(task.folderText, "Glimmora\\山田 太郎\\運動会");
    EXPECT_EQ(task.destinationType, guidepost::DestinationSave);
    EXPECT_FALSE(task.open);
    ASSERT_EQ(task.sources.size(), 1u);
    EXPECT_EQ(task.sources[0]->name, "添付");
    EXPECT_EQ(task.sources[0]->protocol, guidepost::ProtocolAttach);
    ASSERT_EQ(task.sources[0]->fileLists.size(), 1u);
    const FileListRecord& list = *task.sources[0]->fileLists[0];
    EXPECT_EQ(list.name, "写真集ファイルリスト");
    EXPECT_EQ(list.method, guidepost::MethodGet);
    std::vector<std::string> listed;
    for (const auto& f : list.files) {
        listed.push_back(f->name);
        EXPECT_EQ(f->remote, f->name);
    }
    // The data file travels as an attachment without a file entry.
    EXPECT_EQ(listed, (std::vector<std::string> {"index.htm", "a.jpg", "_v_a.wav", "b.jpg"}));
    EXPECT_EQ(list.files[0]->browseId, "index");
    ASSERT_TRUE(list.files[0]->timePresent);
    EXPECT_EQ(list.files[0]->time, (AlbumDate {2024, 5, 3}.localMidnight()));
    EXPECT_FALSE(list.files[1]->timePresent);
    ASSERT_EQ(task.attachments.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(task.attachments[i]->name, names[i]);
    ASSERT_EQ(gp.browse.size(), 1u);
    EXPECT_EQ(gp.browse[0]->target, "index");
    EXPECT_EQ(gp.browse[0]->title, gp.name);
    EXPECT_EQ(gp.browse[0]->description,
              "Glimmora - グリモーラ - を使って作成された写真集です。左のタイトルをクリックしてご覧ください。");
    EXPECT_TRUE(gp.browse[0]->favorite);

    // The page and the data file as packed.
    const fs::path unpacked = root.path() / "unpacked";
    fs::create_directories(unpacked);
    for (const ArchiveIndexRecord& r : index.records)
        ASSERT_TRUE(GuidePostArchive::ExtractEntry(archive, (unpacked / r.name).string(), r, nullptr, 0));
    std::ifstream page(unpacked / "index.htm", std::ios::binary);
    const std::string html((std::istreambuf_iterator<char>(page)), {});
    EXPECT_NE(html.find("<img src=\"a.jpg\" width=\"400\" height=\"300\""), std::string::npos);
    EXPECT_NE(html.find("<img src=\"b.jpg\" width=\"133\" height=\"400\""), std::string::npos);
    EXPECT_NE(html.find("<EMBED src=\"_v_a.wav\""), std::string::npos);
    AlbumData data = AlbumDataFile::read((unpacked / "___gm___.dat").string());
    ASSERT_EQ(data.items.size(), 2u);
    EXPECT_EQ(data.items[0].voiceName, "_v_a.wav");
    EXPECT_EQ(data.items[0].voiceSeconds, 5);
    EXPECT_EQ(data.items[1].title, "玉入れ");
    ASSERT_EQ(data.materials.size(), 1u);
    EXPECT_EQ(data.materials[0].name, "index.htm");
    // Nothing was left in the temporary folder.
    for (const auto& entry : fs::directory_iterator(home_->path() / "tmp"))
        EXPECT_EQ(entry.path(), root.path()) << "left in the temporary folder";
}

TEST_F(Publishing, ChecksNamesBeforeWritingAnything)
{
    Album album(work().string());
    fillAlbum(album);
    const std::vector<std::string> before = filesIn(work());
    AlbumPublisher publisher(library, styles);
    const std::string archive = (out() / "x.gpa").string();
    auto publish = [&] { return refusal([&] { publisher.save(album, archive); }); };

    album.useSubtitle = true;
    EXPECT_EQ(publish(), "名前・タイトル等はかならず入力してください。");
    album.useSubtitle = false;
    album.creator.clear();
    EXPECT_EQ(publish(), "名前・タイトル等はかならず入力してください。");
    album.creator = "山田";
    for (const char* bad : {"運動会:午前", "a\\b", "a/b", "..上", "100%", "改\n行", "\xF0\x9F\x98\x80"}) {
        album.title = bad;
        EXPECT_EQ(publish(), "名前、タイトルに不適切な文字が含まれています。(\\,:,/,\"..\"など）") << bad;
    }
    album.title = std::string(300, 'x');
    EXPECT_EQ(publish(), "名前、タイトルが長すぎます。");
    album.title = "運動会";
    album.style.reset();
    EXPECT_EQ(publish(), "スタイルを選択できないためファイルを作成できません。");
    EXPECT_EQ(filesIn(work()), before);
    EXPECT_FALSE(fs::exists(archive));

    Album empty(work().string());
    empty.creator = "山田";
    EXPECT_EQ(refusal([&] { publisher.save(empty, archive); }), "保存する写真がひとつもありません。");
}

TEST_F(Publishing, AStyleThatFailsMakesNoArchive)
{
    styles::GMStyleHost fixtures(fixtureFolder);
    fixtures.load();
    Album album(work().string());
    fillAlbum(album);
    for (const styles::StyleChoice& c : fixtures.choices())
        if (fixtures.modules()[c.module]->name() == "NeedsName")
            album.style = c;
    AlbumPublisher publisher(library, fixtures);
    const std::string archive = (out() / "x.gpa").string();
    EXPECT_EQ(refusal([&] { publisher.save(album, archive); }),
              "写真集データの作成時にエラーが起きました。別のスタイルを使ってみてください。");
    EXPECT_FALSE(fs::exists(archive));
    // (The probe module leaves a note of what it was told, not one of its materials.)
    fs::remove(work() / "answers.txt");
    EXPECT_EQ(filesIn(work()), (std::vector<std::string> {"_v_a.wav", "a.jpg", "b.jpg"}));

    // An archive that cannot be placed: nothing there, nothing left behind.
    album.style = style("GMSNorm", 0);
    AlbumPublisher normal(library, styles);
    try {
        normal.save(album, (out() / "no" / "such" / "x.gpa").string());
        FAIL() << "placed where no folder is";
    } catch (const AlbumError& e) {
        EXPECT_STREQ(e.what(), "ガイドポスト・アーカイブを正しく作成できませんでした。");
    }
    EXPECT_EQ(filesIn(work()), (std::vector<std::string> {"_v_a.wav", "a.jpg", "b.jpg"}));
}

TEST_F(Publishing, ReadsAnAlbumBack)
{
    const std::string archive = (out() / "album.gpa").string();
    {
        Album album(work().string());
        fillAlbum(album);
        album.useSubtitle = true;
        album.subtitle = "午前の部";
        AlbumPublisher(library, styles).save(album, archive);
    }
    const fs::path again = root.path() / "again";
    fs::create_directories(again);
    Album album(again.string());
    album.creator = "前の人";
    AlbumPublisher(library, styles).readBack(archive, album);
    EXPECT_EQ(album.creator, "山田 太郎");
    EXPECT_EQ(album.title, "運動会");
    EXPECT_TRUE(album.useSubtitle);
    EXPECT_EQ(album.subtitle, "午前の部");
    ASSERT_TRUE(album.date);
    EXPECT_EQ(*album.date, (AlbumDate {2024, 5, 3}));
    ASSERT_EQ(album.items().size(), 2u);
    const AlbumItem& a = album.items()[0];
    EXPECT_EQ(a.saveName, "a.jpg");
    EXPECT_EQ(a.sourcePath, "ガイドポストからの読み込み");
    EXPECT_EQ(a.workingPath, (again / "a.jpg").string());
    EXPECT_EQ(a.title, "かけっこ");
    EXPECT_EQ(a.comment, "一行目\r\n二行目");
    EXPECT_EQ(a.width, 400);
    EXPECT_EQ(a.height, 300);
    EXPECT_EQ(a.voicePath, (again / "_v_a.wav").string());
    EXPECT_EQ(a.voiceSeconds, 5);
    EXPECT_FALSE(album.items()[1].hasVoice());
    EXPECT_EQ(filesIn(again), (std::vector<std::string> {"_v_a.wav", "a.jpg", "b.jpg"}));
}

namespace {

// Archives of our own making, item by item, for what a real album never is.
struct HandMade {
    std::string folder = "Glimmora\\作者\\題";
    std::vector<std::pair<std::string, std::string>> files; // name, path
    int tasks = 1;
};

void buildArchive(CvclibLibrary& lib, const HandMade& made, const std::string& archive)
{
    using namespace cvclib;
    lib.clear();
    const int root = lib.newItem(GuidePostItem);
    ASSERT_TRUE(lib.setText(root, Name, "手作り"));
    ASSERT_TRUE(lib.setText(root, Creator, "作者"));
    ASSERT_TRUE(lib.setText(root, Comment, "コメント"));
    ASSERT_TRUE(lib.setNumber(root, Location, LocationLocal));
    for (int t = 0; t < made.tasks; ++t) {
        const int task = lib.newItem(TaskItem);
        ASSERT_TRUE(lib.setText(task, Name, "タスク"));
        ASSERT_TRUE(lib.setText(task, DestinationFolder, made.folder));
        ASSERT_TRUE(lib.setNumber(root, AppendTask, task));
        const int source = lib.newItem(SourceItem);
        ASSERT_TRUE(lib.setNumber(source, Protocol, ProtocolAttach));
        ASSERT_TRUE(lib.setNumber(task, AppendSource, source));
        const int list = lib.newItem(FileListItem);
        ASSERT_TRUE(lib.setNumber(source, AppendFileList, list));
        for (const auto& [name, path] : made.files) {
            const int file = lib.newItem(FileItem);
            ASSERT_TRUE(lib.setText(file, LocalName, name));
            ASSERT_TRUE(lib.setNumber(list, AppendFile, file));
            const int a = lib.newItem(AttachmentItem);
            ASSERT_TRUE(lib.setText(a, Name, name));
            ASSERT_TRUE(lib.setText(a, AttachPath, path));
            ASSERT_TRUE(lib.setNumber(task, AppendAttachment, a));
        }
    }
    ASSERT_TRUE(lib.save(root, archive, saveArchive)) << lib.lastError();
}

} // namespace

TEST_F(Publishing, RefusesArchivesItDidNotWriteAndKeepsTheAlbum)
{
    Album album(work().string());
    fillAlbum(album);
    album.title = "今の写真集";
    const std::vector<std::string> before = filesIn(work());
    AlbumPublisher publisher(library, styles);

    // Parts of a real album to build the others from.
    const std::string good = picture("g.jpg", 40, 30);
    const fs::path parts = root.path() / "parts";
    fs::create_directories(parts);
    AlbumData data;
    AlbumItem item;
    item.saveName = "g.jpg";
    data.items.push_back(item);
    AlbumDataFile::write((parts / "___gm___.dat").string(), data);
    const std::string dat = (parts / "___gm___.dat").string();
    writeBytes((parts / "other.dat").string(), {'G', 'l', 'a', 'm', 2, 0, 0, 0, 0, 0, 0, 0});
    writeBytes((parts / "v3.dat").string(), {'G', 'l', 'i', 'm', 3, 0, 0, 0, 0, 0, 0, 0});
    writeBytes((parts / "past.dat").string(), {'G', 'l', 'i', 'm', 2, 0, 0, 0, 1, 0, 0, 0, 200, 'g'});
    std::vector<std::uint8_t> claim = VoiceFile::header(0xFFFFFFFF);
    claim.resize(44 + 5 * 11025, 0x80);
    writeBytes((parts / "_v_g.wav").string(), claim);

    struct Case {
        const char* what;
        HandMade made;
        std::string reason;
    };
    auto withDat = [&](const std::string& path) {
        HandMade m;
        m.files = {{"g.jpg", good}, {"___gm___.dat", path}};
        return m;
    };
    HandMade two = withDat(dat), five = withDat(dat), twoTasks = withDat(dat), voice = withDat(dat);
    two.folder = "Glimmora\\作者";
    five.folder = "Glimmora\\作者\\題\\副題\\余分";
    twoTasks.tasks = 2;
    voice.files.insert(voice.files.begin() + 1, {"_v_g.wav", (parts / "_v_g.wav").string()});
    for (const Case& c : {Case {"two components", two, "保存フォルダが3階層または4階層ではありません"},
                          Case {"five components", five, "保存フォルダが3階層または4階層ではありません"},
                          Case {"two tasks", twoTasks, "タスクが一つではありません"},
                          Case {"another magic", withDat((parts / "other.dat").string()), "先頭が \"Glim\" ではありません"},
                          Case {"version 3", withDat((parts / "v3.dat").string()), "バージョン 3 は読めません"},
                          Case {"text past the end", withDat((parts / "past.dat").string()),
                                "保存名 がファイルの終わりを越えています"},
                          Case {"4 GiB of voice", voice, "_v_g.wav は声のメッセージのファイル"}}) {
        SCOPED_TRACE(c.what);
        const std::string archive = (out() / "made.gpa").string();
        buildArchive(library, c.made, archive);
        try {
            publisher.readBack(archive, album);
            ADD_FAILURE() << "read back";
        } catch (const AlbumError& e) {
            EXPECT_STREQ(e.what(), "Glimmora用ガイドポストが正しくありませんので読み込むことができませんでした");
            EXPECT_NE(e.detail().find(c.reason), std::string::npos) << e.detail();
        }
        EXPECT_EQ(album.title, "今の写真集");
        EXPECT_EQ(album.items().size(), 2u);
        EXPECT_EQ(filesIn(work()), before);
    }

    // The same parts in a sound archive are read.
    const std::string sound = (out() / "sound.gpa").string();
    buildArchive(library, withDat(dat), sound);
    Album other(root.path().string() + "/other");
    fs::create_directories(other.folder());
    publisher.readBack(sound, other);
    ASSERT_EQ(other.items().size(), 1u);
    EXPECT_EQ(other.title, "題");

    // Entry names that climb out of the folder: the archive is refused and
    // nothing lands outside.
    std::vector<std::uint8_t> bytes = readBytes(sound);
    const std::string name = "\x05\0\0\0g.jpg";
    auto at = std::search(bytes.begin(), bytes.end(), name.begin(), name.end());
    ASSERT_NE(at, bytes.end());
    std::copy_n("../gg", 5, at + 4);
    const std::string climbing = (out() / "climbing.gpa").string();
    writeBytes(climbing, bytes);
    EXPECT_EQ(refusal([&] { publisher.readBack(climbing, album); }),
              "Glimmora用ガイドポストが正しくありませんので読み込むことができませんでした");
    EXPECT_FALSE(fs::exists(root.path() / "gg"));
    EXPECT_EQ(filesIn(work()), before);
    EXPECT_EQ(album.items().size(), 2u);

    // Not an archive at all.
    EXPECT_EQ(refusal([&] { publisher.readBack(good, album); }),
              "Glimmora用ガイドポストが正しくありませんので読み込むことができませんでした");
    EXPECT_EQ(filesIn(work()), before);
}

TEST_F(Publishing, SharedMaterialsGoIntoACommonDataTask)
{
    styles::GMStyleHost fixtures(fixtureFolder + "/album-styles");
    fixtures.load();
    Album album(work().string());
    fillAlbum(album);
    auto choose = [&](const char* name) {
        for (const styles::StyleChoice& c : fixtures.choices())
            if (fixtures.modules()[c.module]->name() == name)
                album.style = c;
    };
    choose("Common");
    const std::string archive = (out() / "common.gpa").string();
    PublishedAlbum published = AlbumPublisher(library, fixtures).save(album, archive);
    EXPECT_TRUE(published.commonData);
    std::vector<std::string> names;
    for (const PublishedEntry& e : published.entries)
        names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string> {"index.htm", "a.jpg", "_v_a.wav", "b.jpg", "___gm___.dat", "style.css"}));
    EXPECT_EQ(filesIn(work()), (std::vector<std::string> {"_v_a.wav", "a.jpg", "b.jpg"}));

    ArchiveIndex index;
    ASSERT_TRUE(GuidePostArchive::ReadIndex(archive, index));
    EXPECT_EQ(index.attachmentCounts, (std::vector<std::uint32_t> {5, 1}));
    CAMData gp;
    gp.attachmentIndex = index.byName;
    ASSERT_TRUE(gp.Load(index.documentPath));
    fs::remove(index.documentPath);
    ASSERT_EQ(gp.tasks.size(), 2u);
    const TaskRecord& common = *gp.tasks[1];
    EXPECT_EQ(common.name, "Common Data");
    EXPECT_EQ(common.folderText, "Glimmora\\__mat___\\pastel");
    EXPECT_EQ(common.update, guidepost::UpdateIfNotExist);
    EXPECT_FALSE(common.open);
    ASSERT_EQ(common.sources.size(), 1u);
    EXPECT_EQ(common.sources[0]->name, "添付");
    ASSERT_EQ(common.sources[0]->fileLists.size(), 1u);
    EXPECT_EQ(common.sources[0]->fileLists[0]->name, "Common Data");
    ASSERT_EQ(common.sources[0]->fileLists[0]->files.size(), 1u);
    EXPECT_EQ(common.sources[0]->fileLists[0]->files[0]->name, "style.css");
    // The page alone is in the album's own list.
    const FileListRecord& list = *gp.tasks[0]->sources[0]->fileLists[0];
    EXPECT_EQ(list.files.size(), 4u);
    // The data file remembers both materials.
    const fs::path unpacked = root.path() / "unpacked";
    fs::create_directories(unpacked);
    for (const ArchiveIndexRecord& r : index.records) {
        if (r.name == "___gm___.dat") {
            ASSERT_TRUE(GuidePostArchive::ExtractEntry(archive, (unpacked / r.name).string(), r, nullptr, 0));
        }
    }
    AlbumData data = AlbumDataFile::read((unpacked / "___gm___.dat").string());
    ASSERT_EQ(data.materials.size(), 2u);
    EXPECT_EQ(data.materials[1].name, "style.css");
    EXPECT_EQ(data.materials[1].attribute, 1);

    // A module that names one of the album's own files as its material is
    // not let overwrite it.
    choose("Clash");
    EXPECT_EQ(refusal([&] { AlbumPublisher(library, fixtures).save(album, (out() / "clash.gpa").string()); }),
              "写真集データの作成時にエラーが起きました。別のスタイルを使ってみてください。");
    EXPECT_FALSE(fs::exists(out() / "clash.gpa"));
    EXPECT_TRUE(fs::exists(work() / "a.jpg"));
}
