#pragma once

// The registry of the current machine, and the value reads and writes that the product code
// shares (with the run-time library's French error texts).

#include "platform/registry/Registry.h"

#include <string>
#include <string_view>

// The registry of platform::Machine::Current(); follows the current machine when it changes.
platform::Registry& MachineRegistry();

// The value as text: empty when it is missing; REG_SZ and REG_EXPAND_SZ read as text; any other
// type raises "Type de données incorrect pour '<name>'".
std::string ReadKeyText(const platform::RegistryKey& key, std::string_view name);

// Writes a REG_SZ value; a failed write raises "Echec à la définition des données pour '<name>'".
void WriteKeyText(platform::RegistryKey& key, std::string_view name, std::string_view text);
// Writes a REG_DWORD value; failures as WriteKeyText.
void WriteKeyInteger(platform::RegistryKey& key, std::string_view name, std::int32_t value);
