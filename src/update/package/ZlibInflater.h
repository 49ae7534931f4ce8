#pragma once

// Inflates one zlib stream (RFC 1950) piece by piece, checking the stream's header and its
// Adler-32 trailer: with Intel's ISA-L on Linux, with zlib where ISA-L is not built (Windows). The stream ends with its
// trailer; bytes found after it are reported, never taken for content.

#include <cstddef>
#include <memory>
#include <span>

namespace update::package {

class ZlibInflater {
public:
    enum class Status {
        More,    // needs more input or more output room
        Ended,   // the stream and its checksum are complete and correct
        Corrupt, // not a zlib stream, or invalid deflate data (a preset dictionary included)
        BadChecksum
    };
    struct Step {
        std::size_t consumed = 0;
        std::size_t produced = 0;
        Status status = Status::More;
        bool trailing = false; // with Ended: bytes follow the end of the stream
    };

    ZlibInflater();
    ZlibInflater(const ZlibInflater&) = delete;
    ZlibInflater& operator=(const ZlibInflater&) = delete;
    ~ZlibInflater();

    // Inflates from `input` into `output` until one of them is used up or the stream ends.
    Step Inflate(std::span<const unsigned char> input, std::span<unsigned char> output);

private:
    struct State;
    struct StateDeleter {
        void operator()(State* state) const;
    };
    std::unique_ptr<State, StateDeleter> FState;
    bool FEnded = false;
};

} // namespace update::package
