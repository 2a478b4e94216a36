#include "platform/Cp932Codec.h"
#include "platform/HttpSource.h"
#include "TestServers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <sys/stat.h>

#include <set>

using namespace platform;
using testservers::readFile;

namespace {

class HttpSourceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tmp = testservers::scratchFolder("http-tmp");
        const char* old = std::getenv("TMPDIR");
        savedTmp = old ? old : "";
        ::setenv("TMPDIR", tmp.c_str(), 1);
        options.stallSeconds = 2;
        options.connectTimeoutMs = 2000;
        // Failures here are judged on one request; retries have tests of their own.
        options.retries = 0;
    }
    void TearDown() override
    {
        if (savedTmp.empty())
            ::unsetenv("TMPDIR");
        else
            ::setenv("TMPDIR", savedTmp.c_str(), 1);
        std::filesystem::remove_all(tmp);
    }
    // No temporary file of ours ("CV...") is left in the folder.
    bool tempFolderEmpty() const
    {
        for (const auto& entry : std::filesystem::directory_iterator(tmp))
            if (entry.path().filename().string().rfind("CV", 0) == 0)
                return false;
        return true;
    }

    HttpSource source(int port, SourceLogin login = {}, bool allowBasicAuth = false, ProxySettings proxy = {})
    {
        return HttpSource("127.0.0.1", port, login, proxy, allowBasicAuth, options, callbacks);
    }

    std::filesystem::path tmp;
    std::string savedTmp;
    InternetOptions options;
    TransferCallbacks callbacks;
};

HttpFileRequest file(const std::string& folder, const std::string& name)
{
    HttpFileRequest r;
    r.remoteFolder = folder;
    r.remoteName = name;
    return r;
}

bool basicAuthOk(const httplib::Request& req, const std::string& expected)
{
    return req.get_header_value("Authorization") == "Basic " + testservers::base64(expected);
}

} // namespace

TEST_F(HttpSourceTest, FetchesFilesOverOneConnectionInBlocksWithTheHeaders)
{
    testservers::HttpServer http;
    std::string big(10000, 'x');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>('a' + i % 26);
    std::set<int> clientPorts;
    std::string agent, accept;
    http.server.Get(R"(/data/(.+))", [&](const httplib::Request& req, httplib::Response& res) {
        clientPorts.insert(req.remote_port);
        agent = req.get_header_value("User-Agent");
        accept = req.get_header_value("Accept");
        res.set_content(req.matches[1] == "big.bin" ? big : std::string("small"), "application/octet-stream");
    });
    http.start();

    std::vector<long long> blocks;
    std::vector<long long> sizes;
    std::vector<int> statuses;
    callbacks.blockReceived = [&](long long n) { blocks.push_back(n); };
    callbacks.fileBegins = [&](long long n) { sizes.push_back(n); };
    callbacks.connectionStatus = [&](int s) { statuses.push_back(s); };
    HttpSource src = source(http.port);
    ASSERT_TRUE(src.open());

    HttpFileResult a = src.fetch(file("/data/ ", " /big.bin"));
    ASSERT_EQ(a.status, TransferStatus::Received) << a.error.detail;
    EXPECT_EQ(a.requestPath, "data/big.bin");
    EXPECT_EQ(a.size, 10000);
    EXPECT_EQ(readFile(a.tempPath), big);
    EXPECT_EQ(std::filesystem::path(a.tempPath).filename().string().substr(0, 2), "CV");
    EXPECT_EQ(blocks, (std::vector<long long>{4096, 8192, 10000}));
    EXPECT_EQ(sizes, std::vector<long long>{10000});
    EXPECT_EQ(agent, "Corvandelle/1.0*");
    EXPECT_EQ(accept, "*/*");
    for (int s : {10, 11, 20, 21, 30, 31, 40, 41, 100})
        EXPECT_NE(std::find(statuses.begin(), statuses.end(), s), statuses.end()) << s;

    HttpFileResult b = src.fetch(file("data", "small.txt"));
    ASSERT_EQ(b.status, TransferStatus::Received);
    EXPECT_EQ(readFile(b.tempPath), "small");
    EXPECT_EQ(clientPorts.size(), 1u) << "one connection serves the whole source";
    std::filesystem::remove(a.tempPath);
    std::filesystem::remove(b.tempPath);
}

