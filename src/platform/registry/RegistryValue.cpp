#include "platform/registry/RegistryValue.h"

#include "platform/text/Text.h"

#include <array>
#include <cstdio>

namespace platform {

namespace {

struct TypeName {
    RegistryType type;
    std::string_view name;
};

constexpr std::array<TypeName, 11> kTypeNames{{
    {kRegNone, "REG_NONE"},
    {kRegSz, "REG_SZ"},
    {kRegExpandSz, "REG_EXPAND_SZ"},
    {kRegBinary, "REG_BINARY"},
    {kRegDword, "REG_DWORD"},
    {5, "REG_DWORD_BIG_ENDIAN"},
    {6, "REG_LINK"},
    {kRegMultiSz, "REG_MULTI_SZ"},
    {8, "REG_RESOURCE_LIST"},
    {9, "REG_FULL_RESOURCE_DESCRIPTOR"},
    {kRegQword, "REG_QWORD"},
}};

void AppendUtf16(std::vector<std::uint8_t>& out, std::string_view text) {
    for (const char16_t unit : text::Utf8ToUtf16(text)) {
        out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        out.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
}

void AppendNull(std::vector<std::uint8_t>& out) {
    out.push_back(0);
    out.push_back(0);
}

} // namespace

std::string_view RootName(RegistryRoot root) {
    return root == RegistryRoot::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

std::optional<RegistryRoot> ParseRootName(std::string_view name) {
    if (text::EqualsIgnoreAsciiCase(name, "HKEY_LOCAL_MACHINE") || text::EqualsIgnoreAsciiCase(name, "HKLM"))
        return RegistryRoot::LocalMachine;
    if (text::EqualsIgnoreAsciiCase(name, "HKEY_CURRENT_USER") || text::EqualsIgnoreAsciiCase(name, "HKCU"))
        return RegistryRoot::CurrentUser;
    return std::nullopt;
}

std::string RegistryTypeName(RegistryType type) {
    for (const auto& entry : kTypeNames)
        if (entry.type == type)
            return std::string(entry.name);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%X", static_cast<unsigned>(type));
    return buffer;
}

std::optional<RegistryType> ParseRegistryTypeName(std::string_view name) {
    for (const auto& entry : kTypeNames)
        if (text::EqualsIgnoreAsciiCase(name, entry.name))
            return entry.type;
    return std::nullopt;
}

std::vector<std::uint8_t> StringData(std::string_view text) {
    std::vector<std::uint8_t> data;
    AppendUtf16(data, text);
    AppendNull(data);
    return data;
}

std::vector<std::uint8_t> MultiStringData(const std::vector<std::string>& items) {
    std::vector<std::uint8_t> data;
    for (const auto& item : items) {
        AppendUtf16(data, item);
        AppendNull(data);
    }
    AppendNull(data);
    return data;
}

std::vector<std::uint8_t> DwordData(std::uint32_t value) {
    std::vector<std::uint8_t> data(4);
    for (std::size_t i = 0; i < 4; ++i)
        data[i] = static_cast<std::uint8_t>(value >> (8 * i));
    return data;
}

std::vector<std::uint8_t> QwordData(std::uint64_t value) {
    std::vector<std::uint8_t> data(8);
    for (std::size_t i = 0; i < 8; ++i)
        data[i] = static_cast<std::uint8_t>(value >> (8 * i));
    return data;
}

RegistryValue MakeStringValue(std::string name, std::string_view text, RegistryType type) {
    return {std::move(name), type, StringData(text)};
}

RegistryValue MakeMultiStringValue(std::string name, const std::vector<std::string>& items) {
    return {std::move(name), kRegMultiSz, MultiStringData(items)};
}

RegistryValue MakeDwordValue(std::string name, std::uint32_t value) {
    return {std::move(name), kRegDword, DwordData(value)};
}

RegistryValue MakeQwordValue(std::string name, std::uint64_t value) {
    return {std::move(name), kRegQword, QwordData(value)};
}

RegistryValue MakeBinaryValue(std::string name, std::vector<std::uint8_t> data, RegistryType type) {
    return {std::move(name), type, std::move(data)};
}

std::string DataAsString(const std::vector<std::uint8_t>& data) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        const auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (unit == 0)
            break;
        units += unit;
    }
    return text::Utf16ToUtf8(units);
}

std::vector<std::string> DataAsMultiString(const std::vector<std::uint8_t>& data) {
    std::vector<std::string> items;
    std::u16string current;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        const auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (unit != 0) {
            current += unit;
            continue;
        }
        if (current.empty())
            return items; // the empty string ends the list
        items.push_back(text::Utf16ToUtf8(current));
        current.clear();
    }
    if (!current.empty())
        items.push_back(text::Utf16ToUtf8(current));
    return items;
}

std::optional<std::uint32_t> DataAsDword(const std::vector<std::uint8_t>& data) {
    if (data.size() != 4)
        return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(data[i]) << (8 * i);
    return value;
}

std::optional<std::uint64_t> DataAsQword(const std::vector<std::uint8_t>& data) {
    if (data.size() != 8)
        return std::nullopt;
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < 8; ++i)
        value |= static_cast<std::uint64_t>(data[i]) << (8 * i);
    return value;
}

} // namespace platform
