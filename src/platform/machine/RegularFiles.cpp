#include "platform/machine/RegularFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace platform {

int OutputRefusal(const std::filesystem::path& file) {
    struct stat info {};
    if (::lstat(file.c_str(), &info) != 0)
        return errno == ENOENT ? 0 : errno;
    if (S_ISREG(info.st_mode))
        return 0;
    return S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
}

int OpenRegularInput(const std::filesystem::path& file, std::optional<std::uint64_t> maxSize, bool followLinks) {
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW));
    if (descriptor < 0)
        return -1;
    struct stat info {};
    int error = 0;
    if (::fstat(descriptor, &info) != 0)
        error = errno;
    else if (!S_ISREG(info.st_mode))
        error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    else if (maxSize && static_cast<std::uint64_t>(info.st_size) > *maxSize)
        error = EFBIG;
    else if (::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK) != 0)
        error = errno;
    if (error == 0)
        return descriptor;
    ::close(descriptor);
    errno = error;
    return -1;
}

std::string ReadRegularInput(const std::filesystem::path& file, std::uint64_t maxSize) {
    const int descriptor = OpenRegularInput(file, maxSize);
    if (descriptor < 0)
        throw std::system_error(errno, std::generic_category(), "Cannot read " + file.string());
    std::string content;
    char buffer[1 << 16];
    int error = 0;
    for (;;) {
        const ssize_t count = ::read(descriptor, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            error = count < 0 ? errno : 0;
            break;
        }
        if (content.size() + static_cast<std::size_t>(count) > maxSize) { // the file grew since it was opened
            error = EFBIG;
            break;
        }
        content.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(descriptor);
    if (error != 0)
        throw std::system_error(error, std::generic_category(), "Cannot read " + file.string());
    return content;
}

} // namespace platform