TEST_F(HttpSourceTest, StatusErrorsFailTheFileWithTheirLinesAndLeaveNoTemporaryFile)
{
    testservers::HttpServer http;
    http.server.Get("/e/400", [](const httplib::Request&, httplib::Response& res) { res.status = 400; });
    http.server.Get("/e/405", [](const httplib::Request&, httplib::Response& res) { res.status = 405; });
    http.server.Get("/e/500", [](const httplib::Request&, httplib::Response& res) { res.status = 500; });
    http.server.Get("/e/503", [](const httplib::Request&, httplib::Response& res) { res.status = 503; });
    http.server.Get("/e/418", [](const httplib::Request&, httplib::Response& res) { res.status = 418; });
    http.server.Get("/ok", [](const httplib::Request&, httplib::Response& res) { res.set_content("fine", "text/plain"); });
    http.start();
    HttpSource src = source(http.port);

    struct Case {
        std::string name;
        long status;
    } cases[] = {{"missing.txt", 404}, {"400", 400}, {"405", 405}, {"500", 500}, {"503", 503}, {"418", 418}};
    for (const Case& c : cases) {
        HttpFileResult r = src.fetch(file(c.status == 404 ? "" : "e", c.name));
        EXPECT_EQ(r.status, TransferStatus::Failed) << c.name;
        EXPECT_EQ(r.error.failure, TransferFailure::HttpStatus);
        EXPECT_EQ(r.error.httpStatus, c.status);
        EXPECT_FALSE(r.error.loginSent);
        EXPECT_TRUE(r.tempPath.empty());
    }
    EXPECT_TRUE(tempFolderEmpty());

    // The source goes on after failures.
    HttpFileResult ok = src.fetch(file("", "ok"));
    ASSERT_EQ(ok.status, TransferStatus::Received);
    std::filesystem::remove(ok.tempPath);
}

TEST_F(HttpSourceTest, ServerAuthenticationWithoutAccountFollowsAllowBasicAuth)
{
    testservers::HttpServer http;
    int requests = 0;
    http.server.Get("/secret.txt", [&](const httplib::Request& req, httplib::Response& res) {
        ++requests;
        if (!basicAuthOk(req, "bob:pw")) {
            res.status = 401;
            res.set_header("WWW-Authenticate", "Basic realm=\"r\"");
            return;
        }
        res.set_content("secret", "text/plain");
    });
    http.start();

    // Off: no question, two lines.
    int asked = 0;
    callbacks.askUserAndPassword = [&](const std::string& address) -> std::optional<Credentials> {
        ++asked;
        EXPECT_EQ(address, "http://127.0.0.1:" + std::to_string(http.port) + "/secret.txt");
        return Credentials{"bob", "pw"};
    };
    {
        HttpSource src = source(http.port, {}, false);
        HttpFileResult r = src.fetch(file("", "secret.txt"));
        EXPECT_EQ(r.status, TransferStatus::Failed);
        EXPECT_EQ(r.error.failure, TransferFailure::Unauthorized);
        EXPECT_EQ(r.error.httpStatus, 401);
        EXPECT_FALSE(r.error.loginSent);
        EXPECT_EQ(asked, 0);
    }
    // On: asked once, then the answer serves the source's later files.
    {
        HttpSource src = source(http.port, {}, true);
        HttpFileResult r = src.fetch(file("", "secret.txt"));
        ASSERT_EQ(r.status, TransferStatus::Received) << r.error.detail;
        EXPECT_EQ(readFile(r.tempPath), "secret");
        std::filesystem::remove(r.tempPath);
        r = src.fetch(file("", "secret.txt"));
        ASSERT_EQ(r.status, TransferStatus::Received);
        std::filesystem::remove(r.tempPath);
        EXPECT_EQ(asked, 1);
    }
    // Cancelled or wrong: refused.
    callbacks.askUserAndPassword = [&](const std::string&) -> std::optional<Credentials> { return std::nullopt; };
    {
        HttpSource src = source(http.port, {}, true);
        HttpFileResult r = src.fetch(file("", "secret.txt"));
        EXPECT_EQ(r.error.failure, TransferFailure::Unauthorized);
    }
    callbacks.askUserAndPassword = [&](const std::string&) -> std::optional<Credentials> {
        return Credentials{"bob", "wrong"};
    };
    {
        HttpSource src = source(http.port, {}, true);
        HttpFileResult r = src.fetch(file("", "secret.txt"));
        EXPECT_EQ(r.error.failure, TransferFailure::Unauthorized);
        EXPECT_TRUE(r.error.loginSent);
    }
    EXPECT_TRUE(tempFolderEmpty());
}

