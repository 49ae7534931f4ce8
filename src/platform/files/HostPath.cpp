#include "platform/files/HostPath.h"

#include "platform/machine/Machine.h"
#include "platform/machine/WindowsPath.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>

namespace platform::files_detail {

namespace {

constexpr ErrorCode kErrorNotReady = 21;

bool HasForbiddenCharacter(std::string_view path) {
    // The colon after the drive letter is the only one a path may hold.
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (c < 0x20 || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*' || (c == ':' && i != 1))
            return true;
    }
    return false;
}

int OpenAt2(int folder, const std::string& relative, int flags, unsigned mode) {
    open_how how{};
    how.flags = static_cast<std::uint64_t>(flags | O_CLOEXEC);
    how.mode = (flags & (O_CREAT | O_TMPFILE)) != 0 ? mode : 0;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    for (;;) {
        const long descriptor = ::syscall(SYS_openat2, folder, relative.c_str(), &how, sizeof how);
        if (descriptor >= 0 || errno != EAGAIN)
            return static_cast<int>(descriptor);
    }
}

} // namespace

Descriptor::~Descriptor() {
    if (FDescriptor >= 0)
        ::close(FDescriptor); // read-only or already synced; nothing left to report
}

Descriptor::Descriptor(Descriptor&& other) noexcept
    : FDescriptor(std::exchange(other.FDescriptor, -1)) {}

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
    if (this != &other) {
        if (FDescriptor >= 0)
            ::close(FDescriptor);
        FDescriptor = std::exchange(other.FDescriptor, -1);
    }
    return *this;
}

int Descriptor::Release() {
    return std::exchange(FDescriptor, -1);
}

ErrorCode ErrorForBeneath(const std::filesystem::path& host, int error) {
    if (error == EXDEV || error == ELOOP)
        return kErrorAccessDenied; // a link leading out of the drive: the machine does not pass through it
    if (error == ENOENT || error == ENOTDIR)
        return kErrorPathNotFound;
    return ErrorForPath(host, error);
}

void SyncFolder(int folder) noexcept {
    const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing >= 0) {
        ::fsync(listing); // the rename is done; a folder that cannot be synced loses nothing more
        ::close(listing);
    }
}

std::optional<DriveEntry> DriveEntry::Open(std::string_view windowsPath) {
    auto host = MapPath(windowsPath);
    if (!host)
        return std::nullopt;
    const auto parsed = ParseWindowsPath(windowsPath);
    const Drive* drive = Machine::Current().FindDrive(parsed->drive);
    DriveEntry entry;
    entry.FHost = *host;
    entry.FDrive = Descriptor(::open(drive->hostFolder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (entry.FDrive.Get() < 0) {
        SetLastError(kErrorNotReady);
        return std::nullopt;
    }
    const std::filesystem::path relative = host->lexically_relative(drive->hostFolder);
    const std::filesystem::path folder = relative.parent_path();
    entry.FRelative = relative.empty() ? std::string(".") : relative.string();
    entry.FName = relative.empty() || relative == "." ? std::string(".") : relative.filename().string();
    entry.FFolder = Descriptor(
        OpenAt2(entry.FDrive.Get(), folder.empty() || entry.FName == "." ? std::string(".") : folder.string(),
                O_PATH | O_DIRECTORY, 0));
    if (entry.FFolder.Get() < 0) {
        SetLastError(ErrorForBeneath(*host, errno));
        return std::nullopt;
    }
    return entry;
}

int DriveEntry::OpenBeneath(int flags, unsigned mode) const {
    const int descriptor = OpenAt2(FDrive.Get(), FRelative, flags, mode);
    if (descriptor < 0) {
        const int error = errno;
        if (error == ENOENT)
            SetLastError(kErrorFileNotFound); // the folder was opened: only the entry is missing
        else
            SetLastError(ErrorForBeneath(FHost, error));
    }
    return descriptor;
}

std::optional<std::filesystem::path> MapPath(std::string_view windowsPath) {
    if (IsUncPath(windowsPath)) {
        SetLastError(kErrorBadNetPath);
        return std::nullopt;
    }
    const auto parsed = ParseWindowsPath(windowsPath);
    if (!parsed) {
        SetLastError(HasForbiddenCharacter(windowsPath) ? kErrorInvalidName : kErrorBadPathname);
        return std::nullopt;
    }
    const Machine& machine = Machine::Current();
    const Drive* drive = machine.FindDrive(parsed->drive);
    if (drive == nullptr) {
        SetLastError(kErrorPathNotFound);
        return std::nullopt;
    }
    struct stat info {};
    if (::stat(drive->hostFolder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        SetLastError(kErrorNotReady);
        return std::nullopt;
    }
    auto host = machine.ToHostPath(windowsPath);
    if (!host)
        SetLastError(kErrorPathNotFound);
    return host;
}

ErrorCode ErrorForPath(const std::filesystem::path& host, int error) {
    if (error == ENOENT) {
        struct stat info {};
        const std::filesystem::path parent = host.parent_path();
        if (::stat(parent.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
            return kErrorPathNotFound;
        return kErrorFileNotFound;
    }
    if (error == ENOTDIR)
        return kErrorPathNotFound;
    return ErrorFromErrno(error);
}

} // namespace platform::files_detail
