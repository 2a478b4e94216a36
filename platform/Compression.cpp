#include "Compression.h"

#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

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
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, gzipWindowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    std::unique_ptr<z_stream, int (*)(z_stream*)> guard(&stream, deflateEnd);

    int flush = Z_NO_FLUSH;
    do {
        const std::size_t got = std::fread(buffers.in, 1, inputBufferSize, in);
        if (std::ferror(in))
            return false;
        flush = got < inputBufferSize ? Z_FINISH : Z_NO_FLUSH;
        stream.next_in = buffers.in;
        stream.avail_in = static_cast<uInt>(got);
        do {
            stream.next_out = buffers.out;
            stream.avail_out = outputBufferSize;
            const int rc = deflate(&stream, flush);
            if (rc == Z_STREAM_ERROR)
                return false;
            if (!out.write(buffers.out, outputBufferSize - stream.avail_out))
                return false;
        } while (stream.avail_out == 0);
    } while (flush != Z_FINISH);
    return true;
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

} // namespace

namespace platform {

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
