#pragma once

// Who else holds a file, told at a cost that does not grow with the number of processes: the
// handles this process opened through FileHandle (a table), the handles of the machine's other
// programs (their marks, see HandleMarks.h) and the other processes of the host that hold the
// file open, map it or run it (see HostUse.h). docs/machine.md says what this cannot see.

#include "platform/machine/LastError.h"

#include <cstdint>
#include <filesystem>
#include <sys/stat.h>

namespace platform::files_detail {

// The access right that deleting, renaming over or replacing a file asks for.
inline constexpr std::uint32_t kDeleteAccess = 0x00010000;

// 0, or 32 when an access of `access` with share mode `share` cannot be granted: against the
// handles of the machine's programs (this one's and the others') by the Windows rule; against a
// host process that holds the file as if it had opened it for reading and writing sharing both (so
// only a request sharing both passes, and no deletion); against a running image as Windows treats
// one (no writing, no deletion, readers must share reading).
ErrorCode CheckSharing(const struct stat& info, const std::filesystem::path& host, std::uint32_t access,
                       std::uint32_t share);

// Enters the handle open as `descriptor` in this process's table and marks it for the machine's
// other programs; UnregisterHandle takes both back.
std::uint64_t RegisterHandle(int descriptor, const struct stat& info, std::uint32_t access, std::uint32_t share);
void UnregisterHandle(std::uint64_t registration) noexcept;

} // namespace platform::files_detail
