#pragma once

// The content of a file's version resource (VS_VERSIONINFO), as GetFileVersionInfoW and
// VerQueryValueW present it: the fixed information of the root block ("\"), the language and
// code-page pairs of "\VarFileInfo\Translation", and the string tables of "\StringFileInfo".

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// VS_FIXEDFILEINFO without its signature, which the parser has already checked.
struct FixedFileInfo {
    std::uint32_t structVersion = 0x00010000;
    std::uint32_t fileVersionMS = 0; // major << 16 | minor
    std::uint32_t fileVersionLS = 0; // release << 16 | build
    std::uint32_t productVersionMS = 0;
    std::uint32_t productVersionLS = 0;
    std::uint32_t fileFlagsMask = 0;
    std::uint32_t fileFlags = 0;
    std::uint32_t fileOS = 0;
    std::uint32_t fileType = 0;
    std::uint32_t fileSubtype = 0;
    std::uint32_t fileDateMS = 0;
    std::uint32_t fileDateLS = 0;

    bool operator==(const FixedFileInfo&) const = default;
};

inline constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
inline constexpr std::size_t kFixedFileInfoSize = 52; // signature + the twelve fields above

// One entry of "\VarFileInfo\Translation".
struct Translation {
    std::uint16_t language = 0;
    std::uint16_t codePage = 0;

    // The name of its string table: language then code page, 4 upper-case hexadecimal digits each ("040C04E4").
    std::string BlockKey() const;

    bool operator==(const Translation&) const = default;
};

struct VersionString {
    std::string name; // UTF-8
    std::string value;

    bool operator==(const VersionString&) const = default;
};

struct StringTable {
    std::string key; // as stored, usually 8 hexadecimal digits
    std::vector<VersionString> strings;

    bool operator==(const StringTable&) const = default;
};

struct VersionResource {
    std::optional<FixedFileInfo> fixedInfo; // absent when the root block carries no valid VS_FIXEDFILEINFO
    std::vector<Translation> translations;
    std::vector<StringTable> stringTables;

    // VerQueryValueW(L"\\StringFileInfo\\" + blockKey + L"\\" + name): table and string names are
    // matched without regard to case, the first match wins. nullopt when either is missing.
    std::optional<std::string> QueryString(std::string_view blockKey, std::string_view name) const;

    bool operator==(const VersionResource&) const = default;
};

// The translation whose strings a person reads on a machine of language `systemLanguage`: that
// language, else one of the same primary language, else the neutral language, else English, else
// the first. Nothing when the resource lists none.
std::optional<Translation> PreferredTranslation(const VersionResource& resource, std::uint16_t systemLanguage);

// Parses the bytes of a VS_VERSIONINFO block (the RT_VERSION resource data). nullopt when the root
// block does not hold together; a damaged child block ends the reading of its parent's children.
// As VerQueryValueW does, only the first "StringFileInfo" and "VarFileInfo" blocks and the first
// "Translation" value count.
std::optional<VersionResource> ParseVersionInfo(std::span<const std::uint8_t> bytes);

} // namespace platform
