// The log file on Linux: the folder held open, the whole content through WholeFileWriter, then
// appends through a descriptor.
#include "platform/machine/LogFile.h"

#include "platform/machine/RegularFiles.h"
#include "platform/machine/WholeFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace platform {

namespace {

LogFileError FromErrno(int error) {
    if (error == EINVAL)
        return {kErrorSuccess, true};
    return {ErrorFromErrno(error), false};
}

LogFileError Refusal(const std::filesystem::path& file) {
    if (const int refused = OutputRefusal(file); refused != 0)
        return FromErrno(refused);
    return {};
}

} // namespace

LogFile::LogFile(std::filesystem::path file)
    : FPath(std::move(file)) {
    if ((FOpenError = Refusal(FPath)))
        return;
    const std::filesystem::path folder = FPath.has_parent_path() ? FPath.parent_path() : ".";
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0 || ::faccessat(descriptor, ".", W_OK, AT_EACCESS) != 0) {
        const int error = errno;
        if (descriptor >= 0)
            ::close(descriptor);
        FOpenError = {ErrorFromErrno(error), false};
        return;
    }
    FFolder = descriptor;
}

LogFile::~LogFile() {
    if (FHandle != kClosed)
        ::fdatasync(static_cast<int>(FHandle)); // the last lines on the disk; nothing more to tell at the end
    Close();
    if (FFolder != kClosed)
        ::close(static_cast<int>(FFolder));
}

void LogFile::Close() {
    if (FHandle != kClosed)
        ::close(static_cast<int>(std::exchange(FHandle, kClosed)));
}

LogFileError LogFile::ReplaceWhole(std::string_view content) {
    Close();
    if (const LogFileError refused = Refusal(FPath))
        return refused;
    const std::string name = FPath.filename().string();
    WholeFileWriter writer(static_cast<int>(FFolder), name);
    if (const int error = writer.OpenError(); error != 0)
        return FromErrno(error);
    if (const int error = writer.Write(content); error != 0)
        return FromErrno(error);
    if (const int error = writer.Publish(); error != 0)
        return FromErrno(error);
    const int descriptor =
        ::openat(static_cast<int>(FFolder), name.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return FromErrno(errno);
    FHandle = descriptor;
    return {};
}

LogFileError LogFile::Append(std::string_view more) {
    std::string_view rest = more;
    while (!rest.empty()) {
        const ssize_t count = ::write(static_cast<int>(FHandle), rest.data(), rest.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return FromErrno(count < 0 ? errno : EIO);
        rest.remove_prefix(static_cast<std::size_t>(count));
    }
    return {};
}

} // namespace platform
