// CopyAndInstallFont: a font file copied into the fonts folder and registered with the machine.
// The installed screen fonts are those the machine's font key registers.

#include "environment/InstallTools2.h"
#include "environment/MachineRegistry.h"
#include "platform/errors/SystemError.h"
#include "platform/files/Files.h"
#include "platform/text/Text.h"

namespace {

constexpr std::string_view kNtFontsKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
constexpr std::string_view k9xFontsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Fonts";

std::string_view FontsKey() {
    return TWindowsInstaller::IsWindows9X() ? k9xFontsKey : kNtFontsKey;
}

// A registered name without the kind Windows appends to it: "Arial (TrueType)" is the font "Arial".
std::string_view WithoutKind(std::string_view name) {
    if (!name.empty() && name.back() == ')') {
        const std::size_t open = name.rfind(" (");
        if (open != std::string_view::npos)
            return name.substr(0, open);
    }
    return name;
}

bool IsScreenFontInstalled(std::string_view fontName) {
    platform::RegistryKey key;
    if (MachineRegistry().OpenKey(platform::RegistryRoot::LocalMachine, FontsKey(), platform::kKeyQueryValue, key) != 0)
        return false;
    std::vector<platform::RegistryValue> values;
    if (key.EnumValues(values) != 0)
        return false;
    for (const platform::RegistryValue& value : values)
        if (platform::text::EqualsIgnoreCase(value.name, fontName) ||
            platform::text::EqualsIgnoreCase(WithoutKind(value.name), fontName))
            return true;
    return false;
}

std::string FileNamePart(std::string_view path) {
    const std::size_t cut = path.find_last_of("\\:");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

} // namespace

void TWindowsInstaller::CopyAndInstallFont(std::string_view SourceFilename, std::string_view FontName) {
    if (IsScreenFontInstalled(FontName))
        return;
    std::string folder = GetSpecialFolderPath(CSIDL_FONTS);
    if (folder.empty())
        folder = GetWinSystemPath();
    const std::string fileName = FileNamePart(SourceFilename);
    const std::string dest = AddBackslash(folder) + fileName;
    if (!FileExists(dest)) {
        if (!platform::CopyFile(SourceFilename, dest, true))
            platform::RaiseLastError();
        // As the toolkit always did, a font file left read-only is no reason to stop.
        platform::SetFileAttributes(dest, platform::kFileAttributeNormal);
    }
    platform::RegistryKey key;
    if (MachineRegistry().OpenKey(platform::RegistryRoot::LocalMachine, FontsKey(), platform::kKeySetValue, key) == 0)
        key.SetValue(platform::MakeStringValue(std::string(FontName), fileName));
    // AddFontResourceW and the WM_FONTCHANGE broadcast: the machine's font table is the key above,
    // and no other program of the emulated machine listens for the broadcast.
}
