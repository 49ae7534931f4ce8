#pragma once

// The version record of the wizard's own program file. A Linux executable carries no version
// resource, so the record is compiled in from the project version; it is what reading the
// version information of the program's own file returns.

#include "platform/pe/VersionResource.h"

namespace platform {

// Fixed version and "FileVersion"/"ProductVersion" from the project version, one translation
// French (040C) / Windows-1252 (04E4), and the maker's strings in the table "040C04E4".
const VersionResource& OwnVersionResource();

} // namespace platform
