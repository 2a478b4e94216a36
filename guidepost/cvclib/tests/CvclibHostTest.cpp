// A host of libCVCLIB as an authoring program is one: the library is loaded
// by name at run time and every function is bound by name.

#include "guidepost/cvclib/Cvclib.h"
#include "platform/Cp932Codec.h"

#include <QLibrary>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::string sj(const char* utf8)
{
    return platform::Cp932Codec::fromUtf8(utf8);
}

std::string readAll(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Api {
    CvclibGetVersionFn GetVersion;
    CvclibCheckVersionFn CheckVersion;
    CvclibNewInterfaceFn NewInterface;
    CvclibDeleteInterfaceFn DeleteInterface;
    CvclibInitializeFn Initialize;
    CvclibClearFn Clear;
    CvclibGetNameFn GetName;
    CvclibSetNameFn SetName;
    CvclibNewItemFn NewItem;
    CvclibSetDataNumFn SetDataNum;
    CvclibSetDataValueFn SetDataValue;
    CvclibGetDataValueFn GetDataValue;
    CvclibGetDataNumFn GetDataNum;
    CvclibGetDataOrderedValueFn GetDataOrderedValue;
    CvclibTestDataFn TestData;
    CvclibGetItemNumFn GetItemNum;
    CvclibGetIDFn GetID;
    CvclibSaveFn Save;
    CvclibLoadFn Load;
    CvclibLoadGPAFn LoadGPA;
    CvclibFinalizeFn Finalize;
    char* lastError;
};

class CvclibHost : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string pattern = (fs::temp_directory_path() / "cvclib-host-XXXXXX").string();
        root_ = ::mkdtemp(pattern.data());
        // The store, the settings and temporary files all go below root_.
        ::setenv("HOME", root_.c_str(), 1);
        ::setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
        fs::create_directories(root_ / "tmp");
        ::setenv("TMPDIR", (root_ / "tmp").c_str(), 1);

        library_ = new QLibrary(QStringLiteral(CV_BIN_DIR "/libCVCLIB.so"));
        ASSERT_TRUE(library_->load()) << library_->errorString().toStdString();
        auto bind = [](const char* name) {
            QFunctionPointer f = library_->resolve(name);
            EXPECT_NE(f, nullptr) << name;
            return f;
        };
#define CV_BIND(name) api_.name = reinterpret_cast<Cvclib##name##Fn>(bind("Cvclib" #name))
        CV_BIND(GetVersion);
        CV_BIND(CheckVersion);
        CV_BIND(NewInterface);
        CV_BIND(DeleteInterface);
        CV_BIND(Initialize);
        CV_BIND(Clear);
        CV_BIND(GetName);
        CV_BIND(SetName);
        CV_BIND(NewItem);
        CV_BIND(SetDataNum);
        CV_BIND(SetDataValue);
        CV_BIND(GetDataValue);
        CV_BIND(GetDataNum);
        CV_BIND(GetDataOrderedValue);
        CV_BIND(TestData);
        CV_BIND(GetItemNum);
        CV_BIND(GetID);
        CV_BIND(Save);
        CV_BIND(Load);
        CV_BIND(LoadGPA);
        CV_BIND(Finalize);
#undef CV_BIND
        api_.lastError = reinterpret_cast<char*>(library_->resolve("cvclibLastError"));
        ASSERT_NE(api_.lastError, nullptr);
        // Only the interface is visible, not the library's insides.
        EXPECT_EQ(library_->resolve("_ZN12AccountStore4loadEv"), nullptr);
    }
    static void TearDownTestSuite()
    {
        library_->unload();
        delete library_;
        fs::remove_all(root_);
    }
    void SetUp() override
    {
        ASSERT_NE(api_.NewInterface, nullptr);
        h_ = api_.NewInterface();
        ASSERT_NE(h_, nullptr);
        ASSERT_EQ(api_.Initialize(h_), 1);
    }
    void TearDown() override
    {
        EXPECT_EQ(api_.Finalize(h_, 0), 1);
        api_.DeleteInterface(h_);
        EXPECT_TRUE(fs::is_empty(root_ / "tmp")) << "temporary files left behind";
    }

    std::string error() const { return std::string(api_.lastError, strnlen(api_.lastError, 256)); }
    std::string value(int item, int id)
    {
        char buffer[512] = {};
        EXPECT_EQ(api_.GetDataValue(h_, item, id, buffer, sizeof buffer), 1) << item << "/" << id;
        return buffer;
    }
    int num(int item, int id)
    {
        int v = -12345;
        EXPECT_EQ(api_.GetDataNum(h_, item, id, &v), 1) << item << "/" << id;
        return v;
    }
    void set(int item, int id, const char* utf8) { ASSERT_EQ(api_.SetDataValue(h_, item, id, sj(utf8).c_str()), 1) << id << error(); }
    void set(int item, int id, int v) { ASSERT_EQ(api_.SetDataNum(h_, item, id, v), 1) << id << error(); }

    // Builds a GuidePost of two tasks item by item; returns the GuidePost item.
    int build(const fs::path* attachment)
    {
        int gp = api_.NewItem(h_, 1);
        set(gp, 1011, "写真集");
        set(gp, 1701, "作者");
        set(gp, 1702, "コメント");
        set(gp, 1101, 111);
        for (int t = 0; t < 2; ++t) {
            int task = api_.NewItem(h_, 2);
            set(task, 1011, t == 0 ? "タスク一" : "タスク二");
            set(task, 1202, "\\受信\\表示");
            set(task, 1201, t == 0 ? 121 : 122);
            if (t == 1)
                set(task, 1204, "all.zip");
            set(task, 1203, 1);
            set(task, 1205, 163);
            set(task, 1206, 1);
            int source = api_.NewItem(h_, 3);
            set(source, 1011, "サーバー");
            set(source, 1302, "www.example.invalid");
            set(source, 1304, "anonymous");
            set(source, 1301, t == 0 ? 132 : 131);
            set(source, 1305, 8080);
            int list = api_.NewItem(h_, 4);
            set(list, 1011, "一覧");
            set(list, 1401, "pub/files");
            set(list, 1402, "画像\\小");
            set(list, 1303, 142);
            set(list, 1403, 151);
            set(list, 1205, 162);
            set(list, 1206, 1);
            for (int f = 0; f < 2; ++f) {
                int file = api_.NewItem(h_, 5);
                set(file, 1501, f == 0 ? "一.jpg" : "二.jpg");
                set(file, 1502, f == 0 ? "1.jpg" : "2.jpg");
                set(file, 1503, f == 0 ? "b1" : "b2");
                set(file, 1012, 1600000000 + f);
                set(file, 1403, 152);
                set(file, 1205, 164);
                set(file, 1206, 0);
                set(file, 1504, 172);
                set(list, 1404, file);
            }
            set(source, 1306, list);
            set(task, 1207, source);
            if (t == 0 && attachment) {
                int a = api_.NewItem(h_, 6);
                set(a, 1011, "添付.txt");
                set(a, 1601, "ラベル");
                set(a, 1602, attachment->c_str());
                set(a, 1603, 1600000000);
                set(a, 1604, static_cast<int>(fs::file_size(*attachment)));
                set(task, 1208, a);
            }
            set(gp, 1102, task);
        }
        int browse = api_.NewItem(h_, 7);
        set(browse, 1801, "b1");
        set(browse, 1802, "題");
        set(browse, 1803, "説明");
        set(browse, 1804, 0);
        set(browse, 1805, 1);
        set(gp, 1103, browse);
        return gp;
    }

    // Reads every datum of the GuidePost built above back through the interface.
    void check()
    {
        int gp = api_.GetID(h_, -1, 1, 0);
        ASSERT_GE(gp, 3);
        EXPECT_EQ(value(gp, 1011), sj("写真集"));
        EXPECT_EQ(value(gp, 1701), sj("作者"));
        EXPECT_EQ(num(gp, 1101), 111);
        ASSERT_EQ(api_.GetItemNum(h_, gp, 2), 2);
        for (int t = 0; t < 2; ++t) {
            int task = api_.GetID(h_, gp, 2, t);
            EXPECT_EQ(value(task, 1011), sj(t == 0 ? "タスク一" : "タスク二"));
            EXPECT_EQ(value(task, 1202), sj("受信\\表示"));
            EXPECT_EQ(api_.GetItemNum(h_, task, 8), 2);
            char part[64];
            ASSERT_EQ(api_.GetDataOrderedValue(h_, task, 1202, 1, part, sizeof part), 1);
            EXPECT_EQ(std::string(part), sj("表示"));
            EXPECT_EQ(num(task, 1201), t == 0 ? 121 : 122);
            if (t == 1) {
                EXPECT_EQ(value(task, 1204), "all.zip");
            }
            EXPECT_EQ(num(task, 1203), 1);
            EXPECT_EQ(num(task, 1205), 163);
            EXPECT_EQ(num(task, 1206), 1);
            ASSERT_EQ(api_.GetItemNum(h_, task, 3), 1);
            int source = api_.GetID(h_, task, 3, 0);
            EXPECT_EQ(value(source, 1011), sj("サーバー"));
            EXPECT_EQ(value(source, 1302), "www.example.invalid");
            EXPECT_EQ(value(source, 1304), "anonymous");
            EXPECT_EQ(num(source, 1301), t == 0 ? 132 : 131);
            EXPECT_EQ(num(source, 1305), 8080);
            ASSERT_EQ(api_.GetItemNum(h_, source, 4), 1);
            int list = api_.GetID(h_, source, 4, 0);
            EXPECT_EQ(value(list, 1011), sj("一覧"));
            EXPECT_EQ(value(list, 1401), "pub/files");
            EXPECT_EQ(value(list, 1402), sj("画像\\小"));
            EXPECT_EQ(num(list, 1303), 142);
            EXPECT_EQ(num(list, 1403), 151);
            EXPECT_EQ(num(list, 1205), 162);
            EXPECT_EQ(num(list, 1206), 1);
            ASSERT_EQ(api_.GetItemNum(h_, list, 5), 2);
            for (int f = 0; f < 2; ++f) {
                int file = api_.GetID(h_, list, 5, f);
                EXPECT_EQ(value(file, 1501), sj(f == 0 ? "一.jpg" : "二.jpg"));
                EXPECT_EQ(value(file, 1502), f == 0 ? "1.jpg" : "2.jpg");
                EXPECT_EQ(value(file, 1503), f == 0 ? "b1" : "b2");
                EXPECT_EQ(num(file, 1012), 1600000000 + f);
                EXPECT_EQ(num(file, 1013), 1);
                EXPECT_EQ(num(file, 1403), 152);
                EXPECT_EQ(num(file, 1205), 164);
                EXPECT_EQ(num(file, 1206), 0);
            }
        }
        EXPECT_GE(api_.GetID(h_, gp, 7, 0), 3);
        EXPECT_EQ(api_.GetID(h_, gp, 7, 1), -1);
    }

    static inline fs::path root_;
    static inline QLibrary* library_ = nullptr;
    static inline Api api_{};
    void* h_ = nullptr;
};

