#pragma once
// An xdg-open of a test's own: a script that notes each target it is asked
// to open in a file instead of starting a program. Put binFolder() first on
// the PATH of the code under test.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace platformtest {

class RecordingXdgOpen {
public:
    explicit RecordingXdgOpen(const std::filesystem::path& folder)
        : bin_(folder / "recorder-bin"), record_(folder / "opened.txt")
    {
        std::filesystem::create_directories(bin_);
        const std::filesystem::path script = bin_ / "xdg-open";
        std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << record_.string() << "'\n";
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    }

    std::string binFolder() const { return bin_.string(); }

    // The targets opened so far, one per call, oldest first.
    std::vector<std::string> opened() const
    {
        std::vector<std::string> lines;
        std::ifstream in(record_);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    // The script runs on its own: waits (at most 20 s) until `count` targets
    // were noted.
    std::vector<std::string> waitFor(std::size_t count) const
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        std::vector<std::string> lines = opened();
        while (lines.size() < count && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            lines = opened();
        }
        return lines;
    }

private:
    std::filesystem::path bin_;
    std::filesystem::path record_;
};

} // namespace platformtest
