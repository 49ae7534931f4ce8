#include "update/package/PieceHasher.h"

namespace update::package {

PieceHasher::PieceHasher(bool apart)
    : FApart(apart) {
    if (FApart) {
        FThread = std::jthread([this] { Run(); });
    }
}

PieceHasher::~PieceHasher() {
    if (FThread.joinable()) {
        {
            std::lock_guard lock(FMutex);
            FStop = true;
        }
        FChanged.notify_all();
    }
}

void PieceHasher::Run() {
    std::unique_lock lock(FMutex);
    for (;;) {
        FChanged.wait(lock, [this] { return FBusy || FStop; });
        if (FStop) {
            return; // nobody reads the digest of a stream given up
        }
        const auto piece = FPending;
        lock.unlock();
        try {
            FHash.Update(piece);
        } catch (...) {
            lock.lock();
            FFault = std::current_exception();
            FBusy = false;
            FChanged.notify_all();
            continue;
        }
        lock.lock();
        FBusy = false;
        FChanged.notify_all();
    }
}

void PieceHasher::WaitIdle(std::unique_lock<std::mutex>& lock) {
    FChanged.wait(lock, [this] { return !FBusy; });
    if (FFault) {
        std::rethrow_exception(FFault);
    }
}

void PieceHasher::Update(std::span<const unsigned char> piece) {
    if (!FApart) {
        FHash.Update(piece);
        return;
    }
    std::unique_lock lock(FMutex);
    WaitIdle(lock);
    FPending = piece;
    FBusy = true;
    FChanged.notify_all();
}

Digest PieceHasher::Final() {
    if (FApart) {
        std::unique_lock lock(FMutex);
        WaitIdle(lock);
    }
    return FHash.Final();
}

} // namespace update::package
