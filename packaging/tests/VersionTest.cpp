// Every program answers --version with the one version the project sets,
// before it needs a window, a display or a settings file.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace fs = std::filesystem;

TEST(VersionTest, EveryProgramPrintsTheProjectsVersionWithoutADisplay)
{
    const fs::path home = fs::temp_directory_path() / ("cv-version-" + std::to_string(::getpid()));
    fs::create_directories(home / "tmp");
    for (const char* program : {"corvan", "corvan-cli", "glimmora", "glimmora-cli", "vitrinel", "ledgerix", "rootgate"}) {
        // No display and a home of its own: a program that built a window or
        // touched the desktop before answering would fail or leave files.
        const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb HOME='" + home.string()
            + "' TMPDIR='" + (home / "tmp").string() + "' '" + CV_BIN_DIR + "/" + program + "' --version 2>&1";
        std::string text;
        FILE* pipe = ::popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::array<char, 256> buffer;
        while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
            text.append(buffer.data(), n);
        const int status = ::pclose(pipe);
        EXPECT_EQ(status, 0) << program;
        EXPECT_EQ(text, std::string(program) + " " + CV_PROJECT_VERSION + "\n");
    }
    EXPECT_TRUE(fs::is_empty(home / "tmp"));
    fs::remove_all(home);
}