TEST_F(CvclibHost, VersionsAndItemKinds)
{
    int major = 0, minor = 0, build = 0;
    api_.GetVersion(&major, &minor, &build);
    EXPECT_EQ(major * 10000 + minor * 100 + build, 10005);
    EXPECT_EQ(api_.CheckVersion(1, 0, 5), 1);
    EXPECT_EQ(api_.CheckVersion(1, 0, 4), 0);
    EXPECT_EQ(api_.NewItem(h_, 8), -1);
    EXPECT_EQ(api_.NewItem(h_, 12), -1);
    EXPECT_EQ(api_.NewItem(h_, 9), 0);
    EXPECT_EQ(api_.NewItem(h_, 10), 1);
    EXPECT_EQ(api_.NewItem(h_, 10), 1);
    EXPECT_EQ(api_.NewItem(h_, 11), 2);
    EXPECT_EQ(api_.NewItem(h_, 1), 3);
    EXPECT_EQ(api_.NewItem(h_, 2), 4);
    EXPECT_EQ(api_.Clear(h_), 1);
    EXPECT_EQ(api_.NewItem(h_, 7), 3);  // items 0 to 2 survive a clear
    EXPECT_EQ(api_.NewItem(nullptr, 1), -1);
}

TEST_F(CvclibHost, RefusalsCarryTheirMessages)
{
    int gp = api_.NewItem(h_, 1);
    int task = api_.NewItem(h_, 2);
    EXPECT_EQ(api_.SetDataNum(h_, task, 1205, 165), 0);
    EXPECT_EQ(error(), sj("パラメータが正しくありません"));
    EXPECT_EQ(api_.SetDataValue(h_, 0, 1011, "x"), 0);
    EXPECT_EQ(error(), sj("データセットするオブジェクトが正しくありません"));
    EXPECT_EQ(api_.SetDataNum(h_, 99, 1011, 1), 0);
    EXPECT_EQ(error(), sj("IDが正しくありません"));
    EXPECT_EQ(api_.GetID(h_, 99, 2, 0), 0);
    EXPECT_EQ(api_.GetItemNum(h_, 99, 2), -1);
    EXPECT_EQ(api_.GetItemNum(h_, task, 5), -1);
    EXPECT_EQ(api_.Save(h_, task, (root_ / "x.gp").c_str(), 1), 0);
    EXPECT_EQ(error(), sj("保存タイプが正しくありません"));
    EXPECT_EQ(api_.SetDataNum(h_, gp, 1102, gp), 0);
    EXPECT_EQ(error(), sj("タスクIDが正しくありません"));
    EXPECT_EQ(api_.SetDataNum(h_, task, 1207, 1000), 0);
    EXPECT_EQ(error(), sj("ソースIDが正しくありません"));
    // A record has one parent: a second append is refused, not listed twice.
    ASSERT_EQ(api_.SetDataNum(h_, gp, 1102, task), 1);
    EXPECT_EQ(api_.SetDataNum(h_, gp, 1102, task), 0);
    EXPECT_EQ(api_.GetItemNum(h_, gp, 2), 1);

    api_.SetDataValue(h_, task, 1202, sj("一\\二").c_str());
    char buffer[64];
    ASSERT_EQ(api_.GetDataOrderedValue(h_, task, 1202, 0, buffer, sizeof buffer), 1);
    EXPECT_EQ(std::string(buffer), sj("一"));
    ASSERT_EQ(api_.GetDataOrderedValue(h_, task, 1202, 1, buffer, sizeof buffer), 1);
    EXPECT_EQ(std::string(buffer), sj("二"));
    EXPECT_EQ(api_.GetDataOrderedValue(h_, task, 1202, 2, buffer, sizeof buffer), 0);
    ASSERT_EQ(api_.GetDataOrderedValue(h_, task, 1202, -1, buffer, sizeof buffer), 1);
    EXPECT_EQ(std::string(buffer), sj("一\\二"));

    EXPECT_EQ(api_.SetDataValue(h_, 1, 1011, std::string(261, 'a').c_str()), 0);
    EXPECT_EQ(error(), sj("アカウントデータの設定でエラーが生じました"));
    EXPECT_EQ(api_.SetDataValue(h_, 1, 1011, std::string(260, 'a').c_str()), 1);
    EXPECT_EQ(api_.SetDataValue(h_, 2, 1011, nullptr), 0);
    EXPECT_EQ(error(), sj("PROXYデータの設定でエラーが生じました"));
    EXPECT_EQ(api_.SetDataValue(h_, task, 1011, "\x81"), 0);  // not code page 932

    // A message as long as the buffer is copied without a terminator; one
    // cut short by the host's buffer likewise.
    char small[4] = {'x', 'x', 'x', 'x'};
    api_.SetDataValue(h_, task, 1011, sj("長い名前").c_str());
    ASSERT_EQ(api_.GetDataValue(h_, task, 1011, small, sizeof small), 1);
    EXPECT_EQ(std::string(small, 4), sj("長い"));
}

