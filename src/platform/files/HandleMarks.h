#pragma once

// The sharing modes of the handles that the machine's programs hold, written where every program
// of the host can read them in a few system calls: each handle takes open file description locks
// (F_OFD_SETLK, shared) on bytes of its file far beyond any data, one byte per right it holds and
// per sharing it refuses. The kernel drops them when the handle's description closes, even when
// its process is killed; a probe asks for an exclusive lock on a byte (F_OFD_GETLK) to learn
// whether any handle holds it.

#include <cstdint>

namespace platform::files_detail {

// What the handles of the file hold and refuse, as far as their marks tell.
struct MarkedUse {
    bool reading = false;      // some handle has read access
    bool writing = false;      // some handle has write access
    bool refusesRead = false;  // some handle does not share reading
    bool refusesWrite = false; // some handle does not share writing
    bool refusesDelete = false;
};

// Marks `access` and `share` on the file open as `descriptor` (any mode) through a description
// of its own, returned (or -1 when the file cannot take the marks: another program's lock over
// the bytes, a file system without locks). Closing the returned descriptor removes the marks.
int MarkHandle(int descriptor, std::uint32_t access, std::uint32_t share);

// The marks on the file open as `probe`. Only the rights `wanted` names are asked about
// (a request asks at most five bytes).
MarkedUse ReadMarks(int probe, const MarkedUse& wanted);

} // namespace platform::files_detail
