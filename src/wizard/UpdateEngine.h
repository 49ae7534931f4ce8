#pragma once

// What the wizard window needs of the update engine, and nothing more: the packed texts of the
// package, the installation report, and one update procedure per application type.
//
// The window drives the whole run through this interface, so it never depends on how the engine
// is built, and tests put a fake in its place. EngineAdapter implements it over TdmUpdateCommon.
// No Qt here.

#include "environment/RegAccess.h"
#include "update/engine/UpdateResult.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace update {
class RichTextControl;
}

namespace wizard {

using update::TUpdateResultType;

class UpdateEngine {
public:
    virtual ~UpdateEngine() = default;

    // The lines of a packed text file; empty when the file is missing or empty.
    virtual std::vector<std::string> LoadResourceFileList(std::string_view fileName) = 0;
    // The packed rich text (RTF, or plain text) loaded into `control`, replacing what it held;
    // gives the number of lines the control then holds (0 when the file is missing).
    virtual int LoadResourceFileToRich(std::string_view fileName, update::RichTextControl& control) = 0;

    // The report the engine writes to from now on; nullptr: logging does nothing.
    virtual void InitLog(update::RichTextControl* log) = 0;
    // Appends one line; `fontSize` 0 keeps the size in effect.
    virtual void AddToLog(std::string_view text, int fontSize = 0) = 0;

    virtual void SetAppNameType(Tquar_AppNameType type) = 0;
    // Runs the update procedure of `type`; nothing when that type has no procedure.
    virtual std::optional<TUpdateResultType> RunUpdate(Tquar_AppNameType type) = 0;
};

} // namespace wizard
