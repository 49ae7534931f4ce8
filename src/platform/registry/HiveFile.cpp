#include "platform/registry/HiveFile.h"

#include "platform/machine/TemporaryNames.h"
#include "platform/machine/WholeFile.h"
#include "platform/registry/HiveChanges.h"
#include "platform/registry/HiveLog.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <new>
#include <sys/file.h>
#include <sys/mman.h>
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

namespace {

// The identity of a file as stat tells it: a file renamed in place, appended to or cut has
// another.
bool SameStatus(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// Where a hive's file and its log stand now.
struct FilePair {
    bool hiveExists = false;
    struct stat hive {};
    bool logExists = false;
    struct stat log {};
};

FilePair StatPair(const std::filesystem::path& hive, const std::filesystem::path& log) {
    FilePair pair;
    pair.hiveExists = ::stat(hive.c_str(), &pair.hive) == 0;
    if (!pair.hiveExists && errno != ENOENT)
        ThrowErrno("Cannot read", hive);
    pair.logExists = ::stat(log.c_str(), &pair.log) == 0;
    if (!pair.logExists && errno != ENOENT)
        ThrowErrno("Cannot read", log);
    return pair;
}

void SyncFolder(const std::filesystem::path& folder) {
    const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Get() < 0 || ::fsync(fd.Get()) != 0)
        ThrowErrno("Cannot sync", folder);
}

// Reads the open file `fd` into `data` until `size` bytes are there or the file ends; the bytes read.
std::size_t ReadInto(int fd, char* data, std::size_t size, const std::filesystem::path& file) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ThrowErrno("Cannot read", file);
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

// The bytes of the open file `fd`, `limit` at most, read straight into memory of the size that
// fstat gave (`expected`), grown only when the file grew meanwhile.
std::string ReadAll(int fd, std::uintmax_t limit, std::uintmax_t expected, const std::filesystem::path& file) {
    std::string bytes(static_cast<std::size_t>(std::min(limit, expected) + 1), '\0');
    std::size_t done = 0;
    while (done < limit) {
        if (done == bytes.size())
            bytes.resize(static_cast<std::size_t>(std::min<std::uintmax_t>(limit, 2 * bytes.size())));
        const std::size_t n = ReadInto(fd, bytes.data() + done, bytes.size() - done, file);
        done += n;
        if (done < bytes.size())
            break; // the end of the file
    }
    bytes.resize(done);
    return bytes;
}

// Memory for the bytes of a hive's file, its pages put in place at once (MAP_POPULATE): megabytes
// read into fresh memory would otherwise cost a page fault each 4 KiB, the bulk of a write's time.
class FileBuffer {
public:
    explicit FileBuffer(std::size_t size)
        : FSize(size) {
        void* data = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        if (data == MAP_FAILED)
            throw std::bad_alloc();
        FData = static_cast<char*>(data);
    }
    ~FileBuffer() { ::munmap(FData, FSize); }
    FileBuffer(const FileBuffer&) = delete;
    FileBuffer& operator=(const FileBuffer&) = delete;

    char* Data() { return FData; }
    std::size_t Size() const { return FSize; }

private:
    char* FData = nullptr;
    std::size_t FSize; // never 0: one byte more than the file is read, to tell that it grew
};

} // namespace

// What was read from the hive's file and its log, with the identity of the files it came from.
// The descriptors stay open so that the inodes cannot be reused by later files while the
// snapshot is cached: equal device and inode then mean the same file.
struct HiveFile::Snapshot {
    UniqueFd fd;
    bool missing = true;
    struct stat status {};
    UniqueFd logFd;
    bool logMissing = true;
    struct stat logStatus {};
    std::size_t logValid = 0;         // the bytes of whole records at the start of the log
    std::shared_ptr<const Hive> hive; // the file's hive with the log's changes
    bool whole = true;                // false: `hive` holds the keys of a scope only

    bool Matches(const FilePair& now) const {
        return (missing ? !now.hiveExists : now.hiveExists && SameStatus(status, now.hive)) &&
               (logMissing ? !now.logExists : now.logExists && SameStatus(logStatus, now.log));
    }
};

// The hive's file skimmed; the descriptor stays open for the same reason as a snapshot's.
struct HiveFile::IndexedFile {
    UniqueFd fd;
    struct stat status {};
    RegFileIndex index;
};

