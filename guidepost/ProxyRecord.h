#pragma once
// One proxy entry of the account store, named by an account's proxyName.
// Texts are UTF-8 and the password is plain text.

#include <cstdint>
#include <string>

struct ProxyRecord {
    std::string name;           // the store key
    std::string server;
    std::uint16_t port = 0;
    std::string userId;
    std::string password;

    bool operator==(const ProxyRecord&) const = default;
};
