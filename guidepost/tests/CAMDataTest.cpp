#include "guidepost/CAMData.h"
#include "guidepost/CAMException.h"
#include "guidepost/TCXML.h"

#include "platform/Cp932Codec.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;
using namespace guidepost;

namespace {

const std::string head = "<?xml version='1.0' encoding=\"Shift-JIS\"?>";

class CAMDataFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        TCXML::SetSchemaFolder(CV_BIN_DIR);
        folder = fs::temp_directory_path() / ("cvdata-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
    }
    void TearDown() override
    {
        TCXML::SetSchemaFolder("");
        fs::remove_all(folder);
    }

    std::string writeSjis(const std::string& name, const std::string& utf8)
    {
        auto path = (folder / name).string();
        std::ofstream(path, std::ios::binary) << platform::Cp932Codec::fromUtf8(utf8);
        return path;
    }
    static std::string read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    // A whole document around the given root children.
    static std::string document(const std::string& children, const std::string& version = "1",
                                const std::string& location = "local")
    {
        return head + "<Corvandelle xmlns=\"x-schema:corvandelle\"><version>" + version + "</version><location>" +
               location + "</location>" + children + "</Corvandelle>";
    }
    // One task with the given destination and one http source.
    static std::string task(const std::string& destination, const std::string& files = "<file name=\"a\">a.txt</file>",
                            const std::string& extra = "")
    {
        return "<task><name>t</name><destination>" + destination + "</destination>" + extra +
               "<sourcelist><source><protocol>http</protocol><server><name>example.invalid</name></server>"
               "<filelist>" + files + "</filelist></source></sourcelist></task>";
    }
    static std::string saveFolder(const std::string& folderText)
    {
        return "<type>save</type><folder>" + folderText + "</folder>";
    }

    bool load(CAMData& model, const std::string& utf8Document)
    {
        return model.Load(writeSjis("doc.gp", utf8Document));
    }
    bool loadTask(CAMData& model, const std::string& taskXml)
    {
        return load(model, document("<tasklist>" + taskXml + "</tasklist>"));
    }

    fs::path folder;
};

// A model with every field the document carries set to something.
void fillRichModel(CAMData& m)
{
    m.name = "写真の配布 & <更新>";
    m.description = "説明\\文 \"引用\"";
    m.creator = "山田 太郎";
    m.comment = "一行目\r\n二行目\r\n";
    m.datePresent = true;
    m.dateYear = 2024;
    m.dateMonth = 2;
    m.dateDay = 29;
    m.contentVersion = "第2版";
    m.digestPresent = true;
    m.digestUrl = "cert.example.invalid/dist/";
    m.digestName = "cert.xml";
    m.encrypt = true;
    m.local = true;
    auto b = std::make_unique<BrowseRecord>();
    b->target = "photos\\index.htm";
    b->title = "写真一覧";
    b->description = "最初に開く";
    b->favorite = true;
    m.browse.push_back(std::move(b));
    b = std::make_unique<BrowseRecord>();
    b->target = "http://example.invalid/";
    b->remote = true;
    m.browse.push_back(std::move(b));

    for (int ti = 0; ti < 2; ++ti) {
        auto t = std::make_unique<TaskRecord>();
        t->name = "タスク" + std::to_string(ti);
        t->destinationType = ti == 0 ? DestinationSave : DestinationZip;
        t->folderList = {"写真", "表示"};  // 表 carries a 0x5C trail byte
        t->folderText = "写真\\表示";
        if (ti == 1)
            t->zipFileName = "まとめ.zip";
        t->open = ti == 0;
        t->synchronize = ti == 1;
        t->update = ti == 0 ? UpdateUp2Date : UpdateDefault;
        for (int si = 0; si < 2; ++si) {
            auto s = std::make_unique<SourceRecord>();
            s->name = "ソース" + std::to_string(si);
            s->protocol = si == 0 ? ProtocolFtp : ProtocolHttp;
            s->serverName = "server" + std::to_string(si) + ".example.invalid";
            s->port = si == 0 ? 2121 : 0;
            s->account = si == 0 ? "user" : "";
            s->inputMail = si == 0;
            for (int li = 0; li < 2; ++li) {
                auto l = std::make_unique<FileListRecord>();
                l->name = "リスト" + std::to_string(li);
                l->remoteFolderGiven = li == 0;
                l->remoteFolder = li == 0 ? "/pub/写真" : "";
                if (li == 1)
                    l->localFolder = {"sub", "深い"};
                l->method = li == 1 ? MethodMget : MethodGet;
                l->mode = li == 0 ? ModeBinary : ModeAuto;
                l->synchronize = li == 1;
                l->update = li == 1 ? UpdateIfNotExist : UpdateDefault;
                for (int fi = 0; fi < 3; ++fi) {
                    auto f = std::make_unique<FileRecord>();
                    f->name = "画像" + std::to_string(fi) + ".jpg";
                    f->remote = "img/画像" + std::to_string(fi) + ".jpg";
                    f->mode = fi == 1 ? ModeAscii : ModeAuto;
                    f->browseId = "id" + std::to_string(ti) + std::to_string(si) + std::to_string(li) + std::to_string(fi);
                    f->synchronize = fi == 2;
                    f->update = fi == 0 ? UpdateForce : UpdateDefault;
                    f->uncompress = fi == 2 ? UncompressZip : UncompressNone;
                    f->timePresent = fi != 1;
                    f->time = 1700000000 + fi;
                    l->files.push_back(std::move(f));
                }
                s->fileLists.push_back(std::move(l));
            }
            t->sources.push_back(std::move(s));
        }
        m.tasks.push_back(std::move(t));
    }
}

