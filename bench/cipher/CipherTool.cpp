// Blowfish file enciphering as a whole process, for the comparison with
// `openssl enc -bf-ecb` in bench/run-all.sh.
//
//   cipher_tool encipher|decipher KEYHEX IN OUT

#include "guidepost/CBlowfish.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 5 || (std::strcmp(argv[1], "encipher") != 0 && std::strcmp(argv[1], "decipher") != 0)) {
        std::fputs("usage: cipher_tool encipher|decipher KEYHEX IN OUT\n", stderr);
        return 2;
    }
    const std::string hex = argv[2];
    std::vector<unsigned char> key;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        key.push_back(static_cast<unsigned char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    if (key.empty() || key.size() > 56) {
        std::fputs("cipher_tool: the key is 1 to 56 bytes in hex\n", stderr);
        return 2;
    }
    CBlowfish cipher;
    cipher.SetKey(key.data(), key.size());
    std::uint64_t bytes = 0;
    const bool ok = std::strcmp(argv[1], "encipher") == 0 ? cipher.TryEncipherFile(argv[3], argv[4], bytes)
                                                          : cipher.TryDecipherFile(argv[3], argv[4], 0, bytes);
    if (!ok) {
        std::fprintf(stderr, "cipher_tool: %s failed\n", argv[1]);
        return 1;
    }
    return 0;
}
