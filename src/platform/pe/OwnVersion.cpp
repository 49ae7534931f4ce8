#include "platform/pe/OwnVersion.h"

namespace platform {

namespace {

// "+ 0" keeps a component that the project version leaves out (an empty macro) at 0.
constexpr std::uint32_t kMajor = QUARNEL_VERSION_MAJOR + 0;
constexpr std::uint32_t kMinor = QUARNEL_VERSION_MINOR + 0;
constexpr std::uint32_t kPatch = QUARNEL_VERSION_PATCH + 0;
constexpr std::uint32_t kTweak = QUARNEL_VERSION_TWEAK + 0;
static_assert(kMajor <= 0xFFFF && kMinor <= 0xFFFF && kPatch <= 0xFFFF && kTweak <= 0xFFFF,
              "each version component must fit in 16 bits");

constexpr std::uint32_t kVosNtWindows32 = 0x00040004;
constexpr std::uint32_t kVftApp = 1;
constexpr std::uint32_t kVsFfiFileFlagsMask = 0x3F;

VersionResource MakeOwnVersion() {
    FixedFileInfo fixed;
    fixed.fileVersionMS = kMajor << 16 | kMinor;
    fixed.fileVersionLS = kPatch << 16 | kTweak;
    fixed.productVersionMS = fixed.fileVersionMS;
    fixed.productVersionLS = fixed.fileVersionLS;
    fixed.fileFlagsMask = kVsFfiFileFlagsMask;
    fixed.fileOS = kVosNtWindows32;
    fixed.fileType = kVftApp;

    const Translation french{0x040C, 0x04E4};
    VersionResource own;
    own.fixedInfo = fixed;
    own.translations = {french};
    own.stringTables = {{french.BlockKey(),
                         {{"CompanyName", "QUARNEL S.A."},
                          {"FileDescription", "Assistant de mise à jour Quarnel"},
                          {"FileVersion", QUARNEL_VERSION_TEXT},
                          {"InternalName", "quarnel-update"},
                          {"LegalCopyright", "Copyright © QUARNEL S.A."},
                          {"LegalTrademarks", ""},
                          {"OriginalFilename", "quarnel-update"},
                          {"ProductName", "Quarnel"},
                          {"ProductVersion", QUARNEL_VERSION_TEXT},
                          {"Comments", ""}}}};
    return own;
}

} // namespace

const VersionResource& OwnVersionResource() {
    static const VersionResource own = MakeOwnVersion();
    return own;
}

} // namespace platform
