#pragma once

// SHA-256 of a stream that is read piece by piece: on the calling thread, or on a thread of its
// own a piece behind the caller, who meanwhile works on the same piece (the inflater). Either way
// the digest is taken from the very bytes the caller holds: nothing is read twice.

#include "update/package/PackageFormat.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <span>
#include <thread>

namespace update::package {

class PieceHasher {
public:
    explicit PieceHasher(bool apart);
    PieceHasher(const PieceHasher&) = delete;
    PieceHasher& operator=(const PieceHasher&) = delete;
    ~PieceHasher();

    // Hashes `piece`, which must stay unchanged, and alive, until the next Update() or Final()
    // returns or the hasher is destroyed; with `apart`, returns once the previous piece is hashed,
    // before this one is.
    void Update(std::span<const unsigned char> piece);
    Digest Final();

private:
    void Run();
    void WaitIdle(std::unique_lock<std::mutex>& lock);

    Sha256 FHash;
    bool FApart;
    std::mutex FMutex;
    std::condition_variable FChanged;
    std::span<const unsigned char> FPending;
    bool FBusy = false;
    bool FStop = false;
    std::exception_ptr FFault;
    std::jthread FThread;
};

} // namespace update::package
