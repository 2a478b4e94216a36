// How long a stop takes: a receive session fetches one large file from a
// server on 127.0.0.1 that either sends nothing after its first bytes
// (stalled) or sends as fast as it can (flowing); at a random moment of the
// transfer the host calls cancel(), and the time until the session has ended
// (temporary files removed, result ready) is measured. Goal: the worst of 20
// stops in each case under one second.
//
//     cancel_bench [stops per case, default 20]

#include "receiver/engine/ReceiveSession.h"

#include "guidepost/CAMData.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace receive;
using Clock = std::chrono::steady_clock;

namespace {

// Answers every connection with headers promising 4 GiB, then either sends
// the first bytes and nothing more, or keeps sending until the client goes
// away.
class Server {
public:
    explicit Server(bool stall) : stall_(stall)
    {
        listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        socklen_t length = sizeof addr;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &length);
        port = ntohs(addr.sin_port);
        ::listen(listen_, 16);
        thread_ = std::thread([this] { run(); });
    }
    ~Server()
    {
        stop_ = true;
        ::shutdown(listen_, SHUT_RDWR);
        ::close(listen_);
        thread_.join();
        for (std::thread& t : clients_)
            t.join();
    }
    int port = 0;

private:
    void run()
    {
        for (;;) {
            int fd = ::accept(listen_, nullptr, nullptr);
            if (fd < 0)
                return;
            clients_.emplace_back([this, fd] { serve(fd); });
        }
    }
    void serve(int fd)
    {
        char buffer[4096];
        std::string request;
        while (request.find("\r\n\r\n") == std::string::npos) {
            ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            request.append(buffer, static_cast<std::size_t>(n));
        }
        const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 4294967296\r\n\r\n";
        ::send(fd, head.data(), head.size(), MSG_NOSIGNAL);
        const std::string block(64 * 1024, 'x');
        ::send(fd, block.data(), block.size(), MSG_NOSIGNAL);
        while (!stop_) {
            if (stall_) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                char probe;
                // The client has gone away when the socket reads as closed.
                ssize_t n = ::recv(fd, &probe, 1, MSG_DONTWAIT);
                if (n == 0)
                    break;
                continue;
            }
            // About 30 MB/s: data keeps coming without filling the disk.
            if (::send(fd, block.data(), block.size(), MSG_NOSIGNAL) < 0)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        ::close(fd);
    }

    bool stall_;
    int listen_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::vector<std::thread> clients_;
};

std::string writeGuidePost(const fs::path& folder, int port)
{
    CAMData model;
    model.name = "cancel";
    model.creator = "bench";
    auto task = std::make_unique<TaskRecord>();
    task->name = "task";
    task->folderText = "out";
    task->folderList = {"out"};
    auto source = std::make_unique<SourceRecord>();
    source->name = "server";
    source->protocol = guidepost::ProtocolHttp;
    source->serverName = "127.0.0.1";
    source->port = static_cast<std::uint16_t>(port);
    auto list = std::make_unique<FileListRecord>();
    list->name = "list";
    auto file = std::make_unique<FileRecord>();
    file->remote = "big.bin";
    list->files.push_back(std::move(file));
    source->fileLists.push_back(std::move(list));
    task->sources.push_back(std::move(source));
    model.tasks.push_back(std::move(task));
    const std::string path = (folder / "cancel.gp").string();
    model.Save(path);
    return path;
}

// One receive stopped at a random moment of its transfer; the seconds from
// cancel() to the end, or -1 when it did not end as cancelled.
double stopOnce(const std::string& gp, const fs::path& root, std::mt19937& random)
{
    ReceiveSessionOptions options;
    options.recordRecent = false;
    options.transfer.stallSeconds = 3600;
    ReceiveSession session(options);
    session.setEventHandler([&session](const SessionEvent& e) {
        if (e.kind == SessionEventKind::QuestionAsked)
            session.answer(e.questionId, Answer{e.question.defaultButton, {}, {}});
    });
    session.start(gp, root.string());
    while (session.snapshot().fileReceived == 0 && !session.finished())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 500)(random)));
    const auto stop = Clock::now();
    session.cancel();
    session.waitFinished(std::chrono::minutes(2));
    const double seconds = std::chrono::duration<double>(Clock::now() - stop).count();
    return session.result().outcome == ReceiveOutcome::Cancelled ? seconds : -1;
}

void runCase(const char* label, bool stall, int stops, const fs::path& work, std::mt19937& random)
{
    Server server(stall);
    const std::string gp = writeGuidePost(work, server.port);
    std::vector<double> times;
    for (int i = 0; i < stops; ++i) {
        double t = stopOnce(gp, work / ("root-" + std::to_string(i)), random);
        if (t < 0) {
            std::fprintf(stderr, "%s: stop %d did not end as cancelled\n", label, i + 1);
            return;
        }
        times.push_back(t);
    }
    std::sort(times.begin(), times.end());
    std::printf("%-8s %d stops: median %.1f ms, worst %.1f ms (goal: worst under 1000 ms) %s\n", label, stops,
                times[times.size() / 2] * 1000, times.back() * 1000, times.back() < 1.0 ? "met" : "MISSED");
}

} // namespace

int main(int argc, char** argv)
{
    const int stops = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    std::string pattern = (fs::temp_directory_path() / "CVcancelXXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path work(pattern);
    std::mt19937 random(std::random_device{}());
    runCase("stalled", true, stops, work, random);
    runCase("flowing", false, stops, work, random);
    fs::remove_all(work);
    return 0;
}
