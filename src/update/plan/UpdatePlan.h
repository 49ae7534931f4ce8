#pragma once

// What the update of a package would do on this machine, without doing it: for each listed
// product, where it is installed, the installed and packed versions, the files that would be
// replaced, copied or asked about, and the print lists of each company.

#include "update/engine/TdmUpdateCommon.h"

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

namespace update::plan {

struct PlanOptions {
    bool skipCurrent = false; // products already at the packed version or newer are left as they are
};

// Writes the plan of the products `names` (the package's accepted list) to `out`. Nothing on the
// machine changes; the packed main files are unpacked into the temporary folder, which the
// engine empties when it goes.
void WritePlan(TdmUpdateCommon& engine, const std::vector<std::string>& names, const PlanOptions& options,
               std::ostream& out);

// How many files the update of the product `type` would write on this machine (its main file, the
// files it copies, the print list files it writes), asking nothing; 0 when that is not known.
std::size_t CountFilesToWrite(TdmUpdateCommon& engine, Tquar_AppNameType type);

} // namespace update::plan
