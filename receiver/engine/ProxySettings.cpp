#include "receiver/engine/ProxySettings.h"

#include "guidepost/CBlowfish.h"
#include "platform/Cp932Codec.h"
#include "platform/Settings.h"

#include <array>
#include <cstring>
#include <random>
#include <vector>

namespace receive {

namespace {

const char* const section = "settings";
const char alphabet[] = "QWhRk3TzYp8NcVb2XmLfG7sJd";  // 25 letters, the program's own
static_assert(sizeof alphabet == 26);

std::array<unsigned char, 16> keyFor(char letter)
{
    // Any fixed derivation will do: the values are read back only by us.
    std::array<unsigned char, 16> key{};
    unsigned state = static_cast<unsigned char>(letter) * 2654435761u;
    for (std::size_t i = 0; i < key.size(); ++i) {
        state = state * 1103515245u + 12345u + static_cast<unsigned>(i);
        key[i] = static_cast<unsigned char>(state >> 16);
    }
    return key;
}

char leadFor(char letter)
{
    return static_cast<char>('a' + ((letter - 'A') * 7 + 3) % 26);
}

int indexOf(char c)
{
    const char* at = std::strchr(alphabet, c);
    return (at && c) ? static_cast<int>(at - alphabet) : -1;
}

std::string readValue(const platform::Settings& s, const char* name)
{
    return ProxySettings::decipher(s.getString(section, name));
}

int toPort(const std::string& text)
{
    try {
        int port = std::stoi(text);
        return port > 0 && port < 65536 ? port : 0;
    } catch (...) {
        return 0;
    }
}

void loadSet(const platform::Settings& s, ProxySet& set, const char* const (&names)[5])
{
    set.inUse = readValue(s, names[0]) == "yes";
    set.server = readValue(s, names[1]);
    set.user = readValue(s, names[2]);
    set.password = readValue(s, names[3]);
    set.port = toPort(readValue(s, names[4]));
}

void saveSet(platform::Settings& s, const ProxySet& set, const char* const (&names)[5])
{
    s.setString(section, names[0], ProxySettings::encipher(set.inUse ? "yes" : "no"));
    s.setString(section, names[1], ProxySettings::encipher(set.server));
    s.setString(section, names[2], ProxySettings::encipher(set.user));
    s.setString(section, names[3], ProxySettings::encipher(set.password));
    s.setString(section, names[4], ProxySettings::encipher(set.port ? std::to_string(set.port) : ""));
}

const char* const httpNames[5] = {"mammal", "lion", "tiger", "deer", "giraffe"};
const char* const ftpNames[5] = {"fish", "tuna", "salmon", "carp", "marlin"};

} // namespace

std::string ProxySet::address() const
{
    if (!inUse || server.empty())
        return {};
    return port ? server + ":" + std::to_string(port) : server;
}

void ProxySettings::load(const platform::Settings& settings)
{
    loadSet(settings, http, httpNames);
    loadSet(settings, ftp, ftpNames);
}

void ProxySettings::save(platform::Settings& settings) const
{
    saveSet(settings, http, httpNames);
    saveSet(settings, ftp, ftpNames);
}

std::string ProxySettings::encipher(const std::string& text)
{
    if (text.empty())
        return {};
    std::string plain = platform::Cp932Codec::fromUtf8(text);
    static thread_local std::mt19937 random{std::random_device{}()};
    const char letter = static_cast<char>('A' + std::uniform_int_distribution<int>(0, 25)(random));
    auto key = keyFor(letter);
    CBlowfish fish;
    fish.SetKey(key.data(), key.size());
    std::vector<unsigned char> buffer((plain.size() + 7) / 8 * 8);
    std::size_t n = fish.Encipher(reinterpret_cast<const unsigned char*>(plain.data()), buffer.data(), plain.size());
    std::string out(1, leadFor(letter));
    for (std::size_t i = 0; i < n; ++i) {
        out += alphabet[buffer[i] / 25];
        out += alphabet[buffer[i] % 25];
    }
    out += letter;
    return out;
}

std::string ProxySettings::decipher(const std::string& stored)
{
    if (stored.size() <= 3 || stored.size() % 2 != 0)
        return {};
    const char letter = stored.back();
    if (letter < 'A' || letter > 'Z' || stored.front() != leadFor(letter))
        return {};
    std::vector<unsigned char> buffer;
    for (std::size_t i = 1; i + 1 < stored.size(); i += 2) {
        int high = indexOf(stored[i]), low = indexOf(stored[i + 1]);
        if (high < 0 || low < 0 || high * 25 + low > 255)
            return {};
        buffer.push_back(static_cast<unsigned char>(high * 25 + low));
    }
    if (buffer.empty() || buffer.size() % 8 != 0)
        return {};
    auto key = keyFor(letter);
    CBlowfish fish;
    fish.SetKey(key.data(), key.size());
    fish.Decipher(buffer.data(), buffer.data(), buffer.size());
    std::string plain(buffer.begin(), buffer.end());
    plain.erase(plain.find_last_not_of('\0') + 1);
    std::string utf8;
    return platform::Cp932Codec::tryToUtf8(plain, utf8) ? utf8 : std::string();
}

} // namespace receive
