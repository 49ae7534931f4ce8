#pragma once

// The files a person names for a program (an output to write, an input to read): only a regular
// file is ever written or read. A FIFO, a device or a folder given by mistake (or by someone who
// wants the program to hang, flood or destroy a device node) is refused at once.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace platform {

// 0 when `file` may be written as an output: absent, or a regular file (not through a link).
// Otherwise the errno that says why: EISDIR for a folder, EINVAL for a FIFO, device, socket or
// link, or that of the failed look-up.
int OutputRefusal(const std::filesystem::path& file);

// Opens `file` for reading without ever blocking on it (O_NONBLOCK, then cleared): the descriptor
// of a regular file no larger than `maxSize`, or -1 with errno set (EINVAL for anything that is
// not a regular file, EFBIG for one larger than `maxSize`). `followLinks`: a final link is
// followed (to a regular file) or refused (ELOOP).
int OpenRegularInput(const std::filesystem::path& file, std::optional<std::uint64_t> maxSize = std::nullopt,
                     bool followLinks = true);

// The whole content of a regular file no larger than `maxSize`. Throws std::system_error naming
// the file (with the errno of OpenRegularInput or of the read).
std::string ReadRegularInput(const std::filesystem::path& file, std::uint64_t maxSize);

} // namespace platform
