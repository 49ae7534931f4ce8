#pragma once

// The window's host over the update engine: the package's texts, its products and the start-up
// check, and the run, read and run as the unattended mode does (update::run). No toolkit here.

#include "update/run/UpdateRun.h"
#include "wizard/UpdateEngine.h"
#include "wizard/pages/WizardHost.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace update::package {
class PackageReader;
}

namespace wizard {

// The check of a package opened unchecked (update::run::OpenPackageUnchecked), as the window runs it
// once on screen; none when the package was checked already.
std::function<void()> PackageCheck(std::shared_ptr<update::package::PackageReader> package, bool allowOlder);

class EngineHost : public pages::WizardHost {
public:
    // `check`: the package's check before the start (empty when it was checked already).
    explicit EngineHost(UpdateEngine& engine, std::function<void()> check = {},
                        update::run::Clock clock = update::run::CurrentLocalTime);

    // The package's check, run once: later calls do nothing.
    void CheckPackage() override;
    // The check still to run before the start (none: the start follows at once).
    void SetCheck(std::function<void()> check) { FCheck = std::move(check); }
    bool CheckPending() const { return static_cast<bool>(FCheck); }
    // The clock of the report's heading lines.
    void SetClock(update::run::Clock clock) { FClock = std::move(clock); }
    void InitLog(update::RichTextControl& report) override { FEngine.InitLog(&report); }
    pages::PackageTexts ReadPackageTexts(update::RichTextControl& changes) override;
    bool LoadUpdateList() override;
    int Run(std::string_view title, const pages::RunHooks& hooks) override;
    void ProcessTimers() override { FEngine.ProcessConnectionTimers(); }

    const std::vector<std::string>& Updates() const { return FUpdates; }

private:
    UpdateEngine& FEngine;
    std::function<void()> FCheck;
    update::run::Clock FClock;
    std::vector<std::string> FUpdates;
};

} // namespace wizard
