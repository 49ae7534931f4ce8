#include "update/package/HostFile.h"

#include "update/package/PackageError.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace update::package {

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        if (FFd >= 0) {
            ::close(FFd);
        }
        FFd = other.Release();
    }
    return *this;
}

FileDescriptor::~FileDescriptor() {
    if (FFd >= 0) {
        ::close(FFd); // a failed close of a descriptor we only read or already flushed loses nothing
    }
}

int FileDescriptor::Release() {
    const int fd = FFd;
    FFd = -1;
    return fd;
}

FileDescriptor OpenForReading(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw CannotOpen(file, errno);
    }
    return FileDescriptor(fd);
}

std::size_t ReadSome(int fd, std::span<unsigned char> buffer, const std::filesystem::path& name) {
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t n = ::read(fd, buffer.data() + done, buffer.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw CannotRead(name, errno);
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void ReadAt(int fd, std::uint64_t offset, std::span<unsigned char> buffer, const std::filesystem::path& name) {
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t n = ::pread(fd, buffer.data() + done, buffer.size() - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw CannotRead(name, errno);
        }
        if (n == 0) {
            throw CannotRead(name, EIO);
        }
        done += static_cast<std::size_t>(n);
    }
}

void WriteAll(int fd, std::span<const unsigned char> bytes, const std::filesystem::path& name) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw CannotWrite(name, errno);
        }
        done += static_cast<std::size_t>(n);
    }
}

AtomicOutputFile::AtomicOutputFile(std::filesystem::path target, unsigned mode)
    : FTarget(std::move(target)) {
    std::string pattern = FTarget.string() + ".partXXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        throw CannotWrite(FTarget, errno);
    }
    FTemporary = pattern;
    FFile = FileDescriptor(fd);
    if (::fchmod(fd, static_cast<mode_t>(mode)) != 0) {
        throw CannotWrite(FTarget, errno);
    }
}

AtomicOutputFile::~AtomicOutputFile() {
    if (!FCommitted) {
        ::unlink(FTemporary.c_str()); // nothing more can be done about a leftover we cannot delete
    }
}

void AtomicOutputFile::SetLastWriteTime(const timespec& time) {
    const timespec times[2] = {{0, UTIME_OMIT}, time};
    if (::futimens(FFile.Get(), times) != 0) {
        throw CannotWrite(FTarget, errno);
    }
}

void AtomicOutputFile::Close() {
    if (FFile.Get() >= 0 && ::close(FFile.Release()) != 0) {
        throw CannotWrite(FTarget, errno);
    }
}

void AtomicOutputFile::Commit() {
    Close();
    if (::rename(FTemporary.c_str(), FTarget.c_str()) != 0) {
        throw CannotWrite(FTarget, errno);
    }
    FCommitted = true;
}

FileDescriptor CreateAnonymousFile(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) {
        return FileDescriptor(fd);
    }
    // File systems without O_TMPFILE: a named file, unlinked at once.
    std::string pattern = (folder / "quarnel-packXXXXXX").string();
    const int named = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (named < 0) {
        throw CannotWrite(folder, errno);
    }
    ::unlink(pattern.c_str());
    return FileDescriptor(named);
}

} // namespace update::package
