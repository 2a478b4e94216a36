#include "VTSNormTestSupport.h"

#include "platform/Cp932Codec.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vtstest {
namespace fs = std::filesystem;

std::string ExhibitionModule::path()
{
    return std::string(CV_BIN_DIR) + "/VTStyle/VTSNorm.so";
}

ExhibitionModule& ExhibitionModule::instance()
{
    static ExhibitionModule module = [] {
        ExhibitionModule m;
        m.handle = dlopen(path().c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!m.handle)
            return m;
        auto get = [&](auto& into, const char* name) { into = reinterpret_cast<std::remove_reference_t<decltype(into)>>(dlsym(m.handle, name)); };
        get(m.init, "VTInit");
        get(m.getVersion, "VTGetVersion");
        get(m.informVersion, "VTInformVersion");
        get(m.getName, "VTGetName");
        get(m.getDescription, "VTGetDescription");
        get(m.getCreator, "VTGetCreator");
        get(m.getDate, "VTGetDate");
        get(m.setRootFolder, "VTSetRootFolder");
        get(m.setRootIndex, "VTSetRootIndex");
        get(m.generate, "VTGenerate");
        get(m.getStyleNum, "VTGetStyleNum");
        get(m.setStyleNo, "VTSetStyleNo");
        get(m.getStyleName, "VTGetStyleName");
        get(m.getStyleDescription, "VTGetStyleDescription");
        return m;
    }();
    return module;
}

int ExhibitionModule::generateFor(int style, const fs::path& root, const fs::path& page)
{
    if (!init() || !setStyleNo(style))
        return -1;
    if (!setRootFolder(toCp932(root.string()).c_str()) || !setRootIndex(toCp932(page.string()).c_str()))
        return -1;
    generatedFrom = std::time(nullptr);
    int result = generate();
    generatedUntil = std::time(nullptr);
    return result;
}

void makeAlbum(const fs::path& folder, std::int64_t time)
{
    fs::create_directories(folder);
    fs::path page = folder / "index.htm";
    std::ofstream(page, std::ios::binary) << "<html><body>album</body></html>";
    struct timespec times[2] = {{static_cast<time_t>(time), 0}, {static_cast<time_t>(time), 0}};
    if (utimensat(AT_FDCWD, page.c_str(), times, 0) != 0)
        throw std::runtime_error("cannot set the page time");
}

void makeSampleTree(const fs::path& root)
{
    makeAlbum(root / "山田太郎" / "夏の旅", 1024110000);         // 2002-06-15
    makeAlbum(root / "山田太郎" / "秋の山" / "紅葉", 1035082800); // 2002-10-20, below a title folder
    makeAlbum(root / "佐藤花子", 1028170800);                     // 2002-08-01: between the two albums of 山田太郎
    makeAlbum(root / "鈴木一郎" / "__mat___", 1046660400);         // 2003-03-03, listed: not directly below the root
    makeAlbum(root / "__mat___", 1081047600);                     // newest of all, but never listed
    makeAlbum(root / "__mat___" / "共通", 1081047600);
    fs::create_directories(root / "空");
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string expectedPage(const std::string& name)
{
    return readFile(fs::path(CV_SOURCE_DIR) / "styles/expo-norm/tests/expected" / name);
}

std::string toCp932(const std::string& utf8)
{
    return platform::Cp932Codec::fromUtf8(utf8);
}

void pinClock()
{
    setenv("TZ", "JST-9", 1);
    tzset();
}

namespace {

std::string stampOf(std::int64_t seconds)
{
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm {};
    localtime_r(&t, &tm);
    char text[128];
    std::snprintf(text, sizeof text, "( %d 年 %d 月 %d 日 %d 時 %d 分 作成 )", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min);
    return toCp932(text);
}

} // namespace

std::string readRestamped(const fs::path& page)
{
    std::string text = readFile(page);
    const ExhibitionModule& module = ExhibitionModule::instance();
    for (std::int64_t t : {module.generatedFrom, module.generatedUntil}) {
        const std::string stamp = stampOf(t);
        if (std::size_t at = text.find(stamp); at != std::string::npos)
            return text.replace(at, stamp.size(), stampOf(stampTime));
    }
    return text;
}

} // namespace vtstest
