#pragma once

// The start-up check of a Veltrane update: the machine's installed Firebird client ("gds32.dll",
// found by the machine's library search) and the address module under the installation root must
// be versions the products work with.

#include <string>
#include <string_view>

namespace update::run {

// Whether the installed client's version text is one the products work with. A stand-in that
// accepts the three client builds the products were released with; the connection module's
// version rules take its place once they exist.
bool IsAcceptedInstalledClientVersion(std::string_view fileVersionText);

// "" when both pass; otherwise "de Firebird", "du module d'adresses", or both joined by " et ".
std::string IncompatibilityReason(bool firebirdOk, bool addressModuleOk);

// True when both are compatible; otherwise shows the warning that the program is going to end and
// gives false.
bool CheckInstalledVersions();

} // namespace update::run
