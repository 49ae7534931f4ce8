// The owned descriptor. Both C libraries close a descriptor with close(): glibc's own, and on
// Windows the C runtime's, which also closes the Windows handle behind it.
#include "update/package/HostFile.h"

#include <unistd.h>

namespace update::package {

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        if (FFd >= 0) {
            ::close(FFd);
        }
        FFd = other.Release();
    }
    return *this;
}

FileDescriptor::~FileDescriptor() {
    if (FFd >= 0) {
        ::close(FFd); // a failed close of a descriptor we only read or already flushed loses nothing
    }
}

int FileDescriptor::Release() {
    const int fd = FFd;
    FFd = -1;
    return fd;
}

} // namespace update::package
