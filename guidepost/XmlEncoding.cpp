// Code page 932 as a libxml2 encoding. libxml2's own Shift_JIS goes through
// iconv, which turns 0x5C into a yen sign and would break every folder
// separator of a GuidePost.

#include "guidepost/TCXML.h"

#include "platform/Cp932Codec.h"

#include <libxml/encoding.h>
#include <libxml/parser.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>

namespace {

using platform::Cp932Codec;

int putUtf8(char32_t cp, unsigned char* out)
{
    if (cp < 0x80) {
        out[0] = static_cast<unsigned char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
        out[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        return 2;
    }
    out[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
    out[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
    return 3;
}

// cp932 -> UTF-8. A lead byte at the end of the chunk is left for the next call.
int cp932Input(unsigned char* out, int* outlen, const unsigned char* in, int* inlen)
{
    int inPos = 0, outPos = 0;
    const int inEnd = *inlen, outEnd = *outlen;
    int result = 0;
    while (inPos < inEnd) {
        // Most of a document is ASCII: runs of it are copied eight bytes at
        // a time, as far as the output has room.
        const int room = std::min(inEnd - inPos, outEnd - outPos);
        int run = 0;
        while (run + 8 <= room) {
            std::uint64_t word;
            std::memcpy(&word, in + inPos + run, 8);
            if (word & 0x8080808080808080u)
                break;
            std::memcpy(out + outPos + run, &word, 8);
            run += 8;
        }
        while (run < room && in[inPos + run] < 0x80) {
            out[outPos + run] = in[inPos + run];
            ++run;
        }
        inPos += run;
        outPos += run;
        if (inPos == inEnd)
            break;
        if (outEnd - outPos < 3) {
            result = -1;
            break;
        }
        if (in[inPos] < 0x80)
            continue;
        char32_t cp = 0;
        std::size_t used = Cp932Codec::decodeOne(in + inPos, static_cast<std::size_t>(inEnd - inPos), cp);
        if (used == 0) {
            if (inEnd - inPos == 1 && Cp932Codec::isLeadByte(in[inPos]))
                break;
            result = -2;
            break;
        }
        outPos += putUtf8(cp, out + outPos);
        inPos += static_cast<int>(used);
    }
    *inlen = inPos;
    *outlen = outPos;
    return result < 0 ? result : outPos;
}

// UTF-8 -> cp932. A character cut at the end of the chunk is left for the next call.
int cp932Output(unsigned char* out, int* outlen, const unsigned char* in, int* inlen)
{
    if (!in) {  // flush request: nothing is buffered
        *outlen = 0;
        *inlen = 0;
        return 0;
    }
    int inPos = 0, outPos = 0;
    const int inEnd = *inlen, outEnd = *outlen;
    int result = 0;
    while (inPos < inEnd) {
        unsigned char c = in[inPos];
        int len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        if (inEnd - inPos < len)
            break;
        if (outEnd - outPos < 2) {
            result = -1;
            break;
        }
        char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
        for (int i = 1; i < len; ++i)
            cp = (cp << 6) | (in[inPos + i] & 0x3F);
        std::size_t written = Cp932Codec::encodeOne(cp, out + outPos);
        if (written == 0) {
            result = -2;
            break;
        }
        outPos += static_cast<int>(written);
        inPos += len;
    }
    *inlen = inPos;
    *outlen = outPos;
    return result < 0 ? result : outPos;
}

} // namespace

void TCXML::RegisterEncodings()
{
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        // xmlNewCharEncodingHandler registers each handler under its name,
        // ahead of the iconv lookup.
        for (const char* name : {"Shift-JIS", "Shift_JIS", "SJIS", "x-sjis"})
            xmlNewCharEncodingHandler(name, cp932Input, cp932Output);
    });
}
