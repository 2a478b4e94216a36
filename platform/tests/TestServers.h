#pragma once
// Real servers on 127.0.0.1 for the transfer tests: cpp-httplib in process,
// a raw socket server for broken answers, tinyproxy and pyftpdlib as child
// processes. Nothing listens beyond the loopback address.

#include "OutsidePrograms.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testservers {

inline int freePort()
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

inline std::string base64(const std::string& in)
{
    static const char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < in.size(); i += 3) {
        unsigned v = (unsigned char)in[i] << 16 | (unsigned char)in[i + 1] << 8 | (unsigned char)in[i + 2];
        out += table[v >> 18];
        out += table[(v >> 12) & 63];
        out += table[(v >> 6) & 63];
        out += table[v & 63];
    }
    if (i < in.size()) {
        unsigned v = (unsigned char)in[i] << 16 | (i + 1 < in.size() ? (unsigned char)in[i + 1] << 8 : 0);
        out += table[v >> 18];
        out += table[(v >> 12) & 63];
        out += i + 1 < in.size() ? table[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

inline bool canConnect(int port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

inline bool waitForPort(int port, int seconds = 10)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (canConnect(port))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// cpp-httplib on a free port; routes are added before start().
class HttpServer {
public:
    httplib::Server server;
    int port = 0;

    void start()
    {
        port = server.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server.listen_after_bind(); });
        while (!server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~HttpServer()
    {
        server.stop();
        if (thread_.joinable())
            thread_.join();
    }

private:
    std::thread thread_;
};

// A route that sends `total` bytes in 4 KiB pieces, one every 20 ms, for as
// long as `serving` holds: a transfer that is still under way whenever a
// test wants to stop it.
inline void serveSlowly(httplib::Server& server, const std::string& path, std::size_t total,
                        const std::atomic<bool>& serving)
{
    server.Get(path, [total, &serving](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(total, "application/octet-stream",
                                 [&serving](std::size_t, std::size_t length, httplib::DataSink& sink) {
                                     if (!serving)
                                         return false;
                                     std::this_thread::sleep_for(std::chrono::milliseconds(20));
                                     std::string piece(std::min<std::size_t>(length, 4096), 's');
                                     return sink.write(piece.data(), piece.size());
                                 });
    });
}

// A socket listening on 127.0.0.1 at a free port, which it sets.
inline int listenOnLoopback(int& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin_port);
    ::listen(fd, 8);
    return fd;
}

// A request read up to the end of its head (or of the connection).
inline std::string readRequestHead(int fd)
{
    char buffer[4096];
    std::string request;
    while (request.find("\r\n\r\n") == std::string::npos) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        request.append(buffer, static_cast<std::size_t>(n));
    }
    return request;
}

// Answers every connection with a fixed byte string, optionally pausing
// part way, then closes: for answers no well-behaved server gives.
class RawServer {
public:
    // Sends head, waits pauseMs, sends tail, closes.
    RawServer(std::string head, int pauseMs = 0, std::string tail = {})
        : head_(std::move(head)), tail_(std::move(tail)), pauseMs_(pauseMs)
    {
        listen_ = listenOnLoopback(port);
        thread_ = std::thread([this] { run(); });
    }
    ~RawServer()
    {
        stop_ = true;
        ::shutdown(listen_, SHUT_RDWR);
        ::close(listen_);
        if (thread_.joinable())
            thread_.join();
    }
    int port = 0;

private:
    void run()
    {
        while (!stop_) {
            int fd = ::accept(listen_, nullptr, nullptr);
            if (fd < 0)
                return;
            readRequestHead(fd);
            ::send(fd, head_.data(), head_.size(), MSG_NOSIGNAL);
            for (int waited = 0; waited < pauseMs_ && !stop_; waited += 20)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ::send(fd, tail_.data(), tail_.size(), MSG_NOSIGNAL);
            ::close(fd);
        }
    }

    std::string head_, tail_;
    int pauseMs_;
    int listen_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Serves one body with byte ranges the way a script says: each request
// takes the next step (the last repeats). A step may answer a bare status
// (with extra headers such as Retry-After), cut the body after some bytes
// with a reset, ignore Range, or carry another ETag. The request heads are
// kept for the test to look at.
class RangeServer {
public:
    struct Step {
        int status = 0;                          // 0: the body (200 or 206)
        std::size_t cutAt = std::string::npos;   // reset after this many body bytes
        bool ignoreRange = false;
        std::string etag = "\"v1\"";
        std::string extraHeaders;                // "Name: value\r\n" lines
    };

    RangeServer(std::string body, std::vector<Step> steps) : body_(std::move(body)), steps_(std::move(steps))
    {
        listen_ = listenOnLoopback(port);
        thread_ = std::thread([this] { run(); });
    }
    ~RangeServer()
    {
        stop_ = true;
        ::shutdown(listen_, SHUT_RDWR);
        ::close(listen_);
        if (thread_.joinable())
            thread_.join();
    }
    std::vector<std::string> requests()
    {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    // The file on the server changes.
    void setBody(std::string body)
    {
        std::lock_guard lock(mutex_);
        body_ = std::move(body);
    }
    int port = 0;

private:
    static std::string header(const std::string& request, const std::string& name)
    {
        const std::size_t at = request.find("\r\n" + name + ": ");
        if (at == std::string::npos)
            return {};
        const std::size_t begin = at + name.size() + 4;
        return request.substr(begin, request.find("\r\n", begin) - begin);
    }

    void run()
    {
        while (!stop_) {
            int fd = ::accept(listen_, nullptr, nullptr);
            if (fd < 0)
                return;
            const std::string request = readRequestHead(fd);
            Step step;
            std::string body;
            {
                std::lock_guard lock(mutex_);
                body = body_;
                step = steps_.empty() ? Step{} : steps_[std::min(requests_.size(), steps_.size() - 1)];
                requests_.push_back(request);
            }
            answer(fd, request, step, body);
        }
    }

    static void answer(int fd, const std::string& request, const Step& step, const std::string& body_)
    {
        const std::string fixed = "Last-Modified: Sat, 01 Jan 2022 00:00:00 GMT\r\nETag: " + step.etag
            + "\r\nConnection: close\r\n" + step.extraHeaders;
        std::string head;
        std::size_t from = 0;
        const std::string range = header(request, "Range"), ifRange = header(request, "If-Range");
        if (step.status != 0) {
            head = "HTTP/1.1 " + std::to_string(step.status) + " Scripted\r\nContent-Length: 0\r\n" + fixed;
        } else if (!range.empty() && !step.ignoreRange && (ifRange.empty() || ifRange == step.etag)) {
            from = std::stoull(range.substr(6));
            if (from >= body_.size()) {
                head = "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Length: 0\r\n" + fixed;
                from = body_.size();
            } else {
                head = "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " + std::to_string(from) + "-"
                    + std::to_string(body_.size() - 1) + "/" + std::to_string(body_.size())
                    + "\r\nContent-Length: " + std::to_string(body_.size() - from) + "\r\n" + fixed;
            }
        } else {
            head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body_.size()) + "\r\n" + fixed;
        }
        head += "\r\n";
        ::send(fd, head.data(), head.size(), MSG_NOSIGNAL);
        if (step.status == 0 && head.rfind("HTTP/1.1 416", 0) != 0) {
            const std::size_t length = std::min(body_.size() - from, step.cutAt);
            ::send(fd, body_.data() + from, length, MSG_NOSIGNAL);
            if (step.cutAt != std::string::npos) {
                linger hard{1, 0};  // a reset, as a dropped line gives
                ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
            }
        }
        ::close(fd);
    }

    std::string body_;
    std::vector<Step> steps_;
    std::mutex mutex_;
    std::vector<std::string> requests_;
    int listen_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A child process that is killed when the object goes. With a home, the
// child gets it (and the XDG folders and TMPDIR below it).
class ChildProcess {
public:
    explicit ChildProcess(std::vector<std::string> argv, const OwnHome* home = nullptr)
    {
        pid_ = ::fork();
        if (pid_ == 0) {
            if (home)
                home->apply();
            std::vector<char*> args;
            for (auto& a : argv)
                args.push_back(a.data());
            args.push_back(nullptr);
            ::execv(args[0], args.data());
            ::_exit(127);
        }
    }
    ~ChildProcess()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // False once the child has ended (it could not start, or it failed).
    bool running()
    {
        if (pid_ <= 0)
            return false;
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        return true;
    }

private:
    pid_t pid_ = -1;
};

// Waits for a child server to listen on port; stops at once when the child
// has ended.
inline bool waitForChild(ChildProcess& child, int port, int seconds = 10)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (canConnect(port))
            return true;
        if (!child.running())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

inline std::filesystem::path scratchFolder(const std::string& name)
{
    auto dir = std::filesystem::temp_directory_path()
        / ("cvnet-" + name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// tinyproxy in the foreground with its own configuration, Basic auth on.
class TinyProxy {
public:
    TinyProxy(const std::string& user, const std::string& password)
    {
        dir_ = scratchFolder("proxy");
        port = freePort();
        std::ofstream conf(dir_ / "tinyproxy.conf");
        conf << "Port " << port << "\nListen 127.0.0.1\nTimeout 30\nMaxClients 10\n"
             << "Allow 127.0.0.1\nBasicAuth " << user << " " << password << "\n"
             << "LogFile \"" << (dir_ / "tinyproxy.log").string() << "\"\nLogLevel Error\n"
             << "PidFile \"" << (dir_ / "tinyproxy.pid").string() << "\"\n"
             << "DisableViaHeader Yes\n";
        conf.close();
        const std::string program = requireProgram("tinyproxy", "tinyproxy");
        if (program.empty())
            return;
        home_ = std::make_unique<OwnHome>(dir_ / "home");
        child_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{program, "-d", "-c", (dir_ / "tinyproxy.conf").string()}, home_.get());
        ready = waitForChild(*child_, port);
    }
    ~TinyProxy()
    {
        child_.reset();
        std::filesystem::remove_all(dir_);
    }
    int port = 0;
    bool ready = false;

private:
    std::filesystem::path dir_;
    std::unique_ptr<OwnHome> home_;
    std::unique_ptr<ChildProcess> child_;
};

// "openssl s_server -www" with a fresh self-signed certificate for
// 127.0.0.1: a TLS server whose certificate the system store does not know.
class TlsServer {
public:
    TlsServer()
    {
        dir_ = scratchFolder("tls");
        cert = (dir_ / "cert.pem").string();
        std::string key = (dir_ / "key.pem").string();
        const std::string openssl = requireProgram("openssl", "openssl");
        if (openssl.empty())
            return;
        home_ = std::make_unique<OwnHome>(dir_ / "home");
        std::string make = home_->envPrefix() + "'" + openssl
            + "' req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1"
              " -addext subjectAltName=IP:127.0.0.1 -keyout '" + key + "' -out '" + cert + "' >/dev/null 2>&1";
        if (std::system(make.c_str()) != 0) {
            ADD_FAILURE() << "openssl could not make a certificate";
            return;
        }
        port = freePort();
        child_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{openssl, "s_server", "-quiet", "-www", "-accept",
                                     "127.0.0.1:" + std::to_string(port), "-cert", cert, "-key", key},
            home_.get());
        ready = waitForChild(*child_, port);
    }
    ~TlsServer()
    {
        child_.reset();
        std::filesystem::remove_all(dir_);
    }
    int port = 0;
    bool ready = false;
    std::string cert;

private:
    std::filesystem::path dir_;
    std::unique_ptr<OwnHome> home_;
    std::unique_ptr<ChildProcess> child_;
};

// pyftpdlib: anonymous read-only at root, and one password account.
// sizeReply: what every SIZE command is answered with (a server that
// misreports sizes); empty for the true size.
class FtpServer {
public:
    FtpServer(const std::filesystem::path& root, const std::string& user, const std::string& password,
              const std::string& sizeReply = {}, int maxPerAddress = 0)
    {
        port = freePort();
        const std::string python = pythonWithPyftpdlib();
        if (python.empty())
            return;
        home_ = std::make_unique<OwnHome>(scratchFolder("ftp-home-" + std::to_string(port)));
        std::string script = std::string(CV_SOURCE_DIR) + "/platform/tests/ftp_server.py";
        std::vector<std::string> argv{python, script, std::to_string(port), root.string(), user, password};
        if (!sizeReply.empty() || maxPerAddress > 0)
            argv.push_back(sizeReply);
        if (maxPerAddress > 0)
            argv.push_back(std::to_string(maxPerAddress));
        child_ = std::make_unique<ChildProcess>(argv, home_.get());
        ready = waitForChild(*child_, port);
    }
    ~FtpServer()
    {
        child_.reset();
        if (home_)
            std::filesystem::remove_all(home_->home);
    }
    int port = 0;
    bool ready = false;
    // The most sessions that were logged in at once so far.
    int mostSessions() const
    {
        std::ifstream in(home_->home / "most-sessions");
        int most = 0;
        in >> most;
        return most;
    }

private:
    std::unique_ptr<OwnHome> home_;
    std::unique_ptr<ChildProcess> child_;
};

// nginx serving folder www/ below dir, each connection held to `rate`
// (nginx's limit_rate, e.g. "3m"), logging "URI STATUS BYTES" per request
// to dir/access.log: a real server with byte ranges and validators.
class NginxServer {
public:
    NginxServer(const std::filesystem::path& dir, const std::string& rate) : dir_(dir)
    {
        port = freePort();
        std::filesystem::create_directories(dir_ / "www");
        std::ofstream conf(dir_ / "nginx.conf");
        const std::string d = dir_.string();
        conf << "daemon off;\nmaster_process off;\nworker_processes 1;\npid " << d << "/nginx.pid;\n"
             << "error_log " << d << "/error.log;\nevents { worker_connections 64; }\nhttp {\n"
             << "  log_format bytes '$request_uri $status $body_bytes_sent';\n"
             << "  access_log " << d << "/access.log bytes;\n"
             << "  client_body_temp_path " << d << "/body;\n  proxy_temp_path " << d << "/proxy;\n"
             << "  fastcgi_temp_path " << d << "/fastcgi;\n"
             << "  server { listen 127.0.0.1:" << port << "; root " << d << "/www; limit_rate " << rate << "; }\n}\n";
        conf.close();
        const std::string program = requireProgram("nginx", "nginx-light");
        if (program.empty())
            return;
        child_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{program, "-c", d + "/nginx.conf", "-p", d, "-e", d + "/error.log"});
        ready = waitForChild(*child_, port);
    }
    std::filesystem::path www() const { return dir_ / "www"; }
    // The log lines so far.
    std::vector<std::string> accessLog() const
    {
        std::vector<std::string> lines;
        std::ifstream in(dir_ / "access.log");
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    int port = 0;
    bool ready = false;

private:
    std::filesystem::path dir_;
    std::unique_ptr<ChildProcess> child_;
};

} // namespace testservers
