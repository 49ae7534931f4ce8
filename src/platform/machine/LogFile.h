#pragma once

// A text file written as a log: its first content replaces the previous file whole (see
// WholeFile.h), what follows is appended, so that a program killed midway leaves what it wrote so
// far and never a mix of two versions.

#include "platform/machine/LastError.h"

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace platform {

// Why a log cannot be written: a system error, or a name that is not a regular file (a FIFO, a
// device, a link).
struct LogFileError {
    ErrorCode code = kErrorSuccess;
    bool notRegular = false;

    explicit operator bool() const { return notRegular || code != kErrorSuccess; }
};

class LogFile {
public:
    // Looks at `file` and its folder; nothing is written yet. OpenError() says why it cannot be a log.
    explicit LogFile(std::filesystem::path file);
    // What is appended reaches the disk before the file is closed.
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    const LogFileError& OpenError() const { return FOpenError; }

    // Replaces the file by `content` whole, then keeps it open for appending. Looks again first:
    // what was a file at the start may have been replaced since.
    LogFileError ReplaceWhole(std::string_view content);
    // Appends to the file that ReplaceWhole put in place.
    LogFileError Append(std::string_view more);
    bool IsOpen() const { return FHandle != kClosed; }

private:
    static constexpr std::intptr_t kClosed = -1;
    void Close();

    std::filesystem::path FPath;
    LogFileError FOpenError;
    std::intptr_t FFolder = kClosed; // the folder's descriptor on Linux
    std::intptr_t FHandle = kClosed; // descriptor or handle, open for appending
};

} // namespace platform
