// Installed software as the registry and the library search show it: Acrobat Reader, the Internet
// Explorer version and the Visual Basic 6 runtime.

#include "environment/Errors.h"
#include "environment/InstallTools2.h"
#include "environment/MachineRegistry.h"

#include <charconv>

namespace {

bool KeyExists(std::string_view path) {
    // Paths written from the root ("\SOFTWARE\...") open from the root.
    if (!path.empty() && path.front() == '\\')
        path.remove_prefix(1);
    platform::RegistryKey key;
    return MachineRegistry().OpenKey(platform::RegistryRoot::LocalMachine, path, platform::kKeyRead, key) == 0;
}

// StrToIntDef(part, 0), then the range of a 16-bit number.
std::uint16_t VersionPart(std::string_view part) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (part.empty() || error != std::errc() || end != part.data() + part.size())
        return 0;
    if (value < 0 || value > 65535)
        throw Exception("Erreur de vérification des limites");
    return static_cast<std::uint16_t>(value);
}

struct RuntimeFile {
    std::string_view name;
    std::uint16_t required[4];
};

constexpr RuntimeFile kVbRuntimeFiles[] = {
    {"asycfilt.dll", {2, 40, 4275, 1}}, {"comcat.dll", {4, 71, 1460, 1}},  {"msvbvm60.dll", {6, 0, 89, 64}},
    {"oleaut32.dll", {2, 40, 4275, 1}}, {"olepro32.dll", {5, 0, 4275, 1}}, {"stdole2.tlb", {2, 40, 4275, 1}},
};

} // namespace

bool TWindowsInstaller::IsAcroreadInstalled() {
    return KeyExists("\\SOFTWARE\\Adobe\\Acrobat Reader") || KeyExists("\\SOFTWARE\\Adobe\\Acrobat");
}

void TWindowsInstaller::GetIEVersion(std::uint16_t& major, std::uint16_t& minor, std::uint16_t& release,
                                     std::uint16_t& build) {
    std::string version;
    platform::RegistryKey key;
    if (MachineRegistry().OpenKey(platform::RegistryRoot::LocalMachine, "Software\\Microsoft\\Internet Explorer",
                                  platform::kKeyAllAccess, key) == 0) {
        platform::RegistryValue value;
        version = key.QueryValue("Version", value) == 0 ? ReadKeyText(key, "Version") : "0.0.0.0";
    }
    std::uint16_t parts[4] = {0, 0, 0, 0};
    std::string_view rest = version;
    for (std::size_t i = 0; i < 4 && !rest.empty(); ++i) {
        const std::size_t dot = rest.find('.');
        parts[i] = VersionPart(rest.substr(0, dot));
        rest = dot == std::string_view::npos ? std::string_view() : rest.substr(dot + 1);
    }
    major = parts[0];
    minor = parts[1];
    release = parts[2];
    build = parts[3];
}

int CompareVersionNumbers(const std::uint16_t (&found)[4], const std::uint16_t (&required)[4]) {
    for (std::size_t i = 0; i < 4; ++i)
        if (found[i] != required[i])
            return found[i] < required[i] ? 1 : -1;
    return 0;
}

bool TWindowsInstaller::NeedsVBRun60R5() {
    for (const RuntimeFile& file : kVbRuntimeFiles) {
        std::uint16_t found[4] = {0, 0, 0, 0};
        if (!GetFileVersion(file.name, found[0], found[1], found[2], found[3]) ||
            CompareVersionNumbers(found, file.required) == 1)
            return true;
    }
    return false;
}
