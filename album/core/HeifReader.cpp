#include "album/core/HeifReader.h"

#include "album/core/AlbumError.h"
#include "album/core/AreaScaler.h"
#include "album/core/ExifOrientation.h"
#include "album/core/HevcDecoder.h"
#include "album/core/PictureReader.h"
#include "album/core/PictureTransforms.h"
#include "album/core/WorkControl.h"

#include <libheif/heif.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

namespace album {
namespace {

struct ContextFree {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleRelease {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageRelease {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};

std::uint64_t bigEndian(const std::uint8_t* at, int bytes)
{
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | at[i];
    return v;
}

// Bytes of the file in memory, read with every length checked against
// what holds it.
struct Span {
    const std::uint8_t* begin = nullptr;
    const std::uint8_t* end = nullptr;
    std::size_t size() const { return static_cast<std::size_t>(end - begin); }
};

// Calls `each(type, body)` for every box directly inside `in`, in order,
// until it answers false; false when a box runs past what holds it.
template<typename Each>
bool forEachBox(Span in, Each each)
{
    for (const std::uint8_t* at = in.begin; in.end - at >= 8;) {
        std::uint64_t size = bigEndian(at, 4);
        std::ptrdiff_t header = 8;
        if (size == 1) {
            if (in.end - at < 16)
                return false;
            size = bigEndian(at + 8, 8);
            header = 16;
        } else if (size == 0) {
            size = static_cast<std::uint64_t>(in.end - at);
        }
        if (size < static_cast<std::uint64_t>(header) || size > static_cast<std::uint64_t>(in.end - at))
            return false;
        if (!each(reinterpret_cast<const char*>(at + 4), Span {at + header, at + static_cast<std::ptrdiff_t>(size)}))
            return true;
        at += static_cast<std::ptrdiff_t>(size);
    }
    return true;
}

std::optional<Span> boxIn(Span in, const char* type)
{
    std::optional<Span> found;
    forEachBox(in, [&](const char* t, Span body) {
        if (std::memcmp(t, type, 4) != 0)
            return true;
        found = body;
        return false;
    });
    return found;
}

// The file's meta box, read into memory without touching its picture data
// (empty without one); nothing for one larger than any phone writes or
// running past the end of the file.
std::optional<std::vector<std::uint8_t>> metaBoxOf(const std::string& path)
{
    std::vector<std::uint8_t> meta;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return meta;
    for (std::uint64_t at = 0;;) {
        unsigned char head[16];
        if (std::fseek(file, static_cast<long>(at), SEEK_SET) != 0 || std::fread(head, 1, 8, file) != 8)
            break;
        std::uint64_t size = bigEndian(head, 4), header = 8;
        if (size == 1) {
            if (std::fread(head + 8, 1, 8, file) != 8)
                break;
            size = bigEndian(head + 8, 8);
            header = 16;
        }
        if (size < header || size > (std::uint64_t(1) << 40))
            break;
        if (std::memcmp(head + 4, "meta", 4) == 0) {
            if (size - header > (16u << 20)) {
                std::fclose(file);
                return std::nullopt;
            }
            meta.resize(static_cast<std::size_t>(size - header));
            const bool whole = std::fread(meta.data(), 1, meta.size(), file) == meta.size();
            std::fclose(file);
            if (!whole) // it runs past the end of the file
                return std::nullopt;
            return meta;
        }
        at += size;
    }
    std::fclose(file);
    return meta;
}

// Whether every box in the meta box's containers lies within the box that
// holds it. libheif 1.15 trusts a child's size while it reads, and a
// reference box claiming 256 MB inside a file of 1 KB made it take 4 GB.
bool boxesNest(Span in, int depth = 0)
{
    bool nested = true;
    const bool fits = forEachBox(in, [&](const char* type, Span body) {
        if (depth >= 4)
            return true;
        auto is = [&](const char* name) { return std::memcmp(type, name, 4) == 0; };
        if (is("iprp") || is("ipco") || is("dinf") || is("grpl")) {
            nested = boxesNest(body, depth + 1);
        } else if (is("iref") || is("dref")) {
            // A full box; dref counts its entries first.
            const std::size_t head = is("iref") ? 4 : 8;
            nested = body.size() >= head && boxesNest(Span {body.begin + head, body.end}, depth + 1);
        } else if (is("iinf")) {
            const std::size_t head = body.size() >= 1 && body.begin[0] == 0 ? 6 : 8;
            nested = body.size() >= head && boxesNest(Span {body.begin + head, body.end}, depth + 1);
        }
        return nested;
    });
    return fits && nested;
}

// Numbers read one after another from a span, each checked against its end.
class Reader {
public:
    explicit Reader(Span span) : at_(span.begin), end_(span.end) {}
    bool number(int bytes, std::uint64_t& out)
    {
        if (bytes < 0 || end_ - at_ < bytes)
            return false;
        out = bigEndian(at_, bytes);
        at_ += bytes;
        return true;
    }
    bool skip(std::uint64_t bytes)
    {
        if (static_cast<std::uint64_t>(end_ - at_) < bytes)
            return false;
        at_ += bytes;
        return true;
    }

private:
    const std::uint8_t* at_;
    const std::uint8_t* end_;
};

// What libheif is not asked about the file: whether it turns or mirrors
// its primary picture itself (an irot or imir property tied to it), and,
// for pictures put together from others (grids of tiles, overlays), the
// largest canvas their own data declare, which libheif allocates as it
// stands, whatever the size property says.
constexpr std::size_t maxDerivedItems = 64;

struct PrimaryFacts {
    bool readable = true; // false: the meta box is too large, cut short or its boxes overrun
    bool ownTransforms = false; // an irot or imir tied to the primary
    int ownOrientation = 1;     // what they do, as an Exif orientation
    bool cropped = false;       // a clap tied to the primary
    bool derived = false; // grids or overlays: their canvas is checked (0 x 0 when one is unreadable)
    std::uint64_t canvasWidth = 0, canvasHeight = 0; // the widest and the tallest
    std::uint64_t canvasPixels = 0;                  // all of them together
};

// The Exif orientation that shows a picture as libheif shows it, the
// transforms applied in the order the picture lists them: irot turns
// anticlockwise by quarters; imir flips top to bottom (axis 0) or left to
// right (1), as libheif 1.15 reads and writes it. A transform is kept as
// "mirror left to right if `mirrored`, then turn anticlockwise `turns`
// quarters".
int orientationOf(const std::vector<std::pair<char, int>>& transforms)
{
    int turns = 0;
    bool mirrored = false;
    for (const auto& [kind, value] : transforms) {
        if (kind == 'r') {
            turns += value;
        } else if (kind == 'm') {
            // Mirroring after a turn undoes its direction; top to bottom it
            // is a mirror left to right and a half turn.
            turns = (value ? 0 : 2) - turns;
            mirrored = !mirrored;
        }
    }
    turns = ((turns % 4) + 4) % 4;
    static const int plain[4] = {1, 8, 3, 6}, mirror[4] = {2, 5, 4, 7};
    return mirrored ? mirror[turns] : plain[turns];
}

void findTransforms(Span iprp, std::uint64_t primary, PrimaryFacts& facts)
{
    const std::optional<Span> ipco = boxIn(iprp, "ipco");
    if (!ipco)
        return;
    // By property index, from 1: 'r' a turn, 'm' a mirror, 'c' a crop,
    // 0 anything else, with the value each holds.
    std::vector<std::pair<char, int>> properties;
    forEachBox(*ipco, [&](const char* type, Span body) {
        const int value = body.size() >= 1 ? body.begin[0] : 0;
        if (std::memcmp(type, "irot", 4) == 0)
            properties.emplace_back('r', value & 3);
        else if (std::memcmp(type, "imir", 4) == 0)
            properties.emplace_back('m', value & 1);
        else if (std::memcmp(type, "clap", 4) == 0)
            properties.emplace_back('c', 0);
        else
            properties.emplace_back(0, 0);
        return true;
    });
    std::vector<std::pair<char, int>> transforms;
    // Every ipma box of the file: item, then its properties' indices.
    forEachBox(iprp, [&](const char* type, Span ipma) {
        if (std::memcmp(type, "ipma", 4) != 0 || ipma.size() < 8)
            return true;
        const int version = ipma.begin[0];
        const bool wideIndex = (ipma.begin[3] & 1) != 0;
        Reader r(ipma);
        std::uint64_t entries = 0, item = 0, count = 0, index = 0;
        if (!r.skip(4) || !r.number(4, entries))
            return false;
        for (std::uint64_t e = 0; e < entries; ++e) {
            if (!r.number(version < 1 ? 2 : 4, item) || !r.number(1, count))
                return false;
            for (std::uint64_t k = 0; k < count; ++k) {
                if (!r.number(wideIndex ? 2 : 1, index))
                    return false;
                index &= wideIndex ? 0x7fff : 0x7f;
                if (item == primary && index >= 1 && index <= properties.size() && properties[index - 1].first)
                    transforms.push_back(properties[index - 1]);
            }
        }
        return true;
    });
    for (const auto& [kind, value] : transforms) {
        facts.ownTransforms = facts.ownTransforms || kind == 'r' || kind == 'm';
        facts.cropped = facts.cropped || kind == 'c';
    }
    facts.ownOrientation = orientationOf(transforms);
}

// Every item's type in iinf ("grid", "iovl", "hvc1", ...), by item id.
std::vector<std::pair<std::uint64_t, std::string>> itemTypes(Span meta)
{
    std::vector<std::pair<std::uint64_t, std::string>> types;
    const std::optional<Span> iinf = boxIn(meta, "iinf");
    if (!iinf || iinf->size() < 6)
        return types;
    const Span entries {iinf->begin + (iinf->begin[0] == 0 ? 6 : 8), iinf->end};
    forEachBox(entries, [&](const char* type, Span infe) {
        if (std::memcmp(type, "infe", 4) != 0 || infe.size() < 4 || infe.begin[0] < 2)
            return true;
        Reader r(infe);
        std::uint64_t id = 0, kind = 0;
        if (!r.skip(4) || !r.number(infe.begin[0] == 2 ? 2 : 4, id) || !r.skip(2) || !r.number(4, kind))
            return true;
        std::string name;
        for (int shift = 24; shift >= 0; shift -= 8)
            name.push_back(static_cast<char>(kind >> shift));
        types.emplace_back(id, name);
        return true;
    });
    return types;
}

// The first bytes (up to `want`) of each of `items`' data, where iloc puts
// them: in the file, or in the meta box's idat. iloc is read once.
std::map<std::uint64_t, std::vector<std::uint8_t>> itemStarts(const std::string& path, Span meta,
                                                               const std::set<std::uint64_t>& items, std::size_t want)
{
    std::map<std::uint64_t, std::vector<std::uint8_t>> starts;
    const std::optional<Span> iloc = boxIn(meta, "iloc");
    if (!iloc || iloc->size() < 8)
        return starts;
    const int version = iloc->begin[0];
    Reader r(*iloc);
    std::uint64_t sizes = 0, moreSizes = 0, count = 0;
    if (!r.skip(4) || !r.number(1, sizes) || !r.number(1, moreSizes) || !r.number(version < 2 ? 2 : 4, count))
        return starts;
    const int offsetSize = static_cast<int>(sizes >> 4), lengthSize = static_cast<int>(sizes & 15);
    const int baseSize = static_cast<int>(moreSizes >> 4), indexSize = version == 1 || version == 2 ? static_cast<int>(moreSizes & 15) : 0;
    const std::optional<Span> idat = boxIn(meta, "idat");
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(nullptr, &std::fclose);
    for (std::uint64_t i = 0; i < count && starts.size() < items.size(); ++i) {
        std::uint64_t id = 0, method = 0, base = 0, extents = 0, offset = 0, length = 0, ignored = 0;
        if (!r.number(version < 2 ? 2 : 4, id) || ((version == 1 || version == 2) && !r.number(2, method))
            || !r.skip(2) || !r.number(baseSize, base) || !r.number(2, extents))
            return starts;
        method &= 15;
        // Extents of no bytes at all read nothing: one stands for them all,
        // so a count of 65535 such extents costs no time.
        const std::uint64_t read = indexSize + offsetSize + lengthSize == 0 ? std::min<std::uint64_t>(extents, 1) : extents;
        for (std::uint64_t e = 0; e < read; ++e) {
            std::uint64_t o = 0, l = 0;
            if (!r.number(indexSize, ignored) || !r.number(offsetSize, o) || !r.number(lengthSize, l))
                return starts;
            if (e == 0)
                offset = o, length = l;
        }
        if (!items.count(id) || starts.count(id) || extents == 0 || base > (std::uint64_t(1) << 48)
            || offset > (std::uint64_t(1) << 48))
            continue;
        const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(want, length ? length : want));
        std::vector<std::uint8_t>& out = starts[id];
        if (method == 1) {
            if (idat && base + offset <= idat->size() && size <= idat->size() - (base + offset))
                out.assign(idat->begin + base + offset, idat->begin + base + offset + size);
        } else if (method == 0) {
            if (!file)
                file.reset(std::fopen(path.c_str(), "rb"));
            out.resize(size);
            if (!file || std::fseek(file.get(), static_cast<long>(base + offset), SEEK_SET) != 0
                || std::fread(out.data(), 1, size, file.get()) != size)
                out.clear();
        }
    }
    return starts;
}

// The items libheif builds when it decodes `primary`: the primary, what
// its derivations take their pictures from (dimg), and the auxiliary
// pictures of any of these (an alpha plane refers to its picture by auxl),
// each followed in turn.
std::set<std::uint64_t> builtWith(Span meta, std::uint64_t primary)
{
    std::multimap<std::uint64_t, std::uint64_t> derivedFrom, auxiliaryOf;
    if (const std::optional<Span> iref = boxIn(meta, "iref"); iref && iref->size() >= 4) {
        const int idBytes = iref->begin[0] == 0 ? 2 : 4;
        forEachBox(Span {iref->begin + 4, iref->end}, [&](const char* type, Span body) {
            const bool dimg = std::memcmp(type, "dimg", 4) == 0, auxl = std::memcmp(type, "auxl", 4) == 0;
            Reader r(body);
            std::uint64_t from = 0, count = 0, to = 0;
            if ((!dimg && !auxl) || !r.number(idBytes, from) || !r.number(2, count))
                return true;
            for (std::uint64_t k = 0; k < count && r.number(idBytes, to); ++k) {
                if (dimg)
                    derivedFrom.emplace(from, to);
                else
                    auxiliaryOf.emplace(to, from);
            }
            return true;
        });
    }
    std::set<std::uint64_t> reached {primary};
    std::vector<std::uint64_t> next {primary};
    while (!next.empty()) {
        const std::uint64_t item = next.back();
        next.pop_back();
        for (const auto* edges : {&derivedFrom, &auxiliaryOf}) {
            const auto [first, last] = edges->equal_range(item);
            for (auto e = first; e != last; ++e)
                if (reached.insert(e->second).second)
                    next.push_back(e->second);
        }
    }
    return reached;
}

PrimaryFacts primaryFacts(const std::string& path)
{
    PrimaryFacts facts;
    const std::optional<std::vector<std::uint8_t>> read = metaBoxOf(path);
    if (!read) {
        facts.readable = false;
        return facts;
    }
    const std::vector<std::uint8_t>& bytes = *read;
    if (bytes.size() < 4)
        return facts;
    const Span meta {bytes.data() + 4, bytes.data() + bytes.size()}; // after the full box's version and flags
    if (!boxesNest(meta)) {
        facts.readable = false;
        return facts;
    }
    const std::optional<Span> pitm = boxIn(meta, "pitm");
    const std::optional<Span> iprp = boxIn(meta, "iprp");
    std::optional<std::set<std::uint64_t>> built; // unknown without a primary: then every item counts
    if (pitm && pitm->size() >= 6 && (pitm->begin[0] == 0 || pitm->size() >= 8)) {
        const std::uint64_t primary = bigEndian(pitm->begin + 4, pitm->begin[0] != 0 ? 4 : 2);
        if (iprp)
            findTransforms(*iprp, primary, facts);
        built = builtWith(meta, primary);
    }

    // A grid: version, flags, rows and columns less one, then the canvas;
    // an overlay: version, flags, four fill values, then the canvas. Flag 1
    // makes the sizes 32 bits wide. Every such item libheif builds for the
    // primary counts: a tile that is itself a grid or an overlay is built
    // just the same. Other pictures of the file are not decoded.
    std::map<std::uint64_t, std::string> derived;
    for (auto& [id, type] : itemTypes(meta))
        if ((type == "grid" || type == "iovl") && (!built || built->count(id)))
            derived[id] = std::move(type);
    if (derived.empty())
        return facts;
    facts.derived = true;
    // Phones write one grid; hundreds are no picture but a way to make
    // the reading slow.
    if (derived.size() > maxDerivedItems)
        return facts;
    std::set<std::uint64_t> ids;
    for (const auto& entry : derived)
        ids.insert(entry.first);
    const std::map<std::uint64_t, std::vector<std::uint8_t>> starts = itemStarts(path, meta, ids, 20);
    for (const auto& [id, type] : derived) {
        const auto found = starts.find(id);
        const std::size_t skip = type == "grid" ? 4 : 10;
        if (found == starts.end() || found->second.size() < 2) {
            facts.canvasWidth = facts.canvasHeight = 0; // unreadable: refused as broken
            return facts;
        }
        const std::vector<std::uint8_t>& start = found->second;
        const int side = (start[1] & 1) ? 4 : 2;
        if (start.size() < skip + 2 * side) {
            facts.canvasWidth = facts.canvasHeight = 0;
            return facts;
        }
        const std::uint64_t width = bigEndian(start.data() + skip, side), height = bigEndian(start.data() + skip + side, side);
        facts.canvasWidth = std::max(facts.canvasWidth, width);
        facts.canvasHeight = std::max(facts.canvasHeight, height);
        facts.canvasPixels += width * height; // each side below 2^32
    }
    return facts;
}

// While libheif decodes, it and libde265 hold several whole copies of the
// planes (about six bytes a pixel at 4:2:0), far more than the fitting
// after it. Decodes running at once share one allowance, so that a phone's
// pictures fitted on several threads are decoded one at a time (each
// decode takes every core itself), while small pictures still decode side
// by side. A picture larger than the whole allowance decodes alone.
class DecodeAllowance {
public:
    static constexpr std::size_t total = 96u << 20;

