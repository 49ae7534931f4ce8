#include "platform/machine/WholeFile.h"

#include "platform/machine/TemporaryNames.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace platform {

namespace {

class OwnedDescriptor {
public:
    explicit OwnedDescriptor(int descriptor)
        : FDescriptor(descriptor) {}
    ~OwnedDescriptor() {
        if (FDescriptor >= 0)
            ::close(FDescriptor);
    }
    OwnedDescriptor(const OwnedDescriptor&) = delete;
    OwnedDescriptor& operator=(const OwnedDescriptor&) = delete;
    int Get() const { return FDescriptor; }

private:
    int FDescriptor;
};

// The mode a new file gets: what open(2) gives 0644 under the process's umask, read without
// changing it (umask(2) can only be read by setting it, which would race with other threads).
mode_t NewFileMode() {
    const OwnedDescriptor status(::open("/proc/self/status", O_RDONLY | O_CLOEXEC));
    mode_t mask = 022;
    if (status.Get() >= 0) {
        char text[4096];
        const ssize_t count = ::read(status.Get(), text, sizeof text - 1);
        if (count > 0) {
            const std::string_view view(text, static_cast<std::size_t>(count));
            if (const std::size_t at = view.find("Umask:\t"); at != std::string_view::npos)
                mask = static_cast<mode_t>(std::stoul(std::string(view.substr(at + 7, 4)), nullptr, 8));
        }
    }
    return 0644 & ~mask;
}

} // namespace

WholeFileWriter::WholeFileWriter(int folder, std::string name)
    : FFolder(folder)
    , FName(std::move(name)) {
    struct stat replaced {};
    if (::fstatat(folder, FName.c_str(), &replaced, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(replaced.st_mode))
        FReplacedMode = replaced.st_mode & 07777;
    // Created for this user alone: a part of the content is never readable by others.
    for (int attempt = 0; attempt < 16 && FDescriptor < 0; ++attempt) {
        FTemporary = TemporaryNameFor(FName);
        FDescriptor = ::openat(folder, FTemporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (FDescriptor < 0 && errno != EEXIST)
            break;
    }
    FOpenError = FDescriptor < 0 ? errno : 0;
    if (FDescriptor < 0)
        FTemporary.clear();
}

WholeFileWriter::~WholeFileWriter() {
    if (FDescriptor >= 0)
        ::close(FDescriptor);
    if (!FPublished && !FTemporary.empty())
        ::unlinkat(FFolder, FTemporary.c_str(), 0); // nothing to report: the file itself is untouched
}

int WholeFileWriter::Write(std::string_view bytes) {
    if (FDescriptor < 0)
        return FOpenError != 0 ? FOpenError : EBADF;
    while (!bytes.empty()) {
        const ssize_t count = ::write(FDescriptor, bytes.data(), bytes.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return count < 0 ? errno : EIO;
        bytes.remove_prefix(static_cast<std::size_t>(count));
    }
    return 0;
}

int WholeFileWriter::Complete(std::optional<mode_t> mode) {
    if (FCompleted)
        return 0;
    if (FDescriptor < 0)
        return FOpenError != 0 ? FOpenError : EBADF;
    const mode_t wanted = mode ? *mode : FReplacedMode ? *FReplacedMode : NewFileMode();
    if (::fchmod(FDescriptor, wanted) != 0 || ::fsync(FDescriptor) != 0)
        return errno;
    if (::close(std::exchange(FDescriptor, -1)) != 0 && errno != EINTR)
        return errno;
    FCompleted = true;
    return 0;
}

int WholeFileWriter::Publish(std::optional<mode_t> mode) {
    if (const int error = Complete(mode); error != 0)
        return error;
    if (::renameat(FFolder, FTemporary.c_str(), FFolder, FName.c_str()) != 0)
        return errno;
    FPublished = true;
    ::fsync(FFolder); // the rename is done; a folder that cannot be synced loses nothing more
    return 0;
}

namespace {

[[noreturn]] void CannotWrite(const std::filesystem::path& file, int error) {
    throw std::system_error(error, std::generic_category(), "Cannot write " + file.string());
}

} // namespace

void WriteWholeFile(const std::filesystem::path& file, std::string_view text) {
    const std::filesystem::path parent = file.has_parent_path() ? file.parent_path() : ".";
    const OwnedDescriptor folder(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() < 0)
        CannotWrite(file, errno);
    RemoveLeftovers(folder.Get()); // a settings folder holds few names: cheap at each save
    WholeFileWriter writer(folder.Get(), file.filename().string());
    int error = writer.Write(text);
    if (error == 0)
        error = writer.Publish();
    if (error != 0)
        CannotWrite(file, error);
}

} // namespace platform