namespace {

constexpr char kSortSeparator = '\x01'; // between the components of a Hive::SortKey

// The first `count` components of `path`.
std::string_view LeadingComponents(std::string_view path, std::size_t count) {
    std::size_t end = 0;
    for (std::size_t i = 0; i < count; ++i) {
        end = path.find('\\', end + (i == 0 ? 0 : 1));
        if (end == std::string_view::npos)
            return path;
    }
    return path.substr(0, end);
}

// Reads a section of the file or of the log over a hive holding the keys of a scope only, as the
// whole hive would take it, as far as those keys go.
class ScopedReader {
public:
    explicit ScopedReader(const HiveScope& scope)
        : FScope(scope)
        , FScopeKey(Hive::SortKey(scope.path)) {}

    // `parse` gives the section read whole, for the sections that bear on the scope's keys.
    template <typename Parse> void Apply(Hive& hive, std::string_view path, bool removeKey, const Parse& parse) const {
        const std::string key = Hive::SortKey(path);
        const bool aboveOrSame = key.empty() || key == FScopeKey || FScopeKey.starts_with(key + kSortSeparator);
        const bool below = !aboveOrSame && (FScopeKey.empty() || key.starts_with(FScopeKey + kSortSeparator));
        if (aboveOrSame || (below && FScope.subtree)) {
            ApplySection(hive, parse());
            return;
        }
        if (removeKey)
            return; // a key beside the scope's, or below its key: the scope's keys stay
        // A key elsewhere makes the keys it has in common with the scope's key exist (its parents).
        if (const std::size_t shared = SharedComponents(key); shared > 0)
            hive.Create(LeadingComponents(path, shared));
    }

private:
    // How many leading components `key` and the scope's key have in common.
    std::size_t SharedComponents(std::string_view key) const {
        std::size_t shared = 0;
        std::string_view scope = FScopeKey;
        while (!key.empty() && !scope.empty()) {
            const std::size_t a = std::min(key.find(kSortSeparator), key.size());
            const std::size_t b = std::min(scope.find(kSortSeparator), scope.size());
            if (key.substr(0, a) != scope.substr(0, b))
                break;
            ++shared;
            key.remove_prefix(std::min(a + 1, key.size()));
            scope.remove_prefix(std::min(b + 1, scope.size()));
        }
        return shared;
    }

    const HiveScope& FScope;
    std::string FScopeKey;
};

// "104 Mio" (rounded up), or "65536 octets" below one mebibyte.
std::string Mebibytes(std::uintmax_t bytes) {
    if (bytes < (1u << 20))
        return std::to_string(bytes) + " octets";
    return std::to_string((bytes + (1u << 20) - 1) >> 20) + " Mio";
}

// A hive's file that is not a regular file, or larger than `maxSize`.
[[noreturn]] void ThrowUnreadable(const std::filesystem::path& file, std::uintmax_t maxSize) {
    throw RegFileError(file.string(), 1, "pas un fichier ordinaire ou taille supérieure à " + Mebibytes(maxSize));
}

} // namespace

HiveTooLarge::HiveTooLarge(const std::string& fileName, std::uintmax_t size, std::uintmax_t limit)
    : std::runtime_error("Modification du registre refusée : le fichier " + fileName + " atteindrait " +
                         Mebibytes(size) + ", au-delà des " + Mebibytes(limit) +
                         " qu'une ruche peut occuper ; rien n'a été écrit.") {}

HiveFile::HiveFile(std::filesystem::path file, RegistryRoot root, std::uintmax_t maxSize, std::uintmax_t foldSize,
                   std::uintmax_t closeFoldSize)
    : FPath(std::move(file))
    , FLogPath(FPath.string() + ".log")
    , FRoot(root)
    , FMaxSize(maxSize)
    , FFoldSize(foldSize)
    , FCloseFoldSize(closeFoldSize) {}

HiveFile::~HiveFile() {
    // A small log stays: readers read it with the hive, and a later close or write folds it.
    struct stat log {};
    if (::stat(FLogPath.c_str(), &log) != 0 || static_cast<std::uintmax_t>(log.st_size) <= FCloseFoldSize)
        return;
    try {
        Fold();
    } catch (const std::exception&) {
        // The log stays: the next reader reads it with the hive, the next writer folds it.
    }
}

