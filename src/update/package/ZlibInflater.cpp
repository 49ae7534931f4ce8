#include "update/package/ZlibInflater.h"

#include <algorithm>
#include <cstdint>
#include <isa-l/igzip_lib.h>
#include <limits>

namespace update::package {

struct ZlibInflater::State {
    inflate_state inflate{};
};

void ZlibInflater::StateDeleter::operator()(State* state) const {
    delete state;
}

ZlibInflater::ZlibInflater()
    : FState(new State{}) {
    isal_inflate_init(&FState->inflate);
    FState->inflate.crc_flag = ISAL_ZLIB;
}

ZlibInflater::~ZlibInflater() = default;

ZlibInflater::Step ZlibInflater::Inflate(std::span<const unsigned char> input, std::span<unsigned char> output) {
    Step step;
    if (FEnded) {
        step.status = Status::Ended;
        return step;
    }
    // ISA-L counts in 32 bits; callers hand over pieces far below that.
    constexpr std::size_t kMax = std::numeric_limits<std::uint32_t>::max();
    input = input.first(std::min(input.size(), kMax));
    output = output.first(std::min(output.size(), kMax));
    inflate_state& state = FState->inflate;
    state.next_in = const_cast<std::uint8_t*>(input.data()); // ISA-L only reads its input
    state.avail_in = static_cast<std::uint32_t>(input.size());
    state.next_out = output.data();
    state.avail_out = static_cast<std::uint32_t>(output.size());
    const int result = isal_inflate(&state);
    if (result == ISAL_INCORRECT_CHECKSUM) {
        // The same code reports a bad header check; only the trailer's is a wrong checksum.
        step.status = state.block_state >= ISAL_BLOCK_INPUT_DONE ? Status::BadChecksum : Status::Corrupt;
        return step; // no count is taken from a state that failed
    }
    if (result != ISAL_DECOMP_OK) {
        step.status = Status::Corrupt; // ISAL_NEED_DICT included: a package never uses a dictionary
        return step;
    }
    // ISA-L only ever lowers what is available; a larger count would be a state that does not hold.
    if (state.avail_in > input.size() || state.avail_out > output.size()) {
        step.status = Status::Corrupt;
        return step;
    }
    step.consumed = input.size() - state.avail_in;
    step.produced = output.size() - state.avail_out;
    if (state.block_state == ISAL_BLOCK_FINISH) {
        FEnded = true;
        step.status = Status::Ended;
        // ISA-L reads ahead into a bit buffer: whole bytes left in it lie after the stream.
        const std::size_t after = state.avail_in + static_cast<std::size_t>(state.read_in_length) / 8;
        step.trailing = after > 0;
        step.consumed = input.size() - std::min(after, input.size());
    }
    return step;
}

} // namespace update::package
