// The host files of the package layer on Windows: the C runtime's descriptors over handles opened
// with the wide path, positioned reads through the handle (safe from several threads), times to
// the 100 ns tick, and an output written beside its target, flushed and moved over it.
#include "platform/machine/WindowsApi.h"
#include "update/package/HostFile.h"
#include "update/package/PackageError.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <string>

namespace update::package {

namespace {

// The errno the messages of the package layer quote for a Windows error.
int ErrnoOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
        return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EBUSY;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    default:
        return EIO;
    }
}

HANDLE HandleOf(int fd) {
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

// A descriptor of the C runtime that owns `handle` from now on; the handle is closed when that fails.
int DescriptorOf(HANDLE handle, int flags) {
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) {
        ::CloseHandle(handle);
    }
    return fd;
}

FileTime FileTimeOf(const FILETIME& time) {
    return {time.dwLowDateTime, time.dwHighDateTime};
}

std::wstring WidePath(const std::filesystem::path& path) {
    return path.native();
}

} // namespace

FileDescriptor OpenForReading(const std::filesystem::path& file) {
    // Others may read the file meanwhile, nobody may write it; a folder cannot be opened this way.
    const HANDLE handle = ::CreateFileW(WidePath(file).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        const DWORD attributes = ::GetFileAttributesW(WidePath(file).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            throw PackageError("Le fichier " + Quoted(PathText(file)) + " n'est pas un fichier ordinaire.");
        }
        throw CannotOpen(file, ErrnoOf(error));
    }
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
        ::CloseHandle(handle);
        throw PackageError("Le fichier " + Quoted(PathText(file)) + " n'est pas un fichier ordinaire.");
    }
    const int fd = DescriptorOf(handle, _O_RDONLY);
    if (fd < 0) {
        throw CannotOpen(file, EMFILE);
    }
    return FileDescriptor(fd);
}

std::size_t ReadSome(int fd, std::span<unsigned char> buffer, const std::filesystem::path& name) {
    std::size_t done = 0;
    while (done < buffer.size()) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(buffer.size() - done, 1U << 30));
        DWORD got = 0;
        if (!::ReadFile(HandleOf(fd), buffer.data() + done, want, &got, nullptr)) {
            throw CannotRead(name, ErrnoOf(::GetLastError()));
        }
        if (got == 0) {
            break;
        }
        done += got;
    }
    return done;
}

void ReadAt(int fd, std::uint64_t offset, std::span<unsigned char> buffer, const std::filesystem::path& name) {
    std::size_t done = 0;
    while (done < buffer.size()) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(buffer.size() - done, 1U << 30));
        const std::uint64_t at = offset + done;
        OVERLAPPED position{};
        position.Offset = static_cast<DWORD>(at);
        position.OffsetHigh = static_cast<DWORD>(at >> 32);
        DWORD got = 0;
        if (!::ReadFile(HandleOf(fd), buffer.data() + done, want, &got, &position)) {
            const DWORD error = ::GetLastError();
            throw CannotRead(name, error == ERROR_HANDLE_EOF ? EIO : ErrnoOf(error));
        }
        if (got == 0) {
            throw CannotRead(name, EIO);
        }
        done += got;
    }
}

void WriteAll(int fd, std::span<const unsigned char> bytes, const std::filesystem::path& name) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1U << 30));
        DWORD put = 0;
        if (!::WriteFile(HandleOf(fd), bytes.data() + done, want, &put, nullptr) || put == 0) {
            throw CannotWrite(name, ErrnoOf(::GetLastError()));
        }
        done += put;
    }
}

std::uint64_t RegularFileSize(int fd, const std::filesystem::path& name) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(HandleOf(fd), &info)) {
        throw CannotRead(name, ErrnoOf(::GetLastError()));
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        throw CannotRead(name, EISDIR);
    }
    return (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
}

FileTime LastWriteTimeOf(const std::filesystem::path& file) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(WidePath(file).c_str(), GetFileExInfoStandard, &data)) {
        throw CannotRead(file, ErrnoOf(::GetLastError()));
    }
    return FileTimeOf(data.ftLastWriteTime);
}

