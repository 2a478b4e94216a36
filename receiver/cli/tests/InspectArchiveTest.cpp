// corvan-cli inspect on GuidePost archives: ones written here, a damaged one,
// and the archive bundled with the examples.

#include "guidepost/CAMData.h"
#include "guidepost/GuidePostArchive.h"
#include "guidepost/Keywords.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class InspectArchive : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("cvinspect-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder / "tmp");
    }
    void TearDown() override { fs::remove_all(folder); }

    // Runs inspect with its own home and temporary folder, so that a
    // temporary document left behind shows up there.
    Outcome inspect(const fs::path& file)
    {
        const auto out = folder / "out.txt", err = folder / "err.txt";
        std::string command = "HOME=" + quote((folder / "home").string()) + " XDG_CONFIG_HOME="
                              + quote((folder / "home/.config").string()) + " TMPDIR="
                              + quote((folder / "tmp").string()) + " " +
                              quote(std::string(CV_BIN_DIR) + "/corvan-cli") + " inspect " + quote(file.string()) +
                              " >" + quote(out.string()) + " 2>" + quote(err.string());
        Outcome r;
        const int raw = std::system(command.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = slurp(out);
        r.err = slurp(err);
        return r;
    }

    bool temporaryFolderEmpty() const { return fs::is_empty(folder / "tmp"); }

    void addAttachment(TaskRecord& task, const std::string& name, const std::string& contents)
    {
        const fs::path source = folder / "src" / fs::u8path(name);
        fs::create_directories(source.parent_path());
        std::ofstream(source, std::ios::binary) << contents;
        auto a = std::make_unique<AttachRecord>();
        a->name = name;
        a->sourcePath = source.string();
        a->size = static_cast<std::int64_t>(contents.size());
        a->time = 1'700'000'000;
        task.attachments.push_back(std::move(a));
        auto f = std::make_unique<FileRecord>();
        f->name = name;
        f->remote = name;
        task.sources.front()->fileLists.front()->files.push_back(std::move(f));
    }

    TaskRecord& addTask(CAMData& model, const std::string& name, const std::string& folderText)
    {
        auto task = std::make_unique<TaskRecord>();
        task->name = name;
        CAMData::ParseFolder(folderText, task->folderText, task->folderList);
        auto source = std::make_unique<SourceRecord>();
        source->name = "添付";
        source->protocol = guidepost::ProtocolAttach;
        auto list = std::make_unique<FileListRecord>();
        list->name = "一覧";
        source->fileLists.push_back(std::move(list));
        task->sources.push_back(std::move(source));
        model.tasks.push_back(std::move(task));
        return *model.tasks.back();
    }

    fs::path folder;
};

TEST_F(InspectArchive, ListsTheTreeAndEveryEntryOfAWrittenArchive)
{
    CAMData model;
    model.local = true;
    model.name = "研究会";
    TaskRecord& first = addTask(model, "資料", "研究会\\資料");
    addAttachment(first, "要旨.txt", std::string(3000, 'a'));
    addAttachment(first, "図.bin", "\x01\x02\x03");
    TaskRecord& second = addTask(model, "空", "研究会\\空");
    (void)second;
    // The mark, not the name, makes it an archive.
    const fs::path archive = folder / "研究会.dat";
    ASSERT_TRUE(GuidePostArchive::Write(archive.string(), model, false, nullptr, 0));

    Outcome r = inspect(archive);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    for (const char* expected : {"GuidePost: 研究会\n", "  場所: ローカル (local)\n", "  タスク数: 2\n",
                                 "    添付ファイル: 要旨.txt (3000 バイト)\n", "      プロトコル: attach\n",
                                 "アーカイブ: 2 個の添付ファイル\n", "  添付 1: 要旨.txt\n", "    元のサイズ: 3000 バイト\n",
                                 "  添付 2: 図.bin\n", "    元のサイズ: 3 バイト\n", "    圧縮: はい\n",
                                 "    暗号化: いいえ\n"})
        EXPECT_TRUE(contains(r.out, expected)) << expected << "\n" << r.out;
    // 3000 equal bytes compress well below their size.
    ArchiveIndex index;
    ASSERT_TRUE(GuidePostArchive::ReadIndex(archive.string(), index));
    fs::remove(index.documentPath);
    ASSERT_EQ(index.records.size(), 2u);
    EXPECT_LT(index.records[0].storedLength, 3000u);
    EXPECT_TRUE(contains(r.out, "    格納サイズ: " + std::to_string(index.records[0].storedLength) + " バイト\n"))
        << r.out;
    EXPECT_TRUE(temporaryFolderEmpty());

    // Enciphered entries are shown as such; inspecting needs no cipher code.
    CAMData secret;
    secret.local = true;
    addAttachment(addTask(secret, "秘密", "秘密"), "鍵.txt", "hidden");
    const fs::path enciphered = folder / "秘密.gpa";
    const unsigned char code[] = "code";
    ASSERT_TRUE(GuidePostArchive::Write(enciphered.string(), secret, true, code, 4));
    r = inspect(enciphered);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "  暗号化: あり\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "  添付 1: 鍵.txt\n    格納サイズ: ")) << r.out;
    EXPECT_TRUE(contains(r.out, "    暗号化: はい\n")) << r.out;
    EXPECT_TRUE(temporaryFolderEmpty());
}