TEST_F(HttpSourceTest, ServerAuthenticationWithAccountUsesStoredOrTypedPassword)
{
    testservers::HttpServer http;
    http.server.Get("/a.txt", [&](const httplib::Request& req, httplib::Response& res) {
        if (!basicAuthOk(req, "anna:secret")) {
            res.status = 401;
            res.set_header("WWW-Authenticate", "Basic realm=\"r\"");
            return;
        }
        res.set_content("A", "text/plain");
    });
    http.start();

    SourceLogin stored{true, "acct", "anna", "secret", false};
    {
        HttpSource src = source(http.port, stored);
        HttpFileResult r = src.fetch(file("", "a.txt"));
        ASSERT_EQ(r.status, TransferStatus::Received) << r.error.detail;
        std::filesystem::remove(r.tempPath);
    }
    SourceLogin typed{true, "acct", "anna", "", true};
    std::vector<PasswordPrompt> prompts;
    std::vector<std::string> answers{"bad", "secret"};
    callbacks.askPassword = [&](const PasswordPrompt& p) -> std::optional<std::string> {
        prompts.push_back(p);
        std::string a = answers.front();
        answers.erase(answers.begin());
        return a;
    };
    {
        HttpSource src = source(http.port, typed);
        HttpFileResult r = src.fetch(file("", "a.txt"));
        EXPECT_EQ(r.error.failure, TransferFailure::Unauthorized);
        // A refused typed password is asked again for the next file.
        r = src.fetch(file("", "a.txt"));
        ASSERT_EQ(r.status, TransferStatus::Received);
        std::filesystem::remove(r.tempPath);
        r = src.fetch(file("", "a.txt"));
        ASSERT_EQ(r.status, TransferStatus::Received);
        std::filesystem::remove(r.tempPath);
    }
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_FALSE(prompts[0].mailAddress);
    EXPECT_EQ(prompts[0].protocol, "HTTP");
    EXPECT_EQ(prompts[0].user, "anna");
    EXPECT_EQ(prompts[0].server, "127.0.0.1");

    callbacks.askPassword = [&](const PasswordPrompt& p) -> std::optional<std::string> {
        EXPECT_TRUE(p.mailAddress);
        return std::nullopt;
    };
    HttpSource src = source(http.port, SourceLogin{true, "mail", "anonymous", "", true});
    EXPECT_EQ(src.fetch(file("", "a.txt")).error.failure, TransferFailure::Unauthorized);
}

TEST_F(HttpSourceTest, SynchronizedFilesCarryTheRemoteTimeAndTheCallerMayKeepItsFile)
{
    testservers::HttpServer http;
    http.server.Get("/t.txt", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Last-Modified", "Tue, 15 Nov 1994 08:12:31 GMT");
        res.set_content("timed", "text/plain");
    });
    http.start();
    HttpSource src = source(http.port);

    HttpFileRequest r = file("", "t.txt");
    r.synchronize = true;
    std::optional<std::int64_t> seen;
    r.decide = [&](std::optional<std::int64_t> t) {
        seen = t;
        return true;
    };
    HttpFileResult got = src.fetch(r);
    ASSERT_EQ(got.status, TransferStatus::Received);
    EXPECT_EQ(seen, std::optional<std::int64_t>(784887151));
    struct stat st {};
    ASSERT_EQ(::stat(got.tempPath.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 784887151);
    std::filesystem::remove(got.tempPath);

    r.fixedTime = 1000000000;
    got = src.fetch(r);
    EXPECT_EQ(seen, std::optional<std::int64_t>(1000000000));
    std::filesystem::remove(got.tempPath);

    r.decide = [](std::optional<std::int64_t>) { return false; };
    got = src.fetch(r);
    EXPECT_EQ(got.status, TransferStatus::Kept);
    EXPECT_EQ(got.size, -1);
    EXPECT_TRUE(got.tempPath.empty());
    EXPECT_TRUE(tempFolderEmpty());
}

