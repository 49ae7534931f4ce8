#pragma once

// Shared by the file operations: Windows path -> host path with the error Windows would give,
// and the Windows code of a failed host call.

#include "platform/machine/LastError.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace platform::files_detail {

// The host path of `windowsPath` on the current machine. On failure sets the last error and gives
// nothing: 53 for a UNC name, 123 for a forbidden character, 161 for a relative path or one that
// climbs out of its drive, 3 for a drive the machine lacks, 21 for a drive whose folder is absent
// (an empty removable drive).
std::optional<std::filesystem::path> MapPath(std::string_view windowsPath);

// The code Windows gives for `error` on `host`: a missing file is 2 when its folder exists, 3 when
// the folder itself is missing.
ErrorCode ErrorForPath(const std::filesystem::path& host, int error);

// Sets the last error to `code` and gives false, so failures read `return Fail(code);`.
inline bool Fail(ErrorCode code) {
    SetLastError(code);
    return false;
}

// Sets the last error from `error` on `host` and gives false.
inline bool FailErrno(const std::filesystem::path& host, int error) {
    return Fail(ErrorForPath(host, error));
}

} // namespace platform::files_detail
