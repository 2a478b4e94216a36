// libFuzzer target for the archive index reader: any bytes as an archive.
// Reading must refuse or succeed without touching memory it does not own,
// allocate nothing the file cannot hold, and leave no temporary file behind;
// whatever it accepts is then extracted entry by entry.

#include "guidepost/GuidePostArchive.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>
#include <string>
#include <unistd.h>

namespace {

std::string scratch;

bool folderEmpty(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return false;
    int entries = 0;
    while (dirent* e = ::readdir(dir))
        if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
            ++entries;
    ::closedir(dir);
    return entries == 0;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    char pattern[] = "/tmp/cv-archive-fuzz-XXXXXX";
    if (!::mkdtemp(pattern))
        std::abort();
    scratch = pattern;
    std::string tmp = scratch + "/tmp";
    ::mkdir(tmp.c_str(), 0700);
    ::setenv("TMPDIR", tmp.c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string archive = scratch + "/input.gpa";
    std::FILE* f = std::fopen(archive.c_str(), "wb");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0)
        std::abort();

    ArchiveIndex index;
    if (GuidePostArchive::ReadIndex(archive, index)) {
        ::unlink(index.documentPath.c_str());
        static const unsigned char code[] = {'f', 'u', 'z', 'z'};
        const std::string out = scratch + "/entry";
        for (const auto& record : index.records) {
            if (index.byName.find(record.name) == index.byName.end())
                std::abort();
            GuidePostArchive::ExtractEntry(archive, out, record, nullptr, 0);
            GuidePostArchive::ExtractEntry(archive, out, record, code, sizeof code);
            ::unlink(out.c_str());
        }
    } else if (!index.records.empty() || !index.documentPath.empty()) {
        std::abort();
    }
    if (!folderEmpty(scratch + "/tmp"))
        std::abort();  // a temporary file left behind
    return 0;
}
