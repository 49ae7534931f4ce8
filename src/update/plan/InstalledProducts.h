#pragma once

// Where the wizard finds each product of the family on this machine, by the rules its update
// procedures follow, without asking anything. Where a procedure would ask (a folder found on no
// drive or on several, a program that is not where it is recorded), the answer says what it would
// ask instead.

#include "environment/RegAccess.h"

#include <string>
#include <vector>

namespace update::plan {

struct InstalledProduct {
    Tquar_AppNameType type = antUnknown;
    std::string folder;     // where the product's files go (with a trailing backslash); may be empty
    std::string mainFile;   // the file its update replaces; empty for Common, which has none
    bool installed = false; // its main file exists (Common: the installation root is known)
    std::string version;    // the main file's version ("?" when it carries none); empty when not installed
    std::string question;   // what the wizard would ask the person before going on; empty when nothing
};

// Nothing is found for the types without an update (5, 11, 14, 15).
InstalledProduct FindInstalledProduct(Tquar_AppNameType type);
// True when the installed main file carries a version that is the one of `packedFile` or newer;
// false when either has no version information.
bool IsCurrent(const InstalledProduct& product, std::string_view packedFile);
// The products of the family that the machine has, in the order of their codes.
std::vector<InstalledProduct> FindInstalledProducts();

} // namespace update::plan