TEST_F(CvclibHost, NameAndAccountStore)
{
    char name[256];
    ASSERT_EQ(api_.GetName(h_, name, sizeof name), 1);
    EXPECT_EQ(std::string(name), sj("ここに名前を入力してください"));
    ASSERT_EQ(api_.SetName(h_, sj("山田").c_str()), 1);
    ASSERT_EQ(api_.GetName(h_, name, sizeof name), 1);
    EXPECT_EQ(std::string(name), sj("山田"));

    set(1, 0, 0);
    set(1, 1011, "仕事");
    set(1, 2001, "user");
    set(1, 1016, "pass");
    set(1, 1302, "ftp.example.invalid");
    set(1, 2004, "社内");
    set(1, 1301, 131);
    set(1, 1305, 21);
    set(1, 2002, 1);
    set(1, 2003, 7);
    set(0, 1014, 1);
    set(2, 1011, "社内");
    set(2, 1302, "proxy.example.invalid");
    set(2, 2001, "puser");
    set(2, 1016, "ppass");
    set(2, 1305, 8080);
    set(0, 1014, 2);
    set(1, 0, 0);
    set(2, 0, 0);

    // A fresh interface reads the store file back.
    void* other = api_.NewInterface();
    ASSERT_EQ(api_.Initialize(other), 1);
    ASSERT_EQ(api_.SetDataNum(other, 0, 1901, 0), 1);
    EXPECT_EQ(api_.GetItemNum(other, 0, 10), 1);
    EXPECT_EQ(api_.GetItemNum(other, 0, 11), 1);
    ASSERT_EQ(api_.TestData(other, 0, 1304, 0, 1), 1);
    EXPECT_EQ(api_.TestData(other, 0, 1304, 1, 1), 0);
    ASSERT_EQ(api_.TestData(other, 0, 2004, 0, 2), 1);
    char buffer[300];
    ASSERT_EQ(api_.GetDataValue(other, 1, 1011, buffer, sizeof buffer), 1);
    EXPECT_EQ(std::string(buffer), sj("仕事"));
    ASSERT_EQ(api_.GetDataValue(other, 1, 2004, buffer, sizeof buffer), 1);
    EXPECT_EQ(std::string(buffer), sj("社内"));
    int v = 0;
    ASSERT_EQ(api_.GetDataNum(other, 1, 1301, &v), 1);
    EXPECT_EQ(v, 131);
    ASSERT_EQ(api_.GetDataNum(other, 1, 2003, &v), 1);
    EXPECT_EQ(v, 7);
    ASSERT_EQ(api_.GetDataValue(other, 2, 1302, buffer, sizeof buffer), 1);
    EXPECT_EQ(std::string(buffer), "proxy.example.invalid");
    EXPECT_EQ(api_.GetDataValue(other, 1, 1016, buffer, sizeof buffer), 0);  // passwords are not read back
    EXPECT_EQ(api_.SetDataNum(other, 0, 1015, 1), 1);
    EXPECT_EQ(api_.SetDataNum(other, 0, 1015, 1), 0);
    EXPECT_EQ(std::string(api_.lastError), sj("アカウントデータの削除でエラーが生じました"));
    EXPECT_EQ(api_.SetDataNum(other, 0, 1902, 0), 1);
    EXPECT_EQ(api_.GetItemNum(other, 0, 11), 0);
    api_.DeleteInterface(other);
}

