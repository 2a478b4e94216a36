// The album data file ___gm___.dat against files put together by hand, byte
// by byte, in both versions and all three text length forms.

#include "album/core/AlbumDataFile.h"
#include "album/core/AlbumError.h"
#include "album/testsupport/TestJpeg.h"
#include "styles/tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace album;
namespace fs = std::filesystem;

namespace {

std::string bytes(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values)
        s += static_cast<char>(v);
    return s;
}

std::string u32(std::uint32_t v)
{
    return bytes({int(v & 0xFF), int(v >> 8 & 0xFF), int(v >> 16 & 0xFF), int(v >> 24)});
}

// A version 2 file of one picture with a voice message and one material.
std::string handMadeVersion2()
{
    return std::string("Glim") + u32(2) + u32(1)
        + bytes({5}) + "a.jpg"
        + bytes({8}) + "/p/a.jpg"
        + bytes({2, 0x91, 0xE8})          // 題
        + bytes({4}) + "x\r\ny"
        + u32(400) + u32(300) + u32(0)
        + bytes({11}) + "/w/_v_a.wav"
        + bytes({8}) + "_v_a.wav"
        + u32(5)
        + u32(1) + bytes({9}) + "index.htm" + u32(0);
}

AlbumData version2Album()
{
    AlbumData data;
    AlbumItem item;
    item.saveName = "a.jpg";
    item.sourcePath = "/p/a.jpg";
    item.title = "題";
    item.comment = "x\r\ny";
    item.width = 400;
    item.height = 300;
    item.voicePath = "/w/_v_a.wav";
    item.voiceName = "_v_a.wav";
    item.voiceSeconds = 5;
    data.items.push_back(item);
    data.materials.push_back({"index.htm", 0});
    return data;
}

std::string detailOf(std::string_view file)
{
    try {
        AlbumDataFile::parse(file);
    } catch (const AlbumError& e) {
        EXPECT_STREQ(e.what(), "写真集データファイル ___gm___.dat が正しくありません。");
        return e.detail();
    }
    return "read";
}

} // namespace

TEST(AlbumDataFile, WritesVersion2ByteForByte)
{
    EXPECT_EQ(AlbumDataFile::serialize(version2Album()), handMadeVersion2());

    AlbumData none;
    EXPECT_EQ(AlbumDataFile::serialize(none), std::string("Glim") + u32(2) + u32(0) + u32(0));

    // A video, and a text only code page 932 can hold: "ソ" ends in the byte of "\".
    AlbumData video;
    AlbumItem v;
    v.saveName = "ソ.avi";
    v.type = MediaType::Video;
    video.items.push_back(v);
    video.materials.push_back({"common.css", 1});
    EXPECT_EQ(AlbumDataFile::serialize(video), std::string("Glim") + u32(2) + u32(1)
        + bytes({6, 0x83, 0x5C}) + ".avi" + bytes({0, 0, 0}) + u32(0) + u32(0) + u32(1) + bytes({0, 0}) + u32(0)
        + u32(1) + bytes({10}) + "common.css" + u32(1));

    // A text that code page 932 cannot hold is not written.
    v.title = "\xF0\x9F\x98\x80";
    video.items[0] = v;
    EXPECT_THROW(AlbumDataFile::serialize(video), AlbumError);
}

TEST(AlbumDataFile, ReadsVersion2Back)
{
    AlbumData read = AlbumDataFile::parse(handMadeVersion2());
    ASSERT_EQ(read.items.size(), 1u);
    const AlbumItem& item = read.items[0];
    const AlbumData album = version2Album();
    const AlbumItem& expected = album.items[0];
    EXPECT_EQ(item.saveName, expected.saveName);
    EXPECT_EQ(item.sourcePath, expected.sourcePath);
    EXPECT_EQ(item.title, "題");
    EXPECT_EQ(item.comment, "x\r\ny");
    EXPECT_EQ(item.width, 400);
    EXPECT_EQ(item.height, 300);
    EXPECT_EQ(item.type, MediaType::Picture);
    EXPECT_EQ(item.voicePath, "/w/_v_a.wav");
    EXPECT_EQ(item.voiceName, "_v_a.wav");
    EXPECT_EQ(item.voiceSeconds, 5);
    ASSERT_EQ(read.materials.size(), 1u);
    EXPECT_EQ(read.materials[0].name, "index.htm");
    EXPECT_EQ(read.materials[0].attribute, 0);
}

