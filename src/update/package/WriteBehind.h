#pragma once

// Writes a file on a thread of its own, so that the thread that makes the bytes (an inflating
// one) does not also wait while the system copies them into its cache. Bytes are gathered into a
// few buffers of kBufferSize and written in order; the producer waits only when all are full.
// A write that fails is reported (CannotWrite, naming the file) by the next Write() or by Finish().

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <filesystem>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace update::package {

class WriteBehind {
public:
    static constexpr std::size_t kBufferSize = 1024 * 1024;
    static constexpr std::size_t kBufferCount = 4;

    // `fd` stays the caller's and must outlive this object; `name` serves the messages.
    WriteBehind(int fd, std::filesystem::path name);
    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;
    // Without Finish(), what was not written yet is dropped.
    ~WriteBehind();

    void Write(std::span<const unsigned char> bytes);
    // Returns once every byte is written; throws what the writing thread met.
    void Finish();

private:
    using Buffer = std::vector<unsigned char>;

    void HandOver(std::unique_lock<std::mutex>& lock);
    void RethrowFault() const;
    void Run();

    int FFd;
    std::filesystem::path FName;
    std::mutex FMutex;
    std::condition_variable FChanged;
    Buffer FCurrent;               // filled by the producer, outside the lock
    std::deque<Buffer> FQueued;    // full, waiting for the writer
    std::vector<Buffer> FFree;     // written, ready to be filled again
    std::size_t FWriting = 0;      // buffers the writer holds
    bool FStopping = false;
    std::exception_ptr FFault;
    std::jthread FWriter; // last: starts once everything above is ready, and is joined first
};

} // namespace update::package