void expectEqualModels(const CAMData& a, const CAMData& b)
{
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.description, b.description);
    EXPECT_EQ(a.creator, b.creator);
    EXPECT_EQ(a.comment, b.comment);
    EXPECT_EQ(a.datePresent, b.datePresent);
    EXPECT_EQ(a.dateYear, b.dateYear);
    EXPECT_EQ(a.dateMonth, b.dateMonth);
    EXPECT_EQ(a.dateDay, b.dateDay);
    EXPECT_EQ(a.contentVersion, b.contentVersion);
    EXPECT_EQ(a.digestPresent, b.digestPresent);
    EXPECT_EQ(a.digestUrl, b.digestUrl);
    EXPECT_EQ(a.digestName, b.digestName);
    EXPECT_EQ(a.encrypt, b.encrypt);
    EXPECT_EQ(a.local, b.local);
    ASSERT_EQ(a.browse.size(), b.browse.size());
    for (std::size_t i = 0; i < a.browse.size(); ++i) {
        EXPECT_EQ(a.browse[i]->target, b.browse[i]->target);
        EXPECT_EQ(a.browse[i]->title, b.browse[i]->title);
        EXPECT_EQ(a.browse[i]->description, b.browse[i]->description);
        EXPECT_EQ(a.browse[i]->remote, b.browse[i]->remote);
        EXPECT_EQ(a.browse[i]->favorite, b.browse[i]->favorite);
    }
    ASSERT_EQ(a.tasks.size(), b.tasks.size());
    for (std::size_t ti = 0; ti < a.tasks.size(); ++ti) {
        const auto &ta = *a.tasks[ti], &tb = *b.tasks[ti];
        EXPECT_EQ(ta.name, tb.name);
        EXPECT_EQ(ta.destinationType, tb.destinationType);
        EXPECT_EQ(ta.folderList, tb.folderList);
        EXPECT_EQ(ta.zipFileName, tb.zipFileName);
        EXPECT_EQ(ta.open, tb.open);
        EXPECT_EQ(ta.synchronize, tb.synchronize);
        EXPECT_EQ(ta.update, tb.update);
        ASSERT_EQ(ta.sources.size(), tb.sources.size());
        for (std::size_t si = 0; si < ta.sources.size(); ++si) {
            const auto &sa = *ta.sources[si], &sb = *tb.sources[si];
            EXPECT_EQ(sa.name, sb.name);
            EXPECT_EQ(sa.protocol, sb.protocol);
            EXPECT_EQ(sa.serverName, sb.serverName);
            EXPECT_EQ(sa.port, sb.port);
            EXPECT_EQ(sa.account, sb.account);
            EXPECT_EQ(sa.inputMail, sb.inputMail);
            ASSERT_EQ(sa.fileLists.size(), sb.fileLists.size());
            for (std::size_t li = 0; li < sa.fileLists.size(); ++li) {
                const auto &la = *sa.fileLists[li], &lb = *sb.fileLists[li];
                EXPECT_EQ(la.name, lb.name);
                EXPECT_EQ(la.remoteFolderGiven, lb.remoteFolderGiven);
                EXPECT_EQ(la.remoteFolder, lb.remoteFolder);
                EXPECT_EQ(la.localFolder, lb.localFolder);
                EXPECT_EQ(la.method, lb.method);
                EXPECT_EQ(la.mode, lb.mode);
                EXPECT_EQ(la.synchronize, lb.synchronize);
                EXPECT_EQ(la.update, lb.update);
                ASSERT_EQ(la.files.size(), lb.files.size());
                for (std::size_t fi = 0; fi < la.files.size(); ++fi) {
                    const auto &fa = *la.files[fi], &fb = *lb.files[fi];
                    EXPECT_EQ(fa.name, fb.name);
                    EXPECT_EQ(fa.remote, fb.remote);
                    EXPECT_EQ(fa.mode, fb.mode);
                    EXPECT_EQ(fa.browseId, fb.browseId);
                    EXPECT_EQ(fa.synchronize, fb.synchronize);
                    EXPECT_EQ(fa.update, fb.update);
                    EXPECT_EQ(fa.uncompress, fb.uncompress);
                    EXPECT_EQ(fa.timePresent, fb.timePresent);
                    if (fa.timePresent) {
                        EXPECT_EQ(fa.time, fb.time);
                    }
                }
            }
        }
    }
}

} // namespace

