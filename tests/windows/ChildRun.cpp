#include "ChildRun.h"

#include "platform/machine/Wide.h"
#include "platform/machine/WindowsApi.h"

#include <stdexcept>
#include <thread>

namespace testwin {

namespace {

struct Handle {
    HANDLE value = nullptr;
    Handle() = default;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (value != nullptr && value != INVALID_HANDLE_VALUE)
            ::CloseHandle(value);
    }
    void Close() {
        if (value != nullptr)
            ::CloseHandle(value);
        value = nullptr;
    }
};

void MakePipe(Handle& read, Handle& write) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    if (!::CreatePipe(&read.value, &write.value, &inherit, 0))
        throw std::runtime_error("CreatePipe: " + std::to_string(::GetLastError()));
    ::SetHandleInformation(read.value, HANDLE_FLAG_INHERIT, 0);
}

std::string ReadAll(HANDLE pipe) {
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (::ReadFile(pipe, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    return bytes;
}

} // namespace

std::string ThisProgramFolder() {
    std::wstring path(32768, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    return platform::win32::Narrow(path.substr(0, path.find_last_of(L"\\/")));
}

ChildResult RunChild(const std::string& commandLine) {
    Handle outRead, outWrite, errRead, errWrite, nul;
    MakePipe(outRead, outWrite);
    MakePipe(errRead, errWrite);
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    nul.value =
        ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul.value;
    startup.hStdOutput = outWrite.value;
    startup.hStdError = errWrite.value;
    std::wstring line = platform::win32::Wide(commandLine);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        throw std::runtime_error("CreateProcessW: " + std::to_string(::GetLastError()));
    Handle processHandle, threadHandle;
    processHandle.value = process.hProcess;
    threadHandle.value = process.hThread;
    outWrite.Close();
    errWrite.Close();
    ChildResult result;
    // Both pipes are drained at once: a child that fills one while we wait on the other would hang.
    std::thread errors([&] { result.error = ReadAll(errRead.value); });
    result.output = ReadAll(outRead.value);
    errors.join();
    ::WaitForSingleObject(process.hProcess, INFINITE);
    ::GetExitCodeProcess(process.hProcess, &result.exitCode);
    return result;
}

} // namespace testwin
