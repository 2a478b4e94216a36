// The window tests run in a home of their own: HOME, TMPDIR and the XDG
// folders lie in a fresh folder, made before the QApplication so that
// nothing reaches the real home folder or its settings. The media back end
// is the one the program chooses.

#include "album/window/ItemDialog.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "CVglimmoraXXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        return 2;
    const std::filesystem::path home = pattern;
    for (const char* sub : {".config", ".local/share", ".cache", "tmp", "runtime", "Documents", "Pictures"})
        std::filesystem::create_directories(home / sub);
    std::filesystem::permissions(home / "runtime", std::filesystem::perms::owner_all);
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("TMPDIR", (home / "tmp").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home / ".local/share").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (home / ".cache").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (home / "runtime").c_str(), 1);
    ::unsetenv("XDG_DOCUMENTS_DIR");
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "ffmpeg");

    int status = 0;
    {
        QApplication application(argc, argv);
        qRegisterMetaType<glimmora::ItemDialog*>();
        ::testing::InitGoogleTest(&argc, argv);
        status = RUN_ALL_TESTS();
    }
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return status;
}
