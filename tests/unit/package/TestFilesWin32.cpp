// The scratch folder and file times of the package tests on Windows.
#include "TestFiles.h"
#include "platform/machine/WindowsApi.h"

#include <random>
#include <stdexcept>
#include <string>

namespace packagetest {

TempFolder::TempFolder() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate = std::filesystem::temp_directory_path() / ("quarnel-package-" + std::to_string(random()));
        if (::CreateDirectoryW(candidate.c_str(), nullptr)) {
            FPath = candidate;
            return;
        }
    }
    throw std::runtime_error("no scratch folder could be made");
}

void SetModified(const std::filesystem::path& file, std::int64_t seconds, long nanoseconds) {
    // Windows keeps times to the 100 ns tick.
    constexpr std::int64_t kUnixEpochTicks = 116444736000000000LL;
    const auto ticks = static_cast<std::uint64_t>(kUnixEpochTicks + seconds * 10'000'000 + nanoseconds / 100);
    const FILETIME lastWrite{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    const HANDLE handle = ::CreateFileW(file.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("cannot open " + file.string());
    }
    const bool set = ::SetFileTime(handle, nullptr, nullptr, &lastWrite);
    ::CloseHandle(handle);
    if (!set) {
        throw std::runtime_error("SetFileTime failed");
    }
}

} // namespace packagetest
