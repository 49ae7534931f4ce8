// The two periodic timers of the connection module: every 30 minutes the workstation is
// registered again in the database's user table, every 60 minutes the free disk space of the
// database server is checked.

#include "Common/Interbase/ModuleTimer.h"
#include "Common/Interbase/dmDBConnectionUnit.h"
#include "ui/UiServices.h"

TModuleTimer::TModuleTimer(std::uint32_t Interval, std::function<void()> OnTimer)
    : FInterval(Interval)
    , FOnTimer(std::move(OnTimer))
    , FLast(ui::Current().TickCount()) {}

void TModuleTimer::SetEnabled(bool enabled) {
    if (enabled && !FEnabled)
        FLast = ui::Current().TickCount();
    FEnabled = enabled;
}

bool TModuleTimer::Poll(std::uint32_t now) {
    // Unsigned difference: right across the wrap of the 32-bit tick count.
    if (!FEnabled || static_cast<std::uint32_t>(now - FLast) < FInterval)
        return false;
    // Taken before the handler runs: a message box inside it pumps messages and polls again.
    FLast = now;
    if (FOnTimer)
        FOnTimer();
    return true;
}

void TdmDBConnection::ProcessTimers() {
    const std::uint32_t now = ui::Current().TickCount();
    TimerUsers.Poll(now);
    TimerCheckDiskSpace.Poll(now);
}

void TdmDBConnection::TimerUsersTimer() {
    DatabaseManager.RegisterUser(ClientName());
}

void TdmDBConnection::TimerCheckDiskSpaceTimer() {
    CheckFreeDiskSpace();
}
