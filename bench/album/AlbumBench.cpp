// The album's picture fitting against its peers, each in a process of its
// own so that time and peak memory are its alone:
//
//   album_bench generate DIR          100 photograph-like JPEGs, 4000 x 3000
//   album_bench fit DIR OUT           fit every DIR/*.jpg into 400 x 400 (one thread)
//   album_bench run DIR [ROUNDS]      generate when needed, then per round:
//                                     ours, vipsthumbnail -s 400, convert -resize
//                                     400x400 (each writing quality 80), and
//                                     glimmora-cli publish of the same pictures;
//                                     medians and ratios at the end.
//   album_bench heic DIR [ROUNDS [N]] 100 (or N) HEIC pictures of 4032 x 3024 (made with
//                                     libheif's encoder when missing), then per
//                                     round glimmora-cli publish against
//                                     vipsthumbnail -s 400; outputs counted.
//   album_bench heic-tiled DIR ...    the same with pictures as phones write
//                                     them: 512-pixel tiles, turned by irot.

#include "album/core/JpegReader.h"
#include "album/core/JpegWriter.h"
#include "album/testsupport/TestJpeg.h"
#include "album/testsupport/TestPictures.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int pictureCount = 100;
constexpr int sourceWidth = 4000, sourceHeight = 3000;

std::vector<fs::path> pictures(const fs::path& dir)
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().extension() == ".jpg")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

int generate(const fs::path& dir)
{
    fs::create_directories(dir);
    std::atomic<int> next {0};
    auto work = [&] {
        for (int i; (i = next.fetch_add(1)) < pictureCount;) {
            char name[32];
            std::snprintf(name, sizeof name, "photo%03d.jpg", i);
            const fs::path path = dir / name;
            if (fs::exists(path))
                continue;
            albumtest::JpegOptions options;
            options.quality = 90;
            albumtest::writeJpeg((dir / (std::string(name) + ".part")).string(), sourceWidth, sourceHeight,
                                 albumtest::photoLike(sourceWidth, sourceHeight, static_cast<unsigned>(i + 1)), options);
            fs::rename(dir / (std::string(name) + ".part"), path);
        }
    };
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < std::max(1u, std::thread::hardware_concurrency()); ++t)
        threads.emplace_back(work);
    for (auto& t : threads)
        t.join();
    return 0;
}

int fit(const fs::path& dir, const fs::path& out)
{
    fs::create_directories(out);
    for (const fs::path& file : pictures(dir)) {
        album::DecodedPicture d = album::JpegReader::readFitted(file.string(), {400, 400}, file.filename().string());
        if (!album::JpegWriter::write(d.image, (out / file.filename()).string())) {
            std::fprintf(stderr, "cannot write %s\n", file.c_str());
            return 1;
        }
    }
    return 0;
}

// Runs `work` in a child process and waits for it. The pictures are made
// there: a fork carries the parent's resident memory into the child's peak
// (the kernel keeps the larger of before and after exec), so the process
// that starts the measured programs must stay small.
template<typename Work>
void inChild(Work work)
{
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(work());
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "making the pictures failed\n");
        std::exit(1);
    }
}

struct Measure {
    double seconds = 0;
    double cpuSeconds = 0; // user and system time of the process and its threads
    long peakKiB = 0;
    bool ok = true;
};

