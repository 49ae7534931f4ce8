// Feeds arbitrary bytes to the version-resource reader twice: as a whole PE image, and as the
// VS_VERSIONINFO data itself (so that the block parser is reached without a valid image around it).
// Seeds: the images of tests/fixtures/pe and their version data in seeds/ (see README.md).

#include "platform/pe/LanguageNames.h"
#include "platform/pe/PeVersionReader.h"
#include "platform/text/Text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

void Use(const std::optional<platform::VersionResource>& resource) {
    if (!resource)
        return;
    for (const platform::Translation& translation : resource->translations) {
        (void)platform::LanguageName(translation.language);
        (void)resource->QueryString(translation.BlockKey(), "FileVersion");
    }
    for (const platform::StringTable& table : resource->stringTables)
        for (const platform::VersionString& string : table.strings)
            if (!platform::text::IsValidUtf8(string.name) || !platform::text::IsValidUtf8(string.value))
                std::abort(); // every text leaving the reader is UTF-8
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    Use(platform::ReadVersionResource(bytes));
    Use(platform::ParseVersionInfo(bytes));
    return 0;
}
