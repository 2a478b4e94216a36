#include "album/core/AlbumDataFile.h"

#include "album/core/AlbumError.h"
#include "platform/AtomicFile.h"
#include "platform/Cp932Codec.h"

#include <climits>
#include <cstring>
#include <fstream>
#include <sstream>

namespace album {
namespace {

using platform::Cp932Codec;

constexpr char magic[4] = {'G', 'l', 'i', 'm'};

class Writer {
public:
    void u32(std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            out_ += static_cast<char>(v >> (8 * i));
    }
    void u16(std::uint16_t v)
    {
        out_ += static_cast<char>(v);
        out_ += static_cast<char>(v >> 8);
    }
    void number(int v) { u32(static_cast<std::uint32_t>(v)); }
    void raw(const char* bytes, std::size_t n) { out_.append(bytes, n); }
    void text(const std::string& utf8)
    {
        std::string bytes;
        if (!Cp932Codec::tryFromUtf8(utf8, bytes))
            throw AlbumError(texts::dataFileNotWritten, texts::errorCaption, utf8);
        if (bytes.size() < 0xFF) {
            out_ += static_cast<char>(bytes.size());
        } else if (bytes.size() < 0xFFFE) {
            out_ += '\xFF';
            u16(static_cast<std::uint16_t>(bytes.size()));
        } else {
            out_ += '\xFF';
            u16(0xFFFF);
            u32(static_cast<std::uint32_t>(bytes.size()));
        }
        out_ += bytes;
    }
    std::string take() { return std::move(out_); }

private:
    std::string out_;
};

class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    std::uint32_t u32(const char* what)
    {
        need(4, what);
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= std::uint32_t(static_cast<unsigned char>(bytes_[at_ + i])) << (8 * i);
        at_ += 4;
        return v;
    }
    int number(const char* what, std::uint32_t highest = INT_MAX)
    {
        const std::uint32_t v = u32(what);
        if (v > highest)
            fail(std::string(what) + " の値が正しくありません");
        return static_cast<int>(v);
    }
    std::string text(const char* what)
    {
        need(1, what);
        std::size_t length = static_cast<unsigned char>(bytes_[at_++]);
        if (length == 0xFF) {
            need(2, what);
            length = static_cast<unsigned char>(bytes_[at_]) | static_cast<unsigned char>(bytes_[at_ + 1]) << 8;
            at_ += 2;
            if (length == 0xFFFE) // the framework's mark of a UTF-16 text
                fail(std::string(what) + " の文字コードが正しくありません");
            if (length == 0xFFFF)
                length = u32(what);
        }
        need(length, what);
        std::string utf8;
        if (!Cp932Codec::tryToUtf8(bytes_.substr(at_, length), utf8))
            fail(std::string(what) + " の文字コードが正しくありません");
        at_ += length;
        return utf8;
    }
    std::size_t left() const { return bytes_.size() - at_; }
    // A count of records of at least `smallest` bytes each: never more than
    // the rest of the file or `highest` can hold.
    std::uint32_t count(const char* what, const char* first, std::size_t smallest, std::size_t highest)
    {
        const std::uint32_t n = u32(what);
        if (n > left() / smallest)
            fail(std::string(first) + " がファイルの終わりを越えています");
        if (n > highest)
            fail(std::string(what) + " がアーカイブのファイルの数を越えています");
        return n;
    }
    [[noreturn]] static void fail(const std::string& reason)
    {
        throw AlbumError(texts::dataFileBad, texts::errorCaption, reason);
    }

private:
    void need(std::size_t n, const char* what)
    {
        if (bytes_.size() - at_ < n)
            fail(std::string(what) + " がファイルの終わりを越えています");
    }

    std::string_view bytes_;
    std::size_t at_ = 0;
};

} // namespace

std::string AlbumDataFile::serialize(const AlbumData& data)
{
    Writer w;
    w.raw(magic, sizeof magic);
    w.u32(writtenVersion);
    w.u32(static_cast<std::uint32_t>(data.items.size()));
    for (const AlbumItem& item : data.items) {
        w.text(item.saveName);
        w.text(item.sourcePath);
        w.text(item.title);
        w.text(item.comment);
        w.number(item.width);
        w.number(item.height);
        w.number(static_cast<int>(item.type));
        w.text(item.voicePath);
        w.text(item.voiceName);
        w.number(item.voiceSeconds);
    }
    w.u32(static_cast<std::uint32_t>(data.materials.size()));
    for (const styles::Material& m : data.materials) {
        w.text(m.name);
        w.number(m.attribute);
    }
    return w.take();
}

AlbumData AlbumDataFile::parse(std::string_view bytes, std::size_t maxEntries)
{
    Reader r(bytes);
    if (bytes.size() < 4 || std::memcmp(bytes.data(), magic, 4) != 0)
        Reader::fail("先頭が \"Glim\" ではありません");
    r.u32("magic");
    const std::uint32_t version = r.u32("バージョン");
    if (version != 1 && version != 2)
        Reader::fail("バージョン " + std::to_string(version) + " は読めません");
    AlbumData data;
    // The least an item or a material takes: its texts' length bytes and
    // its numbers.
    const std::size_t smallestItem = version >= 2 ? 6 + 4 * 4 : 4;
    const std::uint32_t count = r.count("写真の数", "保存名", smallestItem, maxEntries);
    for (std::uint32_t i = 0; i < count; ++i) {
        AlbumItem item;
        item.saveName = r.text("保存名");
        item.sourcePath = r.text("ファイルの場所");
        item.title = r.text("タイトル");
        item.comment = r.text("コメント");
        if (version >= 2) {
            item.width = r.number("幅");
            item.height = r.number("高さ");
            item.type = static_cast<MediaType>(r.number("種類", 1));
            item.voicePath = r.text("声のメッセージのパス");
            item.voiceName = r.text("声のメッセージのファイル名");
            item.voiceSeconds = r.number("声のメッセージの長さ");
        }
        data.items.push_back(std::move(item));
    }
    if (version >= 2) {
        const std::uint32_t materials = r.count("素材の数", "素材の名前", 1 + 4, maxEntries);
        for (std::uint32_t i = 0; i < materials; ++i) {
            styles::Material m;
            m.name = r.text("素材の名前");
            m.attribute = r.number("素材の属性");
            data.materials.push_back(std::move(m));
        }
    }
    // Whatever follows is not read, as the file was always read.
    return data;
}

void AlbumDataFile::write(const std::string& path, const AlbumData& data)
{
    const std::string bytes = serialize(data);
    if (!platform::AtomicFile::writeWhole(path, bytes))
        throw AlbumError(texts::dataFileNotWritten);
}

AlbumData AlbumDataFile::read(const std::string& path, std::size_t maxEntries)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw AlbumError(texts::dataFileBad, texts::errorCaption, "ファイルを開けません");
    std::string bytes;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > maxFileSize)
            throw AlbumError(texts::dataFileBad, texts::errorCaption, "ファイルが大きすぎます");
    }
    if (in.bad())
        throw AlbumError(texts::dataFileBad, texts::errorCaption, "ファイルを読めません");
    return parse(bytes, maxEntries);
}

} // namespace album
