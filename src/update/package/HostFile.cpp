#include "update/package/HostFile.h"

#include "platform/machine/RegularFiles.h"
#include "platform/machine/WholeFile.h"
#include "update/package/PackageError.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace update::package {

FileDescriptor OpenForReading(const std::filesystem::path& file) {
    // Never blocks on a FIFO nor reads a device without end: only a regular file is read.
    const int fd = platform::OpenRegularInput(file);
    if (fd < 0) {
        if (errno == EINVAL) {
            throw PackageError("Le fichier " + Quoted(PathText(file)) + " n'est pas un fichier ordinaire.");
        }
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

std::uint64_t RegularFileSize(int fd, const std::filesystem::path& name) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        throw CannotRead(name, errno);
    }
    if (!S_ISREG(info.st_mode)) {
        throw CannotRead(name, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    }
    return static_cast<std::uint64_t>(info.st_size);
}

FileTime LastWriteTimeOf(const std::filesystem::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
        throw CannotRead(file, errno);
    }
    const auto time = FileTimeFromUnix(info.st_mtim);
    if (!time) {
        throw PackageError("La date du fichier " + Quoted(PathText(file)) + " est antérieure à 1601.");
    }
    return *time;
}

unsigned PermissionsOf(const std::filesystem::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
        throw CannotRead(file, errno);
    }
    return info.st_mode & 07777;
}

struct AtomicOutputFile::Output {
    FileDescriptor folder;
    std::unique_ptr<platform::WholeFileWriter> writer;
    std::optional<unsigned> newMode;
};

AtomicOutputFile::AtomicOutputFile(std::filesystem::path target, unsigned mode)
    : FTarget(std::move(target))
    , FOutput(std::make_unique<Output>()) {
    if (const int refused = platform::OutputRefusal(FTarget); refused == EINVAL) {
        throw PackageError("Le fichier " + Quoted(PathText(FTarget)) +
                           " n'est pas un fichier ordinaire : il n'est pas remplacé.");
    } else if (refused != 0) {
        throw CannotWrite(FTarget, refused);
    }
    const std::filesystem::path folder = FTarget.has_parent_path() ? FTarget.parent_path() : ".";
    FOutput->folder = FileDescriptor(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (FOutput->folder.Get() < 0) {
        throw CannotWrite(FTarget, errno);
    }
    FOutput->writer = std::make_unique<platform::WholeFileWriter>(FOutput->folder.Get(), FTarget.filename().string());
    if (FOutput->writer->OpenError() != 0) {
        throw CannotWrite(FTarget, FOutput->writer->OpenError());
    }
    struct stat replaced {};
    if (::lstat(FTarget.c_str(), &replaced) != 0) {
        FOutput->newMode = mode; // a file replaced keeps its own mode
    }
}

AtomicOutputFile::~AtomicOutputFile() = default; // the writer removes a temporary not put in place

int AtomicOutputFile::Fd() const {
    return FOutput->writer->Descriptor();
}

void AtomicOutputFile::SetLastWriteTime(const timespec& time) {
    const timespec times[2] = {{0, UTIME_OMIT}, time};
    if (::futimens(Fd(), times) != 0) {
        throw CannotWrite(FTarget, errno);
    }
}

void AtomicOutputFile::Close() {
    const std::optional<mode_t> mode =
        FOutput->newMode ? std::optional<mode_t>(static_cast<mode_t>(*FOutput->newMode)) : std::nullopt;
    if (const int error = FOutput->writer->Complete(mode); error != 0) {
        throw CannotWrite(FTarget, error);
    }
}

void AtomicOutputFile::Commit() {
    Close();
    if (const int error = FOutput->writer->Publish(); error != 0) {
        throw CannotWrite(FTarget, error);
    }
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
