// The running process on Windows: GetModuleFileNameW and the C runtime's time zone.
#include "platform/machine/CurrentProcess.h"
#include "platform/machine/Wide.h"
#include "platform/machine/WindowsApi.h"

#include <vector>

namespace platform {

namespace {

std::wstring ModuleFileName() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2); // cut to the buffer: the name is longer
    }
}

} // namespace

unsigned CurrentProcessId() noexcept {
    return static_cast<unsigned>(::GetCurrentProcessId());
}

std::string CurrentProgramName() {
    return win32::PathToUtf8(std::filesystem::path(ModuleFileName()).stem());
}

std::filesystem::path CurrentProgramFile() {
    return std::filesystem::path(ModuleFileName());
}

std::tm LocalCalendarTime(std::time_t time) noexcept {
    std::tm local{};
    if (::localtime_s(&local, &time) != 0)
        return std::tm{};
    return local;
}

} // namespace platform
