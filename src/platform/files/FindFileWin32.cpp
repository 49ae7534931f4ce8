// FindFirstFileW on Windows: the matches read at once, names in UTF-8.
#include "platform/files/FindFile.h"
#include "platform/files/Win32Files.h"
#include "platform/machine/Wide.h"
#include "platform/machine/WindowsApi.h"

namespace platform {

FindHandle FindFirstFile(std::string_view pattern, FindData& data) {
    FindHandle handle;
    WIN32_FIND_DATAW entry{};
    HANDLE search = ::FindFirstFileW(win32::Wide(pattern).c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return handle;
    do {
        FindData found;
        found.name = win32::Narrow(entry.cFileName);
        found.attributes = win32::ReportedAttributes(entry.dwFileAttributes);
        found.lastWriteTime =
            win32::JoinFileTime(entry.ftLastWriteTime.dwLowDateTime, entry.ftLastWriteTime.dwHighDateTime);
        const bool folder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        found.size = folder ? 0 : win32::JoinFileTime(entry.nFileSizeLow, entry.nFileSizeHigh);
        handle.FMatches.push_back(std::move(found));
    } while (::FindNextFileW(search, &entry));
    ::FindClose(search);
    handle.FValid = true;
    FindNextFile(handle, data);
    return handle;
}

} // namespace platform
