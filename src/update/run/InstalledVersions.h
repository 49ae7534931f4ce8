#pragma once

// The start-up check of a Veltrane update: the machine's installed Firebird client ("gds32.dll",
// found by the machine's library search) and the address module under the installation root must
// be versions the products work with.

#include <string>
#include <string_view>

namespace update::run {

// Whether the installed client's version text is one the products work with: exactly one of the
// three client builds the products were released with. This start-up check keeps its own list; the
// connection module's version rules (IsAcceptedClientVersion) judge the client the wizard itself
// links, and accept more ("WI-V1.0...", any "WI-V2.5", "LI-V3.0"), which this check must not.
bool IsAcceptedInstalledClientVersion(std::string_view fileVersionText);

// "" when both pass; otherwise "de Firebird", "du module d'adresses", or both joined by " et ".
std::string IncompatibilityReason(bool firebirdOk, bool addressModuleOk);

// True when both are compatible; otherwise shows the warning that the program is going to end and
// gives false.
bool CheckInstalledVersions();

} // namespace update::run
