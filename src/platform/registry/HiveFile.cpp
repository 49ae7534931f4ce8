#include "platform/registry/HiveFile.h"

#include "platform/machine/TemporaryNames.h"
#include "platform/machine/WholeFile.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace platform {

namespace {

[[noreturn]] void ThrowErrno(const std::string& what, const std::filesystem::path& file) {
    throw std::system_error(errno, std::generic_category(), what + " " + file.string());
}

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd)
        : FFd(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept
        : FFd(std::exchange(other.FFd, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Reset();
            FFd = std::exchange(other.FFd, -1);
        }
        return *this;
    }
    int Get() const { return FFd; }
    int Release() { return std::exchange(FFd, -1); }
    void Reset() {
        if (FFd >= 0)
            ::close(FFd); // a failed close of a file only read or already synced loses nothing
        FFd = -1;
    }

private:
    int FFd = -1;
};

// An exclusive flock held on the lock file for the object's lifetime. flock conflicts between
// separate opens even inside one process, so threads exclude each other too.
class HiveLock {
public:
    explicit HiveLock(const std::filesystem::path& lockFile)
        : FFd(::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
        if (FFd.Get() < 0)
            ThrowErrno("Cannot open the registry lock file", lockFile);
        while (::flock(FFd.Get(), LOCK_EX) != 0)
            if (errno != EINTR)
                ThrowErrno("Cannot lock the registry file", lockFile);
    }
    // Closing the descriptor releases the lock.

private:
    UniqueFd FFd;
};

// Under the hive's lock no writer of that hive is at work: every temporary of the hive is debris,
// those of killed writers of this program and the `<hive>.XXXXXX` of earlier ones alike.
void RemoveHiveTemporaries(const std::filesystem::path& hive) {
    const std::string hiveName = hive.filename().string();
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(hive.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        const bool current = TemporaryNameWriter(name) && name.starts_with("." + hiveName + ".") &&
                             *TemporaryNameWriter(name) != ::getpid();
        bool earlier = name.size() == hiveName.size() + 7 && name.starts_with(hiveName + ".");
        for (std::size_t i = hiveName.size() + 1; earlier && i < name.size(); ++i)
            earlier = std::isalnum(static_cast<unsigned char>(name[i])) != 0;
        if ((current || earlier) && entry.is_regular_file(error) && !entry.is_symlink(error))
            ::unlink(entry.path().c_str()); // debris: one that cannot be removed harms nothing
    }
}

} // namespace

// What was read from the file, with the identity of the file it came from. The descriptor stays
// open so that the inode cannot be reused by a later file while the snapshot is cached: equal
// device and inode then mean the same file.
struct HiveFile::Snapshot {
    UniqueFd fd;
    bool missing = true;
    struct stat status {};
    std::shared_ptr<const Hive> hive;

    bool SameFile(const struct stat& other) const {
        return !missing && status.st_dev == other.st_dev && status.st_ino == other.st_ino &&
               status.st_size == other.st_size && status.st_mtim.tv_sec == other.st_mtim.tv_sec &&
               status.st_mtim.tv_nsec == other.st_mtim.tv_nsec && status.st_ctim.tv_sec == other.st_ctim.tv_sec &&
               status.st_ctim.tv_nsec == other.st_ctim.tv_nsec;
    }
};

namespace {

// "104 Mio" (rounded up), or "65536 octets" below one mebibyte.
std::string Mebibytes(std::uintmax_t bytes) {
    if (bytes < (1u << 20))
        return std::to_string(bytes) + " octets";
    return std::to_string((bytes + (1u << 20) - 1) >> 20) + " Mio";
}

} // namespace

HiveTooLarge::HiveTooLarge(const std::string& fileName, std::uintmax_t size, std::uintmax_t limit)
    : std::runtime_error("Modification du registre refusée : le fichier " + fileName + " atteindrait " +
                         Mebibytes(size) + ", au-delà des " + Mebibytes(limit) +
                         " qu'une ruche peut occuper ; rien n'a été écrit.") {}

HiveFile::HiveFile(std::filesystem::path file, RegistryRoot root, std::uintmax_t maxSize)
    : FPath(std::move(file))
    , FRoot(root)
    , FMaxSize(maxSize) {}

HiveFile::~HiveFile() = default;

