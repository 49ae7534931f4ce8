#include "update/plan/InstalledProducts.h"

#include "environment/InstallTools2.h"
#include "environment/Paths.h"
#include "update/engine/DriveFolders.h"
#include "update/engine/ProductGuards.h"
#include "update/engine/ProductMessages.h"

#include <algorithm>

namespace update::plan {

namespace {

// A folder the wizard looks for on the fixed and network drives (LocateFolder), without its dialog.
std::string FolderOnDrives(std::string_view name, std::string& question) {
    const DriveFolderSearch found = FindFolderOnDrives(name);
    if (found.count == 0)
        question = messages::FolderNotFoundAsk(name);
    else if (found.count > 1)
        question = messages::SeveralFoldersFound(found.count, name);
    return found.first;
}

// The installation root of the main products, as Veltrane and the address module look for it.
std::string ProductsRoot(std::string& question) {
    const std::string root = GetInstallRoot();
    return root.empty() ? WithTrailingBackslash(FolderOnDrives("WQuarnel", question)) : root;
}

std::string OndrakFolder() {
    const std::string root = GetInstallRoot();
    if (!root.empty())
        return root + "Common\\Programs\\";
    const RegistryVariant registered =
        ReadRegistryValue(platform::RegistryRoot::LocalMachine, std::string(kMakerKey) + "Ondrak\\Program", "Filename",
                          false, "", platform::kKeyRead);
    return FolderOf(VariantToText(registered));
}

// A program the procedure passes through AskForProgramFile: asked for when it is not there.
void AskedWhenMissing(InstalledProduct& product) {
    if (!TWindowsInstaller::FileExists(product.mainFile))
        product.question = messages::ProgramNotFoundAsk(product.mainFile);
}

} // namespace

InstalledProduct FindInstalledProduct(Tquar_AppNameType type) {
    InstalledProduct product;
    product.type = type;
    switch (type) {
    case antVTP:
    case antVTI: {
        const std::string root = ProductsRoot(product.question);
        if (!FolderExists(root))
            break;
        product.mainFile = root + std::string(AppFolderNames[type]) + "\\Programs\\Veltrane.exe";
        AskedWhenMissing(product);
        break;
    }
    case antMarlisk: {
        const std::string root = ProductsRoot(product.question);
        if (FolderExists(root))
            product.mainFile = root + "Marlisk\\Programs\\VTMarlisk2.dll";
        break;
    }
    case antCorvath: {
        const std::string base = GetProgramPath(AppNames[antCorvath], true);
        if (!base.empty())
            product.mainFile = WithTrailingBackslash(base) + "Corvath.exe";
        break;
    }
    case antTessaro:
    case antNVX:
        product.mainFile = GetProgramPath(AppNames[type], true);
        AskedWhenMissing(product);
        break;
    case antOrbel: {
        const std::string veltrane = GetProgramPath(AppNames[antVTP], false);
        if (!veltrane.empty())
            product.mainFile = ParentFolder(ParentFolder(veltrane)) + "Orbel\\Programs\\VTPOrbel.exe";
        break;
    }
    case antSuvana:
    case antFinance: {
        std::string base = ParentFolder(GetProgramPath(AppNames[type], false));
        if (base.empty())
            base = FolderOnDrives("Quarnel5", product.question);
        if (!base.empty())
            product.mainFile = WithTrailingBackslash(base) + (type == antSuvana ? "zvk\\SA-00.int" : "gs\\GS-00.int");
        break;
    }
    case antCommon: {
        const std::string root = GetInstallRoot();
        if (!root.empty()) {
            product.folder = root + "Common\\Programs\\";
            product.installed = true;
        }
        return product;
    }
    case antOndrak: {
        const std::string folder = OndrakFolder();
        if (!folder.empty())
            product.mainFile = WithTrailingBackslash(folder) + "Ondrak.exe";
        break;
    }
    default:
        return product;
    }
    if (product.mainFile.empty())
        return product;
    product.folder = FolderOf(product.mainFile);
    product.installed = TWindowsInstaller::FileExists(product.mainFile);
    if (product.installed)
        product.version = TWindowsInstaller::GetFileVersion(product.mainFile);
    return product;
}

bool IsCurrent(const InstalledProduct& product, std::string_view packedFile) {
    std::uint16_t a[4] = {}, b[4] = {};
    if (!product.installed || !TWindowsInstaller::GetFileVersion(product.mainFile, a[0], a[1], a[2], a[3]) ||
        !TWindowsInstaller::GetFileVersion(packedFile, b[0], b[1], b[2], b[3]))
        return false;
    return !std::lexicographical_compare(a, a + 4, b, b + 4);
}

std::vector<InstalledProduct> FindInstalledProducts() {
    std::vector<InstalledProduct> products;
    for (std::size_t type = 1; type < AppNames.size(); ++type) {
        InstalledProduct product = FindInstalledProduct(static_cast<Tquar_AppNameType>(type));
        if (product.installed)
            products.push_back(std::move(product));
    }
    return products;
}

} // namespace update::plan