TEST(AlbumDataFile, ReadsVersion1)
{
    const std::string file = std::string("Glim") + u32(1) + u32(2)
        + bytes({5}) + "a.jpg" + bytes({1}) + "s" + bytes({2, 0x91, 0xE8}) + bytes({0})
        + bytes({5}) + "b.avi" + bytes({0}) + bytes({0}) + bytes({1}) + "c";
    AlbumData read = AlbumDataFile::parse(file);
    ASSERT_EQ(read.items.size(), 2u);
    EXPECT_EQ(read.items[0].title, "題");
    // No sizes, no type (a video is read as a picture), no voice, no materials.
    for (const AlbumItem& item : read.items) {
        EXPECT_EQ(item.width, 0);
        EXPECT_EQ(item.height, 0);
        EXPECT_EQ(item.type, MediaType::Picture);
        EXPECT_FALSE(item.hasVoice());
    }
    EXPECT_EQ(read.items[1].comment, "c");
    EXPECT_TRUE(read.materials.empty());
}

TEST(AlbumDataFile, KeepsAllThreeLengthForms)
{
    for (std::size_t length : {0u, 254u, 255u, 300u, 65533u, 65534u, 70000u}) {
        AlbumData data;
        AlbumItem item;
        item.comment = std::string(length, 'c');
        data.items.push_back(item);
        const std::string file = AlbumDataFile::serialize(data);
        // magic, version, count, save name and source path (empty), title (empty):
        const std::size_t at = 12 + 3;
        std::string form;
        if (length < 255)
            form = bytes({int(length)});
        else if (length < 65534)
            form = bytes({0xFF, int(length & 0xFF), int(length >> 8)});
        else
            form = bytes({0xFF, 0xFF, 0xFF}) + u32(static_cast<std::uint32_t>(length));
        EXPECT_EQ(file.substr(at, form.size()), form) << length;
        EXPECT_EQ(file.size(), at + form.size() + length + 4 * 3 + 2 + 4 + 4) << length;
        EXPECT_EQ(AlbumDataFile::parse(file).items.at(0).comment.size(), length);
    }
    // A longer form than needed is read as well.
    const std::string wide = std::string("Glim") + u32(1) + u32(1) + bytes({0xFF, 2, 0}) + "ab"
        + bytes({0xFF, 0xFF, 0xFF}) + u32(1) + "c" + bytes({0, 0});
    AlbumData read = AlbumDataFile::parse(wide);
    EXPECT_EQ(read.items.at(0).saveName, "ab");
    EXPECT_EQ(read.items.at(0).sourcePath, "c");
}