TEST_F(InspectArchive, DamagedArchivesFailWithTheArchiveMessageAndLeaveNothing)
{
    CAMData model;
    model.local = true;
    addAttachment(addTask(model, "資料", "資料"), "a.txt", "some text");
    const fs::path good = folder / "good.gpa";
    ASSERT_TRUE(GuidePostArchive::Write(good.string(), model, false, nullptr, 0));
    const std::string bytes = slurp(good);

    const std::string message = "ガイドポストアーカイブのファイルが正しくありません";
    auto expectRefused = [&](const std::string& damaged, const char* what) {
        const fs::path path = folder / "damaged.gp";
        std::ofstream(path, std::ios::binary | std::ios::trunc) << damaged;
        Outcome r = inspect(path);
        EXPECT_EQ(r.status, 1) << what;
        EXPECT_TRUE(contains(r.err, message)) << what << ": " << r.err;
        EXPECT_TRUE(r.out.empty()) << what << ": " << r.out;
        EXPECT_TRUE(temporaryFolderEmpty()) << what;
    };
    std::string stamp = bytes;
    stamp[16] ^= 0x01;  // stamp 0
    expectRefused(stamp, "stamp 0");
    std::string last = bytes;
    last[last.size() - 1] ^= 0x40;  // the final stamp
    expectRefused(last, "final stamp");
    expectRefused(bytes.substr(0, bytes.size() - 10), "cut short");
    expectRefused("GPAR", "mark only");
    std::string version = bytes;
    version[4] = 2;
    expectRefused(version, "version 2");
}

TEST_F(InspectArchive, TheBundledExampleIsValidAndInspectsCleanly)
{
    const fs::path archive = fs::path(CV_SOURCE_DIR) / "examples" / fs::u8path("運動会の写真.gpa");
    ASSERT_TRUE(GuidePostArchive::IsArchive(archive.string()));
    ArchiveIndex index;
    ASSERT_TRUE(GuidePostArchive::ReadIndex(archive.string(), index));
    fs::remove(index.documentPath);
    ASSERT_EQ(index.attachmentCounts.size(), 2u);

    // Every entry holds what its source file beside the archive holds.
    const fs::path sources = fs::path(CV_SOURCE_DIR) / "examples" / fs::u8path("運動会の写真");
    for (const auto& record : index.records) {
        const fs::path extracted = folder / "x";
        ASSERT_TRUE(GuidePostArchive::ExtractEntry(archive.string(), extracted.string(), record, nullptr, 0))
            << record.name;
        EXPECT_EQ(slurp(extracted), slurp(sources / fs::u8path(record.name))) << record.name;
        fs::remove(extracted);
    }

    Outcome r = inspect(archive);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    for (const char* expected :
         {"GuidePost: 運動会の写真\n", "  場所: ローカル (local)\n", "  ブラウズ 1: 運動会のお知らせ → oshirase\n",
          "  タスク数: 2\n", "    更新方法: 時刻比較更新 (up2date)\n", "    フォルダ: 運動会\\写真\n",
          "    保存先: ZIPファイル 運動会のしおり.zip\n", "        ファイル: 校庭.png ← 校庭.png\n",
          "アーカイブ: 4 個の添付ファイル\n", "  添付 1: 校庭.png\n", "  添付 4: 持ち物.txt\n"})
        EXPECT_TRUE(contains(r.out, expected)) << expected << "\n" << r.out;
    EXPECT_FALSE(contains(r.out, "不明")) << r.out;
    EXPECT_TRUE(temporaryFolderEmpty());
}

} // namespace
