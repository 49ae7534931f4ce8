#pragma once

// What the wizard reads from a package: its texts, the step pages a package may name, and the
// files without which a product's update fails or ends the run.

#include "environment/RegAccess.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace update::authoring {

// The texts read as lines (a byte-order mark honoured, Windows-1252 otherwise).
inline constexpr std::array<std::string_view, 6> kListTexts = {"AppInfo1.txt",  "Updates.txt",    "AppInfo2.txt",
                                                               "FileNames.txt", "PrintLists.txt", "Steps.txt"};
// The list of changes, in RTF.
inline constexpr std::string_view kChangesText = "UpdateInfo.txt";
// The largest packed file the engine reads into memory (texts, print lists).
inline constexpr std::uint64_t kWizardTextLimit = 32ull << 20;
// The pages "Steps.txt" may name; the wizard ignores other lines.
inline constexpr std::array<std::string_view, 3> kStepPages = {"frmWelcome", "frmDisplayFile", "frmEndInstall"};

enum class MissingEffect {
    EndsTheRun,   // the run stops there ("Cannot find ...") and the products after it are not updated
    FailsProduct, // the product's update fails
    DoesNothing,  // the product's update has nothing to do
};
struct NeededFile {
    std::string_view name;
    MissingEffect effect;
};

// The packed file whose version decides the update of `type` (the one it replaces); empty for
// Common and the types without procedure.
std::string_view MainFile(Tquar_AppNameType type);
// The packed files the update of `type` cannot do without; empty for a type without procedure.
std::vector<NeededFile> NeededFiles(Tquar_AppNameType type);
// False for the types the wizard lists but does not update (5, 11, 14, 15).
bool HasUpdateProcedure(Tquar_AppNameType type);
// The products that read print lists from "PrintLists.txt"; VTPOrbel reads them as files.
bool ReadsPrintLists(Tquar_AppNameType type);

} // namespace update::authoring
