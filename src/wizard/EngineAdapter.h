#pragma once

// The update engine TdmUpdateCommon seen through the window's UpdateEngine interface. No Qt here.

#include "update/engine/TdmUpdateCommon.h"
#include "wizard/UpdateEngine.h"

namespace wizard {

class EngineAdapter : public UpdateEngine {
public:
    explicit EngineAdapter(update::TdmUpdateCommon& engine)
        : FEngine(engine) {}

    std::vector<std::string> LoadResourceFileList(std::string_view fileName) override;
    int LoadResourceFileToRich(std::string_view fileName, update::RichTextControl& control) override;
    void InitLog(update::RichTextControl* log) override { FEngine.InitLog(log); }
    void ProcessConnectionTimers() override;
    void AddToLog(std::string_view text, int fontSize = 0) override { FEngine.AddToLog(text, fontSize); }
    void SetAppNameType(Tquar_AppNameType type) override { FEngine.SetAppNameType(type); }
    // The procedure of each application type, as the unattended run calls it.
    std::optional<TUpdateResultType> RunUpdate(Tquar_AppNameType type) override;

    update::TdmUpdateCommon& Engine() const { return FEngine; }

private:
    update::TdmUpdateCommon& FEngine;
};

} // namespace wizard