// Runs one command (argv) and waits; its wall time and peak resident memory.
Measure spawn(const std::vector<std::string>& argv, const std::vector<std::string>& environment = {})
{
    const auto start = Clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        for (const std::string& e : environment)
            ::putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        if (!std::getenv("BENCH_VERBOSE")) {
            std::freopen("/dev/null", "w", stdout);
        }
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage {};
    ::wait4(child, &status, 0, &usage);
    Measure m;
    m.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    m.peakKiB = usage.ru_maxrss;
    m.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    m.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return m;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

int run(const fs::path& dir, int rounds)
{
    std::printf("generating pictures in %s ...\n", dir.c_str());
    inChild([&] { return generate(dir); });
    const std::vector<fs::path> files = pictures(dir);
    std::uintmax_t bytes = 0;
    for (const fs::path& f : files)
        bytes += fs::file_size(f);
    std::printf("%zu pictures of %dx%d, %.1f MB in all\n", files.size(), sourceWidth, sourceHeight, bytes / 1e6);

    const fs::path self = fs::read_symlink("/proc/self/exe");
    const fs::path glimmora = self.parent_path() / "glimmora-cli";
    const fs::path out = dir.parent_path() / (dir.filename().string() + "-out");

    struct Peer {
        const char* name;
        std::vector<double> seconds;
        std::vector<double> cpuSeconds;
        long peakKiB = 0;
    };
    Peer ours {"album core (1 thread)", {}, {}, 0}, vips {"vipsthumbnail -s 400", {}, {}, 0},
        vipsOne {"vipsthumbnail, VIPS_CONCURRENCY=1", {}, {}, 0},
        magick {"convert -resize 400x400", {}, {}, 0}, publish {"glimmora-cli publish (end to end)", {}, {}, 0};
    auto record = [](Peer& peer, const Measure& m) {
        if (!m.ok)
            std::fprintf(stderr, "%s failed\n", peer.name);
        peer.seconds.push_back(m.seconds);
        peer.cpuSeconds.push_back(m.cpuSeconds);
        peer.peakKiB = std::max(peer.peakKiB, m.peakKiB);
    };
    for (int round = 0; round < rounds; ++round) {
        std::printf("round %d of %d\n", round + 1, rounds);
        std::fflush(stdout);
        fs::remove_all(out);
        fs::create_directories(out / "ours");
        fs::create_directories(out / "vips");
        fs::create_directories(out / "magick");
        record(ours, spawn({self.string(), "fit", dir.string(), (out / "ours").string()}));

        std::vector<std::string> v = {"vipsthumbnail", "-s", "400", "-o", (out / "vips").string() + "/%s.jpg[Q=80]"};
        for (const fs::path& f : files)
            v.push_back(f.string());
        record(vips, spawn(v));
        record(vipsOne, spawn(v, {"VIPS_CONCURRENCY=1"}));

        Measure all;
        for (const fs::path& f : files) {
            Measure m = spawn({"/usr/bin/convert", f.string(), "-resize", "400x400", "-quality", "80",
                               (out / "magick" / f.filename()).string()});
            all.seconds += m.seconds;
            all.cpuSeconds += m.cpuSeconds;
            all.peakKiB = std::max(all.peakKiB, m.peakKiB);
            all.ok = all.ok && m.ok;
        }
        record(magick, all);

        record(publish, spawn({glimmora.string(), "publish", "--creator", "ベンチマーク", "--title", "百枚", dir.string(),
                               "-o", (out / "album.gpa").string()}));
    }
    fs::remove_all(out);

    // Time as the ratio ours / peer: below 1 means ours took less.
    const double base = median(ours.seconds), baseCpu = median(ours.cpuSeconds);
    std::printf("\n%-36s %9s %9s %9s %9s %9s\n", "medians", "wall s", "ours/it", "cpu s", "ours/it", "peak MiB");
    for (const Peer* p : {&ours, &vips, &vipsOne, &magick, &publish}) {
        const double m = median(p->seconds), c = median(p->cpuSeconds);
        std::printf("%-36s %9.2f %9.2f %9.2f %9.2f %9.1f\n", p->name, m, base / m, c, baseCpu / c, p->peakKiB / 1024.0);
    }
    std::printf("\nper picture (cpu): ours %.1f ms, vipsthumbnail %.1f ms, convert %.1f ms\n",
                1000 * baseCpu / files.size(), 1000 * median(vips.cpuSeconds) / files.size(),
                1000 * median(magick.cpuSeconds) / files.size());
    return 0;
}

constexpr int heicWidth = 4032, heicHeight = 3024;

// `tiled`: as phones write them, a grid of 512-pixel tiles turned by irot
// (and the same turn in Exif); else one coded picture, as libheif writes.
int generateHeic(const fs::path& dir, int count, bool tiled)
{
    fs::create_directories(dir);
    std::atomic<int> next {0};
    auto work = [&] {
        for (int i; (i = next.fetch_add(1)) < count;) {
            char name[32];
            std::snprintf(name, sizeof name, "photo%03d.heic", i);
            if (fs::exists(dir / name))
                continue;
            albumtest::RgbaPicture picture {heicWidth, heicHeight,
                                            std::vector<std::uint8_t>(std::size_t(heicWidth) * heicHeight * 4)};
            const albumtest::RowPainter paint = albumtest::photoLike(heicWidth, heicHeight, static_cast<unsigned>(i + 1));
            std::vector<std::uint8_t> row(std::size_t(heicWidth) * 3);
            for (int y = 0; y < heicHeight; ++y) {
                paint(y, row.data());
                for (int x = 0; x < heicWidth; ++x) {
                    std::uint8_t* px = &picture.pixels[(std::size_t(y) * heicWidth + x) * 4];
                    std::copy_n(&row[std::size_t(x) * 3], 3, px);
                    px[3] = 255;
                }
            }
            albumtest::HeicOptions options;
            options.quality = 80;
            const fs::path part = dir / (std::string(name) + ".part");
            if (tiled) {
                options.transform = 6;
                options.exifOrientation = 6;
                albumtest::writeTiledHeic(part.string(), picture, 512, options);
            } else {
                albumtest::writeHeic(part.string(), picture, options);
            }
            fs::rename(part, dir / name);
        }
    };
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < std::max(1u, std::thread::hardware_concurrency()); ++t)
        threads.emplace_back(work);
    for (auto& t : threads)
        t.join();
    return 0;
}

