#include "Compression.h"

#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// Fixed buffers: memory stays flat whatever the file size.
constexpr std::size_t inputBufferSize = 16384;
constexpr std::size_t outputBufferSize = 65536;
// windowBits + 16 asks zlib for the gzip wrapper instead of the zlib one.
constexpr int gzipWindowBits = MAX_WBITS + 16;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// The destination is removed unless the operation got to its end.
class Destination {
public:
    explicit Destination(const char* path) : path_(path), file_(std::fopen(path, "wb")) {}
    ~Destination()
    {
        if (file_ && !kept_) {
            file_.reset();
            std::remove(path_);
        }
    }
    bool isOpen() const { return file_ != nullptr; }
    bool write(const unsigned char* data, std::size_t length)
    {
        return length == 0 || std::fwrite(data, 1, length, file_.get()) == length;
    }
    bool close()
    {
        if (std::fclose(file_.release()) != 0) {
            std::remove(path_);
            return false;
        }
        kept_ = true;
        return true;
    }

private:
    const char* path_;
    FileHandle file_;
    bool kept_ = false;
};

bool validPaths(const char* destination, const char* source)
{
    if (!destination || !source || !*destination || !*source)
        return false;
    // Writing onto the source would truncate it before it is read.
    std::error_code ec;
    return !std::filesystem::equivalent(destination, source, ec);
}

struct Buffers {
    unsigned char in[inputBufferSize];
    unsigned char out[outputBufferSize];
};

bool deflateFile(std::FILE* in, Destination& out, Buffers& buffers)
{
    platform::GzipDeflater deflater(
        [&out](const unsigned char* data, std::size_t length) { return out.write(data, length); });
    for (;;) {
        const std::size_t got = std::fread(buffers.in, 1, inputBufferSize, in);
        if (std::ferror(in))
            return false;
        if (got == 0)
            break;
        if (!deflater.feed(buffers.in, got))
            return false;
    }
    return deflater.finish();
}

bool inflateFile(std::FILE* in, Destination& out, Buffers& buffers)
{
    platform::GzipInflater inflater(
        [&out](const unsigned char* data, std::size_t length) { return out.write(data, length); });
    for (;;) {
        const std::size_t got = std::fread(buffers.in, 1, inputBufferSize, in);
        if (std::ferror(in))
            return false;
        if (got == 0)
            break;
        if (!inflater.feed(buffers.in, got))
            return false;
    }
    return inflater.finish();
}

int run(const char* destination, const char* source, bool (*work)(std::FILE*, Destination&, Buffers&))
{
    if (!validPaths(destination, source))
        return 0;
    FileHandle in(std::fopen(source, "rb"));
    if (!in)
        return 0;
    std::unique_ptr<Buffers> buffers(new (std::nothrow) Buffers);
    if (!buffers)
        return 0;
    Destination out(destination);
    if (!out.isOpen())
        return 0;
    if (!work(in.get(), out, *buffers))
        return 0;
    return out.close() ? 1 : 0;
}

constexpr std::size_t deflateBlockSize = 128 * 1024;
constexpr std::size_t dictionarySize = 32 * 1024;
constexpr unsigned maxDeflateThreads = 4;
// The gzip header zlib writes at the default level on Unix: no name, no
// time, extra flags 0, operating system 3.
constexpr unsigned char gzipHeader[10] = {0x1f, 0x8b, 8, 0, 0, 0, 0, 0, 0, 3};

// One block of a stream on its way through a compressing thread.
struct DeflateBlock {
    std::vector<unsigned char> input;
    std::vector<unsigned char> dictionary;  // the 32 KiB before it; empty for the first
    bool last = false;
    std::size_t inputLength = 0;
    uLong crc = 0;
    std::vector<unsigned char> output;
    bool done = false;
    bool ok = false;
};

