#pragma once

// The product registry: where the maker's applications record their program files and their
// databases (keys under "SOFTWARE\QUARNEL S.A.\"), the application types, the loopback rule of
// local database names, the in-use probe of a file and bringing a window to the front.

#include "platform/registry/RegistryValue.h"
#include "ui/UiServices.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

enum Tquar_AppNameType : std::uint8_t {
    antUnknown = 0,
    antVTP = 1,
    antVTI = 2,
    antMarlisk = 3,
    antCorvath = 4,
    antPDFDLL = 5,
    antTessaro = 6,
    antOrbel = 7,
    antSuvana = 8,
    antFinance = 9,
    antNVX = 10,
    antBrisquel = 11,
    antCommon = 12,
    antOndrak = 13,
    antZLK = 14,
    antRLT = 15
};

// Indexed by Tquar_AppNameType; entry 0 is empty.
extern const std::array<std::string_view, 16> AppNames;
extern const std::array<std::string_view, 16> AppFolderNames;

inline constexpr std::string_view kMakerKey = "SOFTWARE\\QUARNEL S.A.\\";

// The type of an application name or alias, ignoring the case of A-Z; antUnknown when unknown.
Tquar_AppNameType GetAppNameType(std::string_view name);

// The registered program path, or its folder part (keepFileName false), or empty text.
std::string GetProgramPath(std::string_view appName, bool keepFileName);
// True when the value was written.
bool SetProgramPath(std::string_view appName, std::string_view value);
// The installation root with trailing backslash, or the first registered program folder, or empty text.
std::string GetInstallRoot();
// The database name registered for the company (or its folder part), or empty text.
std::string GetDatabaseName(std::string_view appName, std::string_view company, bool fullName);
// "127.0.0.1:" + name for a local drive path on Windows Vista, 7 and 8 (NT 6.0 to 6.2).
std::string AddLocalHostPrefix(std::string_view databaseName);

// 0 when the file is free or absent, else the code of the exclusive open (32 when in use).
std::uint32_t GetFileLockError(std::string_view fileName);
// True when the window is the foreground window afterwards.
bool BringWindowToFront(ui::WindowId window);

// A registry value as the product code reads it: text or integer.
using RegistryVariant = std::variant<std::string, std::int32_t>;
std::string VariantToText(const RegistryVariant& value);

// The access mask that asks for full access.
inline constexpr platform::AccessMask kFullAccess = 0xFFFFFFFF;

// Integer 0 to start with; when the key opens (created when canCreate), a REG_DWORD value as an
// integer, any other value as text (missing: empty text; not text: "Type de données incorrect
// pour '<name>'"). When the key does not open, the default text unless it is "0".
RegistryVariant ReadRegistryValue(platform::RegistryRoot root, std::string_view keyPath, std::string_view valueName,
                                  bool canCreate, std::string_view defaultText, platform::AccessMask access);
// False for an empty key path or a key that does not open with full access. An existing REG_DWORD
// value is written as an integer (text that is no integer raises), anything else as REG_SZ.
bool WriteRegistryValue(platform::RegistryRoot root, std::string_view keyPath, std::string_view valueName,
                        bool canCreate, const RegistryVariant& value);
