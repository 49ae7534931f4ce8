#pragma once

// The process the program runs in: its id, its name, its own executable file and the local time of
// the machine it runs on.

#include <ctime>
#include <filesystem>
#include <string>

namespace platform {

unsigned CurrentProcessId() noexcept;

// The program's short name as it was started ("quarnel-update"), for the records that say who wrote them.
std::string CurrentProgramName();

// The host file of the running executable: the package a wizard carries is read from it.
std::filesystem::path CurrentProgramFile();

// `time` in the machine's local time zone; all fields zero when the C library cannot convert it.
std::tm LocalCalendarTime(std::time_t time) noexcept;

} // namespace platform
