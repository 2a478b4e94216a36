// Fetches a list of paths from one http server through HttpSource, as the
// receive engine would for one source, and prints files, bytes and seconds.
// usage: net_bench HOST PORT LIST   (LIST: one request path per line)

#include "platform/HttpSource.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s HOST PORT LIST\n", argv[0]);
        return 2;
    }
    std::vector<std::string> paths;
    std::ifstream list(argv[3]);
    for (std::string line; std::getline(list, line);)
        if (!line.empty())
            paths.push_back(line);

    platform::HttpSource source(argv[1], std::stoi(argv[2]), {}, {}, false, {}, {});
    if (!source.open())
        return 1;
    long long bytes = 0;
    int failed = 0;
    auto start = std::chrono::steady_clock::now();
    for (const std::string& path : paths) {
        platform::HttpFileRequest request;
        request.remoteName = path;
        platform::HttpFileResult r = source.fetch(request);
        if (r.status != platform::TransferStatus::Received) {
            ++failed;
            continue;
        }
        // Left in place, as curl and wget leave theirs: the engine's host
        // moves them, and deleting here would time the file system.
        bytes += r.size;
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("files %zu failed %d bytes %lld seconds %.3f\n", paths.size(), failed, bytes, seconds);
    return failed ? 1 : 0;
}
