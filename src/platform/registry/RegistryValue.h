#pragma once

// Registry roots, value types, access rights and the value record, as the Windows registry
// API knows them. Data is kept as the raw bytes Windows stores (strings as UTF-16LE with their
// terminating null), so that every value round-trips exactly; the helpers below convert.

#include "platform/machine/LastError.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class RegistryRoot { LocalMachine, CurrentUser };

// "HKEY_LOCAL_MACHINE" / "HKEY_CURRENT_USER".
std::string_view RootName(RegistryRoot root);
// Accepts the full names and the short forms HKLM and HKCU, in any case.
std::optional<RegistryRoot> ParseRootName(std::string_view name);

using RegistryType = std::uint32_t;
inline constexpr RegistryType kRegNone = 0;
inline constexpr RegistryType kRegSz = 1;
inline constexpr RegistryType kRegExpandSz = 2;
inline constexpr RegistryType kRegBinary = 3;
inline constexpr RegistryType kRegDword = 4;
inline constexpr RegistryType kRegMultiSz = 7;
inline constexpr RegistryType kRegQword = 11;

// "REG_SZ", ...; other types as "REG_0x%X" (hex number).
std::string RegistryTypeName(RegistryType type);
std::optional<RegistryType> ParseRegistryTypeName(std::string_view name);

// Access rights of a key handle (the REGSAM bits).
using AccessMask = std::uint32_t;
inline constexpr AccessMask kKeyQueryValue = 0x0001;
inline constexpr AccessMask kKeySetValue = 0x0002;
inline constexpr AccessMask kKeyCreateSubKey = 0x0004;
inline constexpr AccessMask kKeyEnumerateSubKeys = 0x0008;
inline constexpr AccessMask kKeyNotify = 0x0010;
inline constexpr AccessMask kKeyCreateLink = 0x0020;
inline constexpr AccessMask kDelete = 0x00010000;
inline constexpr AccessMask kReadControl = 0x00020000;
inline constexpr AccessMask kWriteDac = 0x00040000;
inline constexpr AccessMask kWriteOwner = 0x00080000;
inline constexpr AccessMask kKeyRead = 0x00020019;
inline constexpr AccessMask kKeyWrite = 0x00020006;
inline constexpr AccessMask kKeyExecute = kKeyRead;
inline constexpr AccessMask kKeyAllAccess = 0x000F003F;
// The bits that need the right to read a key, and those that need the right to change it.
inline constexpr AccessMask kReadingRights = kKeyQueryValue | kKeyEnumerateSubKeys | kKeyNotify;
inline constexpr AccessMask kWritingRights =
    kKeySetValue | kKeyCreateSubKey | kKeyCreateLink | kDelete | kWriteDac | kWriteOwner;

// The code the registry calls return besides those of LastError.h.
inline constexpr ErrorCode kErrorKeyDeleted = 1018; // ERROR_KEY_DELETED

struct RegistryValue {
    std::string name; // UTF-8; empty for the default value
    RegistryType type = kRegNone;
    std::vector<std::uint8_t> data;

    bool operator==(const RegistryValue&) const = default;
};

// Builders of the data Windows stores for each type.
std::vector<std::uint8_t> StringData(std::string_view text); // UTF-16LE + null
std::vector<std::uint8_t> MultiStringData(const std::vector<std::string>& items);
std::vector<std::uint8_t> DwordData(std::uint32_t value);
std::vector<std::uint8_t> QwordData(std::uint64_t value);

RegistryValue MakeStringValue(std::string name, std::string_view text, RegistryType type = kRegSz);
RegistryValue MakeMultiStringValue(std::string name, const std::vector<std::string>& items);
RegistryValue MakeDwordValue(std::string name, std::uint32_t value);
RegistryValue MakeQwordValue(std::string name, std::uint64_t value);
RegistryValue MakeBinaryValue(std::string name, std::vector<std::uint8_t> data, RegistryType type = kRegBinary);

// Readers. Text is read up to the first null (an odd last byte is dropped, as Windows does);
// the integers need exactly 4 or 8 bytes.
std::string DataAsString(const std::vector<std::uint8_t>& data);
std::vector<std::string> DataAsMultiString(const std::vector<std::uint8_t>& data);
std::optional<std::uint32_t> DataAsDword(const std::vector<std::uint8_t>& data);
std::optional<std::uint64_t> DataAsQword(const std::vector<std::uint8_t>& data);

} // namespace platform
