// The GMSModern page as its visitors get it: albums published by
// glimmora-cli in both styles, received by corvan-cli, and opened from the
// received folder in a headless Chromium at a phone's width and a desktop's,
// and a page of videos written by the module itself. check-page.js drives
// the browser and reports; the judging is done here.

#include "GMModuleTestHost.h"

#include "album/core/VoiceFile.h"
#include "album/testsupport/TestAvi.h"
#include "album/testsupport/TestJpeg.h"
#include "platform/tests/OutsidePrograms.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <map>

namespace {

namespace fs = std::filesystem;
using namespace gmtest;

const fs::path binFolder = CV_BIN_DIR;
const fs::path axeScript = fs::path(CV_SOURCE_DIR) / ".npm-tools/node_modules/axe-core/axe.min.js";
const fs::path testFolder = fs::path(CV_SOURCE_DIR) / "styles/album-modern/tests";
const fs::path checkScript = testFolder / "check-page.js";

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

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// A program run with the home and temporary folder of the test.
Outcome run(const testservers::OwnHome& home, const fs::path& where, const std::vector<std::string>& command)
{
    std::string line = "cd " + quote(where.string()) + " && " + home.envPrefix() + "LC_ALL=C.UTF-8";
    for (const std::string& part : command)
        line += " " + quote(part);
    const fs::path out = home.home / "stdout", err = home.home / "stderr";
    line += " >" + quote(out.string()) + " 2>" + quote(err.string()) + " </dev/null";
    Outcome r;
    const int raw = std::system(line.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = slurp(out);
    r.err = slurp(err);
    return r;
}

QString q(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

std::string s(const QJsonValue& value)
{
    return value.toString().toStdString();
}

// What the visitor should see of a page.
struct Expected {
    std::vector<std::string> sources; // the pictures, in page order
    std::map<std::string, std::string> alt;
    std::vector<std::string> voices;
    std::vector<std::string> videos; // played in the page
    std::vector<std::string> fileLinks;
};

class GMSModernInBrowser : public ::testing::Test {
protected:
    ScratchFolder scratch {"CVmodern"};
    testservers::OwnHome home {scratch.path() / "home"};
    fs::path pictures = scratch.path() / "pictures";

    void SetUp() override { fs::create_directories(pictures); }

    void picture(const std::string& name, int width, int height, unsigned seed)
    {
        albumtest::writeJpeg((pictures / name).string(), width, height, albumtest::photoLike(width, height, seed));
    }

    void standardPictures()
    {
        picture("a-sports.jpg", 1600, 1200, 3);
        picture("b-tower.jpg", 900, 1600, 5);
        picture("c-ridge.jpg", 3000, 800, 7);
        picture("d-badge.jpg", 200, 150, 11);
    }

    // Publishes the pictures in one style and receives the archive; the
    // received page.
    fs::path publishAndReceive(int style, const std::string& title, const std::vector<std::string>& extra)
    {
        std::vector<std::string> publish = {(binFolder / "glimmora-cli").string(), "publish", "--creator", "写真部",
                                            "--title", title, "--style", "GMSModern:" + std::to_string(style),
                                            "--max", "1200x900"};
        publish.insert(publish.end(), extra.begin(), extra.end());
        publish.insert(publish.end(), {pictures.string(), "-o", title + ".gpa"});
        Outcome r = run(home, scratch.path(), publish);
        EXPECT_EQ(r.status, 0) << r.err << r.out;
        r = run(home, scratch.path(),
                {(binFolder / "corvan-cli").string(), "receive", title + ".gpa", "--root",
                 (scratch.path() / "root").string(), "--yes"});
        EXPECT_EQ(r.status, 0) << r.err << r.out;
        return scratch.path() / "root" / "Glimmora" / "写真部" / title / "index.htm";
    }
};

TEST_F(GMSModernInBrowser, ReceivedAlbumFitsPhonesAndDesktopsAndWorksByKeyboard)
{
    const std::string chromium = testservers::requireProgram("chromium", "chromium");
    const std::string node = testservers::requireProgram("node", "nodejs");
    ASSERT_FALSE(chromium.empty() || node.empty());
    ASSERT_TRUE(fs::is_regular_file(axeScript))
        << axeScript << " is missing: scripts/install-deps.sh installs the npm package axe-core";

    // Landscape, portrait, a panorama and a small picture; a voice message
    // and a video the browser cannot play.
    standardPictures();
    albumtest::writeMjpegAvi((pictures / "e-relay.avi").string(), 320, 240, 10, 10);
    std::vector<std::uint8_t> wav = album::VoiceFile::header(2 * 11025);
    for (int i = 0; i < 2 * 11025; ++i)
        wav.push_back(static_cast<std::uint8_t>(128 + 50 * ((i / 25) % 2)));
    albumtest::writeBytes((scratch.path() / "cheer.wav").string(), wav);

    const std::string markup = "<b>紅葉</b> & \"銀杏\"";
    const std::string unbroken = "Panorama_of_the_northern_ridge_seen_from_the_summit_at_sunrise_2026";
    const std::vector<std::string> texts = {"--title-of", "a-sports.jpg=" + markup, "--title-of",
                                            "c-ridge.jpg=" + unbroken, "--comment-of",
                                            "a-sports.jpg=一行目\n二行目 <i>斜体ではない</i>", "--voice",
                                            "b-tower.jpg=" + (scratch.path() / "cheer.wav").string()};
    const fs::path lightPage = publishAndReceive(0, "秋の写真展", texts);
    const fs::path darkPage = publishAndReceive(1, "夜の写真展", texts);
    ASSERT_TRUE(fs::is_regular_file(lightPage)) << lightPage;
    ASSERT_TRUE(fs::is_regular_file(darkPage)) << darkPage;

    const Expected album {{"./a-sports.jpg", "./b-tower.jpg", "./c-ridge.jpg", "./d-badge.jpg"},
                          {{"./a-sports.jpg", markup},
                           {"./b-tower.jpg", "b-tower"},
                           {"./c-ridge.jpg", unbroken},
                           {"./d-badge.jpg", "d-badge"}},
                          {"./_v_b-tower.wav"},
                          {},
                          {"./e-relay.avi"}};

    // Videos of today's phones, through the module itself (glimmora-cli
    // takes AVI and MPEG only): a WebM the browser records before it looks,
    // and a QuickTime file offered as a file.
    const fs::path videoFolder = scratch.path() / "videos";
    fs::create_directories(videoFolder);
    albumtest::writeJpeg((videoFolder / "goal.jpg").string(), 800, 600, albumtest::photoLike(800, 600, 13));
    albumtest::writeBytes((videoFolder / "start.mov").string(), {0, 0, 0, 8, 'f', 'r', 'e', 'e'});
    TestAlbum videos;
    videos.pageTitle = "リレー - 決勝";
    videos.items = {{"run.webm", "アンカー", "最後の一周", "", 320, 180, GM_ITEM_VIDEO},
                    {"goal.jpg", "ゴール", "", "", 800, 600, GM_ITEM_PICTURE},
                    {"start.mov", "スタート", "", "", 320, 240, GM_ITEM_VIDEO}};
    {
        ModuleUnderTest module(modulePath("GMSModern"));
        ASSERT_EQ(module.generate(0, videos, videoFolder), 1);
    }
    const Expected videoPage {{"./goal.jpg"}, {{"./goal.jpg", "ゴール"}}, {}, {"./run.webm"}, {"./start.mov"}};

    struct Run {
        std::string name;
        fs::path page;
        int width;
        const char* scheme;
        bool keyboard;
        const char* background; // the body's, as the browser computes it
        const Expected& expected;
        std::string title;
    };
    const char* lightBackground = "rgb(244, 243, 239)";
    const char* darkBackground = "rgb(17, 18, 21)";
    const std::vector<Run> runs = {
        {"GMSModern-light-360", lightPage, 360, "light", true, lightBackground, album, "秋の写真展"},
        {"GMSModern-light-1280", lightPage, 1280, "light", true, lightBackground, album, "秋の写真展"},
        {"GMSModern-light-360-system-dark", lightPage, 360, "dark", false, darkBackground, album, "秋の写真展"},
        {"GMSModern-dark-360", darkPage, 360, "light", true, darkBackground, album, "夜の写真展"},
        {"GMSModern-dark-1280", darkPage, 1280, "light", true, darkBackground, album, "夜の写真展"},
        {"GMSModern-videos-360", videoFolder / "index.htm", 360, "light", false, lightBackground, videoPage,
         "リレー - 決勝"},
    };

    QJsonArray specs;
    for (const Run& r : runs)
        specs.append(QJsonObject {{"name", q(r.name)}, {"page", q(r.page.string())}, {"width", r.width},
                                  {"scheme", r.scheme}, {"keyboard", r.keyboard}});
    const fs::path config = scratch.path() / "config.json";
    std::ofstream(config) << QJsonDocument(QJsonObject {{"chromium", q(chromium)},
                                                        {"axe", q(axeScript.string())},
                                                        {"profile", q((scratch.path() / "profile").string())},
                                                        {"screenshots", CV_SCREENSHOT_DIR},
                                                        {"video", q((videoFolder / "run.webm").string())},
                                                        {"runs", specs}})
                                 .toJson()
                                 .toStdString();

    const Outcome checked = run(home, scratch.path(), {"timeout", "90", node, checkScript.string(), config.string()});
    ASSERT_EQ(checked.status, 0) << checked.err;
    const QJsonArray reports = QJsonDocument::fromJson(QByteArray::fromStdString(checked.out))["runs"].toArray();
    ASSERT_EQ(reports.size(), static_cast<qsizetype>(runs.size())) << checked.out;

    for (std::size_t n = 0; n < runs.size(); ++n) {
        const Run& spec = runs[n];
        SCOPED_TRACE(spec.name);
        const QJsonObject report = reports[static_cast<qsizetype>(n)].toObject();
        const QJsonObject layout = report["layout"].toObject();
        EXPECT_EQ(s(layout["charset"]), "Shift_JIS");
        EXPECT_EQ(layout["clientWidth"].toInt(), spec.width);
        EXPECT_LE(layout["scrollWidth"].toInt(), layout["clientWidth"].toInt()) << "sideways scrolling";
        EXPECT_TRUE(layout["wide"].toArray().isEmpty())
            << "wider than the window: " << QJsonDocument(layout["wide"].toArray()).toJson().toStdString();
        if (spec.width < 600)
            EXPECT_EQ(layout["columns"].toInt(), 1);
        else
            EXPECT_GE(layout["columns"].toInt(), 3);
        EXPECT_EQ(s(layout["title"]), "Glimmora写真集 - " + spec.title);
        EXPECT_EQ(s(layout["background"]), spec.background);
        EXPECT_EQ(layout["bold"].toInt(), 0) << "an album text became markup";

        const Expected& expected = spec.expected;
        const QJsonArray images = report["images"].toArray();
        ASSERT_EQ(images.size(), static_cast<qsizetype>(expected.sources.size()));
        for (qsizetype i = 0; i < images.size(); ++i) {
            const QJsonObject image = images[i].toObject();
            const std::string src = s(image["src"]);
            EXPECT_EQ(src, expected.sources[static_cast<std::size_t>(i)]);
            EXPECT_EQ(s(image["alt"]), expected.alt.at(src)) << src;
            EXPECT_GT(image["width"].toString().toInt(), 0) << src;
            EXPECT_GT(image["height"].toString().toInt(), 0) << src;
            EXPECT_EQ(s(image["loading"]), "lazy") << src;
        }
        EXPECT_EQ(report["loaded"].toInt(), images.size()) << "every picture shows";

        const QJsonObject players = report["players"].toObject();
        auto sources = [&](const char* kind, const char* field) {
            std::vector<std::string> found;
            for (const QJsonValue& v : players[kind].toArray()) {
                found.push_back(s(field ? v[field] : v));
                if (field) {
                    EXPECT_TRUE(v["controls"].toBool()) << kind << " without controls";
                }
            }
            return found;
        };
        EXPECT_EQ(sources("audio", "src"), expected.voices);
        EXPECT_EQ(sources("video", "src"), expected.videos);
        EXPECT_EQ(sources("fileLinks", nullptr), expected.fileLinks);
        // The browser reads the videos it is given, and they fit the window.
        for (const QJsonValue& v : report["playable"].toArray())
            EXPECT_GT(v["width"].toInt(), 0) << s(v["src"]) << " is not played";
        for (const QJsonValue& v : players["video"].toArray())
            EXPECT_LE(v["shown"].toDouble(), spec.width);

        for (const char* key : {"violations", "viewerViolations"}) {
            for (const QJsonValue& v : report[key].toArray()) {
                const std::string impact = s(v["impact"]);
                EXPECT_TRUE(impact != "serious" && impact != "critical")
                    << key << ": " << s(v["id"]) << " (" << impact << ") " << s(v["help"]) << " at "
                    << QJsonDocument(v["nodes"].toArray()).toJson(QJsonDocument::Compact).toStdString();
            }
        }

        if (!spec.keyboard)
            continue;
        const QJsonArray steps = report["keyboard"].toArray();
        const bool phone = spec.width < 600;
        ASSERT_EQ(steps.size(), phone ? 6 : 5);
        const std::string count = " / " + std::to_string(expected.sources.size());
        auto shows = [&](const QJsonValue& step, std::size_t index) {
            const std::string src = expected.sources[index];
            EXPECT_TRUE(step["open"].toBool()) << s(step["key"]);
            EXPECT_EQ(s(step["picture"]["src"]), src) << s(step["key"]);
            EXPECT_EQ(s(step["picture"]["alt"]), expected.alt.at(src));
            EXPECT_EQ(s(step["caption"]), expected.alt.at(src));
            EXPECT_GT(step["picture"]["width"].toString().toInt(), 0);
            EXPECT_GT(step["picture"]["height"].toString().toInt(), 0);
            EXPECT_GT(step["picture"]["shown"].toDouble(), 0);
            EXPECT_EQ(s(step["count"]), std::to_string(index + 1) + count);
            EXPECT_LE(step["scrollWidth"].toInt(), spec.width);
        };
        // Tab reaches the first picture, with a focus ring to see.
        EXPECT_FALSE(steps[0]["open"].toBool());
        EXPECT_EQ(s(steps[0]["focus"]["href"]), expected.sources[0]);
        EXPECT_NE(s(steps[0]["focus"]["outline"]).rfind("none", 0), 0u) << s(steps[0]["focus"]["outline"]);
        shows(steps[1], 0); // Enter
        EXPECT_EQ(s(steps[1]["focus"]["className"]), "viewer-close");
        shows(steps[2], 1); // →
        shows(steps[3], 0); // ←
        if (phone)
            shows(steps[4], 1); // a swipe to the left
        // Esc closes, and the focus is back where it was, still visible.
        const QJsonValue closed = steps[phone ? 5 : 4];
        EXPECT_FALSE(closed["open"].toBool());
        EXPECT_EQ(s(closed["focus"]["href"]), expected.sources[0]);
        EXPECT_NE(s(closed["focus"]["outline"]).rfind("none", 0), 0u) << s(closed["focus"]["outline"]);
    }
}

// The other engine: the received page framed at 360 px in a headless
// Firefox by a probe page that checks it there and paints its verdict,
// which is read off Firefox's screenshot.
TEST_F(GMSModernInBrowser, ReceivedAlbumShowsInFirefoxAtPhoneWidth)
{
    const std::string firefox = testservers::requireProgram("firefox-esr", "firefox-esr");
    ASSERT_FALSE(firefox.empty());
    standardPictures();
    const fs::path page = publishAndReceive(0, "秋の写真展", {"--title-of", "a-sports.jpg=<b>紅葉</b>"});
    ASSERT_TRUE(fs::is_regular_file(page)) << page;

    const fs::path profile = scratch.path() / "firefox-profile";
    fs::create_directories(profile);
    fs::copy_file(testFolder / "firefox-user.js", profile / "user.js");
    fs::copy_file(testFolder / "firefox-probe.htm", scratch.path() / "probe.htm");
    std::string address;
    for (unsigned char c : page.string()) {
        if (std::isalnum(c) || c == '/' || c == '.' || c == '-' || c == '_')
            address += static_cast<char>(c);
        else
            address += "%" + std::string(1, "0123456789ABCDEF"[c >> 4]) + "0123456789ABCDEF"[c & 15];
    }
    const fs::path shot = fs::path(CV_SCREENSHOT_DIR) / "GMSModern-light-360-firefox.png";
    fs::create_directories(shot.parent_path());
    fs::remove(shot);
    const Outcome r = run(home, scratch.path(),
                          {"timeout", "90", firefox, "--headless", "--no-remote", "--profile", profile.string(),
                           "--window-size=360,700", "--screenshot", shot.string(),
                           "file://" + (scratch.path() / "probe.htm").string() + "#" + address});
    ASSERT_EQ(r.status, 0) << r.err;
    const QImage verdict(QString::fromStdString(shot.string()));
    ASSERT_FALSE(verdict.isNull()) << "no screenshot: " << r.err;
    const QColor colour = verdict.pixelColor(300, 30);
    EXPECT_TRUE(colour.green() > 200 && colour.red() < 50)
        << "Firefox found a fault; it is written at the top of " << shot;
}

} // namespace
