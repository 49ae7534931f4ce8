#pragma once

// Reads the version resource of a PE32 or PE32+ file (executable or library), as
// GetFileVersionInfoW finds it: the resource of type RT_VERSION (16) and name 1, its first language.
// Everything read from the file is checked: offsets, lengths and counts, with caps on each.

#include "platform/pe/VersionResource.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace platform {

// nullopt when the file is missing, unreadable, not a PE image, damaged, or has no version resource.
std::optional<VersionResource> ReadVersionResource(const std::filesystem::path& file);
std::optional<VersionResource> ReadVersionResource(std::span<const std::uint8_t> image);

// The raw VS_VERSIONINFO bytes of an image (what GetFileVersionInfoW copies), nullopt as above.
std::optional<std::vector<std::uint8_t>> ExtractVersionInfo(std::span<const std::uint8_t> image);

} // namespace platform
