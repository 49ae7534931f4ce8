#pragma once

// What the update run needs of the engine: the application type, the report, one procedure per
// application type. EngineRunTarget (UpdateRun.h) provides it over TdmUpdateCommon; the wizard's
// engine seam derives from it, so the window and the unattended mode drive the same run.

#include "environment/RegAccess.h"
#include "update/engine/UpdateResult.h"

#include <optional>
#include <string_view>

namespace update::run {

class RunTarget {
public:
    virtual ~RunTarget() = default;
    virtual void SetAppNameType(Tquar_AppNameType type) = 0;
    // Appends one line; `fontSize` 0 keeps the size in effect.
    virtual void AddToLog(std::string_view text, int fontSize = 0) = 0;
    // The procedure of `type`; nothing when that type has none.
    virtual std::optional<TUpdateResultType> RunUpdate(Tquar_AppNameType type) = 0;
};

} // namespace update::run
