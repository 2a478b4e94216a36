#pragma once
// One account of the account store: what a GuidePost's `account` element
// names, so the GuidePost need not carry the password. Texts are UTF-8 and
// the password is plain text; only the store file holds them enciphered.

#include <cstdint>
#include <string>

struct AccountRecord {
    std::string name;           // the store key
    std::string userId;
    std::string password;
    int askPassword = 0;        // non-zero: the password is typed at transfer time (item datum 2002)
    std::string server;
    int protocol = 0;           // 0 http, 1 ftp, 2 attach
    std::uint16_t port = 0;
    int extraNumber = 0;        // kept for the authoring interface (item datum 2003)
    std::string proxyName;      // proxy entry to use, empty for none (item datum 2004)

    bool operator==(const AccountRecord&) const = default;
};
