#pragma once

// The Shell Link (.lnk) binary format: the header (size 0x4C, the ShellLink class identifier,
// flags, target attributes, times and size, icon index, show command, hot key), the optional
// target ID list, the link information with the volume and the local base path, the string data
// (name, relative path, working folder, arguments, icon location) and the extra data blocks.
// Links come from outside: the parser reads through a bounded cursor, checks every size and
// offset, and refuses what does not hold with ShellLinkError.

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform {

class ShellLinkError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// LinkFlags.
inline constexpr std::uint32_t kHasLinkTargetIdList = 0x00000001;
inline constexpr std::uint32_t kHasLinkInfo = 0x00000002;
inline constexpr std::uint32_t kHasName = 0x00000004;
inline constexpr std::uint32_t kHasRelativePath = 0x00000008;
inline constexpr std::uint32_t kHasWorkingDir = 0x00000010;
inline constexpr std::uint32_t kHasArguments = 0x00000020;
inline constexpr std::uint32_t kHasIconLocation = 0x00000040;
inline constexpr std::uint32_t kIsUnicode = 0x00000080;
inline constexpr std::uint32_t kForceNoLinkInfo = 0x00000100;

// ShowCommand values a link may hold (SW_SHOWNORMAL, SW_SHOWMAXIMIZED, SW_SHOWMINNOACTIVE).
inline constexpr std::int32_t kSwShowNormal = 1;
inline constexpr std::int32_t kSwShowMaximized = 3;
inline constexpr std::int32_t kSwShowMinNoActive = 7;

// The volume of the target (VolumeID).
struct ShellLinkVolume {
    std::uint32_t driveType = 3; // DRIVE_FIXED
    std::uint32_t serialNumber = 0;
    std::string label;

    bool operator==(const ShellLinkVolume&) const = default;
};

// A link as the file holds it; texts in UTF-8. Fields whose flag is absent are empty.
struct ShellLink {
    std::uint32_t linkFlags = 0; // recomputed on writing from what the fields hold (see EncodeShellLink)
    std::uint32_t fileAttributes = 0;
    std::uint64_t creationTime = 0; // FILETIME ticks
    std::uint64_t accessTime = 0;
    std::uint64_t writeTime = 0;
    std::uint32_t fileSize = 0;
    std::int32_t iconIndex = 0;
    std::int32_t showCommand = kSwShowNormal;
    std::uint16_t hotKey = 0;

    // LinkTargetIDList, kept as its raw item bytes (without the size field, terminal item included).
    std::vector<std::uint8_t> idList;
    // LinkInfo: present when the link records a local target.
    std::optional<ShellLinkVolume> volume;
    std::string localBasePath;
    std::string commonPathSuffix;

    std::string name; // the description
    std::string relativePath;
    std::string workingDir;
    std::string arguments;
    std::string iconLocation;

    // ExtraData blocks, raw (each with its size and signature), terminal block excluded.
    std::vector<std::uint8_t> extraData;

    // The target path the link information gives: local base path + common path suffix.
    std::string TargetPath() const { return localBasePath + commonPathSuffix; }

    bool operator==(const ShellLink&) const = default;
};

// The largest link file read (links are a few hundred bytes; this is far beyond any real one).
inline constexpr std::size_t kMaxShellLinkSize = 1 << 20;

ShellLink ParseShellLink(std::span<const std::uint8_t> bytes);

// The file bytes. Flags: kHasLinkTargetIdList when idList is not empty, kHasLinkInfo when the
// volume or the local base path is set, kHasName ... kHasIconLocation for each non-empty string,
// always kIsUnicode; other bits of linkFlags are kept. The local base path is written in the ANSI
// code page 1252 and in UTF-16.
std::vector<std::uint8_t> EncodeShellLink(const ShellLink& link);

} // namespace platform