    explicit DecodeAllowance(std::size_t cost) : cost_(cost)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        freed_.wait(lock, [&] { return inUse_ == 0 || inUse_ + cost_ <= total; });
        inUse_ += cost_;
    }
    ~DecodeAllowance() { release(); }
    DecodeAllowance(const DecodeAllowance&) = delete;
    DecodeAllowance& operator=(const DecodeAllowance&) = delete;

    void release()
    {
        if (!cost_)
            return;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            inUse_ -= cost_;
            cost_ = 0;
        }
        freed_.notify_all();
    }

    static std::size_t costOf(int width, int height) { return std::size_t(std::max(width, 1)) * std::max(height, 1) * 6; }

private:
    std::size_t cost_;
    static inline std::mutex mutex_;
    static inline std::condition_variable freed_;
    static inline std::size_t inUse_ = 0;
};

// A decode leaves the planes it freed scattered over the heaps of the
// threads that made them (libde265 starts new ones for every picture), and
// glibc keeps such memory; given back after each picture, a hundred phone
// pictures cost no more than the first.
struct ReturnFreedMemory {
    ReturnFreedMemory() = default;
    ReturnFreedMemory(const ReturnFreedMemory&) = delete;
    ReturnFreedMemory& operator=(const ReturnFreedMemory&) = delete;
    ~ReturnFreedMemory()
    {
#ifdef __GLIBC__
        ::malloc_trim(0);
#endif
    }
};

struct NclxFree {
    void operator()(heif_color_profile_nclx* p) const { heif_nclx_color_profile_free(p); }
};

// How the picture's YCbCr becomes RGB: the matrix and range its colour
// profile names, BT.601 full range (libheif's own default) without one.
struct YcbcrMatrix {
    float crToR, cbToG, crToG, cbToB;
    bool fullRange = true;