TEST_F(CvclibHost, BuildSaveAndLoadBothForms)
{
    fs::path attachment = root_ / "source.txt";
    {
        std::ofstream out(attachment, std::ios::binary);
        for (int i = 0; i < 1000; ++i)
            out << "添付ファイルの行 " << i << "\n";
    }
    // The plain document: attachments belong in archives, and a document
    // naming one loads only from its archive.
    int gp = build(nullptr);
    fs::path document = root_ / "guide.gp";
    ASSERT_EQ(api_.Save(h_, gp, document.c_str(), 1), 1) << error();
    check();
    ASSERT_EQ(api_.Load(h_, document.c_str()), 1);
    check();

    ASSERT_EQ(api_.Clear(h_), 1);
    gp = build(&attachment);
    fs::path archive = root_ / "guide.gpa";
    fs::path withAttachment = root_ / "attached.gp";
    ASSERT_EQ(api_.Save(h_, gp, archive.c_str(), 2), 1) << error();
    ASSERT_EQ(api_.Save(h_, gp, withAttachment.c_str(), 1), 1) << error();
    EXPECT_EQ(api_.Load(h_, withAttachment.c_str()), 0);

    fs::path folder = root_ / "unpacked";
    ASSERT_EQ(api_.LoadGPA(h_, archive.c_str(), folder.c_str()), 1);
    check();
    EXPECT_EQ(readAll(folder / "添付.txt"), readAll(attachment));

    // A loaded archive saves again, its attachment copied across.
    gp = api_.GetID(h_, -1, 1, 0);
    fs::path again = root_ / "again.gpa";
    ASSERT_EQ(api_.Save(h_, gp, again.c_str(), 2), 1) << error();
    fs::remove_all(folder);
    ASSERT_EQ(api_.LoadGPA(h_, again.c_str(), folder.c_str()), 1);
    EXPECT_EQ(readAll(folder / "添付.txt"), readAll(attachment));

    // Remote GuidePosts save as documents only.
    set(gp, 1101, 112);
    EXPECT_EQ(api_.Save(h_, gp, (root_ / "remote.gpa").c_str(), 2), 0);
    EXPECT_FALSE(fs::exists(root_ / "remote.gpa"));
    EXPECT_EQ(api_.Load(h_, (root_ / "missing.gp").c_str()), 0);
    EXPECT_EQ(api_.LoadGPA(h_, document.c_str(), folder.c_str()), 0);
    EXPECT_EQ(api_.GetID(h_, -1, 1, 0), -1);  // a failed load leaves nothing behind
}

