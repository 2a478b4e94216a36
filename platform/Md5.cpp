#include "Md5.h"

#include <cstdio>

namespace platform {

Md5::Md5()
{
    md5_init(&context_);
}

void Md5::update(const void* data, std::size_t size)
{
    md5_update(&context_, size, static_cast<const std::uint8_t*>(data));
}

std::array<std::uint8_t, 16> Md5::digest()
{
    std::array<std::uint8_t, 16> out{};
    md5_digest(&context_, out.size(), out.data());
    return out;
}

std::string Md5::hexDigest()
{
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (std::uint8_t b : digest()) {
        out += hex[b >> 4];
        out += hex[b & 15];
    }
    return out;
}

std::string Md5::ofText(std::string_view data)
{
    Md5 md5;
    md5.update(data);
    return md5.hexDigest();
}

bool Md5::ofFile(const std::string& path, std::string& hex)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    Md5 md5;
    char buffer[1024];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        md5.update(buffer, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    if (ok)
        hex = md5.hexDigest();
    return ok;
}

} // namespace platform
