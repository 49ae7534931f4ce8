#include "platform/files/Sharing.h"

#include "platform/files/FileHandle.h"

#include <charconv>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace platform::files_detail {

namespace {

struct OwnHandle {
    dev_t device;
    ino_t inode;
    std::uint32_t access;
    std::uint32_t share;
};

std::mutex tableMutex;
std::map<std::uint64_t, OwnHandle> ownHandles;
std::uint64_t nextRegistration = 1;

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool IsProcessId(const char* name) {
    if (*name == '\0')
        return false;
    for (const char* c = name; *c != '\0'; ++c)
        if (*c < '0' || *c > '9')
            return false;
    return true;
}

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirPtr = std::unique_ptr<DIR, DirCloser>;

bool HoldsDescriptor(const std::string& process, const struct stat& info) {
    const std::string folder = process + "/fd";
    const DirPtr dir(::opendir(folder.c_str()));
    if (!dir)
        return false; // gone, or not ours to look at
    while (const dirent* entry = ::readdir(dir.get())) {
        if (entry->d_name[0] == '.')
            continue;
        struct stat target {};
        if (::stat((folder + "/" + entry->d_name).c_str(), &target) == 0 && SameFile(target, info))
            return true;
    }
    return false;
}

// A line of /proc/PID/maps: "start-end perms offset MAJ:MIN inode   path". The kernel writes the
// device and inode of the backing file; on stacked file systems those can differ from what stat
// reports, so the path name is compared too.
bool MapsFile(const std::string& process, const struct stat& info, const std::string& hostPath) {
    std::ifstream maps(process + "/maps");
    std::string line;
    while (std::getline(maps, line)) {
        unsigned majorNumber = 0;
        unsigned minorNumber = 0;
        unsigned long long inode = 0;
        int pathStart = -1;
        if (std::sscanf(line.c_str(), "%*s %*s %*s %x:%x %llu %n", &majorNumber, &minorNumber, &inode, &pathStart) <
                3 ||
            inode == 0)
            continue;
        if (major(info.st_dev) == majorNumber && minor(info.st_dev) == minorNumber && info.st_ino == inode)
            return true;
        if (pathStart > 0 && line.compare(static_cast<std::size_t>(pathStart), std::string::npos, hostPath) == 0)
            return true;
    }
    return false;
}

} // namespace

ForeignUse FindForeignUse(const struct stat& info, const std::filesystem::path& host) {
    ForeignUse use;
    std::error_code error;
    const std::string hostPath = std::filesystem::weakly_canonical(host, error).string();
    const std::string self = std::to_string(::getpid());
    const DirPtr proc(::opendir("/proc"));
    if (!proc)
        return use;
    while (const dirent* entry = ::readdir(proc.get())) {
        if (!IsProcessId(entry->d_name) || self == entry->d_name)
            continue;
        const std::string process = std::string("/proc/") + entry->d_name;
        struct stat image {};
        if (::stat((process + "/exe").c_str(), &image) == 0 && SameFile(image, info))
            use.mapped = true;
        else if (!use.mapped && MapsFile(process, info, hostPath))
            use.mapped = true;
        if (!use.open && HoldsDescriptor(process, info))
            use.open = true;
        if (use.open && use.mapped)
            break;
    }
    return use;
}

ErrorCode CheckSharing(const struct stat& info, const std::filesystem::path& host, std::uint32_t access,
                       std::uint32_t share) {
    const bool wantsRead = (access & kGenericRead) != 0;
    const bool wantsWrite = (access & kGenericWrite) != 0;
    const bool wantsDelete = (access & kDeleteAccess) != 0;
    {
        std::lock_guard lock(tableMutex);
        for (const auto& [registration, handle] : ownHandles) {
            if (handle.device != info.st_dev || handle.inode != info.st_ino)
                continue;
            const bool refused = (wantsRead && (handle.share & kFileShareRead) == 0) ||
                                 (wantsWrite && (handle.share & kFileShareWrite) == 0) ||
                                 (wantsDelete && (handle.share & kFileShareDelete) == 0) ||
                                 ((handle.access & kGenericRead) != 0 && (share & kFileShareRead) == 0) ||
                                 ((handle.access & kGenericWrite) != 0 && (share & kFileShareWrite) == 0);
            if (refused)
                return kErrorSharingViolation;
        }
    }
    const std::uint32_t readWrite = kFileShareRead | kFileShareWrite;
    // A reader that shares reading and writing passes whatever the other processes do: spare the scan.
    if ((share & readWrite) == readWrite && !wantsWrite && !wantsDelete)
        return kErrorSuccess;
    const ForeignUse use = FindForeignUse(info, host);
    if (use.open && ((share & readWrite) != readWrite || wantsDelete))
        return kErrorSharingViolation;
    if (use.mapped && (wantsWrite || wantsDelete || (share & kFileShareRead) == 0))
        return kErrorSharingViolation;
    return kErrorSuccess;
}

std::uint64_t RegisterHandle(const struct stat& info, std::uint32_t access, std::uint32_t share) {
    std::lock_guard lock(tableMutex);
    const std::uint64_t registration = nextRegistration++;
    ownHandles.emplace(registration, OwnHandle{info.st_dev, info.st_ino, access, share});
    return registration;
}

void UnregisterHandle(std::uint64_t registration) noexcept {
    std::lock_guard lock(tableMutex);
    ownHandles.erase(registration);
}

} // namespace platform::files_detail
