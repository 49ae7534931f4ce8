#pragma once

// One hive's `.reg` file on the host, with its log beside it (`<hive>.log`, see HiveLog.h): cheap
// cached reads of the two together, and changes made under an exclusive lock on a lock file beside
// them (re-read, change, append the change to the log and sync it), so that processes writing at
// once lose nothing and readers always see whole records. The log is folded into the `.reg` file
// (a temporary file renamed over it, then the log removed) once it grows past a bound, and when
// the object is destroyed (the hive closed) with a log past a smaller bound.

#include "platform/registry/RegFile.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

namespace platform {

// Above this size a hive file is refused rather than read into memory.
inline constexpr std::uintmax_t kMaxHiveFileSize = 64u << 20;
// Past this size the log is folded into the hive's file.
inline constexpr std::uintmax_t kLogFoldSize = 1u << 20;
// Past this size the log is folded into the hive's file when the hive is closed.
inline constexpr std::uintmax_t kLogCloseFoldSize = 64u << 10;

// Past this many reads of a few keys (see HiveScope), an object reads the whole hive and keeps it:
// a program that goes on using the registry pays one whole read, not the log's again and again.
inline constexpr unsigned kScopedReadsBeforeWhole = 64;

// The keys a change reads and writes: the key at `path` (normalized) and the keys above it, and
// every key below it too when `subtree`. A change so scoped is made on a hive that holds those keys
// only (whether they exist, their spelling, marks and values are those of the whole hive; the other
// keys are absent), built from the file's sections that name them: the other sections are skimmed
// (their key lines and marks checked), not read.
struct HiveScope {
    std::string path;
    bool subtree = false;
};

// A change that would make the hive's file larger than its reader takes: refused before anything
// is written, so the hive stays readable.
class HiveTooLarge : public std::runtime_error {
public:
    HiveTooLarge(const std::string& fileName, std::uintmax_t size, std::uintmax_t limit);
};

class HiveFile {
public:
    // A file above `maxSize` is refused when read, and a change that would make it larger is
    // refused before anything is written (HiveTooLarge).
    // The log is folded when a record would make it larger than `foldSize`, and when the object is
    // destroyed with a log larger than `closeFoldSize`.
    HiveFile(std::filesystem::path file, RegistryRoot root, std::uintmax_t maxSize = kMaxHiveFileSize,
             std::uintmax_t foldSize = kLogFoldSize, std::uintmax_t closeFoldSize = kLogCloseFoldSize);
    // Folds the log into the hive's file when it is larger than `closeFoldSize` (nothing is
    // reported: the log keeps the changes when the fold fails).
    ~HiveFile();
    HiveFile(const HiveFile&) = delete;
    HiveFile& operator=(const HiveFile&) = delete;

    const std::filesystem::path& Path() const { return FPath; }
    const std::filesystem::path& LogPath() const { return FLogPath; }

    // The hive as the file holds it now; a missing file is an empty hive. Throws RegFileError
    // for a file that cannot be parsed, std::system_error when it cannot be read.
    std::shared_ptr<const Hive> Load();
    // The whole hive when it is cached and current; otherwise a hive holding the keys of `scope`
    // only (see HiveScope), not cached. Throws RegFileError when what it reads cannot be parsed.
    std::shared_ptr<const Hive> Load(const HiveScope& scope);

    // Runs `change` on the hive read afresh under the lock; when it returns 0 and the hive
    // differs afterwards, writes it. Returns the code of `change`. A file that cannot be
    // parsed throws before anything is written.
    ErrorCode Modify(const std::function<ErrorCode(Hive&)>& change);
    // The same for a change that reads and writes only the keys of `scope`: it runs on those keys
    // unless the whole hive is cached and current, and again on the whole hive when its change must
    // be folded into the file (the log past its bound, or a change the log cannot tell).
    ErrorCode Modify(const HiveScope& scope, const std::function<ErrorCode(Hive&)>& change);

    // Writes an empty hive when the file does not exist.
    void CreateIfMissing();

    // Writes the hive with its log's changes into the `.reg` file and removes the log.
    void Fold();

private:
    struct Snapshot;
    struct IndexedFile;

    // The log and the hive's file opened (the log first), their identities taken; the hive's file
    // refused when it is no regular file or too large.
    std::shared_ptr<Snapshot> OpenFiles() const;
    std::string ReadHiveBytes(const Snapshot& snapshot) const;
    // Each whole record of the log given to `apply`; sets the snapshot's whole bytes.
    void ReadLog(Snapshot& snapshot, const std::function<void(const RegFileDocument&)>& apply) const;
    std::shared_ptr<const Snapshot> ReadFile() const;
    std::shared_ptr<const Snapshot> ReadScope(const HiveScope& scope);
    // The cached snapshot when current, else the scope's keys (while scoped reads are allowed) or
    // the whole hive read afresh.
    std::shared_ptr<const Snapshot> CurrentUnderLock(const HiveScope* scope = nullptr);
    bool MayReadScope();
    ErrorCode Change(std::shared_ptr<const Snapshot> current, const std::function<ErrorCode(Hive&)>& change);
    void WriteFile(std::shared_ptr<const Hive> hive);
    void AppendToLog(const Snapshot& current, const std::string& record, std::shared_ptr<const Hive> hive);

    std::filesystem::path FPath;
    std::filesystem::path FLogPath;
    RegistryRoot FRoot;
    std::uintmax_t FMaxSize;
    std::uintmax_t FFoldSize;
    std::uintmax_t FCloseFoldSize;
    std::mutex FMutex;                         // guards FCache, FIndex and FScopedReads
    std::shared_ptr<const Snapshot> FCache;    // the whole hive
    std::shared_ptr<const IndexedFile> FIndex; // the hive's file skimmed, for scoped reads
    unsigned FScopedReads = 0;
};

// A hive built from a parsed document; every section must belong to `root`.
Hive HiveFromDocument(const RegFileDocument& document, RegistryRoot root, const std::string& fileName);
// Throws RegFileError when a section of the document does not belong to `root`.
void CheckRoot(RegistryRoot sectionRoot, RegistryRoot root, const std::string& fileName, std::size_t line);
void CheckRoots(const RegFileDocument& document, RegistryRoot root, const std::string& fileName);
// A section's access marks and values read over its key.
void ApplyMarksAndValues(HiveKey& key, const RegFileSection& section);
// A section read over `hive`: its key deleted, or created and given the section's marks and values.
void ApplySection(Hive& hive, const RegFileSection& section);
// The document's sections read over `hive` (their roots checked first).
void ApplyDocument(Hive& hive, const RegFileDocument& document, RegistryRoot root, const std::string& fileName);

} // namespace platform
