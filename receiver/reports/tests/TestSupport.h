#pragma once
// Shared helpers of the report tests: a fresh folder per test, reading pages
// back as UTF-8 and recording what would have been opened.

#include "platform/Cp932Codec.h"
#include "platform/Settings.h"
#include "platform/Shell.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace reports::testing {

inline std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// An expected page as written by hand (UTF-8, LF, "@ROOT@" for the save root)
// in the stored form: code page 932 with CR LF.
inline std::string expectedPage(const std::string& name, const std::string& root)
{
    std::string text = readBytes(std::string(CV_SOURCE_DIR) + "/receiver/reports/tests/expected/" + name);
    auto replaceAll = [&](const std::string& marker, const std::string& with) {
        for (std::size_t at; (at = text.find(marker)) != std::string::npos;)
            text.replace(at, marker.size(), with);
    };
    replaceAll("@ROOTNS@", root.substr(1));
    replaceAll("@ROOT@", root);
    replaceAll("@TAB@", "\t");
    std::string crlf;
    for (char c : text) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    return platform::Cp932Codec::fromUtf8(crlf);
}

class ReportFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = std::filesystem::temp_directory_path().string() + "/CVreportsXXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        root = folder + "/root";
        std::filesystem::create_directories(root);
        platform::Settings::setStorageFolder(folder + "/settings");
        platform::Shell::setOpener([this](const std::string& target) {
            opened.push_back(target);
            return true;
        });
    }
    void TearDown() override
    {
        platform::Shell::setOpener({});
        std::error_code ec;
        std::filesystem::permissions(root + "/_html___", std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(folder, ec);
    }
    std::string page(const std::string& name) const { return root + "/_html___/" + name; }
    std::string pageText(const std::string& name) const
    {
        return platform::Cp932Codec::toUtf8(readBytes(page(name)));
    }

    std::string folder, root;
    std::vector<std::string> opened;
};

} // namespace reports::testing