std::size_t filesIn(const fs::path& dir)
{
    std::error_code ec;
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir, ec), fs::directory_iterator()));
}

int runHeic(const fs::path& dir, int rounds, int count, bool tiled)
{
    std::printf("generating HEIC pictures in %s ...\n", dir.c_str());
    std::fflush(stdout);
    inChild([&] { return generateHeic(dir, count, tiled); });
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().extension() == ".heic")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    if (files.size() > static_cast<std::size_t>(count))
        files.resize(static_cast<std::size_t>(count));
    const fs::path self = fs::read_symlink("/proc/self/exe");
    const fs::path glimmora = self.parent_path() / "glimmora-cli";
    const fs::path out = dir.parent_path() / (dir.filename().string() + "-out");
    std::vector<double> oursSeconds, vipsSeconds;
    long oursPeak = 0, vipsPeak = 0;
    for (int round = 0; round < rounds; ++round) {
        std::printf("round %d of %d\n", round + 1, rounds);
        std::fflush(stdout);
        fs::remove_all(out);
        fs::create_directories(out / "vips");
        // Alternate who goes first, so that neither always finds the cache warm.
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn + round) % 2 == 0) {
                std::vector<std::string> g = {glimmora.string(), "publish", "--creator", "ベンチマーク", "--title", "百枚"};
                for (const fs::path& f : files)
                    g.push_back(f.string());
                g.insert(g.end(), {"-o", (out / "album.gpa").string()});
                const Measure m = spawn(g);
                if (!m.ok || !fs::exists(out / "album.gpa"))
                    std::fprintf(stderr, "glimmora-cli publish failed\n");
                oursSeconds.push_back(m.seconds);
                oursPeak = std::max(oursPeak, m.peakKiB);
            } else {
                std::vector<std::string> v = {"vipsthumbnail", "-s", "400", "-o",
                                              (out / "vips").string() + "/%s.jpg[Q=80]"};
                for (const fs::path& f : files)
                    v.push_back(f.string());
                const Measure m = spawn(v);
                if (!m.ok || filesIn(out / "vips") != files.size())
                    std::fprintf(stderr, "vipsthumbnail failed\n");
                vipsSeconds.push_back(m.seconds);
                vipsPeak = std::max(vipsPeak, m.peakKiB);
            }
        }
    }
    fs::remove_all(out);
    const double ours = median(oursSeconds), vips = median(vipsSeconds);
    std::printf("\n%zu %sHEIC pictures of %dx%d fitted to 400 px\n", files.size(), tiled ? "tiled, turned " : "",
                heicWidth, heicHeight);
    std::printf("%-36s %9s %9s\n", "medians", "wall s", "peak MiB");
    std::printf("%-36s %9.2f %9.1f\n", "glimmora-cli publish", ours, oursPeak / 1024.0);
    std::printf("%-36s %9.2f %9.1f\n", "vipsthumbnail -s 400", vips, vipsPeak / 1024.0);
    std::printf("ours / vipsthumbnail: %.2f (goal at most 1.0); peak goal under 128 MiB\n", vips > 0 ? ours / vips : 0);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "generate" && argc == 3)
        return generate(argv[2]);
    if (mode == "fit" && argc == 4)
        return fit(argv[2], argv[3]);
    if (mode == "run" && (argc == 3 || argc == 4))
        return run(fs::absolute(argv[2]), argc == 4 ? std::max(1, std::atoi(argv[3])) : 3);
    if ((mode == "heic" || mode == "heic-tiled") && argc >= 3 && argc <= 5)
        return runHeic(fs::absolute(argv[2]), argc >= 4 ? std::max(1, std::atoi(argv[3])) : 3,
                       argc == 5 ? std::clamp(std::atoi(argv[4]), 1, pictureCount) : pictureCount, mode == "heic-tiled");
    std::fprintf(stderr, "usage: album_bench generate DIR | fit DIR OUT | run DIR [ROUNDS] | heic DIR [ROUNDS [N]]\n");
    return 2;
}
