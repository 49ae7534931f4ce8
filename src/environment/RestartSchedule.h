#pragma once

// The replacements scheduled for the next restart, as a caller that may have to undo them sees
// them: it is told before each one is scheduled, and can take one off the schedule again.

#include <functional>
#include <string_view>

// Called with the copy and the file it replaces at the next restart, before the replacement is
// scheduled; when it throws, nothing is scheduled.
using RestartScheduleObserver = std::function<void(std::string_view source, std::string_view destination)>;

// Sets the observer of TWindowsInstaller::ScheduleReplaceOnReboot (empty: none); gives the previous one.
RestartScheduleObserver SetRestartScheduleObserver(RestartScheduleObserver observer);

// Takes every replacement of `destination` by `source` off the next restart's schedule: the NT
// family's PendingFileRenameOperations and WININIT.INI's [rename] section. True when one was
// there. Throws platform::SystemError when the schedule cannot be rewritten.
bool UnscheduleReplaceOnReboot(std::string_view source, std::string_view destination);