TEST(AlbumDataFile, RefusesDamagedFiles)
{
    const std::string good = handMadeVersion2();
    EXPECT_EQ(detailOf("Glam" + good.substr(4)), "先頭が \"Glim\" ではありません");
    EXPECT_EQ(detailOf("Gl"), "先頭が \"Glim\" ではありません");
    EXPECT_EQ(detailOf("Glim" + u32(3) + good.substr(8)), "バージョン 3 は読めません");
    EXPECT_EQ(detailOf("Glim" + u32(0) + good.substr(8)), "バージョン 0 は読めません");
    // Every cut before the end runs some length past it.
    for (std::size_t cut = 4; cut < good.size(); ++cut)
        EXPECT_NE(detailOf(good.substr(0, cut)).find("ファイルの終わりを越えています"), std::string::npos) << cut;
    // A 32-bit length far beyond the file.
    EXPECT_EQ(detailOf(std::string("Glim") + u32(2) + u32(1) + bytes({0xFF, 0xFF, 0xFF}) + u32(0xFFFFFFF0) + "abc"),
              "保存名 がファイルの終わりを越えています");
    // An item count far beyond what the file holds.
    EXPECT_EQ(detailOf(std::string("Glim") + u32(2) + u32(0xFFFFFFFF)), "保存名 がファイルの終わりを越えています");
    // A UTF-16 text, a text that is not code page 932, a type that is neither.
    EXPECT_EQ(detailOf(std::string("Glim") + u32(1) + u32(1) + bytes({0xFF, 0xFE, 0xFF, 1}) + "a"),
              "保存名 の文字コードが正しくありません");
    EXPECT_EQ(detailOf(std::string("Glim") + u32(1) + u32(1) + bytes({1, 0x81}) + bytes({0, 0, 0})),
              "保存名 の文字コードが正しくありません");
    std::string badType = good;
    badType[4 + 4 + 4 + 6 + 9 + 3 + 5 + 8] = 2;
    EXPECT_EQ(detailOf(badType), "種類 の値が正しくありません");
}

TEST(AlbumDataFile, CountsAreBoundedBeforeAnythingIsAllocated)
{
    // The archive's files bound the items and the materials.
    const std::string good = handMadeVersion2();
    EXPECT_EQ(AlbumDataFile::parse(good, 1).items.size(), 1u);
    auto bounded = [](std::string_view file, std::size_t files) {
        try {
            AlbumDataFile::parse(file, files);
        } catch (const AlbumError& e) {
            return e.detail();
        }
        return std::string("read");
    };
    EXPECT_EQ(bounded(good, 0), "写真の数 がアーカイブのファイルの数を越えています");
    const std::string emptyItem = bytes({0, 0, 0, 0}) + u32(0) + u32(0) + u32(0) + bytes({0, 0}) + u32(0);
    const std::string twoMaterials = std::string("Glim") + u32(2) + u32(1) + emptyItem + u32(2)
        + bytes({1}) + "a" + u32(0) + bytes({1}) + "b" + u32(0);
    EXPECT_EQ(bounded(twoMaterials, 2), "read");
    EXPECT_EQ(bounded(twoMaterials, 1), "素材の数 がアーカイブのファイルの数を越えています");

    // The bytes left bound them too: a version 2 item takes at least 22
    // bytes, a version 1 item 4, a material 5.
    EXPECT_EQ(detailOf(std::string("Glim") + u32(2) + u32(2) + emptyItem + u32(0)),
              "保存名 がファイルの終わりを越えています");
    EXPECT_EQ(detailOf(std::string("Glim") + u32(1) + u32(3) + std::string(11, '\0')),
              "保存名 がファイルの終わりを越えています");
    EXPECT_EQ(AlbumDataFile::parse(std::string("Glim") + u32(1) + u32(3) + std::string(12, '\0')).items.size(), 3u);
    EXPECT_EQ(detailOf(std::string("Glim") + u32(2) + u32(0) + u32(3) + bytes({1}) + "a" + u32(0) + "bbbb"),
              "素材の名前 がファイルの終わりを越えています");
}

TEST(AlbumDataFile, WritesAndReadsFiles)
{
    stylestest::ScratchFolder folder("CValbumdat");
    const std::string path = (folder.path() / "___gm___.dat").string();
    AlbumDataFile::write(path, version2Album());
    const std::string expected = handMadeVersion2();
    EXPECT_EQ(albumtest::readBytes(path), std::vector<std::uint8_t>(expected.begin(), expected.end()));
    EXPECT_EQ(AlbumDataFile::read(path).items.at(0).title, "題");
    EXPECT_THROW(AlbumDataFile::write((folder.path() / "none" / "x.dat").string(), version2Album()), AlbumError);
    EXPECT_THROW(AlbumDataFile::read((folder.path() / "absent.dat").string()), AlbumError);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}