// A raw deflate stream, reset for every block: a block ends byte-aligned
// with a sync flush, so the blocks join into one stream, and only the last
// one closes it.
class BlockCompressor {
public:
    BlockCompressor()
    {
        ready_ = deflateInit2(&stream_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    }
    ~BlockCompressor()
    {
        if (ready_)
            deflateEnd(&stream_);
    }
    BlockCompressor(const BlockCompressor&) = delete;
    BlockCompressor& operator=(const BlockCompressor&) = delete;

    bool run(DeflateBlock& block)
    {
        if (!ready_ || deflateReset(&stream_) != Z_OK)
            return false;
        if (!block.dictionary.empty() &&
            deflateSetDictionary(&stream_, block.dictionary.data(), static_cast<uInt>(block.dictionary.size())) != Z_OK)
            return false;
        block.inputLength = block.input.size();
        block.crc = crc32(0, block.input.data(), static_cast<uInt>(block.input.size()));
        stream_.next_in = block.input.data();
        stream_.avail_in = static_cast<uInt>(block.input.size());
        // Room for the whole block at once, plus the flush marker.
        block.output.resize(deflateBound(&stream_, block.input.size()) + 64);
        const int flush = block.last ? Z_FINISH : Z_SYNC_FLUSH;
        std::size_t used = 0;
        for (;;) {
            stream_.next_out = block.output.data() + used;
            stream_.avail_out = static_cast<uInt>(block.output.size() - used);
            const int rc = deflate(&stream_, flush);
            used = block.output.size() - stream_.avail_out;
            if (rc == Z_STREAM_ERROR)
                return false;
            if (block.last ? rc == Z_STREAM_END : stream_.avail_in == 0 && stream_.avail_out != 0)
                break;
            block.output.resize(block.output.size() * 2);
        }
        block.output.resize(used);
        std::vector<unsigned char>().swap(block.input);
        return true;
    }

private:
    z_stream stream_{};
    bool ready_ = false;
};

void putLittle32(unsigned char* out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<unsigned char>(v >> (8 * i));
}

} // namespace

namespace platform {

struct GzipDeflater::State {
    Sink sink;
    bool failed = false;
    // The stream in progress.
    bool started = false;
    std::vector<unsigned char> current;
    std::vector<unsigned char> dictionary;
    uLong crc = 0;
    std::uint64_t length = 0;
    std::uint64_t produced = 0;
    // Blocks handed to the threads, in stream order.
    std::deque<std::shared_ptr<DeflateBlock>> inFlight;
    std::unique_ptr<BlockCompressor> own;  // for short streams and single-core machines

    std::mutex mutex;
    std::condition_variable work;
    std::condition_variable finished;
    std::deque<std::shared_ptr<DeflateBlock>> pending;
    std::vector<std::thread> threads;
    bool stopping = false;
    bool threadsTried = false;

    ~State()
    {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        work.notify_all();
        for (auto& t : threads)
            t.join();
    }

    void compressing()
    {
        BlockCompressor compressor;
        for (;;) {
            std::shared_ptr<DeflateBlock> block;
            {
                std::unique_lock lock(mutex);
                work.wait(lock, [this] { return stopping || !pending.empty(); });
                if (stopping)
                    return;
                block = std::move(pending.front());
                pending.pop_front();
            }
            const bool ok = compressor.run(*block);
            {
                std::lock_guard lock(mutex);
                block->ok = ok;
                block->done = true;
            }
            finished.notify_all();
        }
    }

    // Threads start with the first stream longer than a block.
    bool startThreads()
    {
        if (threadsTried)
            return !threads.empty();
        threadsTried = true;
        const unsigned cores = std::thread::hardware_concurrency();
        if (cores < 2)
            return false;
        try {
            for (unsigned i = 0; i < std::min(cores, maxDeflateThreads); ++i)
                threads.emplace_back([this] { compressing(); });
        } catch (const std::system_error&) {
            // Whatever started works; with none, blocks are compressed here.
        }
        return !threads.empty();
    }

    bool give(const unsigned char* data, std::size_t size)
    {
        produced += size;
        return size == 0 || sink(data, size);
    }

    bool emit(const DeflateBlock& block)
    {
        crc = crc32_combine(crc, block.crc, static_cast<z_off_t>(block.inputLength));
        length += block.inputLength;
        return give(block.output.data(), block.output.size());
    }

    // Hands the filled block on; then gives the sink every block that is
    // done, in order, waiting when too many are on their way.
    bool submit(bool last)
    {
        if (!started) {
            started = true;
            produced = 0;
            if (!give(gzipHeader, sizeof gzipHeader))
                return false;
        }
        auto block = std::make_shared<DeflateBlock>();
        block->input.swap(current);
        block->dictionary.swap(dictionary);
        block->last = last;
        if (!last)
            dictionary.assign(block->input.end() - dictionarySize, block->input.end());
        current.reserve(deflateBlockSize);
        if (inFlight.empty() && (last || !startThreads())) {
            if (!own)
                own = std::make_unique<BlockCompressor>();
            return own->run(*block) && emit(*block);
        }
        {
            std::lock_guard lock(mutex);
            pending.push_back(block);
            inFlight.push_back(block);
        }
        work.notify_one();
        return drain(last);
    }