TEST_F(CAMDataFiles, HeadRules)
{
    CAMData m;
    EXPECT_FALSE(load(m, document("<tasklist/>", "1.0")));
    EXPECT_FALSE(load(m, document("<tasklist/>", " 1")));
    EXPECT_FALSE(load(m, document("<tasklist/>", "2")));
    EXPECT_FALSE(load(m, head + "<Corvandelle xmlns=\"x-schema:corvandelle\"><location>local</location><tasklist/></Corvandelle>"));
    EXPECT_FALSE(load(m, head + "<Corvandelle xmlns=\"x-schema:corvandelle\"><version>1</version><tasklist/></Corvandelle>"));
    EXPECT_FALSE(load(m, document("")));  // no tasklist

    ASSERT_TRUE(load(m, document("<tasklist/>", "1", "local")));
    EXPECT_TRUE(m.local);
    ASSERT_TRUE(load(m, document("<tasklist/>", "1", "Local")));
    EXPECT_FALSE(m.local);
    ASSERT_TRUE(load(m, document("<tasklist/>", "1", "")));
    EXPECT_FALSE(m.local);
    ASSERT_TRUE(load(m, document("<encrypt>yes</encrypt><navigation>yes</navigation><unknown a=\"b\"/><tasklist/>")));
    EXPECT_TRUE(m.encrypt);
    EXPECT_TRUE(m.navigation);
}

