#include "update/package/BlockCompressor.h"

#include "update/package/PackageFormat.h"

#include <new>
#include <zlib.h>

namespace update::package {

namespace {

class RawDeflater {
public:
    RawDeflater() {
        // Negative window bits: raw deflate data, the caller writes the zlib wrapper once.
        if (deflateInit2(&FStream, kCompressionLevel, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
            throw std::bad_alloc();
        }
    }
    RawDeflater(const RawDeflater&) = delete;
    RawDeflater& operator=(const RawDeflater&) = delete;
    ~RawDeflater() { deflateEnd(&FStream); }
    z_stream& Stream() { return FStream; }

private:
    z_stream FStream{};
};

} // namespace

DeflateOutput DeflateBlock(const DeflateInput& input) {
    thread_local RawDeflater deflater; // its 300 KiB of state are made once per thread
    z_stream& stream = deflater.Stream();
    if (deflateReset(&stream) != Z_OK) {
        throw std::bad_alloc();
    }
    const unsigned char* data = input.bytes.data();
    const std::size_t dictionary = std::min(input.dictionaryLength, input.bytes.size());
    if (dictionary > 0 && deflateSetDictionary(&stream, data, static_cast<uInt>(dictionary)) != Z_OK) {
        throw std::bad_alloc();
    }
    const std::size_t length = input.bytes.size() - dictionary;
    DeflateOutput output;
    output.length = length;
    output.last = input.last;
    output.tag = input.tag;
    output.adler = static_cast<std::uint32_t>(adler32(1, data + dictionary, static_cast<uInt>(length)));
    // Room for the worst case plus the empty stored block of a flush.
    output.bytes.resize(deflateBound(&stream, static_cast<uLong>(length)) + 16);
    stream.next_in = const_cast<Bytef*>(data + dictionary); // zlib's input is const in fact, not in type
    stream.avail_in = static_cast<uInt>(length);
    const int flush = input.last ? Z_FINISH : Z_SYNC_FLUSH;
    std::size_t produced = 0;
    while (true) {
        if (produced == output.bytes.size()) {
            output.bytes.resize(output.bytes.size() * 2);
        }
        stream.next_out = output.bytes.data() + produced;
        stream.avail_out = static_cast<uInt>(output.bytes.size() - produced);
        const int status = deflate(&stream, flush);
        produced = output.bytes.size() - stream.avail_out;
        if (status == Z_STREAM_END || (flush == Z_SYNC_FLUSH && stream.avail_out != 0 && stream.avail_in == 0)) {
            break;
        }
        if (status != Z_OK && status != Z_BUF_ERROR) {
            throw std::bad_alloc(); // only a lack of memory makes deflate fail on valid arguments
        }
    }
    output.bytes.resize(produced);
    return output;
}

BlockCompressor::BlockCompressor(unsigned threads) {
    for (unsigned t = 0; t < std::max(1U, threads); ++t) {
        FWorkers.emplace_back([this] { Work(); });
    }
}

BlockCompressor::~BlockCompressor() {
    {
        std::lock_guard lock(FMutex);
        FStopping = true;
    }
    FChanged.notify_all();
    FWorkers.clear(); // joins
}

void BlockCompressor::Submit(DeflateInput input) {
    {
        std::lock_guard lock(FMutex);
        FSlots.push_back(Slot{std::move(input), {}, nullptr, false});
    }
    FChanged.notify_all();
}

DeflateOutput BlockCompressor::Take() {
    std::unique_lock lock(FMutex);
    FChanged.wait(lock, [&] { return !FSlots.empty() && FSlots.front().done; });
    Slot slot = std::move(FSlots.front());
    FSlots.pop_front();
    --FNextToStart;
    lock.unlock();
    if (slot.fault) {
        std::rethrow_exception(slot.fault);
    }
    return std::move(slot.output);
}

std::size_t BlockCompressor::Pending() const {
    std::lock_guard lock(FMutex);
    return FSlots.size();
}

void BlockCompressor::Work() {
    while (true) {
        Slot* slot = nullptr;
        {
            std::unique_lock lock(FMutex);
            FChanged.wait(lock, [&] { return FStopping || FNextToStart < FSlots.size(); });
            if (FStopping) {
                return;
            }
            slot = &FSlots[FNextToStart++];
        }
        try {
            slot->output = DeflateBlock(slot->input);
        } catch (...) {
            slot->fault = std::current_exception(); // handed to the taker
        }
        {
            std::lock_guard lock(FMutex);
            slot->input.bytes = {};
            slot->done = true;
        }
        FChanged.notify_all();
    }
}

} // namespace update::package
