#include "platform/files/HostUse.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace platform::files_detail {

HostUse ProbeHostUse(int probe) {
    // A program that opens the file while the lease is held breaks it and the kernel signals the
    // holder: SIGURG, ignored unless handled, instead of SIGIO, which would end this process. The
    // lease is given back at once, so the opener waits for nothing.
    if (::fcntl(probe, F_SETSIG, SIGURG) != 0)
        return HostUse::Unknown;
    if (::fcntl(probe, F_SETLEASE, F_WRLCK) == 0) {
        ::fcntl(probe, F_SETLEASE, F_UNLCK);
        return HostUse::Free;
    }
    if (errno != EAGAIN && errno != EBUSY)
        return HostUse::Unknown;
    return HostUse::Held;
}

bool IsRunning(const std::filesystem::path& host) {
    const int descriptor = ::open(host.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (descriptor >= 0) {
        ::close(descriptor); // opened and closed unchanged: nothing to report
        return false;
    }
    return errno == ETXTBSY;
}

} // namespace platform::files_detail
