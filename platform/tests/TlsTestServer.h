#pragma once
// HTTPS on 127.0.0.1 for tests: a certificate authority made for the test by
// openssl, a server certificate for 127.0.0.1 it signs, and cpp-httplib's
// TLS server using it. Clients trust the authority through its CA file only.

#include "TestServers.h"

#include <memory>
#include <string>

namespace testservers {

class TestAuthority {
public:
    explicit TestAuthority(const std::string& name)
    {
        dir_ = scratchFolder("ca-" + name);
        caFile = (dir_ / "ca.pem").string();
        serverCert = (dir_ / "server.pem").string();
        serverKey = (dir_ / "server.key").string();
        const std::string openssl = requireProgram("openssl", "openssl");
        if (openssl.empty())
            return;
        home_ = std::make_unique<OwnHome>(dir_ / "home");
        writeFile(dir_ / "server.ext",
                  "subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n");
        const std::string in = "cd '" + dir_.string() + "' && " + home_->envPrefix() + "'" + openssl + "' ";
        const std::string ec = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
        const std::string make = in + "req -x509" + ec + " -days 2 -subj '/CN=" + name
            + " test authority' -keyout ca.key -out ca.pem >/dev/null 2>&1 && " + in + "req" + ec
            + " -subj /CN=127.0.0.1 -keyout server.key -out server.csr >/dev/null 2>&1 && " + in
            + "x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile server.ext"
              " -out server.pem >/dev/null 2>&1";
        ready = std::system(make.c_str()) == 0;
        if (!ready)
            ADD_FAILURE() << "openssl could not make the test authority";
    }
    ~TestAuthority() { std::filesystem::remove_all(dir_); }
    TestAuthority(const TestAuthority&) = delete;
    TestAuthority& operator=(const TestAuthority&) = delete;

    bool ready = false;
    std::string caFile;     // the authority's certificate, for a client's CA file
    std::string serverCert; // for 127.0.0.1, signed by the authority
    std::string serverKey;

private:
    std::filesystem::path dir_;
    std::unique_ptr<OwnHome> home_;
};

// cpp-httplib's TLS server with the authority's server certificate; routes
// are added before start().
class HttpsServer {
public:
    explicit HttpsServer(const TestAuthority& authority)
        : server(authority.serverCert.c_str(), authority.serverKey.c_str())
    {
    }
    ~HttpsServer()
    {
        server.stop();
        if (thread_.joinable())
            thread_.join();
    }

    void start()
    {
        if (!server.is_valid()) {
            ADD_FAILURE() << "the TLS server could not take its certificate";
            return;
        }
        port = server.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server.listen_after_bind(); });
        while (!server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

    httplib::SSLServer server;
    int port = 0;

private:
    std::thread thread_;
};

} // namespace testservers
