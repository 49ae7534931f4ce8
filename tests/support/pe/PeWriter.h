#pragma once

// Test support: makes PE32 and PE32+ files carrying any version resource, for tests that need a
// program or library of a given version (installed vs packed files, the Firebird client, ...).
//
//   #include "pe/PeWriter.h"
//   testsupport::WritePeFile(dir / "gds32.dll", testsupport::MakeVersionResource(2, 5, 2, 26540, "WI-V2.5.2.26540"));
//   testsupport::WritePeFile(dir / "old.exe", testsupport::MakeVersionResource(1, 0, 0, 0),
//   testsupport::PeFormat::Pe32);
//
// Link `quarnel_test_pe_writer`. The image is a minimal, valid layout: DOS header, PE headers, one
// ".rsrc" section holding the resource directory (type 16, name 1, language 0x040C) and the data.

#include "platform/pe/VersionResource.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

namespace testsupport {

enum class PeFormat { Pe32, Pe32Plus };

// A version resource with the fixed version major.minor.release.build (file and product), the
// translation French/1252 (040C04E4) and the strings "FileVersion" and "ProductVersion" in table
// "040C04E4"; `fileVersionText` empty means "major.minor.release.build".
platform::VersionResource MakeVersionResource(std::uint16_t major, std::uint16_t minor, std::uint16_t release,
                                              std::uint16_t build, std::string_view fileVersionText = {});

// The VS_VERSIONINFO bytes of `resource`: the fixed information when present, a "StringFileInfo"
// block when it has string tables, a "VarFileInfo" block when it has translations.
std::vector<std::uint8_t> EncodeVersionInfo(const platform::VersionResource& resource);

// A PE image whose RT_VERSION resource holds `versionInfo` verbatim (any bytes, damaged ones
// included); an empty span gives an image without any resource.
std::vector<std::uint8_t> MakePeImage(PeFormat format, std::span<const std::uint8_t> versionInfo);

// Writes MakePeImage(format, EncodeVersionInfo(resource)) to `file`; throws std::runtime_error on failure.
void WritePeFile(const std::filesystem::path& file, const platform::VersionResource& resource,
                 PeFormat format = PeFormat::Pe32Plus);
// Writes raw bytes (a damaged image, a text file) to `file`; throws std::runtime_error on failure.
void WriteBytes(const std::filesystem::path& file, std::span<const std::uint8_t> bytes);

} // namespace testsupport
