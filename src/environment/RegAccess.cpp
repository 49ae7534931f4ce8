#include "environment/RegAccess.h"

#include "environment/InstallTools2.h"
#include "environment/Paths.h"
#include "platform/files/FileHandle.h"
#include "platform/files/Files.h"
#include "platform/text/Text.h"

const std::array<std::string_view, 16> AppNames = {
    "",         "Veltrane", "Veltrane Ingenieur", "Marlisk", "Corvath",  "PDFDLL", "Tessaro",
    "VTPOrbel", "Suvana",   "Quarnel Finance",    "NVX",     "Brisquel", "Common", "Ondrak",
    "ZLK",      "Ralto"};

const std::array<std::string_view, 16> AppFolderNames = {
    "",    "VTP",      "VTI", "Marlisk", "Corvath V 3.0", "",     "Tessaro", "Orbel", "Suvana", "",
    "NVX", "Brisquel", "",    "",        "ZLK",           "Ralto"};

namespace {

using platform::RegistryRoot;

// Everything up to and including the last backslash or colon; empty text when there is neither.
std::string FolderPart(std::string_view path) {
    const std::size_t end = path.find_last_of("\\:");
    return end == std::string_view::npos ? std::string() : std::string(path.substr(0, end + 1));
}

std::string MakerKey(std::string_view appName) {
    return std::string(kMakerKey) + std::string(appName);
}

std::string ReadText(RegistryRoot root, const std::string& key, std::string_view valueName) {
    return VariantToText(ReadRegistryValue(root, key, valueName, false, "", platform::kKeyRead));
}

bool IsDirectory(std::string_view path) {
    const std::uint32_t attributes = platform::GetFileAttributes(path);
    return attributes != platform::kInvalidFileAttributes && (attributes & platform::kFileAttributeDirectory) != 0;
}

} // namespace

Tquar_AppNameType GetAppNameType(std::string_view name) {
    if (name.empty())
        return antUnknown;
    for (std::size_t i = 1; i < AppNames.size(); ++i) {
        if (platform::text::EqualsIgnoreAsciiCase(name, AppNames[i]))
            return static_cast<Tquar_AppNameType>(i);
    }
    static constexpr std::pair<std::string_view, Tquar_AppNameType> kAliases[] = {
        {"VTP_PRO", antVTP}, {"VTP_ING", antVTI}, {"VT_Marlisk", antMarlisk}};
    for (const auto& [alias, type] : kAliases) {
        if (platform::text::EqualsIgnoreAsciiCase(name, alias))
            return type;
    }
    return antUnknown;
}

std::string GetProgramPath(std::string_view appName, bool keepFileName) {
    std::string path;
    switch (GetAppNameType(appName)) {
    case antCorvath:
        path = ReadText(RegistryRoot::CurrentUser, MakerKey(appName), "BaseFolder");
        break;
    case antVTP:
    case antVTI:
    case antMarlisk:
    case antTessaro:
    case antSuvana:
    case antFinance:
    case antNVX:
    case antBrisquel:
    case antZLK:
        path = ReadText(RegistryRoot::CurrentUser, MakerKey(appName) + "\\Program", "Filename");
        break;
    case antCommon:
    case antOndrak: {
        const std::string root = GetInstallRoot();
        return root.empty() ? std::string() : root + "Common\\Programs\\";
    }
    default:
        return {};
    }
    return keepFileName ? path : FolderPart(path);
}

bool SetProgramPath(std::string_view appName, std::string_view value) {
    switch (GetAppNameType(appName)) {
    case antCorvath:
        return WriteRegistryValue(RegistryRoot::CurrentUser, MakerKey(appName), "BaseFolder", true, std::string(value));
    case antVTP:
    case antVTI:
    case antMarlisk:
    case antTessaro:
    case antSuvana:
    case antFinance:
    case antNVX:
    case antBrisquel:
    case antOndrak:
    case antZLK:
        return WriteRegistryValue(RegistryRoot::CurrentUser, MakerKey(appName) + "\\Program", "Filename", true,
                                  std::string(value));
    default:
        return false;
    }
}

std::string GetInstallRoot() {
    std::string folder;
    for (Tquar_AppNameType type : {antVTP, antVTI, antTessaro, antMarlisk, antNVX, antBrisquel}) {
        folder = GetProgramPath(AppNames[type], false);
        if (!folder.empty())
            break;
    }
    if (!folder.empty() && IsDirectory(StripTrailingBackslash(folder)))
        return ParentFolder(ParentFolder(folder));
    return folder;
}

std::string GetDatabaseName(std::string_view appName, std::string_view company, bool fullName) {
    const std::string key = MakerKey(appName);
    const bool isDefault = platform::text::EqualsIgnoreAsciiCase(company, "Default");
    std::string name;
    switch (GetAppNameType(appName)) {
    case antVTP:
    case antVTI:
        name = ReadText(RegistryRoot::LocalMachine, key + "\\" + std::string(company) + "\\VTP_DatabaseName", "Path");
        if (name.empty() && isDefault)
            name = ReadText(RegistryRoot::LocalMachine, key + "\\Paths\\VTP_DatabaseName", "Path");
        break;
    case antMarlisk:
        name = ReadText(RegistryRoot::LocalMachine, key + "\\" + std::string(company), "DatabaseName");
        if (name.empty() && isDefault)
            name = ReadText(RegistryRoot::LocalMachine, key + "\\Paths", "DatabaseName");
        break;
    case antTessaro:
    case antSuvana:
    case antNVX:
    case antBrisquel:
    case antZLK:
        name = ReadText(RegistryRoot::LocalMachine, key + "\\" + std::string(company), "ConnectionString");
        break;
    default:
        return {};
    }
    name = AddLocalHostPrefix(name);
    if (!fullName && !name.empty())
        name = FolderPart(name);
    return name;
}

std::string AddLocalHostPrefix(std::string_view databaseName) {
    if (!(TWindowsInstaller::IsWindowsVista() || TWindowsInstaller::IsWindowsSeven() ||
          TWindowsInstaller::IsWindowsEight()))
        return std::string(databaseName);
    const bool localDrivePath =
        databaseName.size() >= 2 && databaseName[1] == ':' &&
        ((databaseName[0] >= 'A' && databaseName[0] <= 'Z') || (databaseName[0] >= 'a' && databaseName[0] <= 'z'));
    return localDrivePath ? "127.0.0.1:" + std::string(databaseName) : std::string(databaseName);
}

std::uint32_t GetFileLockError(std::string_view fileName) {
    if (!TWindowsInstaller::FileExists(fileName))
        return 0;
    return platform::ProbeExclusiveOpen(fileName);
}

bool BringWindowToFront(ui::WindowId window) {
    return ui::Current().BringWindowToFront(window);
}
