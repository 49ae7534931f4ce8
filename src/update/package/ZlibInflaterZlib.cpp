// The inflater over zlib, where ISA-L is not built: zlib checks the header and the Adler-32
// trailer itself and stops at the end of the stream, leaving what follows unread.
#include "update/package/ZlibInflater.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <zlib.h>

namespace update::package {

struct ZlibInflater::State {
    z_stream stream{};
};

void ZlibInflater::StateDeleter::operator()(State* state) const {
    ::inflateEnd(&state->stream);
    delete state;
}

ZlibInflater::ZlibInflater()
    : FState(new State{}) {
    if (::inflateInit(&FState->stream) != Z_OK) {
        throw std::bad_alloc();
    }
}

ZlibInflater::~ZlibInflater() = default;

ZlibInflater::Step ZlibInflater::Inflate(std::span<const unsigned char> input, std::span<unsigned char> output) {
    Step step;
    if (FEnded) {
        step.status = Status::Ended;
        return step;
    }
    // zlib counts in 32 bits; callers hand over pieces far below that.
    constexpr std::size_t kMax = std::numeric_limits<uInt>::max();
    input = input.first(std::min(input.size(), kMax));
    output = output.first(std::min(output.size(), kMax));
    z_stream& stream = FState->stream;
    stream.next_in = const_cast<Bytef*>(input.data()); // zlib only reads its input
    stream.avail_in = static_cast<uInt>(input.size());
    stream.next_out = output.data();
    stream.avail_out = static_cast<uInt>(output.size());
    const int result = ::inflate(&stream, Z_NO_FLUSH);
    if (result == Z_MEM_ERROR) {
        throw std::bad_alloc();
    }
    if (result == Z_DATA_ERROR) {
        // Only the trailer's check is a wrong checksum; a bad header check is a corrupt stream.
        const bool trailer = stream.msg != nullptr && std::strcmp(stream.msg, "incorrect data check") == 0;
        step.status = trailer ? Status::BadChecksum : Status::Corrupt;
        return step;
    }
    if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
        step.status = Status::Corrupt; // Z_NEED_DICT included: a package never uses a dictionary
        return step;
    }
    step.consumed = input.size() - stream.avail_in;
    step.produced = output.size() - stream.avail_out;
    if (result == Z_STREAM_END) {
        FEnded = true;
        step.status = Status::Ended;
        step.trailing = stream.avail_in > 0;
    }
    return step;
}

} // namespace update::package
