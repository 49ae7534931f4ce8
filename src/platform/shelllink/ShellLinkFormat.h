#pragma once

// Constants of the .lnk layout shared by the reader and the writer.

#include <array>
#include <cstdint>

namespace platform::shelllink_detail {

inline constexpr std::uint32_t kHeaderSize = 0x4C;
// {00021401-0000-0000-C000-000000000046} as the file stores it.
inline constexpr std::array<std::uint8_t, 16> kLinkClsid = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                            0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// LinkInfo.
inline constexpr std::uint32_t kLinkInfoHeaderMinimum = 0x1C;
inline constexpr std::uint32_t kLinkInfoHeaderWithUnicode = 0x24;
inline constexpr std::uint32_t kVolumeIdAndLocalBasePath = 0x1;
inline constexpr std::uint32_t kCommonNetworkRelativeLinkAndPathSuffix = 0x2;
inline constexpr std::uint32_t kVolumeIdMinimum = 0x10;
inline constexpr std::uint32_t kVolumeLabelUnicodeMarker = 0x14;

} // namespace platform::shelllink_detail
