#include "platform/machine/Machine.h"

#include "platform/machine/IniFile.h"
#include "platform/machine/TemporaryNames.h"
#include "platform/machine/WholeFile.h"
#include "platform/machine/WindowsPath.h"
#include "platform/text/Text.h"

#include <algorithm>
#include <arpa/inet.h>
#include <charconv>
#include <cstdlib>
#include <ifaddrs.h>
#include <mutex>
#include <netinet/in.h>
#include <pwd.h>
#include <stdexcept>
#include <unistd.h>

namespace platform {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSettingsFile = "machine.ini";

std::string HostUserName() {
    if (const passwd* entry = getpwuid(geteuid()); entry != nullptr && entry->pw_name != nullptr)
        return entry->pw_name;
    if (const char* user = std::getenv("USER"); user != nullptr && *user != '\0')
        return user;
    return "utilisateur";
}

std::vector<std::string> Split(std::string_view text, char separator) {
    std::vector<std::string> parts;
    while (!text.empty()) {
        const std::size_t end = text.find(separator);
        std::string_view part = text.substr(0, end);
        while (!part.empty() && part.front() == ' ')
            part.remove_prefix(1);
        while (!part.empty() && part.back() == ' ')
            part.remove_suffix(1);
        if (!part.empty())
            parts.emplace_back(part);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return parts;
}

template <typename T> std::optional<T> ParseNumber(std::string_view text, int base = 10) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// "U+00A0" names one character by its code point, so that invisible separators stay readable.
std::string DecodeCharacterSetting(std::string_view value) {
    if (value.size() > 2 && (value[0] == 'U' || value[0] == 'u') && value[1] == '+') {
        if (const auto code = ParseNumber<std::uint32_t>(value.substr(2), 16)) {
            std::string out;
            text::AppendUtf8(out, *code);
            return out;
        }
    }
    return std::string(value);
}

std::string EncodeCharacterSetting(std::string_view value) {
    std::size_t pos = 0;
    if (value.empty())
        return {};
    const char32_t c = text::DecodeUtf8(value, pos);
    if (pos == value.size() && (c < 0x21 || c > 0x7E)) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
        return buffer;
    }
    return std::string(value);
}

// A misspelt setting would otherwise pass unnoticed and leave the default in force.
void RefuseUnknownKeys(const IniFile::Section& section, std::initializer_list<std::string_view> known,
                       const std::string& file) {
    for (std::size_t i = 0; i < section.entries.size(); ++i) {
        const std::string& key = section.entries[i].first;
        const bool isKnown = std::any_of(known.begin(), known.end(),
                                         [&](std::string_view k) { return text::EqualsIgnoreAsciiCase(k, key); });
        if (!isKnown)
            throw std::runtime_error(file + ":" + std::to_string(section.entryLines[i]) + ": réglage inconnu " + key +
                                     " dans [" + section.name + "]");
    }
}

void ApplyMachineSection(const IniFile::Section& section, MachineSettings& settings, const std::string& file) {
    const auto fail = [&](std::string_view key, const std::string& problem) {
        throw std::runtime_error(file + ":" + std::to_string(section.LineOf(key)) + ": " + problem);
    };
    RefuseUnknownKeys(section,
                      {"ComputerName", "UserName", "WindowsFolder", "SystemFolder", "TempFolder", "Path", "Platform",
                       "Version", "RemoteSession", "SessionId", "AnsiCodePage", "ThousandsSeparator", "IPAddresses",
                       "SystemLanguage", "Administrator"},
                      file);
    if (auto v = section.Get("ComputerName"))
        settings.computerName = *v;
    if (auto v = section.Get("UserName"))
        settings.userName = *v;
    if (auto v = section.Get("WindowsFolder"))
        settings.windowsFolder = *v;
    if (auto v = section.Get("SystemFolder"))
        settings.systemFolder = *v;
    if (auto v = section.Get("TempFolder"))
        settings.tempFolder = *v;
    if (auto v = section.Get("Path"))
        settings.libraryPath = Split(*v, ';');
    if (auto v = section.Get("Platform")) {
        if (text::EqualsIgnoreAsciiCase(*v, "NT"))
            settings.os.platform = OsPlatform::WindowsNT;
        else if (text::EqualsIgnoreAsciiCase(*v, "9x"))
            settings.os.platform = OsPlatform::Windows9x;
        else
            fail("Platform", "Platform vaut NT ou 9x");
    }
    if (auto v = section.Get("Version")) {
        const std::size_t dot = v->find('.');
        const auto major = ParseNumber<unsigned>(std::string_view(*v).substr(0, dot));
        const auto minor = dot == std::string::npos ? std::optional<unsigned>(0)
                                                    : ParseNumber<unsigned>(std::string_view(*v).substr(dot + 1));
        if (!major || !minor)
            fail("Version", "Version s'écrit MAJEURE.MINEURE, par exemple 6.2");
        settings.os.major = *major;
        settings.os.minor = *minor;
    }
    if (auto v = section.Get("RemoteSession")) {
        if (*v != "0" && *v != "1")
            fail("RemoteSession", "RemoteSession vaut 0 ou 1");
        settings.remoteSession = *v == "1";
    }
    if (auto v = section.Get("Administrator")) {
        if (*v != "0" && *v != "1")
            fail("Administrator", "Administrator vaut 0 ou 1");
        settings.administrator = *v == "1";
    }
    if (auto v = section.Get("SessionId")) {
        const auto id = ParseNumber<unsigned>(*v);
        if (!id)
            fail("SessionId", "SessionId doit être un nombre");
        settings.sessionId = *id;
    }
    if (auto v = section.Get("AnsiCodePage")) {
        const auto page = ParseNumber<unsigned>(*v);
        if (!page)
            fail("AnsiCodePage", "AnsiCodePage doit être un nombre");
        settings.ansiCodePage = *page;
    }
    if (auto v = section.Get("ThousandsSeparator"))
        settings.thousandsSeparator = DecodeCharacterSetting(*v);
    if (auto v = section.Get("IPAddresses")) {
        settings.ipAddresses = Split(*v, ',');
        for (const std::string& address : settings.ipAddresses) {
            in_addr parsed{};
            if (inet_pton(AF_INET, address.c_str(), &parsed) != 1)
                fail("IPAddresses", "ce n'est pas une adresse IPv4 : " + address);
        }
    }
    if (auto v = section.Get("SystemLanguage")) {
        const auto language = ParseNumber<std::uint16_t>(*v, 16);
        if (!language)
            fail("SystemLanguage", "SystemLanguage doit être un identifiant de langue hexadécimal, par exemple 040C");
        settings.systemLanguage = *language;
    }
}

Drive ReadDriveSection(const IniFile::Section& section, const fs::path& prefix, const std::string& file) {
    const auto fail = [&](std::string_view key, const std::string& problem) {
        throw std::runtime_error(file + ":" + std::to_string(section.LineOf(key)) + ": " + problem);
    };
    const std::string_view name = std::string_view(section.name).substr(6);
    const bool validLetter =
        name.size() == 1 && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
    if (!validLetter)
        fail("", "une section de lecteur s'écrit [Drive X], avec une lettre");
    RefuseUnknownKeys(section, {"Folder", "Type", "FileSystem", "FreeSpace"}, file);
    Drive drive;
    drive.letter = static_cast<char>(name[0] & ~0x20);
    const auto folder = section.Get("Folder");
    if (!folder || folder->empty())
        fail("Folder", "le lecteur " + std::string(1, drive.letter) + ": n'a pas de Folder");
    const fs::path hostFolder(*folder);
    drive.hostFolder = hostFolder.is_absolute() ? hostFolder : prefix / hostFolder;
    if (auto v = section.Get("Type")) {
        const auto type = ParseDriveType(*v);
        if (!type)
            fail("Type", "Type vaut fixed, remote, cdrom ou removable");
        drive.type = *type;
    }
    if (auto v = section.Get("FileSystem"))
        drive.fileSystem = *v;
    if (auto v = section.Get("FreeSpace"); v && !v->empty()) {
        const auto bytes = ParseNumber<std::uint64_t>(*v);
        if (!bytes)
            fail("FreeSpace", "FreeSpace doit être un nombre d'octets");
        drive.reportedFreeSpace = *bytes;
    }
    return drive;
}

void CompleteDefaults(MachineSettings& settings) {
    if (settings.userName.empty())
        settings.userName = HostUserName();
    if (settings.tempFolder.empty())
        settings.tempFolder = "C:\\Users\\" + settings.userName + "\\AppData\\Local\\Temp";
    std::sort(settings.drives.begin(), settings.drives.end(),
              [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
}

} // namespace

fs::path Machine::ChosenPrefix() {
    if (const char* prefix = std::getenv("QUARNEL_PREFIX"); prefix != nullptr && *prefix != '\0')
        return fs::absolute(prefix);
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return fs::path(home) / ".quarnel";
    throw std::runtime_error("ni QUARNEL_PREFIX ni HOME n'est défini : aucun préfixe de machine ne peut être choisi");
}

fs::path Machine::DefaultPrefix() {
    fs::path prefix = ChosenPrefix();
    // A mistyped QUARNEL_PREFIX, or a home folder without its machine, must not become a new,
    // empty machine: only init makes one.
    std::error_code error;
    if (!fs::is_regular_file(prefix / kSettingsFile, error))
        throw std::runtime_error("aucune machine dans \"" + prefix.string() +
                                 "\" : créez-la avec « quarnel-machine init » (QUARNEL_PREFIX choisit le préfixe)");
    return prefix;
}

Machine Machine::Load(const fs::path& prefixArgument) {
    const fs::path prefix = fs::absolute(prefixArgument);
    MachineSettings settings;
    const fs::path file = prefix / kSettingsFile;
    if (fs::exists(file)) {
        const IniFile ini = IniFile::Load(file);
        for (const IniFile::Section& section : ini.Sections()) {
            if (text::EqualsIgnoreAsciiCase(section.name, "Machine"))
                ApplyMachineSection(section, settings, file.string());
            else if (text::StartsWithIgnoreAsciiCase(section.name, "Drive "))
                settings.drives.push_back(ReadDriveSection(section, prefix, file.string()));
            else
                throw std::runtime_error(file.string() + ":" + std::to_string(section.line) + ": section inconnue [" +
                                         section.name + "]");
        }
        for (std::size_t i = 0; i < settings.drives.size(); ++i)
            for (std::size_t j = i + 1; j < settings.drives.size(); ++j)
                if (settings.drives[i].letter == settings.drives[j].letter)
                    throw std::runtime_error(file.string() + ": le lecteur " +
                                             std::string(1, settings.drives[i].letter) + " est décrit deux fois");
    } else {
        settings.drives.push_back(Drive{'C', prefix / "drives" / "C", DriveType::Fixed, "NTFS", std::nullopt});
    }
    CompleteDefaults(settings);
    // Hive temporaries of writers killed halfway: cheap to remove each time a program opens the machine.
    RemoveLeftovers(prefix / "registry");
    return Machine(prefix, std::move(settings));
}

Machine Machine::Init(const fs::path& prefixArgument) {
    const fs::path prefix = fs::absolute(prefixArgument);
    fs::create_directories(prefix);
    const bool fresh = !fs::exists(prefix / kSettingsFile);
    Machine machine = Load(prefix);
    if (fresh)
        machine.Save();
    fs::create_directories(machine.RegistryFolder());
    fs::create_directories(machine.ObjectsFolder());
    for (const Drive& drive : machine.FSettings.drives)
        fs::create_directories(drive.hostFolder);
    for (const std::string& folder :
         {machine.FSettings.windowsFolder, machine.FSettings.systemFolder, machine.FSettings.tempFolder}) {
        if (const auto host = machine.ToHostPath(folder))
            fs::create_directories(*host);
    }
    return machine;
}

void Machine::Save() const {
    IniFile ini;
    IniFile::Section& main = ini.Add("Machine");
    const MachineSettings& s = FSettings;
    std::string path;
    for (const std::string& folder : s.libraryPath)
        path += (path.empty() ? "" : ";") + folder;
    std::string addresses;
    for (const std::string& address : s.ipAddresses)
        addresses += (addresses.empty() ? "" : ",") + address;
    char language[8];
    std::snprintf(language, sizeof language, "%04X", s.systemLanguage);
    main.entries = {
        {"ComputerName", s.computerName},
        {"UserName", s.userName},
        {"WindowsFolder", s.windowsFolder},
        {"SystemFolder", s.systemFolder},
        {"TempFolder", s.tempFolder},
        {"Path", path},
        {"Platform", s.os.platform == OsPlatform::WindowsNT ? "NT" : "9x"},
        {"Version", std::to_string(s.os.major) + "." + std::to_string(s.os.minor)},
        {"RemoteSession", s.remoteSession ? "1" : "0"},
        {"SessionId", std::to_string(s.sessionId)},
        {"Administrator", s.administrator ? "1" : "0"},
        {"AnsiCodePage", std::to_string(s.ansiCodePage)},
        {"ThousandsSeparator", EncodeCharacterSetting(s.thousandsSeparator)},
        {"IPAddresses", addresses},
        {"SystemLanguage", language},
    };
    for (const Drive& drive : s.drives) {
        IniFile::Section& section = ini.Add("Drive " + std::string(1, drive.letter));
        const fs::path relative = drive.hostFolder.lexically_relative(FPrefix);
        const bool inside = !relative.empty() && *relative.begin() != "..";
        section.entries = {
            {"Folder", (inside ? relative : drive.hostFolder).string()},
            {"Type", std::string(DriveTypeName(drive.type))},
            {"FileSystem", drive.fileSystem},
            {"FreeSpace", drive.reportedFreeSpace ? std::to_string(*drive.reportedFreeSpace) : ""},
        };
    }
    for (const IniFile::Section& section : ini.Sections())
        for (const auto& [key, value] : section.entries)
            if (value.find_first_of("\r\n") != std::string::npos)
                throw std::runtime_error("le réglage " + key + " ne peut pas contenir de saut de ligne");
    WriteWholeFile(FPrefix / kSettingsFile,
                   "; The emulated Windows machine of this prefix. See docs/machine.md.\n" + ini.ToText());
}

std::optional<fs::path> Machine::ToHostPath(std::string_view windowsPath) const {
    const auto parsed = ParseWindowsPath(windowsPath);
    if (!parsed)
        return std::nullopt;
    const Drive* drive = FindDrive(parsed->drive);
    if (drive == nullptr)
        return std::nullopt;
    fs::path host = drive->hostFolder;
    bool lookUp = true;
    for (const std::string& component : parsed->components) {
        std::string name = component;
        if (lookUp) {
            std::error_code error;
            bool found = false;
            fs::directory_iterator entries(host, error);
            if (!error) {
                // An exact match wins over any other spelling, as on a case-sensitive host both may exist.
                if (fs::exists(host / component, error)) {
                    found = true;
                } else {
                    for (const fs::directory_entry& entry : entries) {
                        const std::string entryName = entry.path().filename().string();
                        if (text::EqualsIgnoreCase(entryName, component)) {
                            name = entryName;
                            found = true;
                            break;
                        }
                    }
                }
            }
            lookUp = found;
        }
        host /= name;
    }
    return host;
}

std::optional<std::string> Machine::ToWindowsPath(const fs::path& hostPath) const {
    const fs::path normal = fs::absolute(hostPath).lexically_normal();
    for (const Drive& drive : FSettings.drives) {
        const fs::path relative = normal.lexically_relative(drive.hostFolder.lexically_normal());
        if (relative.empty() || *relative.begin() == "..")
            continue;
        ParsedWindowsPath parsed{drive.letter, {}};
        for (const fs::path& part : relative)
            if (part != "." && !part.empty())
                parsed.components.push_back(part.string());
        return FormatWindowsPath(parsed);
    }
    return std::nullopt;
}

std::optional<std::string> Machine::FindLibrary(std::string_view libraryName, std::string_view programFolder) const {
    std::vector<std::string> folders;
    if (!programFolder.empty())
        folders.emplace_back(programFolder);
    folders.push_back(FSettings.systemFolder);
    folders.push_back(FSettings.windowsFolder);
    folders.insert(folders.end(), FSettings.libraryPath.begin(), FSettings.libraryPath.end());
    for (std::string folder : folders) {
        if (!folder.empty() && folder.back() != '\\')
            folder += '\\';
        const std::string candidate = folder + std::string(libraryName);
        std::error_code error;
        if (const auto host = ToHostPath(candidate); host && fs::is_regular_file(*host, error))
            return candidate;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> Machine::FreeSpace(char letter) const {
    const Drive* drive = FindDrive(letter);
    if (drive == nullptr)
        return std::nullopt;
    if (drive->reportedFreeSpace)
        return drive->reportedFreeSpace;
    std::error_code error;
    const fs::space_info space = fs::space(drive->hostFolder, error);
    if (error)
        return std::nullopt;
    return space.available;
}

std::vector<std::string> Machine::IpAddresses() const {
    if (!FSettings.ipAddresses.empty())
        return FSettings.ipAddresses;
    std::vector<std::string> addresses;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) == 0) {
        for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
            if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET)
                continue;
            const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
            char text[INET_ADDRSTRLEN];
            if (inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) != nullptr &&
                std::string_view(text).substr(0, 4) != "127.")
                addresses.emplace_back(text);
        }
        freeifaddrs(list);
    }
    if (addresses.empty())
        addresses.emplace_back("127.0.0.1");
    return addresses;
}

} // namespace platform
