// Stop requests on Windows: the console's control events, which the system delivers on a thread
// of its own (SetConsoleCtrlHandler).
#include "platform/machine/StopSignals.h"
#include "platform/machine/WindowsApi.h"

#include <mutex>
#include <vector>

namespace platform {

namespace {

std::mutex handlersLock;
void (*stopHandler)() noexcept = nullptr;
std::vector<const std::function<void()>*> watchers;

BOOL WINAPI OnControl(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        break;
    default:
        return FALSE;
    }
    std::lock_guard lock(handlersLock);
    if (stopHandler != nullptr)
        stopHandler();
    for (const auto* watcher : watchers)
        (*watcher)();
    return TRUE; // handled: the program ends on its own, its work rolled back or finished
}

void InstallOnce() {
    static const bool installed = ::SetConsoleCtrlHandler(OnControl, TRUE) != 0;
    (void)installed;
}

} // namespace

void SetStopHandler(void (*onStop)() noexcept) {
    {
        std::lock_guard lock(handlersLock);
        stopHandler = onStop;
    }
    InstallOnce();
}

struct StopWatcher::State {
    std::function<void()> onStop;
};

StopWatcher::StopWatcher(std::function<void()> onStop)
    : FState(std::make_unique<State>()) {
    FState->onStop = std::move(onStop);
    {
        std::lock_guard lock(handlersLock);
        watchers.push_back(&FState->onStop);
    }
    InstallOnce();
}

StopWatcher::~StopWatcher() {
    std::lock_guard lock(handlersLock);
    std::erase(watchers, &FState->onStop);
}

} // namespace platform