TEST_F(HttpSourceTest, BodyWithoutLengthAndRedirectsAreFollowed)
{
    testservers::HttpServer http;
    http.server.Get("/chunked", [](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("text/plain", [](size_t, httplib::DataSink& sink) {
            sink.write("part1-", 6);
            sink.write("part2", 5);
            sink.done();
            return true;
        });
    });
    http.server.Get("/moved", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/chunked"); });
    http.server.Get("/loop", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop"); });
    http.start();
    std::vector<long long> sizes;
    callbacks.fileBegins = [&](long long n) { sizes.push_back(n); };
    HttpSource src = source(http.port);

    HttpFileResult r = src.fetch(file("", "moved"));
    ASSERT_EQ(r.status, TransferStatus::Received) << r.error.detail;
    EXPECT_EQ(readFile(r.tempPath), "part1-part2");
    EXPECT_EQ(r.size, 11);
    EXPECT_EQ(sizes, std::vector<long long>{0});
    std::filesystem::remove(r.tempPath);

    r = src.fetch(file("", "loop"));
    EXPECT_EQ(r.status, TransferStatus::Failed);
    // Too many redirects: refused before any body.
    EXPECT_EQ(r.error.failure, TransferFailure::TransferFailed);
    EXPECT_EQ(r.error.stage, TransferStage::Requesting);
    EXPECT_NE(r.error.curlCode, 0);
    EXPECT_TRUE(tempFolderEmpty());
}

TEST_F(HttpSourceTest, BrokenServersFailTheFileAndLeaveNothingBehind)
{
    // Closes in the middle of the body.
    {
        testservers::RawServer raw("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + std::string(5000, 'a'));
        HttpSource src = source(raw.port);
        HttpFileResult r = src.fetch(file("", "cut.bin"));
        EXPECT_EQ(r.status, TransferStatus::Failed);
        EXPECT_EQ(r.error.failure, TransferFailure::TransferFailed);
        EXPECT_EQ(r.error.stage, TransferStage::Receiving);
    }
    // Stalls after the first bytes (the limit is 1 s here).
    options.stallSeconds = 1;
    options.stallBytesPerSecond = 1000;
    {
        testservers::RawServer raw("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", 3000, "defghij");
        HttpSource src = source(raw.port);
        HttpFileResult r = src.fetch(file("", "slow.bin"));
        EXPECT_EQ(r.status, TransferStatus::Failed);
        EXPECT_EQ(r.error.failure, TransferFailure::TransferFailed);
        EXPECT_EQ(r.error.stage, TransferStage::Receiving);
    }
    // Promises more than it sends.
    {
        testservers::RawServer raw("HTTP/1.1 200 OK\r\nContent-Length: 20\r\nConnection: close\r\n\r\nonly ten b");
        HttpSource src = source(raw.port);
        EXPECT_EQ(src.fetch(file("", "short.bin")).status, TransferStatus::Failed);
    }
    // A length that is no number (or two that disagree): the body's end is
    // unknown, and read until the close it may be cut unnoticed.
    for (const char* length : {"Content-Length: abc\r\n", "Content-Length: -5\r\n", "Content-Length: 9x\r\n",
                               "Content-Length: 5\r\nContent-Length: 9\r\n"}) {
        testservers::RawServer raw(std::string("HTTP/1.1 200 OK\r\n") + length + "Connection: close\r\n\r\nbody text");
        HttpSource src = source(raw.port);
        HttpFileResult r = src.fetch(file("", "length.bin"));
        EXPECT_EQ(r.status, TransferStatus::Failed) << length;
        EXPECT_EQ(r.error.failure, TransferFailure::TransferFailed) << length;
    }
    // Nobody listens.
    {
        int port = testservers::freePort();
        HttpSource src = source(port);
        HttpFileResult r = src.fetch(file("", "x"));
        EXPECT_EQ(r.status, TransferStatus::Failed);
        EXPECT_EQ(r.error.failure, TransferFailure::ConnectFailed);
    }
    EXPECT_TRUE(tempFolderEmpty());
}

TEST_F(HttpSourceTest, CancelStopsAfterTheCurrentBlock)
{
    testservers::HttpServer http;
    http.server.Get("/big", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string(200000, 'z'), "application/octet-stream");
    });
    http.start();
    long long last = 0;
    callbacks.blockReceived = [&](long long n) { last = n; };
    callbacks.cancelled = [&] { return last >= 8192; };
    HttpSource src = source(http.port);
    HttpFileResult r = src.fetch(file("", "big"));
    EXPECT_EQ(r.status, TransferStatus::Cancelled);
    EXPECT_EQ(r.error.failure, TransferFailure::Cancelled);
    EXPECT_EQ(last, 8192);
    EXPECT_TRUE(tempFolderEmpty());
}

TEST_F(HttpSourceTest, StopIsSeenWhileNothingArrives)
{
    // Headers, then silence far longer than the test may take: only a stop
    // seen while waiting ends it, and it ends as cancelled, not failed.
    options.stallSeconds = 3600;
    testservers::RawServer silent("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nab", 60000, "cd");
    std::atomic<bool> stop{false};
    callbacks.cancelled = [&] { return stop.load(); };
    std::atomic<bool> begun{false};
    callbacks.blockReceived = [&](long long) { begun = true; };
    std::thread stopper([&] {
        while (!begun)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        stop = true;
    });
    HttpSource src = source(silent.port);
    HttpFileResult r = src.fetch(file("", "silent.bin"));
    stopper.join();
    EXPECT_EQ(r.status, TransferStatus::Cancelled);
    EXPECT_EQ(r.error.failure, TransferFailure::Cancelled);
    EXPECT_TRUE(tempFolderEmpty());

    // Before any byte: a server that accepts and never answers.
    testservers::RawServer mute("", 60000, "");
    stop = false;
    std::thread early([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        stop = true;
    });
    r = source(mute.port).fetch(file("", "mute.bin"));
    early.join();
    EXPECT_EQ(r.status, TransferStatus::Cancelled);
    EXPECT_TRUE(tempFolderEmpty());
}

TEST_F(HttpSourceTest, ProxyAuthenticationUsesTheProxySettings)
{
    testservers::TinyProxy proxy("puser", "ppass");
    ASSERT_TRUE(proxy.ready);
    testservers::HttpServer http;
    http.server.Get("/via.txt", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("proxied", "text/plain");
    });
    http.start();

    ProxySettings settings{"127.0.0.1", proxy.port, "puser", "ppass"};
    {
        HttpSource src = source(http.port, {}, false, settings);
        HttpFileResult r = src.fetch(file("", "via.txt"));
        ASSERT_EQ(r.status, TransferStatus::Received) << r.error.detail << " " << r.error.httpStatus;
        EXPECT_EQ(readFile(r.tempPath), "proxied");
        std::filesystem::remove(r.tempPath);
    }
    settings.password = "wrong";
    {
        HttpSource src = source(http.port, {}, false, settings);
        HttpFileResult r = src.fetch(file("", "via.txt"));
        EXPECT_EQ(r.status, TransferStatus::Failed);
        // tinyproxy answers wrong credentials with 401 rather than 407.
        EXPECT_EQ(r.error.failure, TransferFailure::Unauthorized);
    }
    // No proxy user in the settings: the user is asked.
    settings.user.clear();
    int asked = 0;
    callbacks.askProxyCredentials = [&](const std::string& address) -> std::optional<Credentials> {
        ++asked;
        EXPECT_EQ(address, "127.0.0.1:" + std::to_string(proxy.port));
        return Credentials{"puser", "ppass"};
    };
    {
        HttpSource src = source(http.port, {}, false, settings);
        HttpFileResult r = src.fetch(file("", "via.txt"));
        ASSERT_EQ(r.status, TransferStatus::Received);
        std::filesystem::remove(r.tempPath);
    }
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(tempFolderEmpty());
}