TEST_F(CvclibHost, LoadGPARefusesNamesOutsideTheFolder)
{
    // A hand-made archive whose only entry is named "../escape".
    auto put = [](std::string& s, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            s.push_back(static_cast<char>(v >> (8 * i)));
    };
    std::string s = "GPAR";
    put(s, 1);
    put(s, 0);
    std::uint32_t chain = 5;
    put(s, chain);
    auto stamp = [&] { chain += static_cast<std::uint32_t>(s.size()); put(s, chain); };
    stamp();
    put(s, 1);
    put(s, 1);
    put(s, 1);
    std::size_t directory = s.size();
    s.append(8, '\0');
    stamp();
    put(s, 3);
    s += "doc";
    stamp();
    put(s, 9);
    s += "../escape";
    std::string pair;
    put(pair, static_cast<std::uint32_t>(s.size()));
    put(pair, 14 + 4);
    s.replace(directory, 8, pair);
    s.push_back(0);
    put(s, 4);
    s.push_back(0);
    put(s, 4);
    stamp();
    s += "data";
    stamp();
    fs::path archive = root_ / "escape.gpa";
    std::ofstream(archive, std::ios::binary) << s;
    fs::path folder = root_ / "inside";
    EXPECT_EQ(api_.LoadGPA(h_, archive.c_str(), folder.c_str()), 0);
    EXPECT_FALSE(fs::exists(root_ / "escape"));
}

} // namespace
