// The exhibition page opened in a real browser: its album links must lead to
// the album pages on disk.

#include "VTSNormTestSupport.h"

#include "platform/tests/OutsidePrograms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

using namespace vtstest;
namespace fs = std::filesystem;

namespace {

std::string runCapturing(const std::string& command)
{
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char chunk[4096];
    std::size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0)
        out.append(chunk, n);
    pclose(pipe);
    return out;
}

std::string percentDecoded(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

TEST(VTSNormBrowserTest, AlbumLinkResolvesToTheAlbumPageOnDisk)
{
    const std::string chromium = testservers::requireProgram("chromium", "chromium");
    ASSERT_FALSE(chromium.empty());
    auto& module = ExhibitionModule::instance();
    ASSERT_NE(module.handle, nullptr);
    pinClock();

    ScratchFolder scratch;
    fs::path root = scratch.path() / "Glimmora";
    makeSampleTree(root);
    ASSERT_EQ(module.generateFor(0, root, root / "index.htm"), 1);

    fs::path profile = scratch.path() / "profile";
    fs::create_directory(profile);
    // Its own home: caches and settings (dconf) stay in the scratch folder.
    const testservers::OwnHome home(scratch.path() / "home");
    auto browse = [&](const fs::path& page, const std::string& extra) {
        return runCapturing(home.envPrefix() + chromium
                            + " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
                              " --disable-background-networking --disable-component-update --disable-sync"
                              " --user-data-dir=" + profile.string() + " " + extra + " --dump-dom file://"
                            + page.string() + " 2>/dev/null");
    };

    // The page declares no encoding: the browser must still show the folder
    // names as written.
    std::string shown = browse(root / "index.htm", "");
    EXPECT_NE(shown.find(">紅葉</a> ( 2002 年 10 月)"), std::string::npos) << shown;

    // A probe page frames the exhibition page and lists the address every
    // link resolves to. (A framed page takes its encoding from the probe, so
    // only the addresses are looked at here.)
    fs::path probe = scratch.path() / "probe.htm";
    std::ofstream(probe) << "<html><head><meta charset=\"utf-8\"></head><body>"
                            "<iframe id=\"f\" src=\"Glimmora/index.htm\"></iframe><pre id=\"out\"></pre><script>"
                            "document.getElementById('f').onload = function () {"
                            "  var s = '', links = this.contentDocument.links;"
                            "  for (var i = 0; i < links.length; i++) s += links[i].href + '\\n';"
                            "  document.getElementById('out').textContent = s; };"
                            "</script></body></html>";
    std::string dom = browse(probe, "--allow-file-access-from-files --virtual-time-budget=5000");

    std::size_t start = dom.find("<pre id=\"out\">");
    ASSERT_NE(start, std::string::npos) << dom;
    start += std::strlen("<pre id=\"out\">");
    std::string listing = dom.substr(start, dom.find("</pre>", start) - start);

    std::vector<fs::path> albums;
    std::istringstream lines(listing);
    for (std::string address; std::getline(lines, address);) {
        if (address.rfind("file://", 0) == 0)
            albums.push_back(percentDecoded(address.substr(std::strlen("file://"))));
    }
    ASSERT_EQ(albums.size(), 4u) << listing;
    for (const fs::path& album : albums)
        EXPECT_TRUE(fs::is_regular_file(album)) << album;
    fs::path autumn = root / "山田太郎" / "秋の山" / "紅葉" / "index.htm";
    EXPECT_TRUE(std::any_of(albums.begin(), albums.end(), [&](const fs::path& a) {
        std::error_code ec;
        return fs::equivalent(a, autumn, ec);
    })) << listing;
}

} // namespace