TEST_F(CAMDataFiles, InformationRules)
{
    CAMData m;
    auto info = [&](const std::string& inner) {
        return load(m, document("<information><creator>作者</creator><comment>a\nb\n</comment>" + inner +
                                "</information><tasklist/>"));
    };
    ASSERT_TRUE(info("<date><year>2038</year><month>12</month><day>31</day></date>"
                     "<digest type=\"module\"><url>c.example.invalid/d/</url><name>c.xml</name></digest>"));
    EXPECT_EQ(m.creator, "作者");
    EXPECT_EQ(m.comment, "a\r\nb\r\n");
    EXPECT_TRUE(m.datePresent);
    EXPECT_EQ(m.dateYear * 10000 + m.dateMonth * 100 + m.dateDay, 20381231);
    EXPECT_TRUE(m.digestPresent);
    EXPECT_EQ(m.digestUrl, "c.example.invalid/d/");
    EXPECT_EQ(m.digestType, "module");

    for (const char* bad : {"<year>2039</year><month>1</month><day>1</day>", "<year>2024</year><month>13</month><day>1</day>",
                            "<year>1969</year><month>12</month><day>31</day>", "<year>2024</year><month>1</month>"}) {
        ASSERT_TRUE(info(std::string("<date>") + bad + "</date><version>v2</version>")) << bad;
        EXPECT_FALSE(m.datePresent) << bad;
        EXPECT_EQ(m.contentVersion, "v2");
        EXPECT_EQ(m.creator, "作者");
    }
    ASSERT_TRUE(info("<digest><url>c.example.invalid</url></digest>"));
    EXPECT_FALSE(m.digestPresent);
}

TEST_F(CAMDataFiles, FolderRules)
{
    FolderList list;
    std::string text;
    ASSERT_TRUE(CAMData::ParseFolder("\\\\ 写真\\表示", text, list));
    EXPECT_EQ(list, (FolderList{"写真", "表示"}));
    EXPECT_FALSE(CAMData::ParseFolder("\\ \\\t\\", text, list));
    EXPECT_FALSE(CAMData::ParseFolder("", text, list));
    ASSERT_TRUE(CAMData::ParseFolder("a\\\\b", text, list));  // empty component ends the list
    EXPECT_EQ(list, FolderList{"a"});
    ASSERT_TRUE(CAMData::ParseFolder("a\\b\\", text, list));
    EXPECT_EQ(list, (FolderList{"a", "b"}));
    // A full-width blank is not a single-byte blank and is kept.
    ASSERT_TRUE(CAMData::ParseFolder("　a", text, list));
    EXPECT_EQ(list, FolderList{"　a"});

    // 260 bytes of code page 932: 130 double-byte characters; the 131st is cut
    // whole, and a single byte first shifts the cut before the last one.
    std::string kanji;
    for (int i = 0; i < 131; ++i)
        kanji += "表";
    ASSERT_TRUE(CAMData::ParseFolder(kanji, text, list));
    EXPECT_EQ(platform::Cp932Codec::byteLength(list[0]), 260u);
    ASSERT_TRUE(CAMData::ParseFolder("x" + kanji, text, list));
    EXPECT_EQ(platform::Cp932Codec::byteLength(list[0]), 259u);

    CAMData m;
    ASSERT_TRUE(loadTask(m, task(saveFolder("\\\\ 写真\\表示"))));
    EXPECT_EQ(m.tasks[0]->folderList, (FolderList{"写真", "表示"}));
    EXPECT_FALSE(loadTask(m, task(saveFolder("\\\\ \\"))));
    EXPECT_FALSE(loadTask(m, task("<type>save</type>")));
    // localfolder: absent or empty is fine, present and unusable is not.
    auto withList = [&](const std::string& attrs) {
        std::string t = task(saveFolder("a"));
        t.replace(t.find("<filelist>"), 10, "<filelist " + attrs + ">");
        return loadTask(m, t);
    };
    EXPECT_TRUE(withList("localfolder=\"\""));
    ASSERT_TRUE(withList("localfolder=\"\\x\\y\""));
    EXPECT_EQ(m.tasks[0]->sources[0]->fileLists[0]->localFolder, (FolderList{"x", "y"}));
    EXPECT_FALSE(withList("localfolder=\"\\\\\""));
    EXPECT_TRUE(m.tasks.empty());  // a refused document leaves nothing behind
}

