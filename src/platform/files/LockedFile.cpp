#include "platform/files/LockedFile.h"

#include "platform/machine/LastError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr mode_t kOwnerOnly = S_IRUSR | S_IWUSR;

int OpenFlags(LockedFile::Opening opening) {
    const int common = O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK; // a FIFO planted there never blocks
    switch (opening) {
    case LockedFile::Opening::CreateNew:
        return common | O_CREAT | O_EXCL;
    case LockedFile::Opening::OpenAlways:
        return common | O_CREAT;
    case LockedFile::Opening::OpenExisting:
        break;
    }
    return common;
}

bool WriteAll(int descriptor, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(descriptor, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::uint32_t OpenErrorOf(int error) {
    return error == ELOOP ? kErrorAccessDenied : ErrorFromErrno(error); // a final link is refused
}

} // namespace

LockedFile::LockedFile(const std::filesystem::path& file, Opening opening) {
    FDescriptor = ::open(file.c_str(), OpenFlags(opening), kOwnerOnly);
    if (FDescriptor < 0) {
        FOpenError = OpenErrorOf(errno);
        return;
    }
    struct stat info {};
    if (::fstat(FDescriptor, &info) == 0 && S_ISREG(info.st_mode)) {
        if (opening == Opening::CreateNew)
            ::fchmod(FDescriptor, kOwnerOnly); // the umask may have taken more than it should
        FSize = static_cast<std::uint64_t>(info.st_size);
    }
    FHeld = ::flock(FDescriptor, LOCK_EX | LOCK_NB) == 0;
}

void LockedFile::CloseDescriptor(int descriptor) noexcept {
    ::close(descriptor); // closing releases the lock
}

bool LockedFile::WaitForLock() {
    if (FDescriptor < 0) {
        SetLastError(kErrorInvalidHandle);
        return false;
    }
    while (::flock(FDescriptor, LOCK_EX) != 0) {
        if (errno != EINTR) {
            SetLastError(ErrorFromErrno(errno));
            return false;
        }
    }
    FHeld = true;
    return true;
}

bool LockedFile::AppendDurably(std::string_view text) {
    if (FDescriptor < 0) {
        SetLastError(kErrorInvalidHandle);
        return false;
    }
    const off_t end = static_cast<off_t>(FSize);
    if (::lseek(FDescriptor, end, SEEK_SET) != end || !WriteAll(FDescriptor, text) || ::fdatasync(FDescriptor) != 0) {
        const int error = errno;
        if (::ftruncate(FDescriptor, end) == 0)
            ::fdatasync(FDescriptor);
        SetLastError(ErrorFromErrno(error));
        return false;
    }
    FSize += text.size();
    return true;
}

std::optional<std::string> LockedFile::ReadAll(std::uint64_t limit) const {
    struct stat info {};
    if (FDescriptor < 0 || ::fstat(FDescriptor, &info) != 0) {
        SetLastError(FDescriptor < 0 ? kErrorInvalidHandle : ErrorFromErrno(errno));
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode) || static_cast<std::uint64_t>(info.st_size) > limit) {
        SetLastError(S_ISREG(info.st_mode) ? kErrorBufferOverflow : kErrorAccessDenied);
        return std::nullopt;
    }
    std::string text;
    char buffer[1 << 14];
    for (off_t offset = 0;;) {
        const ssize_t count = ::pread(FDescriptor, buffer, sizeof buffer, offset);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            SetLastError(ErrorFromErrno(errno));
            return std::nullopt;
        }
        if (count == 0)
            return text;
        if (text.size() + static_cast<std::size_t>(count) > limit) { // it grew while it was read
            SetLastError(kErrorBufferOverflow);
            return std::nullopt;
        }
        text.append(buffer, static_cast<std::size_t>(count));
        offset += count;
    }
}

std::optional<std::string> LockedFile::UntrustedBecause() const {
    struct stat info {};
    if (FDescriptor < 0 || ::fstat(FDescriptor, &info) != 0)
        return "il ne peut pas être examiné";
    if (!S_ISREG(info.st_mode))
        return "ce n'est pas un fichier ordinaire";
    if (info.st_uid != ::geteuid())
        return "il appartient à un autre utilisateur";
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return "d'autres utilisateurs peuvent y écrire";
    if (info.st_nlink != 1)
        return "il porte plusieurs noms";
    return std::nullopt;
}

} // namespace platform
