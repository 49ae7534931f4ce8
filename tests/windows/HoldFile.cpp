// A helper of the tests of files held between processes: holds a file as another program would,
// until told to let it go (or killed).
//   hold-file.exe open <file> <ready event> <release event>   opened with no sharing
//   hold-file.exe lock <file> <ready event> <release event>   held as a run holds its journal
#include "platform/files/LockedFile.h"

#include <string>
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 5)
        return 2;
    const std::wstring mode = argv[1];
    HANDLE file = INVALID_HANDLE_VALUE;
    platform::LockedFile lock;
    if (mode == L"open") {
        file = ::CreateFileW(argv[2], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return 3;
    } else {
        lock = platform::LockedFile(argv[2], platform::LockedFile::Opening::OpenAlways);
        if (!lock.Held())
            return 3;
    }
    const HANDLE ready = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[3]);
    const HANDLE release = ::OpenEventW(SYNCHRONIZE, FALSE, argv[4]);
    if (ready == nullptr || release == nullptr)
        return 4;
    ::SetEvent(ready);
    ::WaitForSingleObject(release, INFINITE);
    if (file != INVALID_HANDLE_VALUE)
        ::CloseHandle(file);
    return 0;
}
