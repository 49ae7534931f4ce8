// The running process on Linux: /proc/self and the C library's time zone.
#include "platform/machine/CurrentProcess.h"

#include <cerrno>
#include <unistd.h>

namespace platform {

unsigned CurrentProcessId() noexcept {
    return static_cast<unsigned>(::getpid());
}

std::string CurrentProgramName() {
    return program_invocation_short_name;
}

std::filesystem::path CurrentProgramFile() {
    return "/proc/self/exe";
}

std::tm LocalCalendarTime(std::time_t time) noexcept {
    std::tm local{};
    if (::localtime_r(&time, &local) == nullptr)
        return std::tm{};
    return local;
}

} // namespace platform
