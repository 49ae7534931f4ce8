// ReadRegistryValue and WriteRegistryValue: the generic registry access of the product registry.

#include "environment/Errors.h"
#include "environment/MachineRegistry.h"
#include "environment/RegAccess.h"

#include <charconv>
#include <limits>

namespace {

// StrToInt: optional leading blanks and sign, then decimal digits, or hexadecimal after "$" or "0x".
std::optional<std::int32_t> ParseInteger(std::string_view text) {
    std::size_t pos = text.find_first_not_of(' ');
    if (pos == std::string_view::npos)
        return std::nullopt;
    bool negative = false;
    if (text[pos] == '-' || text[pos] == '+') {
        negative = text[pos] == '-';
        ++pos;
    }
    int base = 10;
    if (text.substr(pos, 1) == "$") {
        base = 16;
        pos += 1;
    } else if (text.substr(pos, 2) == "0x" || text.substr(pos, 2) == "0X") {
        base = 16;
        pos += 2;
    }
    const std::string_view digits = text.substr(pos);
    std::uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude, base);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    // Hexadecimal text may spell the whole 32-bit pattern (as $FFFFFFFF for -1).
    const std::uint64_t limit =
        base == 16 ? std::numeric_limits<std::uint32_t>::max() : (negative ? 2147483648ULL : 2147483647ULL);
    if (magnitude > limit)
        return std::nullopt;
    const auto bits = static_cast<std::uint32_t>(negative ? (0 - magnitude) : magnitude);
    return static_cast<std::int32_t>(bits);
}

platform::ErrorCode OpenKey(platform::RegistryRoot root, std::string_view keyPath, bool canCreate,
                            platform::AccessMask access, platform::RegistryKey& key) {
    if (access == kFullAccess)
        access = platform::kKeyAllAccess;
    platform::Registry& registry = MachineRegistry();
    return canCreate ? registry.CreateKey(root, keyPath, access, key) : registry.OpenKey(root, keyPath, access, key);
}

} // namespace

std::string VariantToText(const RegistryVariant& value) {
    if (const auto* number = std::get_if<std::int32_t>(&value))
        return std::to_string(*number);
    return std::get<std::string>(value);
}

RegistryVariant ReadRegistryValue(platform::RegistryRoot root, std::string_view keyPath, std::string_view valueName,
                                  bool canCreate, std::string_view defaultText, platform::AccessMask access) {
    RegistryVariant result = std::int32_t{0};
    platform::RegistryKey key;
    if (OpenKey(root, keyPath, canCreate, access, key) == platform::kErrorSuccess) {
        platform::RegistryValue value;
        if (key.QueryValue(valueName, value) == platform::kErrorSuccess && value.type == platform::kRegDword) {
            const auto number = platform::DataAsDword(value.data);
            if (!number)
                throw Exception("Type de données incorrect pour '" + std::string(valueName) + "'");
            result = static_cast<std::int32_t>(*number);
        } else {
            result = ReadKeyText(key, valueName);
        }
    } else if (defaultText != "0") {
        result = std::string(defaultText);
    }
    return result;
}

bool WriteRegistryValue(platform::RegistryRoot root, std::string_view keyPath, std::string_view valueName,
                        bool canCreate, const RegistryVariant& value) {
    if (keyPath.empty())
        return false;
    platform::RegistryKey key;
    if (OpenKey(root, keyPath, canCreate, platform::kKeyAllAccess, key) != platform::kErrorSuccess)
        return false;
    const std::string text = VariantToText(value);
    platform::RegistryValue existing;
    if (key.QueryValue(valueName, existing) == platform::kErrorSuccess && existing.type == platform::kRegDword) {
        const auto number = ParseInteger(text);
        if (!number)
            throw Exception("'" + text + "' n'est pas une valeur entière correcte");
        WriteKeyInteger(key, valueName, *number);
    } else {
        WriteKeyText(key, valueName, text);
    }
    return true;
}
