#include "platform/machine/WholeFile.h"

#include "platform/machine/TemporaryNames.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
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

// The new text under its temporary name: deleted unless it was renamed into place. Each step
// gives 0 or the errno of its failure.
class Temporary {
public:
    Temporary(int folder, const std::string& finalName)
        : FFolder(folder) {
        for (int attempt = 0; attempt < 16 && FDescriptor < 0; ++attempt) {
            FName = TemporaryNameFor(finalName);
            FDescriptor = ::openat(folder, FName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
            if (FDescriptor < 0 && errno != EEXIST)
                break;
        }
        FError = FDescriptor < 0 ? errno : 0;
        FCreated = FDescriptor >= 0;
    }
    ~Temporary() {
        if (FDescriptor >= 0)
            ::close(FDescriptor);
        if (FCreated && !FPublished)
            ::unlinkat(FFolder, FName.c_str(), 0); // nothing to report: the file itself is untouched
    }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;

    int OpenError() const { return FError; }

    // Writes the whole text to disk and closes it: what the rename publishes is then whole.
    int Write(std::string_view text) {
        while (!text.empty()) {
            const ssize_t count = ::write(FDescriptor, text.data(), text.size());
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0)
                return count < 0 ? errno : EIO;
            text.remove_prefix(static_cast<std::size_t>(count));
        }
        if (::fsync(FDescriptor) != 0)
            return errno;
        if (::close(std::exchange(FDescriptor, -1)) != 0 && errno != EINTR)
            return errno;
        return 0;
    }

    int PublishAs(const std::string& finalName) {
        if (::renameat(FFolder, FName.c_str(), FFolder, finalName.c_str()) != 0)
            return errno;
        FPublished = true;
        return 0;
    }

private:
    int FFolder;
    std::string FName;
    int FDescriptor = -1;
    int FError = 0;
    bool FCreated = false;
    bool FPublished = false;
};

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
    const std::string name = file.filename().string();
    Temporary temporary(folder.Get(), name);
    int error = temporary.OpenError();
    if (error == 0)
        error = temporary.Write(text);
    if (error == 0)
        error = temporary.PublishAs(name);
    if (error != 0)
        CannotWrite(file, error);
    ::fsync(folder.Get()); // the rename is done; a folder that cannot be synced loses nothing more
}

} // namespace platform
