#include "wizard/EngineHost.h"

#include "update/package/PackageReader.h"
#include "update/run/AppInfo.h"
#include "update/run/InstalledVersions.h"
#include "update/run/SilentRun.h"

namespace wizard {

namespace {

update::run::PackedListLoader PackedLists(UpdateEngine& engine) {
    return [&engine](std::string_view fileName) {
        return engine.LoadResourceFileList(fileName);
    };
}

} // namespace

std::function<void()> PackageCheck(std::shared_ptr<update::package::PackageReader> package, bool allowOlder) {
    if (package->Checked())
        return {};
    return [package = std::move(package), allowOlder] {
        update::run::CheckPackage(*package, allowOlder);
    };
}

EngineHost::EngineHost(UpdateEngine& engine, std::function<void()> check, update::run::Clock clock)
    : FEngine(engine)
    , FCheck(std::move(check))
    , FClock(std::move(clock)) {}

void EngineHost::CheckPackage() {
    // Taken out first: the check is done (or has failed) once it began, whatever it raises.
    const std::function<void()> check = std::move(FCheck);
    FCheck = nullptr;
    if (check)
        check();
}

pages::PackageTexts EngineHost::ReadPackageTexts(update::RichTextControl& changes) {
    const update::run::AppInfo info = update::run::LoadAppInfo(PackedLists(FEngine));
    pages::PackageTexts texts;
    texts.title = info.title;
    texts.infoText = info.text;
    texts.changesLines = FEngine.LoadResourceFileToRich("UpdateInfo.txt", changes);
    texts.stepsFile = FEngine.LoadResourceFileList("Steps.txt");
    return texts;
}

bool EngineHost::LoadUpdateList() {
    update::run::UpdateList updates =
        update::run::LoadUpdateList(PackedLists(FEngine), update::run::CheckInstalledVersions);
    switch (updates.state) {
    case update::run::UpdateListState::Refused:
        FUpdates.clear();
        return false;
    case update::run::UpdateListState::Missing:
        // The wizard still opens; the run updates nothing.
        FUpdates.clear();
        return true;
    case update::run::UpdateListState::Loaded:
        break;
    }
    FUpdates = std::move(updates.names);
    return true;
}

int EngineHost::Run(std::string_view title, const pages::RunHooks& hooks) {
    update::run::RunCallbacks callbacks;
    callbacks.enableActions = hooks.enableActions;
    callbacks.showEndStep = hooks.showEndStep;
    callbacks.focusReport = hooks.focusReport;
    update::run::UpdateRun run(FEngine, std::string(title), FClock, std::move(callbacks));
    return update::run::ExitCodeFor(run.RunUpdates(FUpdates));
}

} // namespace wizard