    static YcbcrMatrix of(heif_image* image)
    {
        float kr = 0.299f, kb = 0.114f;
        bool full = true;
        heif_color_profile_nclx* raw = nullptr;
        if (heif_image_get_nclx_color_profile(image, &raw).code == heif_error_Ok && raw) {
            std::unique_ptr<heif_color_profile_nclx, NclxFree> nclx(raw);
            full = nclx->full_range_flag != 0;
            switch (nclx->matrix_coefficients) {
            case heif_matrix_coefficients_ITU_R_BT_709_5:
                kr = 0.2126f, kb = 0.0722f;
                break;
            case heif_matrix_coefficients_ITU_R_BT_2020_2_non_constant_luminance:
            case heif_matrix_coefficients_ITU_R_BT_2020_2_constant_luminance:
                kr = 0.2627f, kb = 0.0593f;
                break;
            default:
                break;
            }
        }
        const float kg = 1 - kr - kb;
        return {2 * (1 - kr), 2 * kb * (1 - kb) / kg, 2 * kr * (1 - kr) / kg, 2 * (1 - kb), full};
    }
};

std::uint8_t clamped(float v)
{
    return static_cast<std::uint8_t>(v <= 0 ? 0 : v >= 255 ? 255 : v + 0.5f);
}

// An 8-bit YCbCr picture (4:2:0, 4:2:2 or 4:4:4) fitted row by row, so that
// no RGB copy of the whole picture is ever made: a phone's picture costs
// its planes and no more.
std::optional<DecodedPicture> fitYcbcr(heif_image* image, PictureSize limit, int orientation, WorkControl* control)
{
    const heif_chroma chroma = heif_image_get_chroma_format(image);
    const int shiftX = chroma == heif_chroma_444 ? 0 : 1;
    const int shiftY = chroma == heif_chroma_420 ? 1 : 0;
    if (chroma != heif_chroma_420 && chroma != heif_chroma_422 && chroma != heif_chroma_444)
        return std::nullopt;
    int yStride = 0, cbStride = 0, crStride = 0;
    const std::uint8_t* yPlane = heif_image_get_plane_readonly(image, heif_channel_Y, &yStride);
    const std::uint8_t* cbPlane = heif_image_get_plane_readonly(image, heif_channel_Cb, &cbStride);
    const std::uint8_t* crPlane = heif_image_get_plane_readonly(image, heif_channel_Cr, &crStride);
    const int width = heif_image_get_width(image, heif_channel_Y);
    const int height = heif_image_get_height(image, heif_channel_Y);
    const int chromaWidth = heif_image_get_width(image, heif_channel_Cb);
    const int chromaHeight = heif_image_get_height(image, heif_channel_Cb);
    if (!yPlane || !cbPlane || !crPlane || width < 1 || height < 1 || yStride < width
        || heif_image_get_bits_per_pixel_range(image, heif_channel_Y) != 8
        || heif_image_get_bits_per_pixel_range(image, heif_channel_Cb) != 8
        || chromaWidth < (width + shiftX) >> shiftX || chromaHeight < (height + shiftY) >> shiftY
        || cbStride < chromaWidth || crStride < chromaWidth || heif_image_get_width(image, heif_channel_Cr) != chromaWidth
        || heif_image_get_height(image, heif_channel_Cr) != chromaHeight)
        return std::nullopt;
    const YcbcrMatrix m = YcbcrMatrix::of(image);

    DecodedPicture result;
    result.orientation = orientation;
    const bool turned = orientation >= 5;
    result.source = turned ? PictureSize {height, width} : PictureSize {width, height};
    const PictureSize fitted = fitToLimit(result.source, limit);
    const PictureSize target = turned ? PictureSize {fitted.height, fitted.width} : fitted;
    // Areas are averaged in YCbCr and only the fitted picture is turned
    // into RGB: the conversion is affine, so averaging before it gives the
    // same colours (but for rounding) at a hundredth of the work.
    AreaScaler scaler(width, height, std::min(target.width, width), std::min(target.height, height));
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* luma = yPlane + static_cast<std::size_t>(y) * yStride;
        const std::uint8_t* cb = cbPlane + static_cast<std::size_t>(y >> shiftY) * cbStride;
        const std::uint8_t* cr = crPlane + static_cast<std::size_t>(y >> shiftY) * crStride;
        std::uint8_t* out = row.data();
        for (int x = 0; x < width; ++x, out += 3) {
            out[0] = luma[x];
            out[1] = cb[x >> shiftX];
            out[2] = cr[x >> shiftX];
        }
        scaler.addRow(row.data());
        if (control && (y & 63) == 0) {
            control->checkStop();
            control->setPermille(static_cast<int>(500 + 500LL * y / height));
        }
    }
    if (control)
        control->setPermille(1000);
    Image fittedPicture = scaler.take();
    const float lumaScale = m.fullRange ? 1.0f : 255.0f / 219.0f, chromaScale = m.fullRange ? 1.0f : 255.0f / 224.0f;
    const float lumaOffset = m.fullRange ? 0.0f : 16.0f;
    for (std::size_t i = 0; i + 2 < fittedPicture.pixels.size(); i += 3) {
        std::uint8_t* px = &fittedPicture.pixels[i];
        const float l = (px[0] - lumaOffset) * lumaScale;
        const float b = (px[1] - 128.0f) * chromaScale;
        const float r = (px[2] - 128.0f) * chromaScale;
        px[0] = clamped(l + m.crToR * r);
        px[1] = clamped(l - m.cbToG * b - m.crToG * r);
        px[2] = clamped(l + m.cbToB * b);
    }
    result.image = orientUpright(std::move(fittedPicture), orientation);
    return result;
}

} // namespace

