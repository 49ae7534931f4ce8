#pragma once

// Fresh scripted UI services, installed as the process's services for as long as the object
// lives: a test fixture holds one as a member, and reaches the services through it.

#include "ui/ScriptedUi.h"

#include <memory>

namespace testsupport {

class ScopedScriptedUi {
public:
    ScopedScriptedUi() {
        auto services = std::make_unique<ui::ScriptedUi>();
        FServices = services.get();
        ui::SetCurrent(std::move(services));
    }
    ~ScopedScriptedUi() { ui::SetCurrent(nullptr); }
    ScopedScriptedUi(const ScopedScriptedUi&) = delete;
    ScopedScriptedUi& operator=(const ScopedScriptedUi&) = delete;

    ui::ScriptedUi* operator->() const { return FServices; }
    ui::ScriptedUi& operator*() const { return *FServices; }

private:
    ui::ScriptedUi* FServices = nullptr;
};

} // namespace testsupport