std::shared_ptr<HiveFile::Snapshot> HiveFile::OpenFiles() const {
    auto snapshot = std::make_shared<Snapshot>();
    // The log before the hive: a fold in between gives a hive that already holds the log's
    // changes, and reading them again over it changes nothing.
    snapshot->logFd = UniqueFd(::open(FLogPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (snapshot->logFd.Get() < 0) {
        if (errno != ENOENT)
            ThrowErrno("Cannot open", FLogPath);
    } else {
        snapshot->logMissing = false;
        if (::fstat(snapshot->logFd.Get(), &snapshot->logStatus) != 0)
            ThrowErrno("Cannot read", FLogPath);
    }
    snapshot->fd = UniqueFd(::open(FPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (snapshot->fd.Get() < 0) {
        if (errno != ENOENT)
            ThrowErrno("Cannot open", FPath);
        return snapshot;
    }
    snapshot->missing = false;
    if (::fstat(snapshot->fd.Get(), &snapshot->status) != 0)
        ThrowErrno("Cannot read", FPath);
    if (!S_ISREG(snapshot->status.st_mode) || static_cast<std::uintmax_t>(snapshot->status.st_size) > FMaxSize)
        ThrowUnreadable(FPath, FMaxSize);
    return snapshot;
}

std::string HiveFile::ReadHiveBytes(const Snapshot& snapshot) const {
    return ReadAll(snapshot.fd.Get(), FMaxSize, static_cast<std::uintmax_t>(snapshot.status.st_size), FPath);
}

void HiveFile::ReadLog(Snapshot& snapshot, const std::function<void(const RegFileDocument&)>& apply) const {
    if (snapshot.logMissing || !S_ISREG(snapshot.logStatus.st_mode))
        return;
    const std::string bytes =
        ReadAll(snapshot.logFd.Get(), FMaxSize, static_cast<std::uintmax_t>(snapshot.logStatus.st_size), FLogPath);
    const LogContents log = DecodeLog(bytes);
    snapshot.logValid = log.validBytes;
    const std::string fileName = FLogPath.string();
    for (const LogRecord& record : log.records) {
        // A record whose text cannot be read over the hive is damaged like a cut one: it and
        // those after it are dropped, the hive and the records before it are kept.
        try {
            const RegFileDocument document = ParseRegFile(
                std::span(reinterpret_cast<const std::uint8_t*>(record.text.data()), record.text.size()), fileName);
            CheckRoots(document, FRoot, fileName);
            apply(document);
        } catch (const RegFileError&) {
            snapshot.logValid = record.offset;
            break;
        }
    }
}

std::shared_ptr<const HiveFile::Snapshot> HiveFile::ReadFile() const {
    auto snapshot = OpenFiles();
    Hive hive;
    if (!snapshot->missing) {
        const std::string bytes = ReadHiveBytes(*snapshot);
        const std::string fileName = FPath.string();
        hive = HiveFromDocument(
            ParseRegFile(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), fileName), FRoot,
            fileName);
    }
    ReadLog(*snapshot, [&](const RegFileDocument& document) {
        for (const auto& section : document.sections)
            ApplySection(hive, section);
    });
    snapshot->hive = std::make_shared<const Hive>(std::move(hive));
    return snapshot;
}

std::shared_ptr<const HiveFile::Snapshot> HiveFile::ReadScope(const HiveScope& scope) {
    auto snapshot = OpenFiles();
    snapshot->whole = false;
    const ScopedReader reader(scope);
    Hive hive;
    if (!snapshot->missing) {
        std::shared_ptr<const IndexedFile> indexed;
        {
            std::lock_guard guard(FMutex);
            // The skimmed file's descriptor is open: the same identity is the same content.
            if (FIndex && SameStatus(FIndex->status, snapshot->status))
                indexed = FIndex;
        }
        if (!indexed) {
            UniqueFd fd(::dup(snapshot->fd.Get()));
            if (fd.Get() < 0)
                ThrowErrno("Cannot read", FPath);
            FileBuffer buffer(static_cast<std::size_t>(snapshot->status.st_size) + 1);
            const std::size_t size = ReadInto(snapshot->fd.Get(), buffer.Data(), buffer.Size(), FPath);
            std::string grown; // the bytes of a file that grew since fstat (written by hand meanwhile)
            if (size == buffer.Size() && size > FMaxSize)
                ThrowUnreadable(FPath, FMaxSize);
            if (size == buffer.Size())
                grown =
                    std::string(buffer.Data(), size) + ReadAll(snapshot->fd.Get(), FMaxSize - size, 64u << 10, FPath);
            const std::string_view text = grown.empty() ? std::string_view(buffer.Data(), size) : grown;
            const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
            indexed = std::make_shared<const IndexedFile>(
                IndexedFile{std::move(fd), snapshot->status, RegFileIndex(bytes, FPath.string())});
            std::lock_guard guard(FMutex);
            FIndex = indexed;
        }
        const RegFileIndex& index = indexed->index;
        for (const auto& section : index.Sections())
            CheckRoot(section.root, FRoot, FPath.string(), section.line);
        for (const auto& section : index.Sections())
            reader.Apply(hive, section.path, section.removeKey, [&] { return index.Parse(section); });
    }
    ReadLog(*snapshot, [&](const RegFileDocument& document) {
        for (const auto& section : document.sections)
            reader.Apply(hive, section.path, section.removeKey, [&]() -> const RegFileSection& { return section; });
    });
    snapshot->hive = std::make_shared<const Hive>(std::move(hive));
    return snapshot;
}

bool HiveFile::MayReadScope() {
    std::lock_guard guard(FMutex);
    if (FScopedReads >= kScopedReadsBeforeWhole)
        return false;
    ++FScopedReads;
    return true;
}

std::shared_ptr<const Hive> HiveFile::Load(const HiveScope& scope) {
    const FilePair now = StatPair(FPath, FLogPath);
    {
        std::lock_guard guard(FMutex);
        if (FCache && FCache->Matches(now))
            return FCache->hive;
    }
    if (MayReadScope())
        return ReadScope(scope)->hive;
    return Load();
}

std::shared_ptr<const Hive> HiveFile::Load() {
    const FilePair now = StatPair(FPath, FLogPath);
    std::lock_guard guard(FMutex);
    if (FCache && FCache->Matches(now))
        return FCache->hive;
    FCache = ReadFile();
    return FCache->hive;
}

std::shared_ptr<const HiveFile::Snapshot> HiveFile::CurrentUnderLock(const HiveScope* scope) {
    // Every writer renames a new file in place or appends to the log, and the cache holds the
    // files it read open (their inodes cannot be reused): the same identities are the same
    // content, and nothing needs parsing.
    const FilePair now = StatPair(FPath, FLogPath);
    {
        std::lock_guard guard(FMutex);
        if (FCache && FCache->Matches(now))
            return FCache;
    }
    if (scope != nullptr && MayReadScope())
        return ReadScope(*scope);
    return ReadFile();
}

ErrorCode HiveFile::Modify(const std::function<ErrorCode(Hive&)>& change) {
    std::filesystem::create_directories(FPath.parent_path());
    HiveLock lock(FPath.string() + ".lock");
    RemoveHiveTemporaries(FPath);
    return Change(CurrentUnderLock(), change);
}

ErrorCode HiveFile::Modify(const HiveScope& scope, const std::function<ErrorCode(Hive&)>& change) {
    std::filesystem::create_directories(FPath.parent_path());
    HiveLock lock(FPath.string() + ".lock");
    RemoveHiveTemporaries(FPath);
    return Change(CurrentUnderLock(&scope), change);
}

ErrorCode HiveFile::Change(std::shared_ptr<const Snapshot> current, const std::function<ErrorCode(Hive&)>& change) {
    Hive hive = *current->hive;
    const ErrorCode result = change(hive);
    if (result != kErrorSuccess || hive == *current->hive) {
        if (current->whole) {
            std::lock_guard guard(FMutex);
            FCache = current;
        }
        return result;
    }
    const std::optional<std::string> text = DescribeChanges(FRoot, *current->hive, hive);
    const std::string record = text ? EncodeLogRecord(*text) : std::string();
    // The hive's file must take the change once folded (the log's UTF-8 text takes up to twice its
    // size in the file's UTF-16); otherwise the whole file is written now, which measures it exactly
    // and refuses it when too large.
    const std::uintmax_t hiveBytes = current->missing ? 0 : static_cast<std::uintmax_t>(current->status.st_size);
    const bool appends = text && current->logValid + record.size() <= FFoldSize &&
                         hiveBytes + 2 * (current->logValid + record.size()) <= FMaxSize;
    if (appends) {
        AppendToLog(*current, record, current->whole ? std::make_shared<const Hive>(std::move(hive)) : nullptr);
        return kErrorSuccess;
    }
    if (!current->whole)
        return Change(ReadFile(), change); // writing the file needs the whole hive: the change again on it
    WriteFile(std::make_shared<const Hive>(std::move(hive)));
    return kErrorSuccess;
}

void HiveFile::AppendToLog(const Snapshot& current, const std::string& record, std::shared_ptr<const Hive> hive) {
    auto snapshot = std::make_shared<Snapshot>();
    snapshot->logFd = UniqueFd(::open(FLogPath.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    if (snapshot->logFd.Get() < 0)
        ThrowErrno("Cannot open", FLogPath);
    const int fd = snapshot->logFd.Get();
    // A damaged record at the end goes first, so that the new one follows whole records only.
    struct stat before {};
    if (::fstat(fd, &before) != 0)
        ThrowErrno("Cannot read", FLogPath);
    if (static_cast<std::uintmax_t>(before.st_size) != current.logValid &&
        ::ftruncate(fd, static_cast<off_t>(current.logValid)) != 0)
        ThrowErrno("Cannot write", FLogPath);
    std::size_t done = 0;
    while (done < record.size()) {
        const ssize_t n =
            ::pwrite(fd, record.data() + done, record.size() - done, static_cast<off_t>(current.logValid + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            (void)!::ftruncate(fd, static_cast<off_t>(current.logValid)); // no part of the record stays
            errno = error;
            ThrowErrno("Cannot write", FLogPath);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fdatasync(fd) != 0)
        ThrowErrno("Cannot sync", FLogPath);
    if (current.logMissing)
        SyncFolder(FPath.parent_path()); // the new log's name is on the disk too
    if (::fstat(fd, &snapshot->logStatus) != 0)
        ThrowErrno("Cannot read", FLogPath);
    snapshot->logMissing = false;
    snapshot->logValid = current.logValid + record.size();
    snapshot->missing = current.missing;
    snapshot->status = current.status;
    if (!current.missing) {
        snapshot->fd = UniqueFd(::dup(current.fd.Get()));
        if (snapshot->fd.Get() < 0)
            ThrowErrno("Cannot read", FPath);
    }
    if (!hive)
        return; // the change was made on a scope's keys: nothing to cache
    snapshot->hive = std::move(hive);
    std::lock_guard guard(FMutex);
    FCache = std::move(snapshot);
}

void HiveFile::CreateIfMissing() {
    std::filesystem::create_directories(FPath.parent_path());
    HiveLock lock(FPath.string() + ".lock");
    if (::access(FPath.c_str(), F_OK) == 0)
        return;
    WriteFile(CurrentUnderLock()->hive); // a log without its hive keeps its changes
}

void HiveFile::Fold() {
    if (::access(FLogPath.c_str(), F_OK) != 0)
        return; // no log: nothing to fold, and no lock file to make
    HiveLock lock(FPath.string() + ".lock");
    const auto current = CurrentUnderLock();
    if (current->logMissing)
        return;
    WriteFile(current->hive);
}

void HiveFile::WriteFile(std::shared_ptr<const Hive> hive) {
    const std::vector<std::uint8_t> bytes = EncodeRegFile(FormatRegFile(FRoot, hive->Subtree("")));
    if (bytes.size() > FMaxSize)
        throw HiveTooLarge(FPath.string(), bytes.size(), FMaxSize);
    WriteWholeFile(FPath, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    // The hive holds the log's changes now: the log goes (a crash before leaves both, and reading
    // the log again over the hive changes nothing).
    if (::unlink(FLogPath.c_str()) == 0)
        SyncFolder(FPath.parent_path());
    else if (errno != ENOENT)
        ThrowErrno("Cannot remove", FLogPath);
    // Under the lock nobody else renames the file, so what is there now is what was written.
    auto snapshot = std::make_shared<Snapshot>();
    snapshot->fd = UniqueFd(::open(FPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (snapshot->fd.Get() < 0 || ::fstat(snapshot->fd.Get(), &snapshot->status) != 0)
        ThrowErrno("Cannot read", FPath);
    snapshot->missing = false;
    snapshot->hive = std::move(hive);
    std::lock_guard guard(FMutex);
    FCache = std::move(snapshot);
}

void CheckRoot(RegistryRoot sectionRoot, RegistryRoot root, const std::string& fileName, std::size_t line) {
    if (sectionRoot != root)
        throw RegFileError(fileName, line,
                           "clé de " + std::string(RootName(sectionRoot)) + " dans la ruche " +
                               std::string(RootName(root)));
}

void CheckRoots(const RegFileDocument& document, RegistryRoot root, const std::string& fileName) {
    for (const auto& section : document.sections)
        CheckRoot(section.root, root, fileName, section.line);
}

void ApplyMarksAndValues(HiveKey& key, const RegFileSection& section) {
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

void ApplySection(Hive& hive, const RegFileSection& section) {
    if (section.removeKey)
        hive.Delete(section.path);
    else
        ApplyMarksAndValues(hive.Create(section.path), section);
}

void ApplyDocument(Hive& hive, const RegFileDocument& document, RegistryRoot root, const std::string& fileName) {
    CheckRoots(document, root, fileName);
    for (const auto& section : document.sections)
        ApplySection(hive, section);
}

Hive HiveFromDocument(const RegFileDocument& document, RegistryRoot root, const std::string& fileName) {
    Hive hive;
    ApplyDocument(hive, document, root, fileName);
    return hive;
}

} // namespace platform
