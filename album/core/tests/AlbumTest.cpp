// The album's list: admission of files and folders with its messages and
// save-name checks, the pending additions, moving and removing items with
// their files, and voice files.

#include "album/core/Album.h"
#include "album/core/AlbumError.h"
#include "album/core/ItemPreparer.h"
#include "album/core/VoiceFile.h"
#include "album/core/PictureFormat.h"
#include "album/testsupport/TestJpeg.h"
#include "album/testsupport/TestPictures.h"
#include "styles/tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace album;
using namespace albumtest;
namespace fs = std::filesystem;
using Outcome = Admission::Outcome;

namespace {

class AlbumTest : public ::testing::Test {
protected:
    AlbumTest()
    {
        fs::create_directories(sources());
        fs::create_directories(work());
    }
    fs::path sources() const { return root.path() / "sources"; }
    fs::path work() const { return root.path() / "work"; }
    std::string picture(const std::string& name, int width = 80, int height = 60)
    {
        const fs::path p = sources() / name;
        fs::create_directories(p.parent_path());
        writeJpeg(p.string(), width, height, flat(width, 50, 100, 150));
        return p.string();
    }
    std::string file(const std::string& name, const std::string& text = "x")
    {
        const fs::path p = sources() / name;
        fs::create_directories(p.parent_path());
        writeBytes(p.string(), std::vector<std::uint8_t>(text.begin(), text.end()));
        return p.string();
    }
    // Works off every pending entry, accepting each.
    void acceptAll(Album& album)
    {
        while (album.busy()) {
            PreparedItem prepared = ItemPreparer::prepare(album.pending().front(), album.folder(), album.limit);
            album.accept(std::move(prepared));
        }
    }
    std::vector<std::string> workFiles() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(work()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    stylestest::ScratchFolder root {"CValbum"};
};

} // namespace

TEST_F(AlbumTest, StartsAsANewAlbum)
{
    Album album(work().string());
    EXPECT_EQ(album.title, "タイトルを入力してください");
    EXPECT_EQ(std::string(Album::baseWord()), "Glimmora");
    EXPECT_EQ(album.limit, (PictureSize {400, 400}));
    EXPECT_FALSE(album.useSubtitle);
    EXPECT_FALSE(album.date);
    EXPECT_TRUE(album.items().empty());
    EXPECT_FALSE(album.busy());
}

TEST_F(AlbumTest, AdmitsByExtensionKeepingTheNameAsWritten)
{
    Album album(work().string());
    Admission a = album.admit(picture("Photo.JPG"));
    EXPECT_EQ(a.outcome, Outcome::Queued);
    EXPECT_EQ(a.saveName, "Photo.JPG");
    EXPECT_EQ(album.admit(file("clip.AVI")).outcome, Outcome::Queued);
    EXPECT_EQ(album.admit(file("movie.mpg")).outcome, Outcome::Queued);
    ASSERT_EQ(album.pending().size(), 3u);
    EXPECT_EQ(album.pending().entries()[0].type, MediaType::Picture);
    EXPECT_EQ(album.pending().entries()[1].type, MediaType::Video);
    EXPECT_EQ(album.pending().entries()[2].type, MediaType::Video);
    EXPECT_EQ(album.pending().total(), 3);

    a = album.admit(file("notes.txt"));
    EXPECT_EQ(a.outcome, Outcome::BadExtension);
    EXPECT_EQ(a.message, "notes.txt は拡張子が .jpg, .avi, .mpg ではないので写真集に入れることができません。");
    EXPECT_EQ(a.caption, "注意");
    EXPECT_EQ(album.admit(file("picture.jpeg")).outcome, Outcome::BadExtension);
    EXPECT_EQ(album.admit(file("README")).message, "README は拡張子が .jpg, .avi, .mpg ではないので写真集に入れることができません。");

    a = album.admit((sources() / "absent.jpg").string());
    EXPECT_EQ(a.outcome, Outcome::NotFound);
    EXPECT_EQ(a.message, "ファイルが見つかりません");
    EXPECT_EQ(a.caption, "エラー");
    EXPECT_EQ(album.pending().size(), 3u);
}

TEST_F(AlbumTest, AdmitsPhonePicturesAsJpgNamesAndPhoneVideosAsTheyAre)
{
    Album album(work().string());
    writePng((sources() / "Screen.PNG").string(), quarters(16, 16, true), PngKind::Rgba8);
    writeWebp((sources() / "chat.webp").string(), quarters(16, 16, false), WebpKind::Lossy);
    writeHeic((sources() / "IMG_0001.HEIC").string(), quarters(16, 16, false));
    // Told by content where the name says nothing.
    writePng((sources() / "scan").string(), quarters(16, 16, false), PngKind::Palette);
    struct Case {
        std::string path;
        const char* saveName;
        MediaType type;
    };
    for (const Case& c : {Case {(sources() / "Screen.PNG").string(), "Screen.jpg", MediaType::Picture},
                          Case {(sources() / "chat.webp").string(), "chat.jpg", MediaType::Picture},
                          Case {(sources() / "IMG_0001.HEIC").string(), "IMG_0001.jpg", MediaType::Picture},
                          Case {(sources() / "scan").string(), "scan.jpg", MediaType::Picture},
                          Case {file("clip.MP4"), "clip.MP4", MediaType::Video},
                          Case {file("trip.mov"), "trip.mov", MediaType::Video},
                          Case {file("talk.webm"), "talk.webm", MediaType::Video}}) {
        SCOPED_TRACE(c.path);
        const Admission a = album.admit(c.path);
        EXPECT_EQ(a.outcome, Outcome::Queued);
        EXPECT_EQ(a.saveName, c.saveName);
        EXPECT_EQ(album.pending().entries().back().type, c.type);
    }
    // A name taken that way meets the usual rules: IMG_0001.jpg is taken.
    Admission a = album.admit(picture("img_0001.jpg"));
    EXPECT_EQ(a.outcome, Outcome::NeedsNewName);
    EXPECT_EQ(a.saveName, "img_0001.jpg");
    // A file of no picture kind under no known extension is refused.
    EXPECT_EQ(album.admit(file("notes")).outcome, Outcome::BadExtension);
    // Every picture becomes a JPEG of the fitted size.
    acceptAll(album);
    ASSERT_EQ(album.items().size(), 7u);
    EXPECT_EQ(album.items()[0].width, 16);
    EXPECT_EQ(PictureFormats::sniff(album.items()[2].workingPath), PictureFormat::Jpeg);
    EXPECT_EQ(album.items()[4].workingPath, album.items()[4].sourcePath);
}

TEST_F(AlbumTest, ComparesSaveNamesCaseBlindThenExactly)
{
    Album album(work().string());
    ASSERT_EQ(album.admit(picture("A.JPG")).outcome, Outcome::Queued);
    acceptAll(album);
    const std::string lower = picture("other/a.jpg");
    Admission a = album.admit(lower);
    EXPECT_EQ(a.outcome, Outcome::NeedsNewName);
    EXPECT_EQ(a.message, "保存名が空白であるか、またはすでにある保存名と重複していますので変更してください");
    EXPECT_EQ(a.caption, "保存名の変更");
    EXPECT_EQ(a.saveName, "a.jpg");
    // In the dialog the comparison is exact: a.JPG passes, A.JPG does not.
    a = album.admitRenamed(lower, "A.JPG");
    EXPECT_EQ(a.outcome, Outcome::NeedsNewName);
    EXPECT_EQ(a.message, "保存名が空白であるか、またはすでにある保存名と重複してしまいますので変更してください");
    EXPECT_EQ(album.admitRenamed(lower, "").outcome, Outcome::NeedsNewName);
    a = album.admitRenamed(lower, "a.JPG");
    EXPECT_EQ(a.outcome, Outcome::Queued);
    EXPECT_EQ(album.pending().front().saveName, "a.JPG");
    EXPECT_EQ(album.pending().front().sourcePath, lower);

    // Names that would stand for the album's own files or leave its folder.
    for (const char* bad : {"index.htm", "INDEX.HTM", "___gm___.dat", "_v_x.wav", "a/b.jpg", "..", "."}) {
        a = album.admitRenamed(lower, bad);
        EXPECT_EQ(a.outcome, Outcome::Unusable) << bad;
    }
    EXPECT_EQ(album.admitRenamed(lower, "\xF0\x9F\x98\x80.jpg").outcome, Outcome::Unusable);
}

TEST_F(AlbumTest, PendingEntriesCountAsTakenNames)
{
    // Two files of one name from two folders would write one fitted copy
    // over the other; the second asks for a new name at once.
    Album album(work().string());
    EXPECT_EQ(album.admit(picture("day1/p.jpg")).outcome, Outcome::Queued);
    EXPECT_EQ(album.admit(picture("day2/P.jpg")).outcome, Outcome::NeedsNewName);
    // A name code page 932 cannot hold, or one with a backslash, cannot go
    // into the archive.
    Admission a = album.admit(picture("\xF0\x9F\x98\x80.jpg"));
    EXPECT_EQ(a.outcome, Outcome::Unusable);
    EXPECT_EQ(a.message, "\xF0\x9F\x98\x80.jpg は写真集で使えない文字を含んでいるので写真集に入れることができません。");
    EXPECT_EQ(album.admit(picture("back\\slash.jpg")).outcome, Outcome::Unusable);
    EXPECT_EQ(album.pending().size(), 1u);
}

TEST_F(AlbumTest, AdmitsTheFilesOfAFolder)
{
    Album album(work().string());
    const std::string folder = (sources() / "trip").string();
    picture("trip/b.jpg");
    picture("trip/a.jpg");
    file("trip/c.txt");
    picture("trip/sub/deep.jpg");
    Admission a = album.admit(folder);
    EXPECT_EQ(a.outcome, Outcome::Folder);
    EXPECT_EQ(a.message, "フォルダがドロップされました。この中のファイルをすべて追加しますか？（サブフォルダは含みません）");
    EXPECT_TRUE(album.pending().empty());

    FolderAdmission f = album.admitFolder(folder);
    EXPECT_EQ(f.queued, 2);
    EXPECT_EQ(f.message, "2 個のファイルを追加しました");
    ASSERT_EQ(f.refused.size(), 1u);
    EXPECT_EQ(f.refused[0].second.outcome, Outcome::BadExtension);
    ASSERT_EQ(album.pending().size(), 2u);
    EXPECT_EQ(album.pending().entries()[0].saveName, "a.jpg");
    EXPECT_EQ(album.pending().entries()[1].saveName, "b.jpg");

    // A second time every name is taken.
    f = album.admitFolder(folder);
    EXPECT_EQ(f.queued, 0);
    EXPECT_EQ(f.message, "追加するファイルが一つもありませんでした");
    EXPECT_EQ(f.caption, "注意");
    // Cancel: the folder itself goes through the extension check.
    EXPECT_EQ(album.admitFile(folder).outcome, Outcome::BadExtension);
}

TEST_F(AlbumTest, WorksOffAdditionsOneAtATime)
{
    Album album(work().string());
    album.admit(picture("big.jpg", 800, 600));
    album.admit(picture("tall.jpg", 300, 900));
    album.admit(file("clip.avi"));
    album.admit(file("broken.jpg", "not a picture"));
    EXPECT_EQ(album.pending().total(), 4);

    PreparedItem big = ItemPreparer::prepare(album.pending().front(), album.folder(), album.limit);
    EXPECT_EQ(big.item.width, 400);
    EXPECT_EQ(big.item.height, 300);
    EXPECT_EQ(big.item.sourceWidth, 800);
    EXPECT_EQ(big.item.sourceHeight, 600);
    EXPECT_EQ(big.item.workingPath, (work() / "big.jpg").string());
    EXPECT_TRUE(fs::exists(big.item.workingPath));
    ASSERT_TRUE(big.picture);
    // No move while additions are pending.
    album.accept(std::move(big));
    EXPECT_EQ(album.pending().done(), 1);

    PreparedItem tall = ItemPreparer::prepare(album.pending().front(), album.folder(), album.limit);
    EXPECT_EQ(tall.item.width, 133);
    EXPECT_EQ(tall.item.height, 400);
    EXPECT_EQ(tall.item.sourceWidth, 304);
    album.reject(tall);
    EXPECT_FALSE(fs::exists(work() / "tall.jpg"));

    PreparedItem clip = ItemPreparer::prepare(album.pending().front(), album.folder(), album.limit);
    EXPECT_EQ(clip.item.type, MediaType::Video);
    EXPECT_EQ(clip.item.workingPath, clip.item.sourcePath);
    EXPECT_FALSE(clip.picture);
    EXPECT_EQ(clip.item.iconIndex(), 2);
    album.accept(std::move(clip));

    // A file that is no picture adds nothing and leaves nothing behind.
    try {
        ItemPreparer::prepare(album.pending().front(), album.folder(), album.limit);
        FAIL() << "a broken picture was taken";
    } catch (const AlbumError& e) {
        EXPECT_STREQ(e.what(), "broken.jpg はJPEGファイルではないので写真集に入れることができません。");
    }
    album.dropFront();
    EXPECT_FALSE(album.busy());
    EXPECT_EQ(album.pending().total(), 0);
    ASSERT_EQ(album.items().size(), 2u);
    EXPECT_EQ(workFiles(), (std::vector<std::string> {"big.jpg"}));

    // "中止" drops what is left.
    album.admit(picture("x.jpg"));
    album.admit(picture("y.jpg"));
    EXPECT_FALSE(album.moveDown(0));
    album.cancelPending();
    EXPECT_FALSE(album.busy());
    EXPECT_EQ(album.items().size(), 2u);
}

TEST_F(AlbumTest, MovesAndRemovesItemsWithTheirFiles)
{
    Album album(work().string());
    EXPECT_FALSE(album.moveUp(0));
    for (const char* name : {"1.jpg", "2.jpg", "3.jpg"})
        album.admit(picture(name));
    acceptAll(album);
    album.admit(file("v.avi"));
    acceptAll(album);
    auto order = [&] {
        std::string s;
        for (const AlbumItem& i : album.items())
            s += i.saveName.substr(0, 1);
        return s;
    };
    EXPECT_EQ(order(), "123v");
    EXPECT_FALSE(album.moveUp(0));
    EXPECT_FALSE(album.moveDown(3));
    EXPECT_TRUE(album.moveUp(2));
    EXPECT_EQ(order(), "132v");
    EXPECT_TRUE(album.moveDown(0));
    EXPECT_EQ(order(), "312v");

    album.setVoice(album.item(0), std::vector<std::uint8_t>(11025, 0x80));
    EXPECT_EQ(album.item(0).voiceName, "_v_3.wav");
    EXPECT_EQ(album.item(0).iconIndex(), 1);
    EXPECT_EQ(workFiles(), (std::vector<std::string> {"1.jpg", "2.jpg", "3.jpg", "_v_3.wav"}));
    album.remove(0);
    EXPECT_EQ(order(), "12v");
    EXPECT_EQ(workFiles(), (std::vector<std::string> {"1.jpg", "2.jpg"}));
    // A video's own file is never deleted.
    album.remove(2);
    EXPECT_TRUE(fs::exists(sources() / "v.avi"));

    album.title = "運動会";
    album.useSubtitle = true;
    album.clear();
    EXPECT_TRUE(album.items().empty());
    EXPECT_EQ(album.title, "タイトルを入力してください");
    EXPECT_FALSE(album.useSubtitle);
    EXPECT_TRUE(workFiles().empty());
}

TEST_F(AlbumTest, GivesEveryVoiceFileANameOfItsOwn)
{
    Album album(work().string());
    album.admit(picture("a.jpg"));
    album.admit(file("a.avi"));
    acceptAll(album);
    const std::vector<std::uint8_t> second(11025, 0x80);
    album.setVoice(album.item(0), second);
    album.setVoice(album.item(1), second);
    EXPECT_EQ(album.item(0).voiceName, "_v_a.wav");
    EXPECT_EQ(album.item(1).voiceName, "_v_a.avi.wav");
    EXPECT_EQ(album.item(1).voiceSeconds, 1);
    // Recording again keeps the item's file.
    album.setVoice(album.item(0), std::vector<std::uint8_t>(3 * 11025, 1));
    EXPECT_EQ(album.item(0).voiceName, "_v_a.wav");
    EXPECT_EQ(album.item(0).voiceSeconds, 3);
    EXPECT_EQ(fs::file_size(work() / "_v_a.wav"), 44u + 3 * 11025);
    Album::removeVoice(album.item(0));
    EXPECT_FALSE(album.item(0).hasVoice());
    EXPECT_FALSE(fs::exists(work() / "_v_a.wav"));
    EXPECT_THROW(album.setVoice(album.item(0), {}), AlbumError);
    // A part of a second is made a whole one with silence.
    album.setVoice(album.item(0), std::vector<std::uint8_t>(11026, 1));
    EXPECT_EQ(album.item(0).voiceSeconds, 2);
    std::vector<std::uint8_t> samples;
    ASSERT_TRUE(VoiceFile::read(album.item(0).voicePath, samples));
    ASSERT_EQ(samples.size(), 2u * 11025);
    EXPECT_EQ(samples[11025], 1);
    EXPECT_EQ(samples[11026], 0x80);
}

TEST_F(AlbumTest, LeavesNoFittedCopyBehindWhenItGoes)
{
    {
        Album album(work().string());
        album.admit(picture("a.jpg"));
        acceptAll(album);
        EXPECT_FALSE(workFiles().empty());
    }
    EXPECT_TRUE(workFiles().empty());
}
