#pragma once
// The outside programs the tests start (servers, a browser, gzip): found on
// PATH before anything waits for them, named with their Debian package when
// missing, and run with a home and temporary folder of their own so that no
// test writes into the real home folder.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace testservers {

// The full path of an executable on PATH; empty when there is none.
inline std::string onPath(const std::string& name)
{
    if (name.find('/') != std::string::npos)
        return ::access(name.c_str(), X_OK) == 0 ? name : std::string();
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t begin = 0;
    while (begin <= folders.size()) {
        std::size_t end = folders.find(':', begin);
        if (end == std::string::npos)
            end = folders.size();
        std::string folder = folders.substr(begin, end - begin);
        std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + name;
        struct stat st;
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        begin = end + 1;
    }
    return {};
}

// onPath(name), or a test failure naming the package to install (and an
// empty path, so the caller can stop at once instead of waiting).
inline std::string requireProgram(const std::string& name, const std::string& package)
{
    std::string found = onPath(name);
    if (found.empty())
        ADD_FAILURE() << name << " is not on PATH: install the Debian package " << package
                      << " (scripts/install-deps.sh does)";
    return found;
}

// A python3 on PATH (or the system's) that has pyftpdlib; empty, with a
// failure naming the package, when none has.
inline std::string pythonWithPyftpdlib()
{
    // Asked once per test program: starting Python costs time.
    static const std::string found = [] {
        std::vector<std::string> candidates{"/usr/bin/python3"};
        if (std::string onPathPython = onPath("python3"); !onPathPython.empty())
            candidates.push_back(onPathPython);
        for (const std::string& python : candidates) {
            if (::access(python.c_str(), X_OK) != 0)
                continue;
            std::string check = "'" + python + "' -c 'import pyftpdlib' >/dev/null 2>&1";
            if (std::system(check.c_str()) == 0)
                return python;
        }
        return std::string();
    }();
    if (!found.empty())
        return found;
    ADD_FAILURE() << "no python3 with pyftpdlib: install the Debian package python3-pyftpdlib"
                     " (scripts/install-deps.sh does)";
    return {};
}

// A home of its own for a program a test starts, with the XDG folders below
// it and a temporary folder; made when missing.
struct OwnHome {
    std::filesystem::path home;

    explicit OwnHome(const std::filesystem::path& folder) : home(folder)
    {
        for (const char* sub : {".config", ".cache", ".local/share", "runtime", "tmp"})
            std::filesystem::create_directories(home / sub);
        std::filesystem::permissions(home / "runtime", std::filesystem::perms::owner_all);
    }
    // name=value pairs for the program's environment.
    std::vector<std::pair<std::string, std::string>> variables() const
    {
        return {{"HOME", home.string()},
                {"XDG_CONFIG_HOME", (home / ".config").string()},
                {"XDG_CACHE_HOME", (home / ".cache").string()},
                {"XDG_DATA_HOME", (home / ".local/share").string()},
                {"XDG_RUNTIME_DIR", (home / "runtime").string()},
                {"TMPDIR", (home / "tmp").string()}};
    }
    // The same as an "env NAME='value' ..." prefix for a shell command.
    std::string envPrefix() const
    {
        std::string prefix = "env";
        for (const auto& [name, value] : variables())
            prefix += " " + name + "='" + value + "'";
        return prefix + " ";
    }
    // Sets them in this process (for a child just forked, before exec).
    void apply() const
    {
        for (const auto& [name, value] : variables())
            ::setenv(name.c_str(), value.c_str(), 1);
    }
};

} // namespace testservers
