#pragma once

// The calling thread's last system error code, as the Windows calls that the platform layer
// stands in for leave it: operations that fail set it, callers read it to build their messages.

#include <cstdint>

namespace platform {

using ErrorCode = std::uint32_t;

// The Windows codes that the platform layer produces.
inline constexpr ErrorCode kErrorSuccess = 0;
inline constexpr ErrorCode kErrorFileNotFound = 2;
inline constexpr ErrorCode kErrorPathNotFound = 3;
inline constexpr ErrorCode kErrorAccessDenied = 5;
inline constexpr ErrorCode kErrorInvalidHandle = 6;
inline constexpr ErrorCode kErrorNotEnoughMemory = 8;
inline constexpr ErrorCode kErrorInvalidDrive = 15;
inline constexpr ErrorCode kErrorNotReady = 21;
inline constexpr ErrorCode kErrorWriteFault = 29;
inline constexpr ErrorCode kErrorSharingViolation = 32;
inline constexpr ErrorCode kErrorLockViolation = 33;
inline constexpr ErrorCode kErrorHandleDiskFull = 39;
inline constexpr ErrorCode kErrorBadNetPath = 53;
inline constexpr ErrorCode kErrorFileExists = 80;
inline constexpr ErrorCode kErrorInvalidParameter = 87;
inline constexpr ErrorCode kErrorBufferOverflow = 111;
inline constexpr ErrorCode kErrorDiskFull = 112;
inline constexpr ErrorCode kErrorInvalidName = 123;
inline constexpr ErrorCode kErrorDirNotEmpty = 145;
inline constexpr ErrorCode kErrorAlreadyExists = 183;
inline constexpr ErrorCode kErrorFilenameExcedRange = 206;
inline constexpr ErrorCode kErrorMoreData = 234;
inline constexpr ErrorCode kErrorNoMoreItems = 259;
inline constexpr ErrorCode kErrorResourceTypeNotFound = 1813;
inline constexpr ErrorCode kErrorResourceNameNotFound = 1814;
inline constexpr ErrorCode kErrorNotLoggedOn = 1245;
inline constexpr ErrorCode kErrorBadPathname = 161;
inline constexpr ErrorCode kErrorNoToken = 1008;
inline constexpr ErrorCode kErrorNoUnicodeTranslation = 1113;
inline constexpr ErrorCode kErrorCancelled = 1223;

ErrorCode GetLastError() noexcept;
void SetLastError(ErrorCode code) noexcept;

// Maps a POSIX errno to the Windows code a file operation would have left.
ErrorCode ErrorFromErrno(int error) noexcept;

} // namespace platform