unsigned PermissionsOf(const std::filesystem::path& file) {
    if (::GetFileAttributesW(WidePath(file).c_str()) == INVALID_FILE_ATTRIBUTES) {
        throw CannotRead(file, ErrnoOf(::GetLastError()));
    }
    return 0644;
}

namespace {

// The temporary beside `target` that the output is written to: hidden, named after the target
// and this process, so that two writers never share one.
std::filesystem::path TemporaryBeside(const std::filesystem::path& target) {
    static std::atomic<unsigned> counter{0};
    const std::wstring name = L"." + target.filename().native() + L".quarnel-new." +
                              std::to_wstring(::GetCurrentProcessId()) + L"." + std::to_wstring(++counter);
    return target.has_parent_path() ? target.parent_path() / name : std::filesystem::path(name);
}

} // namespace

struct AtomicOutputFile::Output {
    std::filesystem::path temporary;
    FileDescriptor file;
    bool published = false;
};

AtomicOutputFile::AtomicOutputFile(std::filesystem::path target, unsigned /*mode*/)
    : FTarget(std::move(target))
    , FOutput(std::make_unique<Output>()) {
    // Windows keeps no permission bits; the folder's inheritance gives the new file its access.
    const DWORD attributes = ::GetFileAttributesW(WidePath(FTarget).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) != 0) {
        throw PackageError("Le fichier " + Quoted(PathText(FTarget)) +
                           " n'est pas un fichier ordinaire : il n'est pas remplacé.");
    }
    FOutput->temporary = TemporaryBeside(FTarget);
    const HANDLE handle = ::CreateFileW(WidePath(FOutput->temporary).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        throw CannotWrite(FTarget, ErrnoOf(::GetLastError()));
    }
    const int fd = DescriptorOf(handle, _O_RDWR);
    if (fd < 0) {
        ::DeleteFileW(WidePath(FOutput->temporary).c_str());
        throw CannotWrite(FTarget, EMFILE);
    }
    FOutput->file = FileDescriptor(fd);
}

AtomicOutputFile::~AtomicOutputFile() {
    FOutput->file = FileDescriptor();
    if (!FOutput->published) {
        ::DeleteFileW(
            WidePath(FOutput->temporary).c_str()); // nothing half-written stays; a failure leaves a hidden leftover
    }
}

int AtomicOutputFile::Fd() const {
    return FOutput->file.Get();
}

void AtomicOutputFile::SetLastWriteTime(const timespec& time) {
    const auto ticks = FileTimeFromUnix(time);
    if (!ticks) {
        throw CannotWrite(FTarget, EINVAL);
    }
    FILETIME lastWrite{ticks->low, ticks->high};
    if (!::SetFileTime(HandleOf(Fd()), nullptr, nullptr, &lastWrite)) {
        throw CannotWrite(FTarget, ErrnoOf(::GetLastError()));
    }
}

void AtomicOutputFile::Close() {
    if (FOutput->file.Get() < 0) {
        return;
    }
    if (!::FlushFileBuffers(HandleOf(FOutput->file.Get()))) {
        throw CannotWrite(FTarget, ErrnoOf(::GetLastError()));
    }
    FOutput->file = FileDescriptor();
}

void AtomicOutputFile::Commit() {
    Close();
    // The temporary was created hidden so that a leftover does not show; the file put in place does.
    ::SetFileAttributesW(WidePath(FOutput->temporary).c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!::MoveFileExW(WidePath(FOutput->temporary).c_str(), WidePath(FTarget).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        throw CannotWrite(FTarget, ErrnoOf(::GetLastError()));
    }
    FOutput->published = true;
}

FileDescriptor CreateAnonymousFile(const std::filesystem::path& folder) {
    // Windows has no nameless file: a hidden name deleted by the system when the handle closes.
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path file =
        folder / (L".quarnel-pack." + std::to_wstring(::GetCurrentProcessId()) + L"." + std::to_wstring(++counter));
    const HANDLE handle =
        ::CreateFileW(WidePath(file).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        throw CannotWrite(folder, ErrnoOf(::GetLastError()));
    }
    const int fd = DescriptorOf(handle, _O_RDWR);
    if (fd < 0) {
        throw CannotWrite(folder, EMFILE);
    }
    return FileDescriptor(fd);
}

} // namespace update::package