TEST_F(CAMDataFiles, TaskAndSourceRules)
{
    CAMData m;
    EXPECT_FALSE(loadTask(m, task("<type>zip</type><folder>a</folder>")));
    EXPECT_FALSE(loadTask(m, task("<type>Save</type><folder>a</folder>")));
    ASSERT_TRUE(loadTask(m, task("<type>zip</type><folder open=\"yes\">a</folder><filename>z.zip</filename><digest>d</digest>")));
    EXPECT_EQ(m.tasks[0]->destinationType, DestinationZip);
    EXPECT_EQ(m.tasks[0]->zipFileName, "z.zip");
    EXPECT_TRUE(m.tasks[0]->open);
    EXPECT_TRUE(m.tasks[0]->digestPresent);

    auto withSource = [&](const std::string& source) {
        return loadTask(m, "<task><destination>" + saveFolder("a") + "</destination><sourcelist>" + source +
                               "</sourcelist></task>");
    };
    EXPECT_FALSE(withSource(""));
    EXPECT_FALSE(withSource("<source><protocol>gopher</protocol><filelist/></source>"));
    EXPECT_FALSE(withSource("<source><filelist/></source>"));
    EXPECT_FALSE(withSource("<source><protocol>ftp</protocol><filelist/></source>"));
    EXPECT_FALSE(withSource("<source><protocol>ftp</protocol><server><name></name></server><filelist/></source>"));
    EXPECT_FALSE(withSource("<source><protocol>attach</protocol></source>"));
    ASSERT_TRUE(withSource("<source><protocol>attach</protocol><filelist/></source>"));
    ASSERT_TRUE(withSource("<source update=\"force\" synchronize=\"yes\"><name>s</name><protocol>ftp</protocol>"
                           "<server><name>h</name><mirrorsitelist>"
                           "<site id=\"a\" value=\"0\" protocol=\"ftp\">zero</site>"
                           "<site value=\"10\" protocol=\"ftp\">noid</site>"
                           "<site id=\"c\" protocol=\"gopher\">badproto</site>"
                           "<site id=\"d\" protocol=\"http\" port=\"8080\">kept</site>"
                           "<site id=\"e\" value=\"\" protocol=\"ftp\">empty</site>"
                           "</mirrorsitelist></server><port>2121</port><account inputmail=\"yes\">anonymous</account>"
                           "<filelist><mirrorsitefolderlist><mirrorsitefolder id=\"d\">/m</mirrorsitefolder>"
                           "</mirrorsitefolderlist></filelist><filelist/></source>"));
    const auto& s = *m.tasks[0]->sources[0];
    EXPECT_EQ(s.protocol, ProtocolFtp);
    EXPECT_EQ(s.port, 2121);
    EXPECT_EQ(s.account, "anonymous");
    EXPECT_TRUE(s.inputMail);
    EXPECT_TRUE(s.synchronize);
    EXPECT_EQ(s.update, UpdateForce);
    ASSERT_EQ(s.mirrorSites.size(), 2u);
    EXPECT_EQ(s.mirrorSites[0].host, "kept");
    EXPECT_EQ(s.mirrorSites[0].weight, 100);
    EXPECT_EQ(s.mirrorSites[0].port, 8080);
    EXPECT_EQ(s.mirrorSites[1].host, "empty") << "an empty weight is an absent one";
    EXPECT_EQ(s.mirrorSites[1].weight, 100);
    EXPECT_EQ(s.fileLists.size(), 2u);
    EXPECT_TRUE(s.fileLists[0]->mirrorFoldersPresent);
    EXPECT_EQ(s.fileLists[0]->mirrorFolders.at("d"), "/m");
    EXPECT_FALSE(s.fileLists[1]->mirrorFoldersPresent);
}

