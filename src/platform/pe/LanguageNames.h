#pragma once

// Language names as a French Windows gives them (VerLanguageNameW) for the language identifiers
// that version resources carry.

#include <cstdint>
#include <string>

namespace platform {

// The French name of `languageId` ("Français (France)" for 0x040C, "Langue neutre" for 0),
// or "Langue inconnue" for an identifier the table does not know.
std::string LanguageName(std::uint16_t languageId);

} // namespace platform
