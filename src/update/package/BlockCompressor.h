#pragma once

// Deflates one long stream on several cores, the way pigz does: the stream is cut into blocks of
// kDeflateBlockSize, each block is deflated on its own, primed with the last 32 KiB before it
// as dictionary and ended on a byte boundary (the last one ends the deflate data), so that the
// blocks laid end to end are one valid deflate stream. The cut does not depend on the number of
// threads: the same input always gives the same bytes.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace update::package {

inline constexpr std::size_t kDeflateBlockSize = 128 * 1024;
inline constexpr std::size_t kDeflateWindow = 32 * 1024;

struct DeflateInput {
    // The dictionary (at most kDeflateWindow bytes of what precedes the block), then the block.
    std::vector<unsigned char> bytes;
    std::size_t dictionaryLength = 0;
    bool last = false;   // ends the deflate data
    std::size_t tag = 0; // the caller's, handed back with the output
};

struct DeflateOutput {
    std::vector<unsigned char> bytes; // raw deflate data, ending on a byte boundary
    std::uint32_t adler = 1;          // Adler-32 of the block (dictionary excluded)
    std::size_t length = 0;           // of the block (dictionary excluded)
    bool last = false;
    std::size_t tag = 0;
};

// Deflates one block on the calling thread (level 9, window 15, memory level 8).
DeflateOutput DeflateBlock(const DeflateInput& input);

// Blocks are deflated by `threads` workers and handed back in the order they were submitted.
class BlockCompressor {
public:
    explicit BlockCompressor(unsigned threads);
    BlockCompressor(const BlockCompressor&) = delete;
    BlockCompressor& operator=(const BlockCompressor&) = delete;
    ~BlockCompressor(); // stops the workers, finished or not

    void Submit(DeflateInput input);
    // The oldest block not yet taken, once deflated; rethrows what deflating it raised.
    DeflateOutput Take();
    // Blocks submitted and not yet taken.
    std::size_t Pending() const;

private:
    struct Slot {
        DeflateInput input;
        DeflateOutput output;
        std::exception_ptr fault;
        bool done = false;
    };
    void Work();

    mutable std::mutex FMutex;
    std::condition_variable FChanged;
    std::deque<Slot> FSlots; // in order of submission; references stay valid at both ends
    std::size_t FNextToStart = 0;
    bool FStopping = false;
    std::vector<std::jthread> FWorkers;
};

} // namespace update::package
