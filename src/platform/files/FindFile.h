#pragma once

// FindFirstFileW / FindNextFileW: the entries of a folder whose names match a pattern with the
// wildcards * and ?, compared without regard to case.

#include "platform/files/FileTime.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct FindData {
    std::string name; // the host spelling
    std::uint32_t attributes = 0;
    FileTime lastWriteTime = 0;
    std::uint64_t size = 0; // 0 for a folder
};

// A search in progress. The matches are read when the search starts (a snapshot of the folder).
class FindHandle {
public:
    FindHandle() = default;
    bool IsValid() const noexcept { return FValid; }
    explicit operator bool() const noexcept { return FValid; }

private:
    friend FindHandle FindFirstFile(std::string_view, FindData&);
    friend bool FindNextFile(FindHandle&, FindData&);
    std::vector<FindData> FMatches;
    std::size_t FNext = 0;
    bool FValid = false;
};

// `pattern` is a Windows path whose last component may hold * and ?; "*.*" matches every name,
// and "." and ".." are found in folders other than a drive root, as on Windows. Gives an invalid
// handle with the last error 2 (nothing matches), 3 (folder missing) or 123 (wildcards in the folder).
FindHandle FindFirstFile(std::string_view pattern, FindData& data);

// The next match; false with the last error 18 after the last one.
bool FindNextFile(FindHandle& handle, FindData& data);

// The rule of the pattern, exposed for the callers that filter names themselves.
bool MatchesWildcard(std::string_view name, std::string_view pattern);

} // namespace platform