TEST_F(HttpSourceTest, HttpsChecksTheCertificateAndRedirectsFromHttpAreFollowed)
{
    testservers::TlsServer tls;
    ASSERT_TRUE(tls.ready);
    testservers::HttpServer http;
    http.server.Get("/to-tls", [&](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("https://127.0.0.1:" + std::to_string(tls.port) + "/");
    });
    http.start();

    // Unknown to the system store: refused as such.
    {
        HttpSource src("127.0.0.1", tls.port, {}, {}, false, options, callbacks, true);
        HttpFileResult r = src.fetch(file("", ""));
        EXPECT_EQ(r.status, TransferStatus::Failed);
        EXPECT_EQ(r.error.failure, TransferFailure::CertificateRejected);
        r = source(http.port).fetch(file("", "to-tls"));
        EXPECT_EQ(r.status, TransferStatus::Failed);
    }
    // Trusted: fetched directly and through the redirect.
    options.caFile = tls.cert;
    {
        HttpSource src("127.0.0.1", tls.port, {}, {}, false, options, callbacks, true);
        HttpFileResult r = src.fetch(file("", ""));
        ASSERT_EQ(r.status, TransferStatus::Received) << r.error.detail;
        EXPECT_NE(readFile(r.tempPath).find("s_server"), std::string::npos);
        std::filesystem::remove(r.tempPath);
        r = source(http.port).fetch(file("", "to-tls"));
        ASSERT_EQ(r.status, TransferStatus::Received) << r.error.detail;
        std::filesystem::remove(r.tempPath);
    }
    EXPECT_TRUE(tempFolderEmpty());
}

