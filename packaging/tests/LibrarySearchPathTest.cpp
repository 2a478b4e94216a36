// No program or library of the build searches the current folder or a
// relative folder for the libraries and modules it needs: every run path
// entry is absolute or starts at $ORIGIN, and a library planted in the
// folder a program is started from is never loaded.

#include "platform/tests/OutsidePrograms.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool isElf(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::array<char, 4> magic {};
    return in.read(magic.data(), magic.size()) && magic == std::array<char, 4> {'\x7f', 'E', 'L', 'F'};
}

std::string output(const std::string& command)
{
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        std::array<char, 4096> buffer;
        while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
            text.append(buffer.data(), n);
        ::pclose(pipe);
    }
    return text;
}

// The RUNPATH and RPATH entries of `file`, as readelf prints them.
std::vector<std::string> searchPath(const std::string& readelf, const fs::path& file)
{
    std::vector<std::string> entries;
    const std::string dynamic = output("'" + readelf + "' -d '" + file.string() + "' 2>/dev/null");
    for (const char* label : {"Library runpath: [", "Library rpath: ["}) {
        for (std::size_t at = dynamic.find(label); at != std::string::npos; at = dynamic.find(label, at + 1)) {
            const std::size_t begin = at + std::char_traits<char>::length(label);
            const std::string list = dynamic.substr(begin, dynamic.find(']', begin) - begin);
            std::size_t start = 0;
            while (true) {
                const std::size_t colon = list.find(':', start);
                entries.push_back(list.substr(start, colon - start));
                if (colon == std::string::npos)
                    break;
                start = colon + 1;
            }
        }
    }
    return entries;
}

bool safeEntry(const std::string& entry)
{
    if (entry == "$ORIGIN" || entry == "${ORIGIN}")
        return true;
    if (entry.rfind("$ORIGIN/", 0) == 0 || entry.rfind("${ORIGIN}/", 0) == 0)
        return true;
    return !entry.empty() && entry.front() == '/';
}

// Checks every ELF file below `folder` (links aside); how many there were.
int checkElfFiles(const std::string& readelf, const fs::path& folder)
{
    int checked = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (it->is_symlink() || !it->is_regular_file() || !isElf(it->path()))
            continue;
        ++checked;
        for (const std::string& entry : searchPath(readelf, it->path()))
            EXPECT_TRUE(safeEntry(entry)) << it->path() << " searches '" << entry << "'";
    }
    EXPECT_FALSE(ec) << folder << ": " << ec.message();
    return checked;
}

} // namespace

TEST(LibrarySearchPath, EveryElfFileOfTheBuildAndTheInstallSearchesOnlyAbsoluteOrOwnFolders)
{
    const std::string readelf = testservers::requireProgram("readelf", "binutils");
    ASSERT_FALSE(readelf.empty());
    // The programs, the library and the modules at least.
    EXPECT_GE(checkElfFiles(readelf, CV_BIN_DIR), 5);

    // Installed, the run path is not rewritten: the same rule holds there.
    std::string pattern = (fs::temp_directory_path() / "CVprefixXXXXXX").string();
    const fs::path prefix = ::mkdtemp(pattern.data());
    const std::string install = "cmake --install '" + std::string(CV_BUILD_DIR) + "' --prefix '" + prefix.string()
        + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(install.c_str()), 0) << install;
    EXPECT_GE(checkElfFiles(readelf, prefix / "lib" / "corvandelle"), 5);
    fs::remove_all(prefix);
}

TEST(LibrarySearchPath, ALibraryPlantedInTheCurrentFolderIsNotLoaded)
{
    const fs::path program = fs::path(CV_BIN_DIR) / "corvan-cli";
    ASSERT_TRUE(fs::exists(program)) << "build corvan-cli first";
    std::string pattern = (fs::temp_directory_path() / "CVplantXXXXXX").string();
    const fs::path dir = ::mkdtemp(pattern.data());
    testservers::OwnHome home(dir / "home");
    // Under every name the dynamic loader might look for it.
    for (const char* name : {"libzip.so.4", "libzip.so"})
        fs::copy_file(CV_PLANTED_LIBRARY, dir / name);

    const std::string command = "cd '" + dir.string() + "' && " + home.envPrefix() + "'" + program.string()
        + "' --version 2>&1";
    const std::string printed = output(command);
    EXPECT_FALSE(fs::exists(dir / "planted-library-ran")) << "the planted libzip ran";
    EXPECT_EQ(printed.rfind("corvan-cli ", 0), 0u) << printed;
    fs::remove_all(dir);
}

// Without /proc a program cannot tell its own folder; it must then load no
// module at all (the current folder is no stand-in) and say why.
TEST(LibrarySearchPath, WithoutItsOwnFolderAProgramLoadsNoModuleAndSaysWhy)
{
    const fs::path program = fs::path(CV_BIN_DIR) / "glimmora-cli";
    ASSERT_TRUE(fs::exists(program)) << "build glimmora-cli first";
    const std::string unshare = testservers::requireProgram("unshare", "util-linux");
    ASSERT_FALSE(unshare.empty());
    const std::string probe = "'" + unshare + "' --mount --propagation private sh -c 'mount -t tmpfs none /proc'"
        " >/dev/null 2>&1";
    if (::geteuid() != 0 || std::system(probe.c_str()) != 0)
        GTEST_SKIP() << "hiding /proc needs a mount namespace of one's own (root with CAP_SYS_ADMIN)";
    std::string pattern = (fs::temp_directory_path() / "CVnoprocXXXXXX").string();
    const fs::path dir = ::mkdtemp(pattern.data());
    testservers::OwnHome home(dir / "home");
    // A module in the current folder's GMStyle/ that leaves a mark when loaded.
    fs::create_directories(dir / "GMStyle");
    fs::copy_file(CV_PLANTED_LIBRARY, dir / "GMStyle" / "GMSPlanted.so");

    const std::string command = "cd '" + dir.string() + "' && " + home.envPrefix() + "'" + unshare
        + "' --mount --propagation private sh -c 'mount -t tmpfs none /proc && exec \"$0\" styles' '"
        + program.string() + "' 2>&1";
    const std::string printed = output(command);
    EXPECT_FALSE(fs::exists(dir / "planted-library-ran")) << "a module of the current folder was loaded";
    EXPECT_NE(printed.find("プログラムのフォルダが分からないため、スタイルモジュールを読み込みませんでした。"), std::string::npos)
        << printed;
    fs::remove_all(dir);
}
