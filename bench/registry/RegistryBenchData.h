#pragma once

// Registries made for the registry benchmarks: a folder of its own in the temporary folder, with a
// HKEY_CURRENT_USER hive imported from `.reg` text.

#include <cstddef>
#include <filesystem>
#include <string>

namespace registrybench {

// The text of a `.reg` file holding `keys` keys under HKEY_CURRENT_USER\Software\QUARNEL S.A., each
// with `values` values of one line (a library's path and a use count, as SharedDLLs holds them).
std::string SharedLibrariesText(std::size_t keys, std::size_t values);
// The text of about `bytes` bytes once imported (UTF-16), in keys of 20 values.
std::string SettingsText(std::size_t bytes);

// A new registry folder whose HKEY_CURRENT_USER hive holds `text` imported; the caller removes
// the folder's parent when done.
std::filesystem::path MakeRegistry(const std::string& text);

} // namespace registrybench
