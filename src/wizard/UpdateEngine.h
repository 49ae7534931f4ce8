#pragma once

// What the wizard window needs of the update engine, and nothing more: the packed texts of the
// package, the installation report, and one update procedure per application type.
//
// The run part is the shared run's RunTarget: the window hands itself to update::run::UpdateRun as
// the unattended mode does. The window never depends on how the engine is built, and tests put a
// fake in its place. EngineAdapter implements it over TdmUpdateCommon. No Qt here.

#include "update/run/RunTarget.h"

#include <string>
#include <string_view>
#include <vector>

namespace update {
class RichTextControl;
}

namespace wizard {

using update::TUpdateResultType;

class UpdateEngine : public update::run::RunTarget {
public:
    // The lines of a packed text file; empty when the file is missing or empty.
    virtual std::vector<std::string> LoadResourceFileList(std::string_view fileName) = 0;
    // The packed rich text (RTF, or plain text) loaded into `control`, replacing what it held;
    // gives the number of lines the control then holds (0 when the file is missing).
    virtual int LoadResourceFileToRich(std::string_view fileName, update::RichTextControl& control) = 0;

    // The report the engine writes to from now on; nullptr: logging does nothing.
    virtual void InitLog(update::RichTextControl* log) = 0;

    // The connection module's periodic work (the workstation registered again in the database's
    // user table, the check of the database server's free space), polled from the message loop.
    virtual void ProcessConnectionTimers() = 0;
};

} // namespace wizard
