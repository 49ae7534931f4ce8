// The temporaries a killed or failed copy left beside its target, removed with Windows' calls.
#include "platform/files/UnfinishedWrites.h"
#include "platform/machine/TemporaryNameFormat.h"
#include "platform/machine/TemporaryNames.h"
#include "platform/machine/Wide.h"
#include "platform/machine/WindowsApi.h"

namespace platform {

bool RemoveUnfinishedWrites(std::string_view path) {
    const std::size_t split = path.find_last_of("\\/");
    if (split == std::string_view::npos) {
        ::SetLastError(ERROR_BAD_PATHNAME);
        return false;
    }
    const std::string folder(path.substr(0, split + 1));
    const std::string name(path.substr(split + 1));
    const DWORD attributes = ::GetFileAttributesW(win32::Wide(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if (name.empty())
        return true;
    const std::string prefix = "." + name + std::string(temporary_detail::kMarker);
    WIN32_FIND_DATAW entry{};
    HANDLE search = ::FindFirstFileW(win32::Wide(folder + prefix + "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return true;
    do {
        const std::string found = win32::Narrow(entry.cFileName);
        const auto writer = TemporaryNameWriter(found);
        const bool ofThisFile =
            writer && found.starts_with(prefix + std::to_string(*writer) + ".") &&
            found.size() == prefix.size() + std::to_string(*writer).size() + 1 + temporary_detail::kRandomLength;
        const bool unfinished =
            ofThisFile && (static_cast<DWORD>(*writer) == ::GetCurrentProcessId() || IsLeftoverOfDeadProcess(found));
        if (unfinished && (entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0)
            ::DeleteFileW(win32::Wide(folder + found).c_str());
    } while (::FindNextFileW(search, &entry));
    ::FindClose(search);
    return true;
}

} // namespace platform
