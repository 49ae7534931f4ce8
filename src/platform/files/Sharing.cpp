#include "platform/files/Sharing.h"

#include "platform/files/FileHandle.h"
#include "platform/files/HandleMarks.h"
#include "platform/files/HostUse.h"

#include <cerrno>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <unistd.h>
#include <utility>

namespace platform::files_detail {

namespace {

struct OwnHandle {
    std::uint32_t access;
    std::uint32_t share;
    int marks; // the description that carries the handle's marks, -1 when it has none
};

using FileIdentity = std::pair<dev_t, ino_t>;

struct HandleTable {
    std::mutex mutex;
    std::map<std::uint64_t, std::pair<FileIdentity, OwnHandle>> byRegistration;
    std::multimap<FileIdentity, std::uint64_t> byFile;
    std::uint64_t next = 1;
};

HandleTable& Table() {
    static HandleTable table;
    return table;
}

struct Request {
    bool read;
    bool write;
    bool remove;
    bool sharesRead;
    bool sharesWrite;
};

Request RequestOf(std::uint32_t access, std::uint32_t share) {
    return {(access & kGenericRead) != 0, (access & kGenericWrite) != 0, (access & kDeleteAccess) != 0,
            (share & kFileShareRead) != 0, (share & kFileShareWrite) != 0};
}

// The Windows rule between a handle already open and a new request.
bool Conflicts(const MarkedUse& held, const Request& request) {
    return (request.read && held.refusesRead) || (request.write && held.refusesWrite) ||
           (request.remove && held.refusesDelete) || (held.reading && !request.sharesRead) ||
           (held.writing && !request.sharesWrite);
}

MarkedUse UseOf(const OwnHandle& handle) {
    return {(handle.access & kGenericRead) != 0, (handle.access & kGenericWrite) != 0,
            (handle.share & kFileShareRead) == 0, (handle.share & kFileShareWrite) == 0,
            (handle.share & kFileShareDelete) == 0};
}

// The marks a request must look for: those it would conflict with.
MarkedUse MarksThatMatter(const Request& request) {
    return {!request.sharesRead, !request.sharesWrite, request.read, request.write, request.remove};
}

class Descriptor {
public:
    explicit Descriptor(int descriptor)
        : FDescriptor(descriptor) {}
    ~Descriptor() {
        if (FDescriptor >= 0)
            ::close(FDescriptor); // read-only, only probed
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return FDescriptor; }

private:
    int FDescriptor;
};

} // namespace

ErrorCode CheckSharing(const struct stat& info, const std::filesystem::path& host, std::uint32_t access,
                       std::uint32_t share) {
    const Request request = RequestOf(access, share);
    const FileIdentity identity{info.st_dev, info.st_ino};
    bool ownHandles = false;
    {
        HandleTable& table = Table();
        std::lock_guard lock(table.mutex);
        const auto [first, last] = table.byFile.equal_range(identity);
        for (auto it = first; it != last; ++it) {
            ownHandles = true;
            if (Conflicts(UseOf(table.byRegistration.at(it->second).second), request))
                return kErrorSharingViolation;
        }
    }
    if (!S_ISREG(info.st_mode))
        return kErrorSuccess;
    // A description of its own: it asks for the marks and the lease, and the answers leave it out.
    const Descriptor probe(::open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (probe.Get() < 0) {
        // Someone holds a lease on it (our programs hold one for an instant): a holder.
        return errno == EWOULDBLOCK && (!request.sharesRead || !request.sharesWrite || request.remove)
                   ? kErrorSharingViolation
                   : kErrorSuccess;
    }
    if (Conflicts(ReadMarks(probe.Get(), MarksThatMatter(request)), request))
        return kErrorSharingViolation;
    // A reader that shares reading and writing passes whatever the host's processes do.
    if (request.sharesRead && request.sharesWrite && !request.write && !request.remove)
        return kErrorSuccess;
    // This process's own descriptors of the file make the lease fail: it cannot tell then whether
    // a host process holds the file too, only whether one runs it.
    const HostUse use = ownHandles ? HostUse::Unknown : ProbeHostUse(probe.Get());
    if (use == HostUse::Free)
        return kErrorSuccess;
    const bool running = IsRunning(host);
    if (running && (request.write || request.remove || !request.sharesRead))
        return kErrorSharingViolation;
    if (use == HostUse::Held && !running && (!request.sharesRead || !request.sharesWrite || request.remove))
        return kErrorSharingViolation;
    return kErrorSuccess;
}

std::uint64_t RegisterHandle(int descriptor, const struct stat& info, std::uint32_t access, std::uint32_t share) {
    const int marks = S_ISREG(info.st_mode) ? MarkHandle(descriptor, access, share) : -1;
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    const std::uint64_t registration = table.next++;
    const FileIdentity identity{info.st_dev, info.st_ino};
    table.byRegistration.emplace(registration, std::pair{identity, OwnHandle{access, share, marks}});
    table.byFile.emplace(identity, registration);
    return registration;
}

void UnregisterHandle(std::uint64_t registration) noexcept {
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    const auto it = table.byRegistration.find(registration);
    if (it == table.byRegistration.end())
        return;
    const auto [first, last] = table.byFile.equal_range(it->second.first);
    for (auto entry = first; entry != last; ++entry) {
        if (entry->second == registration) {
            table.byFile.erase(entry);
            break;
        }
    }
    if (it->second.second.marks >= 0)
        ::close(it->second.second.marks); // closing the description lifts its marks
    table.byRegistration.erase(it);
}

} // namespace platform::files_detail