std::shared_ptr<const HiveFile::Snapshot> HiveFile::ReadFile() const {
    auto snapshot = std::make_shared<Snapshot>();
    snapshot->fd = UniqueFd(::open(FPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (snapshot->fd.Get() < 0) {
        if (errno != ENOENT)
            ThrowErrno("Cannot open", FPath);
        snapshot->hive = std::make_shared<const Hive>();
        return snapshot;
    }
    snapshot->missing = false;
    if (::fstat(snapshot->fd.Get(), &snapshot->status) != 0)
        ThrowErrno("Cannot read", FPath);
    if (!S_ISREG(snapshot->status.st_mode) || static_cast<std::uintmax_t>(snapshot->status.st_size) > FMaxSize)
        throw RegFileError(FPath.string(), 1, "pas un fichier ordinaire ou taille supérieure à " + Mebibytes(FMaxSize));
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(snapshot->status.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(snapshot->fd.Get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ThrowErrno("Cannot read", FPath);
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    const std::string fileName = FPath.string();
    snapshot->hive = std::make_shared<const Hive>(HiveFromDocument(ParseRegFile(bytes, fileName), FRoot, fileName));
    return snapshot;
}

std::shared_ptr<const Hive> HiveFile::Load() {
    struct stat status {};
    const bool exists = ::stat(FPath.c_str(), &status) == 0;
    if (!exists && errno != ENOENT)
        ThrowErrno("Cannot read", FPath);
    std::lock_guard guard(FMutex);
    if (FCache && (exists ? FCache->SameFile(status) : FCache->missing))
        return FCache->hive;
    FCache = ReadFile();
    return FCache->hive;
}

std::shared_ptr<const HiveFile::Snapshot> HiveFile::CurrentUnderLock() {
    // Every writer renames a new file in place, and the cache holds the file it read open (its
    // inode cannot be reused): the same identity is the same content, and nothing needs parsing.
    struct stat status {};
    const bool exists = ::stat(FPath.c_str(), &status) == 0;
    {
        std::lock_guard guard(FMutex);
        if (FCache && (exists ? FCache->SameFile(status) : FCache->missing))
            return FCache;
    }
    return ReadFile();
}

ErrorCode HiveFile::Modify(const std::function<ErrorCode(Hive&)>& change) {
    std::filesystem::create_directories(FPath.parent_path());
    HiveLock lock(FPath.string() + ".lock");
    RemoveHiveTemporaries(FPath);
    const auto current = CurrentUnderLock();
    Hive hive = *current->hive;
    const ErrorCode result = change(hive);
    if (result != kErrorSuccess || hive == *current->hive) {
        std::lock_guard guard(FMutex);
        FCache = current;
        return result;
    }
    WriteFile(hive);
    return kErrorSuccess;
}

void HiveFile::CreateIfMissing() {
    std::filesystem::create_directories(FPath.parent_path());
    HiveLock lock(FPath.string() + ".lock");
    if (::access(FPath.c_str(), F_OK) == 0)
        return;
    WriteFile(Hive());
}

void HiveFile::WriteFile(const Hive& hive) {
    const std::vector<std::uint8_t> bytes = EncodeRegFile(FormatRegFile(FRoot, hive.Subtree("")));
    if (bytes.size() > FMaxSize)
        throw HiveTooLarge(FPath.string(), bytes.size(), FMaxSize);
    WriteWholeFile(FPath, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    // Under the lock nobody else renames the file, so what is there now is what was written.
    auto snapshot = std::make_shared<Snapshot>();
    snapshot->fd = UniqueFd(::open(FPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (snapshot->fd.Get() < 0 || ::fstat(snapshot->fd.Get(), &snapshot->status) != 0)
        ThrowErrno("Cannot read", FPath);
    snapshot->missing = false;
    snapshot->hive = std::make_shared<const Hive>(hive);
    std::lock_guard guard(FMutex);
    FCache = std::move(snapshot);
}

Hive HiveFromDocument(const RegFileDocument& document, RegistryRoot root, const std::string& fileName) {
    Hive hive;
    for (const auto& section : document.sections) {
        if (section.root != root)
            throw RegFileError(fileName, section.line,
                               "clé de " + std::string(RootName(section.root)) + " dans la ruche " +
                                   std::string(RootName(root)));
        if (section.removeKey) {
            hive.Delete(section.path);
            continue;
        }
        HiveKey& key = hive.Create(section.path);
        if (section.denyRead)
            key.denyRead = *section.denyRead;
        if (section.denyWrite)
            key.denyWrite = *section.denyWrite;
        for (const auto& value : section.values) {
            if (value.remove)
                key.DeleteValue(value.value.name);
            else
                key.SetValue(value.value);
        }
    }
    return hive;
}

} // namespace platform
