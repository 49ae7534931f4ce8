#pragma once

// A file of the machine's own (a journal, a lock file) held under a kernel lock. The kernel drops
// the lock when the process ends, however it ends, so a lock nobody holds marks a file whose
// owner is gone. Host paths: these files belong to the machine prefix, not to its drives.
// Failures leave the Windows code in the thread's last error (LastError.h). On Windows
// (LockedFileWin32.cpp) the lock is LockFileEx's, the appends are flushed with FlushFileBuffers,
// and the file stays open to reading, renaming and removal by others while it is held.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class LockedFile {
public:
    enum class Opening {
        CreateNew,    // a new file (mode 0600 whatever the umask), created and locked through one descriptor
        OpenAlways,   // the file, created (0600) when missing
        OpenExisting, // the file, which must exist
    };

    LockedFile() = default;
    // Opens `file` for reading and writing, never through a final link (5), and tries to take its
    // exclusive lock without waiting: Held() tells whether it was free. Opened() is false when the
    // file could not be opened, with the reason in OpenError().
    LockedFile(const std::filesystem::path& file, Opening opening);
    ~LockedFile();
    LockedFile(LockedFile&& other) noexcept;
    LockedFile& operator=(LockedFile&& other) noexcept;
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    bool Opened() const { return FDescriptor >= 0; }
    bool Held() const { return FHeld; }
    std::uint32_t OpenError() const { return FOpenError; }

    // Waits for the lock (another holder ends or lets it go). False with the last error set.
    bool WaitForLock();

    // Writes `text` at the end and flushes it to the disk. On failure the file is cut back to where
    // it ended, so a line written in part never runs into the next one; false, last error set.
    bool AppendDurably(std::string_view text);

    // The whole content; nothing (last error 111, ERROR_BUFFER_OVERFLOW) when it holds more than
    // `limit` bytes, which are then never read.
    std::optional<std::string> ReadAll(std::uint64_t limit) const;

    // Why a file that this process's user did not write alone cannot be trusted: not a plain
    // file, owned by another user, writable by its group or by others, or a second name of a file
    // (a hard link another user could have made). Nothing when it is the user's own.
    std::optional<std::string> UntrustedBecause() const;

private:
    static void CloseDescriptor(int descriptor) noexcept; // each system's own close

    int FDescriptor = -1;
    std::uint32_t FOpenError = 0;
    bool FHeld = false;
    std::uint64_t FSize = 0; // where the file ends, after the last whole append
};

} // namespace platform
