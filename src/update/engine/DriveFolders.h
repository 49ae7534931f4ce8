#pragma once

// A folder of the maker looked for at the root of the fixed and network drives, as the product
// location does before it asks.

#include <string>
#include <string_view>

namespace update {

struct DriveFolderSearch {
    std::string first; // "X:\<name>" on the first drive that has it; empty when none has
    int count = 0;     // how many drives have it
};

DriveFolderSearch FindFolderOnDrives(std::string_view name);

} // namespace update
