#include "update/package/WriteBehind.h"

#include "update/package/HostFile.h"

namespace update::package {

WriteBehind::WriteBehind(int fd, std::filesystem::path name)
    : FFd(fd)
    , FName(std::move(name))
    , FFree(kBufferCount - 1) {
    FCurrent.reserve(kBufferSize);
    for (Buffer& buffer : FFree) {
        buffer.reserve(kBufferSize);
    }
    FWriter = std::jthread([this] { Run(); });
}

WriteBehind::~WriteBehind() {
    {
        std::lock_guard lock(FMutex);
        FStopping = true;
        FQueued.clear();
    }
    FChanged.notify_all();
}

void WriteBehind::Write(std::span<const unsigned char> bytes) {
    while (!bytes.empty()) {
        const std::size_t take = std::min(bytes.size(), kBufferSize - FCurrent.size());
        FCurrent.insert(FCurrent.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
        bytes = bytes.subspan(take);
        if (FCurrent.size() == kBufferSize) {
            std::unique_lock lock(FMutex);
            HandOver(lock);
            FChanged.wait(lock, [this] { return !FFree.empty() || FFault; });
            RethrowFault();
            FCurrent = std::move(FFree.back());
            FFree.pop_back();
        }
    }
}

void WriteBehind::Finish() {
    std::unique_lock lock(FMutex);
    if (!FCurrent.empty()) {
        HandOver(lock);
    }
    FChanged.wait(lock, [this] { return (FQueued.empty() && FWriting == 0) || FFault; });
    RethrowFault();
}

void WriteBehind::HandOver(std::unique_lock<std::mutex>&) {
    RethrowFault();
    FQueued.push_back(std::move(FCurrent));
    FCurrent = Buffer();
    FChanged.notify_all();
}

void WriteBehind::RethrowFault() const {
    if (FFault) {
        std::rethrow_exception(FFault);
    }
}

void WriteBehind::Run() {
    std::unique_lock lock(FMutex);
    while (true) {
        FChanged.wait(lock, [this] { return !FQueued.empty() || FStopping; });
        if (FQueued.empty()) {
            return; // stopping, with nothing left to write
        }
        Buffer buffer = std::move(FQueued.front());
        FQueued.pop_front();
        ++FWriting;
        lock.unlock();
        std::exception_ptr fault;
        try {
            WriteAll(FFd, buffer, FName);
        } catch (...) {
            fault = std::current_exception();
        }
        lock.lock();
        --FWriting;
        buffer.clear();
        FFree.push_back(std::move(buffer));
        if (fault) {
            FFault = fault;
            FQueued.clear(); // nothing after a failed write may land in the file
        }
        FChanged.notify_all();
    }
}

} // namespace update::package