std::optional<std::string> HeifReader::exifBlock(heif_image_handle* handle)
{
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) != 1)
        return std::nullopt;
    const std::size_t size = heif_image_handle_get_metadata_size(handle, id);
    if (size < 4 || size > 1024 * 1024)
        return std::nullopt;
    std::string block(size, '\0');
    if (heif_image_handle_get_metadata(handle, id, block.data()).code != heif_error_Ok)
        return std::nullopt;
    // Four bytes of offset to the TIFF header come first.
    const std::uint32_t offset = std::uint32_t(static_cast<unsigned char>(block[0])) << 24
        | std::uint32_t(static_cast<unsigned char>(block[1])) << 16
        | std::uint32_t(static_cast<unsigned char>(block[2])) << 8 | static_cast<unsigned char>(block[3]);
    if (offset > size - 4)
        return std::nullopt;
    return block.substr(4 + offset);
}

DecodedPicture HeifReader::readFitted(const std::string& path, PictureSize limit, const std::string& displayName,
                                      WorkControl* control)
{
    useThreadedHevcDecoder();
    // Read by us before libheif reads a byte: what libheif would trust.
    const PrimaryFacts facts = primaryFacts(path);
    if (!facts.readable)
        throw AlbumError(formatText(texts::brokenJpeg, displayName));
    const ReturnFreedMemory whenDone;
    std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
    if (!context)
        throw AlbumError(formatText(texts::pictureNotReadable, displayName));
    heif_context_set_maximum_image_size_limit(context.get(), 65535);
    heif_error error = heif_context_read_from_file(context.get(), path.c_str(), nullptr);
    if (error.code == heif_error_Memory_allocation_error)
        throw AlbumError(formatText(texts::jpegTooLarge, displayName));
    if (error.code != heif_error_Ok)
        throw AlbumError(formatText(texts::brokenJpeg, displayName));
    heif_image_handle* rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok || !rawHandle)
        throw AlbumError(formatText(texts::brokenJpeg, displayName));
    std::unique_ptr<heif_image_handle, HandleRelease> handle(rawHandle);

    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const int channels = alpha ? 4 : 3;
    // Both the declared picture and the coded one (before a turn) count;
    // the decoder holds the planes and the interleaved picture at once.
    PictureReader::checkSize(heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get()),
                             channels * 2, displayName);
    PictureReader::checkSize(heif_image_handle_get_ispe_width(handle.get()),
                             heif_image_handle_get_ispe_height(handle.get()), channels * 2, displayName);
    if (facts.derived) {
        auto bounded = [](std::uint64_t v) { return static_cast<std::int64_t>(std::min<std::uint64_t>(v, 1ull << 40)); };
        PictureReader::checkSize(bounded(facts.canvasWidth), bounded(facts.canvasHeight), channels * 2, displayName);
        // Each canvas is allocated: together they may be no more than one.
        PictureReader::checkSize(bounded(facts.canvasPixels), 1, channels * 2, displayName);
    }
    if (control)
        control->checkStop();

    ExifFacts exif;
    if (const std::optional<std::string> tiff = exifBlock(handle.get()))
        exif = exifFactsOfTiff(reinterpret_cast<const std::uint8_t*>(tiff->data()), tiff->size());
    // The file's own turn and mirror are applied to the fitted picture
    // rather than by libheif to the whole one, which costs a second copy of
    // it and a tenth of the time; a crop (clap) still leaves all of them to
    // libheif.
    const bool turnFitted = facts.ownTransforms && !facts.cropped;
    const int orientation = turnFitted ? facts.ownOrientation : facts.ownTransforms ? 1 : exif.orientation;

    std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    options->convert_hdr_to_8bit = 1;
    options->ignore_transformations = turnFitted ? 1 : 0;
    heif_image* rawImage = nullptr;
    // Every size the file declares counts: the shown one, the coded one
    // (before a turn), and a grid's or overlay's canvas (checked above).
    const int widest = std::max({heif_image_handle_get_width(handle.get()), heif_image_handle_get_ispe_width(handle.get()),
                                 static_cast<int>(facts.canvasWidth)});
    const int tallest = std::max({heif_image_handle_get_height(handle.get()), heif_image_handle_get_ispe_height(handle.get()),
                                  static_cast<int>(facts.canvasHeight)});
    const std::size_t decodeCost = DecodeAllowance::costOf(widest, tallest);
    // The coded picture may be rounded up to whole coding blocks, never
    // more; a tile is no larger than the whole.
    auto coded = [](int w, int h) {
        return (static_cast<long long>(std::max(w, 1)) + 63) / 64 * 64 * ((static_cast<long long>(std::max(h, 1)) + 63) / 64 * 64);
    };
    const HevcSizeCeiling ceiling(coded(widest, tallest));
    // A picture of 8 bits without alpha, as phones write them, is taken in
    // its own YCbCr; any other through libheif's RGB.
    if (!alpha && heif_image_handle_get_luma_bits_per_pixel(handle.get()) == 8) {
        DecodeAllowance allowance(decodeCost);
        error = heif_decode_image(handle.get(), &rawImage, heif_colorspace_YCbCr, heif_chroma_undefined, options.get());
        allowance.release();
        std::unique_ptr<heif_image, ImageRelease> image(rawImage);
        if (error.code == heif_error_Memory_allocation_error)
            throw AlbumError(formatText(texts::jpegTooLarge, displayName));
        if (error.code != heif_error_Ok || !image)
            throw AlbumError(formatText(texts::brokenJpeg, displayName));
        if (control)
            control->setPermille(500);
        if (std::optional<DecodedPicture> decoded = fitYcbcr(image.get(), limit, orientation, control)) {
            decoded->taken = exif.taken.value_or(std::string());
            return std::move(*decoded);
        }
        rawImage = nullptr;
    }
    DecodeAllowance allowance(decodeCost);
    error = heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                              alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
    allowance.release();
    std::unique_ptr<heif_image, ImageRelease> image(rawImage);
    if (error.code == heif_error_Memory_allocation_error)
        throw AlbumError(formatText(texts::jpegTooLarge, displayName));
    if (error.code != heif_error_Ok || !image)
        throw AlbumError(formatText(texts::brokenJpeg, displayName));
    int stride = 0;
    const std::uint8_t* pixels = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!pixels || width < 1 || height < 1 || stride < width * channels)
        throw AlbumError(formatText(texts::brokenJpeg, displayName));
    if (control)
        control->setPermille(500);
    DecodedPicture decoded = PictureReader::fitRaster(pixels, width, height, static_cast<std::size_t>(stride),
                                                      channels, limit, orientation, control);
    decoded.taken = exif.taken.value_or(std::string());
    return decoded;
}

} // namespace album