TEST_F(HttpSourceTest, RemoteNamesAreEncodedForTheRequest)
{
    testservers::HttpServer http;
    std::vector<std::string> paths;
    http.server.Get(R"(/.*)", [&](const httplib::Request& req, httplib::Response& res) {
        paths.push_back(req.path);
        res.set_content("x", "text/plain");
    });
    http.start();
    HttpSource src = source(http.port);
    for (const char* name : {"a b.txt", "写真 1.jpg", "q?#.txt", "already%20encoded.txt"}) {
        HttpFileResult r = src.fetch(file("/ファイル/", name));
        ASSERT_EQ(r.status, TransferStatus::Received) << name;
        std::filesystem::remove(r.tempPath);
    }
    EXPECT_EQ(paths, (std::vector<std::string>{"/ファイル/a b.txt", "/ファイル/写真 1.jpg", "/ファイル/q?#.txt",
                                               "/ファイル/already encoded.txt"}));

    options.cp932Names = true;
    HttpSource sjis = source(http.port);
    HttpFileResult r = sjis.fetch(file("", "写真.jpg"));
    ASSERT_EQ(r.status, TransferStatus::Received);
    std::filesystem::remove(r.tempPath);
    EXPECT_EQ(paths.back(), platform::Cp932Codec::fromUtf8("/写真.jpg"));
}

namespace {

// A body that the server cuts after `bytes` bytes.
testservers::RangeServer::Step cutAfter(std::size_t bytes)
{
    testservers::RangeServer::Step step;
    step.cutAt = bytes;
    return step;
}


std::string patterned(std::size_t size)
{
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        body[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
    return body;
}

// A fetch of "/big.bin" with retries and a short (but real) back-off.
HttpFileResult fetchBig(int port, InternetOptions options, const TransferCallbacks& callbacks = {},
                        const std::string& target = "/x/big.bin")
{
    HttpSource http("127.0.0.1", port, {}, {}, false, options, callbacks);
    HttpFileRequest r = file("", "big.bin");
    r.resumeTarget = target;
    return http.fetch(r);
}

} // namespace

// A connection reset at 40 % costs one retry, which asks for the rest only
// and names the validator; the file comes out whole.
TEST_F(HttpSourceTest, AResetBodyGoesOnFromTheByteItReached)
{
    const std::string body = patterned(100000);
    testservers::RangeServer server(body, {cutAfter(40000), {}});
    options.retries = 3;
    options.retryWaitMs = 50;
    HttpFileResult r = fetchBig(server.port, options);
    ASSERT_EQ(r.status, TransferStatus::Received) << r.error.detail;
    EXPECT_EQ(r.attempts, 2);
    EXPECT_EQ(r.size, 100000);
    EXPECT_EQ(readFile(r.tempPath), body);
    const std::vector<std::string> requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].find("Range:"), std::string::npos);
    EXPECT_NE(requests[1].find("Range: bytes=40000-\r\n"), std::string::npos) << requests[1];
    EXPECT_NE(requests[1].find("If-Range: \"v1\"\r\n"), std::string::npos) << requests[1];
    std::filesystem::remove(r.tempPath);
    EXPECT_TRUE(tempFolderEmpty());
}

