#include "platform/machine/TemporaryNames.h"

#include "platform/machine/TemporaryNameFormat.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <signal.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <utility>
#include <vector>

namespace platform {

using temporary_detail::kMarker;
using temporary_detail::kRandomLength;

namespace {

bool HasEnded(pid_t process) {
    return ::kill(process, 0) != 0 && errno == ESRCH; // EPERM: it lives, under another user
}

// Removes the regular files of the open folder whose names `isDebris` accepts.
template <typename Predicate> std::size_t RemoveRegularFiles(int folder, Predicate isDebris) {
    const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0)
        return 0;
    DIR* dir = ::fdopendir(listing);
    if (dir == nullptr) {
        ::close(listing);
        return 0;
    }
    std::vector<std::string> debris;
    while (const dirent* entry = ::readdir(dir))
        if (isDebris(std::string_view(entry->d_name)))
            debris.emplace_back(entry->d_name);
    ::closedir(dir);
    std::size_t removed = 0;
    for (const std::string& name : debris) {
        struct stat info {};
        if (::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode) &&
            ::unlinkat(folder, name.c_str(), 0) == 0)
            ++removed;
    }
    return removed;
}

} // namespace

bool IsLeftoverOfDeadProcess(std::string_view name) {
    const auto writer = TemporaryNameWriter(name);
    return writer && *writer != ::getpid() && HasEnded(*writer);
}

std::size_t RemoveLeftovers(int folder) {
    return RemoveRegularFiles(folder, IsLeftoverOfDeadProcess);
}

std::size_t RemoveUnfinishedTemporaries(int folder, std::string_view finalName) {
    return RemoveRegularFiles(folder, [finalName](std::string_view name) {
        const auto writer = TemporaryNameWriter(name);
        if (!writer)
            return false;
        const std::string prefix = "." + std::string(finalName) + std::string(kMarker) + std::to_string(*writer) + ".";
        const bool ofThisFile = name.size() == prefix.size() + kRandomLength && name.starts_with(prefix);
        return ofThisFile && (*writer == ::getpid() || HasEnded(*writer));
    });
}

std::size_t RemoveLeftovers(const std::filesystem::path& folder) {
    const int descriptor = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return 0;
    const std::size_t removed = RemoveLeftovers(descriptor);
    ::close(descriptor);
    return removed;
}

void RemoveLeftoversOnce(int folder) {
    // A folder is known by its device, inode number and birth time: a removed folder's inode
    // number is soon handed to a new folder, which has leftovers of its own to lose.
    using FolderIdentity = std::tuple<std::uint32_t, std::uint32_t, std::uint64_t, std::int64_t, std::uint32_t>;
    static std::mutex mutex;
    static std::set<FolderIdentity> cleaned;
    struct statx info {};
    if (::statx(folder, "", AT_EMPTY_PATH, STATX_INO | STATX_BTIME, &info) != 0)
        return;
    const bool born = (info.stx_mask & STATX_BTIME) != 0; // not every file system keeps it
    const FolderIdentity identity{info.stx_dev_major, info.stx_dev_minor, info.stx_ino,
                                  born ? info.stx_btime.tv_sec : 0, born ? info.stx_btime.tv_nsec : 0};
    {
        std::lock_guard lock(mutex);
        if (!cleaned.insert(identity).second)
            return;
    }
    RemoveLeftovers(folder);
}

} // namespace platform
