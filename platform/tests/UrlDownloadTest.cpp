#include "platform/UrlDownload.h"
#include "TestServers.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

class UrlDownloadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tmp = testservers::scratchFolder("url-tmp");
        const char* old = std::getenv("TMPDIR");
        savedTmp = old ? old : "";
        ::setenv("TMPDIR", tmp.c_str(), 1);
        callbacks.fileBegins = [this](long long n) { events.push_back("range " + std::to_string(n)); };
        callbacks.blockReceived = [this](long long n) { events.push_back("bytes " + std::to_string(n)); };
    }
    void TearDown() override
    {
        if (savedTmp.empty())
            ::unsetenv("TMPDIR");
        else
            ::setenv("TMPDIR", savedTmp.c_str(), 1);
        std::filesystem::remove_all(tmp);
    }
    UrlDownload download()
    {
        return UrlDownload({}, options, callbacks, [this] { events.push_back("begin"); },
                           [this] { events.push_back("end"); });
    }

    std::filesystem::path tmp;
    std::string savedTmp;
    InternetOptions options;
    TransferCallbacks callbacks;
    std::vector<std::string> events;
};

} // namespace

TEST_F(UrlDownloadTest, FetchesToAFileOrIntoMemoryWithTheFetchMessages)
{
    testservers::HttpServer http;
    http.server.Get("/gp/a b.gp", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string(5000, 'g'), "application/octet-stream");
    });
    http.start();
    std::string server = "127.0.0.1:" + std::to_string(http.port);

    UrlDownloadResult r = download().fetch("http://" + server + "/gp/a b.gp", true);
    ASSERT_TRUE(r.ok) << r.error.detail;
    EXPECT_EQ(r.size, 5000);
    EXPECT_EQ(testservers::readFile(r.tempPath), std::string(5000, 'g'));
    EXPECT_EQ(std::filesystem::path(r.tempPath).parent_path(), tmp);
    EXPECT_EQ(events, (std::vector<std::string>{"begin", "range 5000", "bytes 0", "bytes 4096", "bytes 5000", "end"}));
    std::filesystem::remove(r.tempPath);

    r = download().toString(server, "/gp/a%20b.gp");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.body, std::string(5000, 'g'));
    EXPECT_TRUE(r.tempPath.empty());
}

TEST_F(UrlDownloadTest, FailuresAreConnectionErrorsAndDeleteTheTemporaryFile)
{
    testservers::HttpServer http;
    http.server.Get("/locked", [](const httplib::Request& req, httplib::Response& res) {
        if (req.get_header_value("Authorization") != "Basic " + testservers::base64("u:p")) {
            res.status = 401;
            res.set_header("WWW-Authenticate", "Basic realm=\"x\"");
            return;
        }
        res.set_content("open", "text/plain");
    });
    http.start();
    std::string base = "http://127.0.0.1:" + std::to_string(http.port);

    UrlDownloadResult r = download().fetch(base + "/missing.gp", true);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error.failure, TransferFailure::HttpStatus);
    EXPECT_EQ(r.error.httpStatus, 404);
    EXPECT_EQ(events, std::vector<std::string>{"end"});

    // 401 always asks, whatever the Basic authentication setting.
    std::vector<std::string> asked;
    callbacks.askUserAndPassword = [&](const std::string& a) -> std::optional<Credentials> {
        asked.push_back(a);
        return Credentials{"u", "p"};
    };
    r = download().fetch(base + "/locked", false);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.body, "open");
    EXPECT_EQ(asked, std::vector<std::string>{base + "/locked"});
    callbacks.askUserAndPassword = [&](const std::string&) -> std::optional<Credentials> { return std::nullopt; };
    r = download().fetch(base + "/locked", false);
    EXPECT_EQ(r.error.failure, TransferFailure::Unauthorized);
    EXPECT_EQ(r.error.httpStatus, 401);

    testservers::RawServer cut("HTTP/1.1 200 OK\r\nContent-Length: 9000\r\n\r\n" + std::string(4500, 'c'));
    r = download().fetch("http://127.0.0.1:" + std::to_string(cut.port) + "/x.gpa", true);
    EXPECT_EQ(r.error.failure, TransferFailure::TransferFailed);
    EXPECT_EQ(r.error.stage, TransferStage::Receiving);
    EXPECT_TRUE(r.tempPath.empty());
    EXPECT_TRUE(std::filesystem::is_empty(tmp));

    testservers::RawServer huge("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n"
                                + std::string(UrlDownload::maxMemoryBytes + 1, 'h'));
    r = download().fetch("http://127.0.0.1:" + std::to_string(huge.port) + "/cert.xml", false);
    EXPECT_EQ(r.error.failure, TransferFailure::TooLarge);
    EXPECT_TRUE(r.body.empty());

    EXPECT_EQ(download().fetch("ftp://127.0.0.1/x.gp", true).error.failure, TransferFailure::BadAddress);
    EXPECT_EQ(download().fetch("not a url", true).error.failure, TransferFailure::BadAddress);

    int port = testservers::freePort();
    EXPECT_EQ(download().fetch("http://127.0.0.1:" + std::to_string(port) + "/a", true).error.failure,
              TransferFailure::ConnectFailed);
}

TEST_F(UrlDownloadTest, CancelEndsTheFetchWithoutAFile)
{
    testservers::HttpServer http;
    http.server.Get("/big.gpa", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string(100000, 'b'), "application/octet-stream");
    });
    http.start();
    long long seen = 0;
    callbacks.blockReceived = [&](long long n) { seen = n; };
    callbacks.cancelled = [&] { return seen >= 4096; };
    UrlDownloadResult r = download().fetch("http://127.0.0.1:" + std::to_string(http.port) + "/big.gpa", true);
    EXPECT_EQ(r.error.failure, TransferFailure::Cancelled);
    EXPECT_TRUE(std::filesystem::is_empty(tmp));
}

TEST(UrlDownloadAddress, SplitsServerAndPath)
{
    std::string server, path;
    bool secure = false;
    ASSERT_TRUE(UrlDownload::splitAddress("http://example.com:8080/a/b.gp?x=1", server, path, secure));
    EXPECT_EQ(server, "example.com:8080");
    EXPECT_EQ(path, "/a/b.gp?x=1");
    EXPECT_FALSE(secure);
    ASSERT_TRUE(UrlDownload::splitAddress("https://example.com", server, path, secure));
    EXPECT_EQ(server, "example.com");
    EXPECT_EQ(path, "/");
    EXPECT_TRUE(secure);
    EXPECT_FALSE(UrlDownload::splitAddress("file:///tmp/a.gp", server, path, secure));
    EXPECT_FALSE(UrlDownload::splitAddress("/tmp/a.gp", server, path, secure));
}
