#pragma once

// What the wizard window needs of the update engine, and nothing more: the packed texts of the
// package, the installation report, and one update procedure per application type.
//
// The window drives the whole run through this interface so that it never depends on how the
// engine is built. Today PackageUpdateEngine implements it over the package reader alone; the
// engine (TdmUpdateCommon) takes its place through a small adapter that forwards each call, so
// neither side has to include the other. No Qt here.

#include "environment/RegAccess.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace update {
class RichTextControl;
}

// The result of one product update; the closing line of the report depends on it.
enum TUpdateResultType : std::uint8_t { urtUnknown = 0, urtOk = 1, urtKo = 2, urtNot = 3, urtWarning = 4 };

// The closing line of the report for a result; empty for urtUnknown.
std::string_view ClosingLine(TUpdateResultType result);

namespace wizard {

class UpdateEngine {
public:
    virtual ~UpdateEngine() = default;

    // The lines of a packed text file (byte-order mark or code page 1252); empty when the file is
    // missing or empty.
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
