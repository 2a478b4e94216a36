#pragma once
// The receiver's own proxy settings (one set for HTTP, one for FTP), stored
// enciphered under the "settings" section: "mammal", "lion", "tiger",
// "deer", "giraffe" for HTTP and "fish", "tuna", "salmon", "carp", "marlin"
// for FTP.

#include <string>

namespace platform {
class Settings;
}

namespace receive {

struct ProxySet {
    bool inUse = false;
    std::string server;
    std::string user;
    std::string password;
    int port = 0;

    // The server with ":port" when a port is set ("" when not in use).
    std::string address() const;
};

class ProxySettings {
public:
    ProxySet http;
    ProxySet ftp;

    void load(const platform::Settings& settings);
    void save(platform::Settings& settings) const;

    // One stored value: Blowfish under a key derived from a random capital
    // letter, written with the program's own 25-letter alphabet between a
    // derived letter and the chosen one. Empty text stores as empty.
    static std::string encipher(const std::string& text);
    // Values of 3 characters or fewer, and values that do not decode, read
    // as empty.
    static std::string decipher(const std::string& stored);
};

} // namespace receive
