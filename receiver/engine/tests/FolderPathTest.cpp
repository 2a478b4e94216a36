#include "ScriptedHost.h"
#include "TestFolder.h"

#include "receiver/engine/DateMacros.h"
#include "receiver/engine/FolderPath.h"
#include "receiver/engine/LocalName.h"
#include "receiver/engine/MirrorChoice.h"
#include "receiver/engine/ProxySettings.h"
#include "receiver/engine/ReceiveError.h"

#include "platform/Settings.h"

#include <gtest/gtest.h>

using namespace receive;
using namespace receive::test;

namespace {

std::tm sampleTime()
{
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 7;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 3;
    return t;
}

int errorCode(const std::function<void()>& f)
{
    try {
        f();
    } catch (const CAMException& e) {
        return e.code();
    }
    return -1;
}

TEST(DateMacrosTest, ExpandsKnownNamesDropsUnknownAndRefusesAnOpenMacro)
{
    const std::tm t = sampleTime();
    EXPECT_EQ(DateMacros::expand("%year%%month%", t), "202603");
    EXPECT_EQ(DateMacros::expand("d%date%_%time%", t), "d20260307_03070905");
    EXPECT_EQ(DateMacros::expand("%day%-%hour%-%min%-%sec%", t), "07-09-05-03");
    EXPECT_EQ(DateMacros::expand("a%nothing%b", t), "ab");
    EXPECT_EQ(errorCode([&] { DateMacros::expand("a%year", t); }), CAMException::BadSaveFolder);
}

TEST(FolderPathTest, TaskFolderTextsAreTrimmedCheckedAndRefused)
{
    const std::tm t = sampleTime();
    EXPECT_EQ(FolderPath::taskFolder("\\  data\\", t), std::vector<std::string>{"data"});
    EXPECT_EQ(FolderPath::taskFolder("a\\.\\b", t), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(FolderPath::taskFolder("log\\%year%", t),
              (std::vector<std::string>{"log", "2026"}));
    for (const char* bad : {"a\\..\\..\\b", "..\\x", "a\\..\\b", "C:\\x", "a\\C:\\x", "\\", "  ", "%year"})
        EXPECT_EQ(errorCode([&] { FolderPath::taskFolder(bad, t); }), CAMException::BadSaveFolder)
            << bad;
    EXPECT_EQ(errorCode([&] { FolderPath::taskFolder("_html___\\x", t); }),
              CAMException::ReservedFolderName);
    EXPECT_EQ(errorCode([&] { FolderPath::taskFolder("certified", t); }),
              CAMException::ReservedFolderName);
    EXPECT_NO_THROW(FolderPath::taskFolder("_HTML___", t)) << "compared case-sensitively";
    EXPECT_EQ(errorCode([&] { FolderPath::taskFolder("certified\\x", t); }), CAMException::ReservedFolderName)
        << "no GuidePost reaches the certified area by its own folder";
    EXPECT_EQ(errorCode([&] { FolderPath::taskFolder(std::string(260, 'a'), t); }),
              CAMException::BadSaveFolder);
    // Components already split by the document reader.
    EXPECT_EQ(errorCode([&] { FolderPath::check({"a/b"}); }), CAMException::BadSaveFolder);
    EXPECT_EQ(errorCode([&] { FolderPath::check({"a", ".."}); }), CAMException::BadSaveFolder);
}

TEST(FolderPathTest, DepthLimitAsksPerComponentBeyondItAndCancelCreatesNothing)
{
    TestFolder dir;
    ScriptedHost host;
    const std::vector<std::string> seven{"1", "2", "3", "4", "5", "6", "7"};
    host.script(QuestionKind::FolderDepth, {AnswerOk, AnswerCancel});
    EXPECT_FALSE(FolderPath::create(dir.path.string(), seven, 5, host));
    EXPECT_EQ(host.count(QuestionKind::FolderDepth), 2);
    EXPECT_EQ(host.asked[0].text, "作成するフォルダの深さが5レベル以上ありますが、よろしいですか？");
    EXPECT_FALSE(fs::exists(dir / "1"));

    EXPECT_TRUE(FolderPath::create(dir.path.string(), seven, 5, host));
    EXPECT_TRUE(fs::is_directory(dir / "1/2/3/4/5/6/7"));
    EXPECT_EQ(host.count(QuestionKind::FolderDepth), 4);
    EXPECT_TRUE(FolderPath::create(dir.path.string(), {"1", "2"}, 5, host)) << "existing folders are accepted";

    writeFile(dir / "file", "x");
    EXPECT_EQ(errorCode([&] { FolderPath::create(dir.path.string(), {"file", "x"}, 5, host); }),
              CAMException::CreateFolderFailed);
    if (::geteuid() != 0) {
        fs::create_directory(dir / "ro");
        fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(errorCode([&] { FolderPath::create(dir / "ro", {"x"}, 5, host); }),
                  CAMException::CreateFolderFailed);
    }
}

TEST(LocalNameTest, NamesComeFromTheFileOrTheRemoteAndNeverClimbOut)
{
    std::string why;
    EXPECT_EQ(LocalName::of("a.txt", "x/y.txt", why), "a.txt");
    EXPECT_EQ(LocalName::of("", "dir/sub/page.html?x=1#top", why), "page.html");
    EXPECT_EQ(LocalName::of("", "dir/#x", why), "");
    EXPECT_FALSE(why.empty());
    for (const char* bad : {"..", ".", "a\\b", "a/b", "..\\x", "C:x"}) {
        EXPECT_EQ(LocalName::of(bad, "r", why), "") << bad;
        EXPECT_FALSE(why.empty());
    }
    EXPECT_EQ(LocalName::remoteName(" //a/b"), "a/b");
    EXPECT_EQ(LocalName::remoteFolder("/pub/x/ "), "/pub/x");
}

TEST(MirrorChoiceTest, WeightedChoiceWithPinnedR)
{
    SourceRecord source;
    source.serverName = "own.example";
    source.protocol = guidepost::ProtocolHttp;
    source.mirrorSites.push_back({"m1", "mirror.example", 100, guidepost::ProtocolFtp, 2121});
    auto pinned = [](unsigned r) { return MirrorChoice::RandomSource([r](unsigned) { return r; }); };
    EXPECT_EQ(MirrorChoice::choose(source, pinned(0)).host, "own.example");
    EXPECT_EQ(MirrorChoice::choose(source, pinned(100)).host, "own.example") << "the first wins r == weight";
    ChosenServer site = MirrorChoice::choose(source, pinned(101));
    EXPECT_EQ(site.host, "mirror.example");
    EXPECT_EQ(site.mirrorId, "m1");
    EXPECT_EQ(site.protocol, guidepost::ProtocolFtp);
    EXPECT_TRUE(site.portGiven);
    EXPECT_EQ(MirrorChoice::choose(source, pinned(199)).host, "mirror.example");

    unsigned seenTotal = 0;
    source.mirrorSites = {{"z", "zero.example", 0, guidepost::ProtocolHttp, 0},
                          {"", "noid.example", 50, guidepost::ProtocolHttp, 0},
                          {"bad", "bad.example", 50, 7, 0}};
    EXPECT_EQ(MirrorChoice::choose(source, [&](unsigned total) { seenTotal = total; return 99u; }).host,
              "own.example");
    EXPECT_EQ(seenTotal, 100u) << "unusable sites take no part";

    FileListRecord list;
    list.name = "L";
    list.remoteFolder = "/own";
    EXPECT_EQ(MirrorChoice::remoteFolder(list, site), "/own");
    list.mirrorFoldersPresent = true;
    list.mirrorFolders["m1"] = "/m1";
    EXPECT_EQ(MirrorChoice::remoteFolder(list, site), "/m1");
    site.mirrorId = "m2";
    EXPECT_EQ(errorCode([&] { MirrorChoice::remoteFolder(list, site); }), CAMException::BadMirrorFolder);
}

TEST(ProxySettingsTest, ValuesAreStoredEncipheredAndReadBack)
{
    for (const std::string text : {"yes", "proxy.example", "パスワード", "a longer text of more than eight"}) {
        std::string stored = ProxySettings::encipher(text);
        EXPECT_EQ(stored.find(text), std::string::npos);
        EXPECT_EQ(ProxySettings::decipher(stored), text);
    }
    EXPECT_EQ(ProxySettings::encipher(""), "");
    EXPECT_EQ(ProxySettings::decipher(""), "");
    EXPECT_EQ(ProxySettings::decipher("abc"), "") << "three characters or fewer read as empty";
    EXPECT_EQ(ProxySettings::decipher("garbage!"), "");

    TestFolder dir;
    platform::Settings::setStorageFolder(dir.path.string());
    {
        platform::Settings s;
        ProxySettings p;
        p.http = {true, "proxy.local", "u", "pw", 8080};
        p.ftp = {false, "ftp.proxy", "", "", 0};
        p.save(s);
        EXPECT_NE(s.getString("settings", "lion"), "proxy.local");
    }
    platform::Settings s;
    ProxySettings back;
    back.load(s);
    EXPECT_TRUE(back.http.inUse);
    EXPECT_EQ(back.http.address(), "proxy.local:8080");
    EXPECT_EQ(back.http.password, "pw");
    EXPECT_FALSE(back.ftp.inUse);
    EXPECT_EQ(back.ftp.address(), "");
}

} // namespace
