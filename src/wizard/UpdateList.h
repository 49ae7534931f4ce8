#pragma once

// The list of products of a package ("Updates.txt") and the start-up compatibility check that a
// Veltrane update requires. No Qt here.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wizard {

// The names of the application types 1 to 15, each followed by CR LF, in code order.
std::string AppNamesReference();

// The product names to update, in package order: a line is kept when it occurs, with the same
// letter case, inside AppNamesReference(), and is not yet kept (compared without regard to
// case). On the first Veltrane line `checkInstalledVersions` runs; when it fails the result is
// nothing and the remaining lines are not read.
std::optional<std::vector<std::string>> FilterUpdateList(const std::vector<std::string>& lines,
                                                         const std::function<bool()>& checkInstalledVersions);

// The Firebird client versions a Veltrane update works with.
bool IsCompatibleFirebirdClient(std::string_view version);
// "" when both pass; otherwise "de Firebird", "du module d'adresses" or both joined by " et ".
std::string IncompatibilityReason(bool firebirdOk, bool addressModuleOk);

// Reads the version of the machine's "gds32.dll" and of the address module under the
// installation root; when one is incompatible, warns and gives false.
bool CheckInstalledVersions();

} // namespace wizard
