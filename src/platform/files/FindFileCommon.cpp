// The wildcard rule of FindFirstFileW and the walk through a search's matches, shared by both backends.
#include "platform/files/Files.h"
#include "platform/files/FindFile.h"
#include "platform/text/Text.h"

namespace platform {

namespace {

std::u32string Folded(std::string_view text) {
    std::u32string out;
    for (std::size_t pos = 0; pos < text.size();)
        out += text::ToUpper(text::DecodeUtf8(text, pos));
    return out;
}

// Glob match over code points; `*` with backtracking to the last star.
bool Match(const std::u32string& name, const std::u32string& pattern) {
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t star = std::u32string::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == U'*') {
            star = p++;
            starName = n;
        } else if (star != std::u32string::npos) {
            p = star + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == U'*')
        ++p;
    return p == pattern.size();
}

} // namespace

bool MatchesWildcard(std::string_view name, std::string_view pattern) {
    if (pattern == "*.*")
        return true; // the old rule: "*.*" also matches names without a dot
    return Match(Folded(name), Folded(pattern));
}

bool FindNextFile(FindHandle& handle, FindData& data) {
    if (!handle.FValid) {
        SetLastError(kErrorInvalidHandle);
        return false;
    }
    if (handle.FNext >= handle.FMatches.size()) {
        SetLastError(kErrorNoMoreFiles);
        return false;
    }
    data = handle.FMatches[handle.FNext++];
    SetLastError(kErrorSuccess);
    return true;
}

} // namespace platform