TEST_F(CAMDataFiles, AttachmentsAreCheckedAgainstTheArchiveIndex)
{
    const std::string attach = "<attachlist><attach><name>写真.jpg</name><size>12</size><time>1700000000</time>"
                               "<type>attach</type></attach></attachlist>";
    CAMData m;
    EXPECT_FALSE(loadTask(m, task(saveFolder("a"), "", attach)));
    ArchiveIndexRecord record;
    record.name = "写真.jpg";
    record.offset = 42;
    m.attachmentIndex["写真.jpg"] = record;
    ASSERT_TRUE(loadTask(m, task(saveFolder("a"), "", attach)));
    const auto& a = *m.tasks[0]->attachments.at(0);
    EXPECT_EQ(a.label, "添付ファイル");
    EXPECT_TRUE(a.fromArchive);
    EXPECT_EQ(a.size, 12);
    EXPECT_EQ(a.time, 1700000000);
    EXPECT_EQ(a.indexRecord.offset, 42u);
    EXPECT_FALSE(loadTask(m, task(saveFolder("a"), "", "<attachlist><attach><name>写真.jpg</name><size>1</size></attach></attachlist>")));
}

// A record moves into the first attachment naming it; a name given again,
// in the same task or a later one, still finds it, and an unknown name
// after them still fails the load.
TEST_F(CAMDataFiles, AnAttachmentNamedTwiceSharesItsArchiveRecord)
{
    auto attach = [](const std::string& name) {
        return "<attach><name>" + name + "</name><size>1</size><time>1</time><type>attach</type></attach>";
    };
    auto twoTasks = [&](const std::string& last) {
        return task(saveFolder("a"), "", "<attachlist>" + attach("b.txt") + attach("a.txt") + attach("a.txt") +
                                             "</attachlist>") +
               task(saveFolder("b"), "", "<attachlist>" + attach("c.txt") + attach(last) + "</attachlist>");
    };
    auto fillIndex = [](CAMData& m) {
        std::uint32_t offset = 10;
        for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
            ArchiveIndexRecord record;
            record.name = name;
            record.offset = offset++;
            m.attachmentIndex[name] = record;
        }
    };
    CAMData m;
    fillIndex(m);
    ASSERT_TRUE(load(m, document("<tasklist>" + twoTasks("b.txt") + "</tasklist>")));
    ASSERT_EQ(m.tasks.size(), 2u);
    const auto& first = m.tasks[0]->attachments;
    const auto& second = m.tasks[1]->attachments;
    ASSERT_EQ(first.size(), 3u);
    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(first[0]->indexRecord.offset, 11u);
    EXPECT_EQ(first[1]->indexRecord.offset, 10u);
    EXPECT_EQ(first[2]->indexRecord.offset, 10u);
    EXPECT_EQ(first[2]->indexRecord.name, "a.txt");
    EXPECT_EQ(second[0]->indexRecord.offset, 12u);
    EXPECT_EQ(second[1]->indexRecord.offset, 11u);
    EXPECT_EQ(second[1]->indexRecord.name, "b.txt");
    EXPECT_TRUE(m.attachmentIndex.empty()) << "every record was taken by its attachment";

    CAMData unknown;
    fillIndex(unknown);
    EXPECT_FALSE(load(unknown, document("<tasklist>" + twoTasks("d.txt") + "</tasklist>")));
    EXPECT_TRUE(unknown.tasks.empty());
}

