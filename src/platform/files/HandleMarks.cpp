#include "platform/files/HandleMarks.h"

#include "platform/files/FileHandle.h"

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace platform::files_detail {

namespace {

// Far beyond any data a file of the machine holds, so that no byte lock of a host program on the
// data meets them.
constexpr off_t kMarkBase = 0x7fff'ffff'ffff'ff00;

enum Mark : off_t { kReading = 0, kWriting = 1, kRefusesRead = 2, kRefusesWrite = 3, kRefusesDelete = 4 };

bool TakeMark(int descriptor, Mark mark) {
    struct flock lock {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = kMarkBase + mark;
    lock.l_len = 1;
    return ::fcntl(descriptor, F_OFD_SETLK, &lock) == 0;
}

bool IsMarked(int probe, Mark mark) {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = kMarkBase + mark;
    lock.l_len = 1;
    return ::fcntl(probe, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

} // namespace

int MarkHandle(int descriptor, std::uint32_t access, std::uint32_t share) {
    // A description of its own, open for reading whatever the handle's mode, as shared locks need.
    const std::string self = "/proc/self/fd/" + std::to_string(descriptor);
    const int marks = ::open(self.c_str(), O_RDONLY | O_CLOEXEC);
    if (marks < 0)
        return -1;
    const bool taken = ((access & kGenericRead) == 0 || TakeMark(marks, kReading)) &&
                       ((access & kGenericWrite) == 0 || TakeMark(marks, kWriting)) &&
                       ((share & kFileShareRead) != 0 || TakeMark(marks, kRefusesRead)) &&
                       ((share & kFileShareWrite) != 0 || TakeMark(marks, kRefusesWrite)) &&
                       ((share & kFileShareDelete) != 0 || TakeMark(marks, kRefusesDelete));
    if (!taken) {
        ::close(marks);
        return -1;
    }
    return marks;
}

MarkedUse ReadMarks(int probe, const MarkedUse& wanted) {
    MarkedUse use;
    use.reading = wanted.reading && IsMarked(probe, kReading);
    use.writing = wanted.writing && IsMarked(probe, kWriting);
    use.refusesRead = wanted.refusesRead && IsMarked(probe, kRefusesRead);
    use.refusesWrite = wanted.refusesWrite && IsMarked(probe, kRefusesWrite);
    use.refusesDelete = wanted.refusesDelete && IsMarked(probe, kRefusesDelete);
    return use;
}

} // namespace platform::files_detail