// Data cut part-way waits in the resume area; the next fetch of the same
// address into the same target asks for the rest. A server that ignores the
// range, answers 416, or changed its file (new ETag) gets the whole file
// asked again, and the file is right in every case.
TEST_F(HttpSourceTest, APartialFileIsResumedOnlyWhileTheServerStillHasIt)
{
    const std::string body = patterned(300000);
    options.resumeFolder = (tmp / "partial").string();
    options.resumeMinBytes = 1;
    options.retryWaitMs = 20;
    using Step = testservers::RangeServer::Step;
    struct Case {
        const char* name;
        Step second;
        long long expectedResume;
        std::size_t expectedRequests;
    };
    Step ignore;
    ignore.ignoreRange = true;
    Step changed;
    changed.etag = "\"v2\"";
    const Case cases[] = {
        {"fits", Step{}, 120000, 2},
        {"ignored", ignore, 0, 2},
        {"changed", changed, 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testservers::RangeServer server(body, {cutAfter(120000), c.second});
        HttpFileResult first = fetchBig(server.port, options);
        EXPECT_EQ(first.status, TransferStatus::Failed);
        EXPECT_EQ(first.attempts, 1);
        std::uintmax_t held = 0;
        for (const auto& e : std::filesystem::directory_iterator(options.resumeFolder))
            if (e.path().extension() == ".part")
                held += e.file_size();
        EXPECT_EQ(held, 120000u);

        HttpFileResult second = fetchBig(server.port, options);
        ASSERT_EQ(second.status, TransferStatus::Received) << second.error.detail;
        EXPECT_EQ(second.resumedFrom, 120000);
        EXPECT_EQ(readFile(second.tempPath), body);
        const std::vector<std::string> requests = server.requests();
        EXPECT_EQ(requests.size(), c.expectedRequests);
        EXPECT_NE(requests.back().find("Range: bytes=120000-"), std::string::npos);
        std::filesystem::remove(second.tempPath);
        // A finished file leaves nothing there.
        EXPECT_TRUE(std::filesystem::is_empty(options.resumeFolder));
    }

    // 416: the held bytes are not the server's; asked again without a range.
    testservers::RangeServer cut(body, {cutAfter(120000), {}});
    ASSERT_EQ(fetchBig(cut.port, options).status, TransferStatus::Failed);
    cut.setBody(body.substr(0, 100000));
    HttpFileResult r = fetchBig(cut.port, options);
    ASSERT_EQ(r.status, TransferStatus::Received) << r.error.detail;
    EXPECT_EQ(readFile(r.tempPath), body.substr(0, 100000));
    ASSERT_EQ(cut.requests().size(), 3u);
    EXPECT_NE(cut.requests()[1].find("Range: bytes=120000-"), std::string::npos);
    EXPECT_EQ(cut.requests()[2].find("Range:"), std::string::npos);
    std::filesystem::remove(r.tempPath);

    // Another target, or resume switched off, never takes the data.
    testservers::RangeServer again(body, {cutAfter(120000), {}});
    ASSERT_EQ(fetchBig(again.port, options).status, TransferStatus::Failed);
    r = fetchBig(again.port, options, {}, "/elsewhere/big.bin");
    EXPECT_EQ(r.resumedFrom, 0);
    EXPECT_EQ(readFile(r.tempPath), body);
    std::filesystem::remove(r.tempPath);
    InternetOptions off = options;
    off.resumeFolder.clear();
    r = fetchBig(again.port, off);
    EXPECT_EQ(r.resumedFrom, 0);
    EXPECT_EQ(readFile(r.tempPath), body);
    std::filesystem::remove(r.tempPath);
    EXPECT_EQ(again.requests().back().find("Range:"), std::string::npos);
    // The old partial data is still there for its own next receive.
    EXPECT_FALSE(std::filesystem::is_empty(options.resumeFolder));
    EXPECT_TRUE(tempFolderEmpty());
}

// 503 with Retry-After: 2 is waited out and then succeeds; a 404 is asked
// once; a 500 that stays is tried retries + 1 times and says so; a stop
// during a back-off wait ends it at once.
TEST_F(HttpSourceTest, TransientAnswersAreRetriedAfterTheirWait)
{
    const std::string body = patterned(5000);
    using Step = testservers::RangeServer::Step;
    options.retries = 3;
    options.retryWaitMs = 50;
    {
        Step busy;
        busy.status = 503;
        busy.extraHeaders = "Retry-After: 2\r\n";
        testservers::RangeServer server(body, {busy, {}});
        const auto start = std::chrono::steady_clock::now();
        HttpFileResult r = fetchBig(server.port, options);
        const auto waited = std::chrono::steady_clock::now() - start;
        ASSERT_EQ(r.status, TransferStatus::Received);
        EXPECT_EQ(r.attempts, 2);
        EXPECT_GE(waited, std::chrono::milliseconds(1900));
        EXPECT_LT(waited, std::chrono::milliseconds(4000));
        std::filesystem::remove(r.tempPath);
    }
    {
        Step missing;
        missing.status = 404;
        testservers::RangeServer server(body, {missing});
        HttpFileResult r = fetchBig(server.port, options);
        EXPECT_EQ(r.status, TransferStatus::Failed);
        EXPECT_EQ(r.error.httpStatus, 404);
        EXPECT_EQ(r.error.attempts, 1);
        EXPECT_EQ(server.requests().size(), 1u);
    }
    {
        Step broken;
        broken.status = 500;
        testservers::RangeServer server(body, {broken});
        options.retries = 2;
        const auto start = std::chrono::steady_clock::now();
        HttpFileResult r = fetchBig(server.port, options);
        // 50 ms, then 100 ms.
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
        EXPECT_EQ(r.status, TransferStatus::Failed);
        EXPECT_EQ(r.error.attempts, 3);
        EXPECT_EQ(server.requests().size(), 3u);
    }
    {
        Step busy;
        busy.status = 429;
        busy.extraHeaders = "Retry-After: 100\r\n";
        testservers::RangeServer server(body, {busy});
        std::atomic<bool> stop{false};
        TransferCallbacks cb;
        cb.cancelled = [&] { return stop.load(); };
        std::thread stopper([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            stop = true;
        });
        const auto start = std::chrono::steady_clock::now();
        HttpFileResult r = fetchBig(server.port, options, cb);
        const auto took = std::chrono::steady_clock::now() - start;
        stopper.join();
        EXPECT_EQ(r.status, TransferStatus::Cancelled);
        EXPECT_LT(took, std::chrono::milliseconds(1300));
    }
    // The waits themselves: doubling up to the cap, Retry-After capped too.
    options.retryWaitMs = 1000;
    EXPECT_EQ(InternetSession::retryWaitMs(options, 1, {}), 1000);
    EXPECT_EQ(InternetSession::retryWaitMs(options, 3, {}), 4000);
    EXPECT_EQ(InternetSession::retryWaitMs(options, 9, {}), 30000);
    EXPECT_EQ(InternetSession::retryWaitMs(options, 1, "7"), 7000);
    EXPECT_EQ(InternetSession::retryWaitMs(options, 1, "100000"), 120000);
    EXPECT_EQ(InternetSession::retryWaitMs(options, 1, "Thu, 01 Jan 1970 00:00:00 GMT"), 0);
    EXPECT_EQ(InternetSession::retryWaitMs(options, 2, "soon"), 2000);
    EXPECT_TRUE(tempFolderEmpty());
}
