// The removal of temporaries left by killed writers, with Windows' process and folder calls.
// Folders are named by path on Windows: the descriptor forms of the header are POSIX only.
#include "platform/machine/TemporaryNames.h"
#include "platform/machine/Wide.h"
#include "platform/machine/WindowsApi.h"

namespace platform {

namespace {

bool HasEnded(pid_t process) {
    HANDLE handle = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(process));
    if (handle == nullptr)
        return ::GetLastError() == ERROR_INVALID_PARAMETER; // no such process; access denied: it lives
    const bool ended = ::WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
    ::CloseHandle(handle);
    return ended;
}

} // namespace

bool IsLeftoverOfDeadProcess(std::string_view name) {
    const auto writer = TemporaryNameWriter(name);
    return writer && static_cast<DWORD>(*writer) != ::GetCurrentProcessId() && HasEnded(*writer);
}

std::size_t RemoveLeftovers(const std::filesystem::path& folder) {
    WIN32_FIND_DATAW entry{};
    HANDLE search = ::FindFirstFileW((folder / L"*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    std::size_t removed = 0;
    do {
        constexpr DWORD notPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
        if ((entry.dwFileAttributes & notPlain) == 0 && IsLeftoverOfDeadProcess(win32::Narrow(entry.cFileName)) &&
            ::DeleteFileW((folder / entry.cFileName).c_str()))
            ++removed;
    } while (::FindNextFileW(search, &entry));
    ::FindClose(search);
    return removed;
}

} // namespace platform
