#include "ui/UiServices.h"

#include "ui/ScriptedUi.h"

namespace ui {

namespace {

// Everything runs on the user-interface thread, as the window's own objects do: no lock.
std::unique_ptr<UiServices>& Instance() {
    static std::unique_ptr<UiServices> instance;
    return instance;
}

} // namespace

UiServices& Current() {
    std::unique_ptr<UiServices>& instance = Instance();
    if (!instance)
        instance = std::make_unique<ScriptedUi>();
    return *instance;
}

std::unique_ptr<UiServices> SetCurrent(std::unique_ptr<UiServices> services) {
    std::unique_ptr<UiServices> previous = std::move(Instance());
    Instance() = services ? std::move(services) : std::make_unique<ScriptedUi>();
    return previous;
}

} // namespace ui
