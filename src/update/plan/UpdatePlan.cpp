#include "update/plan/UpdatePlan.h"

#include "Common/Interbase/MultiSte.h"
#include "environment/InstallTools2.h"
#include "environment/RegAccess.h"
#include "platform/text/Text.h"
#include "update/authoring/PackageRules.h"
#include "update/engine/EngineMessages.h"
#include "update/package/PackageReader.h"
#include "update/plan/InstalledProducts.h"
#include "update/plan/PlanText.h"

#include <algorithm>

namespace update::plan {

namespace {

std::string NamePart(std::string_view path) {
    const std::size_t separator = path.find_last_of('\\');
    return std::string(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

class PlanWriter {
public:
    PlanWriter(TdmUpdateCommon& engine, const PlanOptions& options, std::ostream& out)
        : FEngine(engine)
        , FOptions(options)
        , FOut(out) {}

    void Product(std::string_view name) {
        const Tquar_AppNameType type = GetAppNameType(name);
        if (type == antUnknown)
            return;
        Line(name);
        if (!authoring::HasUpdateProcedure(type)) {
            Line(text::NoUpdate());
            return;
        }
        const InstalledProduct product = FindInstalledProduct(type);
        if (!product.question.empty())
            Line(text::Asked(product.question));
        if (!MainFile(type, product))
            return;
        Copies(type, product);
        PrintLists(type, product);
    }

    // How many files the product's update would write: its main file, the files it copies and the
    // print list files it writes; 0 when that is not known (the product is not where it is looked for).
    std::size_t FilesToWrite(Tquar_AppNameType type) {
        if (!authoring::HasUpdateProcedure(type))
            return 0;
        const InstalledProduct product = FindInstalledProduct(type);
        if (!product.installed)
            return 0;
        const std::string_view main = authoring::MainFile(type);
        FFiles = main.empty() ? 0 : 1;
        if (!main.empty())
            FBase = product.mainFile.substr(0, product.mainFile.size() - main.size());
        Copies(type, product);
        if (type == antOrbel) // the other products' lists go into the company databases, not into files
            PrintLists(type, product);
        return FFiles;
    }

private:
    void Line(std::string_view line) { FOut << line << '\n'; }
    bool Packed(std::string_view name) const {
        return FEngine.PackageSource() && FEngine.PackageSource()->Find(name) != nullptr;
    }

    // False when the product's update would go no further.
    bool MainFile(Tquar_AppNameType type, const InstalledProduct& product) {
        const std::string_view main = authoring::MainFile(type);
        if (main.empty()) { // Common: its files go into the shared folder
            if (!product.installed) {
                Line(text::NotInstalled(""));
                return false;
            }
            Line(text::Folder(product.folder));
            return true;
        }
        const std::string unpacked = FEngine.ExtractPackedResource(main, FEngine.BuildTempFilename("Update"));
        if (unpacked.empty()) {
            Line(text::NotPacked(main));
            return false;
        }
        if (!product.installed) {
            Line(text::NotInstalled(product.mainFile));
            Line(text::Packed(TWindowsInstaller::GetFileVersion(unpacked)));
            return false;
        }
        Line(text::Installed(product.mainFile, product.version));
        Line(text::Packed(TWindowsInstaller::GetFileVersion(unpacked)));
        if (FOptions.skipCurrent && IsCurrent(product, unpacked)) {
            Line(text::AlreadyCurrent());
            return false;
        }
        switch (TWindowsInstaller::CompareFileVersion(product.mainFile, unpacked)) {
        case 1:
            Line(text::Replaced(product.mainFile));
            break;
        case 0:
            Line(text::Asked(messages::SameVersionQuestion(NamePart(product.mainFile))));
            break;
        default:
            Line(text::Asked(messages::OlderVersionQuestion(NamePart(product.mainFile))));
            break;
        }
        FBase = product.mainFile.substr(0, product.mainFile.size() - main.size());
        return true;
    }

    void CopyIfPacked(std::string_view name, const std::string& folder) {
        if (Packed(name)) {
            Line(text::Copied(folder + std::string(name)));
            ++FFiles;
        }
    }

    void CopyList(const std::string& folder, std::string_view except = {}) {
        std::vector<std::string> names;
        FEngine.LoadResourceFileList("FileNames.txt", names);
        for (const std::string& name : names) {
            if (!except.empty() && platform::text::EqualsIgnoreCase(name, except))
                continue;
            if (Packed(name)) {
                Line(text::Copied(folder + name));
                ++FFiles;
            } else
                Line(text::ListedNotPacked(name));
        }
    }

    void Copies(Tquar_AppNameType type, const InstalledProduct& product) {
        const std::string& folder = product.folder;
        switch (type) {
        case antVTP:
        case antVTI: {
            if (TWindowsInstaller::FileExists(folder + "VTP_DB_INTF.dll"))
                CopyIfPacked("VTP_DB_INTF.dll", folder);
            for (std::string_view name : {"Quarnel.dll", "Veltrane_FR.chm", "Veltrane_IT.chm"})
                CopyIfPacked(name, folder);
            const std::string root = GetInstallRoot();
            if (!root.empty())
                CopyIfPacked("wPDF300A.dll", root + "Common\\Programs\\");
            break;
        }
        case antMarlisk:
            CopyIfPacked("IBANKernel.dll", folder);
            CopyIfPacked("Marlisk.chm", folder);
            break;
        case antCorvath:
            CopyIfPacked("Corvath.etf", folder);
            CopyList(folder + "Data\\", "Corvath.etf");
            break;
        case antTessaro:
            CopyIfPacked("VTE_INTF.dll", folder);
            for (std::string_view name : {"TSRLA.exe", "TSRLB.exe", "TSRLC.exe", "TSMQ.exe", "TSMQw.exe"}) {
                if (TWindowsInstaller::FileExists(folder + std::string(name)))
                    CopyIfPacked(name, folder);
            }
            CopyIfPacked("Tessaro.chm", folder);
            break;
        case antNVX:
            CopyIfPacked("NVXDOC.pdf", folder);
            CopyIfPacked("NVXHELP.rtf", folder);
            break;
        case antSuvana:
        case antFinance:
            CopyList(FBase);
            break;
        case antOrbel:
        case antCommon:
        case antOndrak:
            CopyList(folder);
            break;
        default:
            break;
        }
    }

    void PrintLists(Tquar_AppNameType type, const InstalledProduct& product) {
        if (!authoring::ReadsPrintLists(type))
            return;
        std::vector<std::string> names;
        FEngine.LoadResourceFileList("PrintLists.txt", names);
        if (names.empty())
            return;
        if (type == antOrbel) {
            for (const std::string& name : names) {
                if (Packed(name)) {
                    Line(text::PrintListFile(product.folder + name));
                    ++FFiles;
                } else
                    Line(text::ListedNotPacked(name));
            }
            return;
        }
        std::string lists;
        for (const std::string& name : names) {
            const bool lst =
                name.size() > 4 && platform::text::EqualsIgnoreAsciiCase(name.substr(name.size() - 4), ".lst");
            if (lst && Packed(name))
                lists += (lists.empty() ? "" : ", ") + name;
        }
        std::vector<std::string> companies = FMultiSte().ComboBoxCompanies.Items;
        if (companies.empty())
            companies.push_back("Default");
        for (const std::string& company : companies)
            Line(text::CompanyLists(company, lists));
    }

    TdmUpdateCommon& FEngine;
    const PlanOptions& FOptions;
    std::ostream& FOut;
    std::string FBase;      // the folder the main file's name is relative to
    std::size_t FFiles = 0; // the files written, as far as counted
};

} // namespace

std::size_t CountFilesToWrite(TdmUpdateCommon& engine, Tquar_AppNameType type) {
    std::ostream nowhere(nullptr); // the plan's lines are not wanted, only the count
    return PlanWriter(engine, {}, nowhere).FilesToWrite(type);
}

void WritePlan(TdmUpdateCommon& engine, const std::vector<std::string>& names, const PlanOptions& options,
               std::ostream& out) {
    PlanWriter writer(engine, options, out);
    for (const std::string& name : names)
        writer.Product(name);
}

} // namespace update::plan
