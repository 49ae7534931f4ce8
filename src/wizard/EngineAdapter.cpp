#include "wizard/EngineAdapter.h"

#include "Common/Interbase/dmDBConnectionUnit.h"
#include "update/run/UpdateRun.h"

namespace wizard {

std::vector<std::string> EngineAdapter::LoadResourceFileList(std::string_view fileName) {
    std::vector<std::string> lines;
    FEngine.LoadResourceFileList(fileName, lines);
    return lines;
}

int EngineAdapter::LoadResourceFileToRich(std::string_view fileName, update::RichTextControl& control) {
    return FEngine.LoadResourceFileToRich(fileName, control);
}

std::optional<TUpdateResultType> EngineAdapter::RunUpdate(Tquar_AppNameType type) {
    return update::run::RunProcedure(FEngine, type);
}

void EngineAdapter::ProcessConnectionTimers() {
    FEngine.DbConnection().ProcessTimers();
}

} // namespace wizard