TEST_F(CAMDataFiles, FileRules)
{
    CAMData m;
    ASSERT_TRUE(loadTask(m, task(saveFolder("a"),
                                 "<file name=\"x\" browseid=\"p\">remote/x.txt</file>"
                                 "<file name=\"y\" browseid=\"p\" mode=\"ascii\" uncompress=\"gz\" update=\"up2date\">"
                                 "ignored<remote>r/y</remote><time>1700000000</time></file>"
                                 "<file mode=\"\" uncompress=\"rar\"/>"
                                 "<file method=\"mget\" mode=\"auto\" synchronize=\"no\">plain.txt<time>5</time></file>")));
    const auto& files = m.tasks[0]->sources[0]->fileLists[0]->files;
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(files[3]->remote, "plain.txt");  // the time child's text is not part of the name
    EXPECT_EQ(files[3]->time, 5);
    EXPECT_EQ(files[0]->remote, "remote/x.txt");
    EXPECT_FALSE(files[0]->timePresent);
    EXPECT_EQ(files[1]->remote, "r/y");
    EXPECT_EQ(files[1]->mode, ModeAscii);
    EXPECT_EQ(files[1]->uncompress, UncompressGz);
    EXPECT_EQ(files[1]->update, UpdateUp2Date);
    EXPECT_TRUE(files[1]->timePresent);
    EXPECT_EQ(files[1]->time, 1700000000);
    EXPECT_EQ(files[2]->mode, ModeAuto);
    EXPECT_EQ(files[2]->uncompress, UncompressNone);
    // What a file says for itself, so the receiver can let it override its list.
    EXPECT_TRUE(files[1]->modeGiven);
    EXPECT_FALSE(files[2]->modeGiven);
    EXPECT_TRUE(files[3]->modeGiven);
    EXPECT_FALSE(files[1]->methodGiven);
    EXPECT_TRUE(files[3]->methodGiven);
    EXPECT_EQ(files[3]->method, MethodMget);
    EXPECT_TRUE(files[3]->synchronizeOff);
    EXPECT_FALSE(files[1]->synchronizeOff);
    EXPECT_EQ(m.browseIndex.at("p"), files[1].get());  // the later one wins
    EXPECT_EQ(m.browseIndex.at(""), files[3].get());
}

TEST_F(CAMDataFiles, SaveRefusesIncompleteModels)
{
    CAMData m;
    ASSERT_TRUE(load(m, document("<tasklist/>")));
    auto path = (folder / "out.gp").string();
    auto codeOf = [&] {
        try {
            m.Save(path);
        } catch (const CAMException& e) {
            return e.code();
        }
        return -1;
    };
    EXPECT_EQ(codeOf(), CAMException::NoTask);
    m.tasks.push_back(std::make_unique<TaskRecord>());
    EXPECT_EQ(codeOf(), CAMException::NoSource);
    m.tasks[0]->sources.push_back(std::make_unique<SourceRecord>());
    EXPECT_EQ(codeOf(), CAMException::NoFileList);
    EXPECT_FALSE(fs::exists(path));

    // A text code page 932 cannot hold fails the save and keeps the old file.
    m.tasks[0]->sources[0]->fileLists.push_back(std::make_unique<FileListRecord>());
    m.tasks[0]->folderText = "a\\b";  // only the text: saved as it is
    m.tasks[0]->sources[0]->serverName = "h";
    m.Save(path);
    {
        CAMData back;
        ASSERT_TRUE(back.Load(path));
        EXPECT_EQ(back.tasks[0]->folderList, (FolderList{"a", "b"}));
    }
    const std::string before = read(path);
    m.name = "emoji \xF0\x9F\x98\x80";
    EXPECT_EQ(codeOf(), CAMException::SaveFailed);
    EXPECT_EQ(read(path), before);
    m.name.clear();
    EXPECT_EQ([&] { try { m.Save((folder / "no" / "such" / "x.gp").string()); } catch (const CAMException& e) { return e.code(); } return -1; }(),
              CAMException::SaveFailed);
    // No temporary file is left in the folder.
    for (const auto& e : fs::directory_iterator(folder))
        EXPECT_NE(e.path().filename().string().rfind(".CV", 0), 0u) << e.path();
}

