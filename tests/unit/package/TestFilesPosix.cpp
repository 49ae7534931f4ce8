// The scratch folder and file times of the package tests on Linux.
#include "TestFiles.h"

#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>

namespace packagetest {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quarnel-package-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    FPath = pattern;
}

void SetModified(const std::filesystem::path& file, std::int64_t seconds, long nanoseconds) {
    const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), nanoseconds}};
    if (::utimensat(AT_FDCWD, file.c_str(), times, 0) != 0) {
        throw std::runtime_error("utimensat failed");
    }
}

} // namespace packagetest
