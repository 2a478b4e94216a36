// Times Blowfish file enciphering against `openssl enc -bf-ecb` on the same
// file in the same run. Goal: at least 0.8 times openssl's rate.
//
//     cipher_bench [size in MiB, default 256] [work folder, default $TMPDIR]

#include "guidepost/CBlowfish.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

const unsigned char benchKey[16] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                                    0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};

std::string keyHex()
{
    std::string hex;
    char two[3];
    for (unsigned char b : benchKey) {
        std::snprintf(two, sizeof two, "%02X", b);
        hex += two;
    }
    return hex;
}

bool writeSample(const std::string& path, std::uint64_t bytes)
{
    std::ofstream out(path, std::ios::binary);
    std::unique_ptr<std::uint64_t[]> block(new std::uint64_t[1 << 17]);
    std::uint64_t x = 0x9E3779B97F4A7C15ull;
    for (std::uint64_t done = 0; done < bytes;) {
        for (std::size_t i = 0; i < (1 << 17); ++i) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            block[i] = x;
        }
        const std::uint64_t n = std::min<std::uint64_t>(bytes - done, std::uint64_t(8) << 17);
        out.write(reinterpret_cast<const char*>(block.get()), static_cast<std::streamsize>(n));
        done += n;
    }
    return static_cast<bool>(out);
}

template <typename F>
double seconds(F&& f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    const std::uint64_t mib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 256;
    const char* tmp = std::getenv("TMPDIR");
    const std::filesystem::path folder =
        std::filesystem::path(argc > 2 ? argv[2] : (tmp && *tmp ? tmp : "/tmp")) /
        ("cv-cipher-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string plain = (folder / "plain").string();
    const std::string ours = (folder / "ours").string();
    const std::string theirs = (folder / "theirs").string();
    const std::uint64_t bytes = mib << 20;

    if (!writeSample(plain, bytes)) {
        std::fprintf(stderr, "cannot write %s\n", plain.c_str());
        return 1;
    }

    CBlowfish bf;
    bf.SetKey(benchKey, sizeof benchKey);
    const std::string openssl = "openssl enc -bf-ecb -nosalt -K " + keyHex() +
                                " -provider legacy -provider default -in '" + plain + "' -out '" + theirs + "'";

    // Best of three, alternating, so both read the same cached file.
    double bestOurs = 1e30, bestTheirs = 1e30;
    bool ok = true;
    for (int round = 0; round < 3 && ok; ++round) {
        bestTheirs = std::min(bestTheirs, seconds([&] { ok = ok && std::system(openssl.c_str()) == 0; }));
        bestOurs = std::min(bestOurs, seconds([&] { ok = ok && bf.EncipherFile(plain, ours) == bytes; }));
    }
    std::filesystem::remove_all(folder);
    if (!ok) {
        std::fprintf(stderr, "a run failed (is the openssl legacy provider installed?)\n");
        return 1;
    }

    const double mb = static_cast<double>(bytes) / 1e6;
    std::printf("file            %llu MiB\n", static_cast<unsigned long long>(mib));
    std::printf("CBlowfish       %8.1f MB/s (%.3f s)\n", mb / bestOurs, bestOurs);
    std::printf("openssl bf-ecb  %8.1f MB/s (%.3f s)\n", mb / bestTheirs, bestTheirs);
    std::printf("ratio           %8.2f (goal >= 0.80)\n", bestTheirs / bestOurs);
    return 0;
}