    bool drain(bool all)
    {
        std::unique_lock lock(mutex);
        while (!inFlight.empty()) {
            std::shared_ptr<DeflateBlock> front = inFlight.front();
            if (!front->done) {
                if (!all && inFlight.size() < 2 * threads.size())
                    return true;
                finished.wait(lock, [&front] { return front->done; });
            }
            inFlight.pop_front();
            lock.unlock();
            if (!front->ok || !emit(*front))
                return false;
            lock.lock();
        }
        return true;
    }
};

GzipDeflater::GzipDeflater(Sink sink) : state_(new (std::nothrow) State)
{
    if (state_)
        state_->sink = std::move(sink);
}

GzipDeflater::~GzipDeflater() = default;

bool GzipDeflater::feed(const unsigned char* data, std::size_t length)
{
    if (!state_ || state_->failed)
        return false;
    State& s = *state_;
    try {
        while (length > 0) {
            if (s.current.capacity() < deflateBlockSize)
                s.current.reserve(deflateBlockSize);
            const std::size_t piece = std::min(length, deflateBlockSize - s.current.size());
            s.current.insert(s.current.end(), data, data + piece);
            data += piece;
            length -= piece;
            if (s.current.size() == deflateBlockSize && !s.submit(false)) {
                s.failed = true;
                return false;
            }
        }
    } catch (const std::bad_alloc&) {
        s.failed = true;
    }
    return !s.failed;
}

bool GzipDeflater::finish()
{
    if (!state_ || state_->failed)
        return false;
    State& s = *state_;
    try {
        if (!s.submit(true) || !s.drain(true)) {
            s.failed = true;
            return false;
        }
    } catch (const std::bad_alloc&) {
        s.failed = true;
        return false;
    }
    unsigned char trailer[8];
    putLittle32(trailer, static_cast<std::uint32_t>(s.crc));
    putLittle32(trailer + 4, static_cast<std::uint32_t>(s.length));  // modulo 2^32, as gzip has it
    s.failed = !s.give(trailer, sizeof trailer);
    s.started = false;
    s.crc = 0;
    s.length = 0;
    s.dictionary.clear();
    return !s.failed;
}

std::uint64_t GzipDeflater::produced() const
{
    return state_ ? state_->produced : 0;
}

struct GzipInflater::State {
    z_stream stream{};
    bool started = false;
    bool failed = false;
    bool ended = false;     // the last member came to its proper end
    bool sawInput = false;
    Sink sink;
    unsigned char out[outputBufferSize];
};

GzipInflater::GzipInflater(Sink sink) : state_(new (std::nothrow) State)
{
    if (!state_)
        return;
    state_->sink = std::move(sink);
    state_->started = inflateInit2(&state_->stream, gzipWindowBits) == Z_OK;
    state_->failed = !state_->started;
}

GzipInflater::~GzipInflater()
{
    if (state_ && state_->started)
        inflateEnd(&state_->stream);
}

bool GzipInflater::feed(const unsigned char* data, std::size_t length)
{
    if (!state_ || state_->failed)
        return false;
    State& s = *state_;
    s.failed = true;  // until this piece is through
    while (length > 0) {
        // zlib counts its input in uInt.
        const std::size_t piece = length < inputBufferSize ? length : inputBufferSize;
        s.sawInput = true;
        s.stream.next_in = const_cast<unsigned char*>(data);
        s.stream.avail_in = static_cast<uInt>(piece);
        data += piece;
        length -= piece;
        for (;;) {
            // gzip allows several members one after another, as gunzip reads them.
            if (s.ended) {
                if (s.stream.avail_in == 0)
                    break;
                if (inflateReset(&s.stream) != Z_OK)
                    return false;
                s.ended = false;
            }
            s.stream.next_out = s.out;
            s.stream.avail_out = outputBufferSize;
            const int rc = inflate(&s.stream, Z_NO_FLUSH);
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
                return false;
            const std::size_t produced = outputBufferSize - s.stream.avail_out;
            if (produced > 0 && !s.sink(s.out, produced))
                return false;
            if (rc == Z_STREAM_END) {
                s.ended = true;
                continue;
            }
            if (rc == Z_BUF_ERROR && s.stream.avail_in != 0)
                return false;
            // zlib may hold more output while the buffer came back full.
            if (s.stream.avail_in == 0 && s.stream.avail_out != 0)
                break;
            if (rc == Z_BUF_ERROR)
                break;
        }
    }
    s.failed = false;
    return true;
}

bool GzipInflater::finish() const
{
    // A stream cut short never reaches its end (and an empty file is no stream).
    return state_ && !state_->failed && state_->sawInput && state_->ended;
}

} // namespace platform

extern "C" int compfile(const char* destination, const char* source)
{
    return run(destination, source, deflateFile);
}

extern "C" int uncompfile(const char* destination, const char* source)
{
    return run(destination, source, inflateFile);
}