TEST_F(CAMDataFiles, SavedBytesOfASmallModel)
{
    CAMData m;
    m.local = true;
    m.name = "配布";
    m.comment = "a\r\nb";
    auto t = std::make_unique<TaskRecord>();
    t->name = "写真";
    t->folderList = {"写真", "表"};
    t->update = UpdateDefault;
    auto s = std::make_unique<SourceRecord>();
    s->protocol = ProtocolHttp;
    s->serverName = "h.example.invalid";
    s->account = "anonymous";
    s->inputMail = true;
    auto l = std::make_unique<FileListRecord>();
    auto f = std::make_unique<FileRecord>();
    f->name = "a&b.txt";
    f->remote = "x<y>";
    f->mode = ModeAuto;
    f->timePresent = true;
    f->time = 1000;
    l->files.push_back(std::move(f));
    s->fileLists.push_back(std::move(l));
    t->sources.push_back(std::move(s));
    m.tasks.push_back(std::move(t));
    auto path = (folder / "small.gp").string();
    m.Save(path);
    const std::string expected =
        "<?xml version='1.0' encoding=\"Shift-JIS\"?>\r\n"
        "<Corvandelle xmlns=\"x-schema:corvandelle\"><version>1</version><location>local</location>"
        "<name>配布</name><information><comment>a\r\nb</comment></information><tasklist>"
        "<task><name>写真</name><destination><type>save</type><folder>写真\\表</folder></destination>"
        "<sourcelist><source><name></name><protocol>http</protocol><server><name>h.example.invalid</name></server>"
        "<account>anonymous</account><filelist method=\"get\"><name></name>"
        "<file name=\"a&amp;b.txt\"><remote>x&lt;y&gt;</remote><time>1000</time></file>"
        "</filelist></source></sourcelist></task></tasklist></Corvandelle>";
    EXPECT_EQ(read(path), platform::Cp932Codec::fromUtf8(expected));

    CAMData back;
    ASSERT_TRUE(back.Load(path));
    EXPECT_EQ(back.comment, "a\r\nb");
    EXPECT_EQ(back.tasks[0]->update, UpdateDefault);
    EXPECT_EQ(back.tasks[0]->sources[0]->fileLists[0]->files[0]->mode, ModeAuto);
    EXPECT_FALSE(back.tasks[0]->sources[0]->inputMail);  // never written for "anonymous"
    back.tasks[0]->sources[0]->inputMail = true;
    expectEqualModels(m, back);
}

TEST_F(CAMDataFiles, RichModelSurvivesSaveAndLoad)
{
    CAMData m;
    fillRichModel(m);
    auto first = (folder / "rich.gp").string();
    m.Save(first);
    CAMData back;
    ASSERT_TRUE(back.Load(first));
    expectEqualModels(m, back);
    EXPECT_EQ(back.browseIndex.size(), 24u);

    // A second cycle writes the same bytes.
    auto second = (folder / "rich2.gp").string();
    back.Save(second);
    EXPECT_EQ(read(first), read(second));
}

TEST_F(CAMDataFiles, BadDocumentsThrowInvalid)
{
    CAMData m;
    auto codeOf = [&](const std::string& bytes) {
        auto path = (folder / "bad.gp").string();
        std::ofstream(path, std::ios::binary) << bytes;
        try {
            m.Load(path);
        } catch (const CAMException& e) {
            return e.code();
        }
        return -1;
    };
    EXPECT_EQ(codeOf("not xml"), CAMException::InvalidGuidePost);
    EXPECT_EQ(codeOf(head + "<Corvandelle xmlns=\"x-schema:corvandelle\"><version>1</vers"), CAMException::InvalidGuidePost);
    EXPECT_EQ(codeOf(head + "<Corvandelle xmlns=\"x-schema:corvandelle\"><name>\x81\x20</name></Corvandelle>"),
              CAMException::InvalidGuidePost);
    EXPECT_EQ(codeOf(head + "<Corvandelle xmlns=\"x-schema:wrong\"><version>1</version></Corvandelle>"),
              CAMException::InvalidGuidePost);
    // Tasks are loaded as they are read; a document broken after them
    // leaves none behind.
    const std::string good = task("<type>save</type><folder>d</folder>");
    const std::string whole = document("<tasklist>" + good + good + "</tasklist>");
    EXPECT_EQ(codeOf(whole.substr(0, whole.size() - 5)), CAMException::InvalidGuidePost);
    EXPECT_TRUE(m.tasks.empty());
    EXPECT_TRUE(m.browseIndex.empty());
    EXPECT_EQ(codeOf(whole), -1);
    EXPECT_EQ(m.tasks.size(), 2u);
    TCXML::SetSchemaFolder((folder / "nowhere").string());
    EXPECT_EQ(codeOf(document("<tasklist/>")), CAMException::SchemaMissing);
}
