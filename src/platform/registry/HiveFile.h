#pragma once

// One hive's `.reg` file on the host: cheap cached reads, and changes made under an exclusive
// lock on a lock file beside it (re-read, change, write a temporary file, rename over), so that
// processes writing at once lose nothing and readers always see a whole file.

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
    HiveFile(std::filesystem::path file, RegistryRoot root, std::uintmax_t maxSize = kMaxHiveFileSize);
    ~HiveFile();
    HiveFile(const HiveFile&) = delete;
    HiveFile& operator=(const HiveFile&) = delete;

    const std::filesystem::path& Path() const { return FPath; }

    // The hive as the file holds it now; a missing file is an empty hive. Throws RegFileError
    // for a file that cannot be parsed, std::system_error when it cannot be read.
    std::shared_ptr<const Hive> Load();

    // Runs `change` on the hive read afresh under the lock; when it returns 0 and the hive
    // differs afterwards, writes it. Returns the code of `change`. A file that cannot be
    // parsed throws before anything is written.
    ErrorCode Modify(const std::function<ErrorCode(Hive&)>& change);

    // Writes an empty hive when the file does not exist.
    void CreateIfMissing();

private:
    struct Snapshot;

    std::shared_ptr<const Snapshot> ReadFile() const;
    std::shared_ptr<const Snapshot> CurrentUnderLock();
    void WriteFile(const Hive& hive);

    std::filesystem::path FPath;
    RegistryRoot FRoot;
    std::uintmax_t FMaxSize;
    std::mutex FMutex; // guards FCache
    std::shared_ptr<const Snapshot> FCache;
};

// A hive built from a parsed document; every section must belong to `root`.
Hive HiveFromDocument(const RegFileDocument& document, RegistryRoot root, const std::string& fileName);

} // namespace platform
