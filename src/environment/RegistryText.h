#pragma once

// Registry text values, reporting a key the user may not open in French.

#include "platform/registry/RegistryValue.h"

#include <string>
#include <string_view>

// Empty text when the key or the value does not exist. A key that exists but cannot be opened for
// reading raises "Lecture d'une valeur de registre impossible : ..."; a value that is not text
// raises "Type de données incorrect pour '<name>'".
std::string ReadRegistryString(platform::RegistryRoot root, std::string_view keyPath, std::string_view valueName);

// Writes a REG_SZ value, creating the key. A key that cannot be opened or created with full access
// raises "Écriture d'une valeur de registre impossible : ...".
void WriteRegistryString(platform::RegistryRoot root, std::string_view keyPath, std::string_view valueName,
                         std::string_view text);
