#include "update/engine/TdmUpdateCommon.h"

#include "Common/Impression/dmStructure_Printing_Unit.h"
#include "Common/Interbase/MultiSte.h"
#include "Common/Interbase/dmDBConnectionUnit.h"
#include "platform/machine/CurrentProcess.h"
#include "update/engine/CompanyDatabases.h"

#include <memory>
#include <random>

namespace update {

namespace {

// Seeded once, when the engine is created; the temporary names only need to differ from run to run.
TdmUpdateCommon::RandomSource SeededGenerator() {
    auto generator = std::make_shared<std::mt19937>(std::random_device{}());
    return [generator](std::uint32_t range) {
        return std::uniform_int_distribution<std::uint32_t>(0, range - 1)(*generator);
    };
}

} // namespace

TdmUpdateCommon::TdmUpdateCommon()
    : TdmUpdateCommon(OpenProgramPackage()) {}

TdmUpdateCommon::TdmUpdateCommon(Package package)
    : FPackage(std::move(package))
    , FRandom(SeededGenerator()) {
    DataModuleCreate();
}

TdmUpdateCommon::~TdmUpdateCommon() {
    DataModuleDestroy();
}

TdmUpdateCommon::Package TdmUpdateCommon::OpenProgramPackage() {
    // The kernel's link to the running image stays valid even when its file was renamed meanwhile.
    return std::make_shared<const package::PackageReader>(platform::CurrentProgramFile());
}

void TdmUpdateCommon::DataModuleCreate() {
    // The company register is loaded once: its names are the companies that receive print lists.
    FMultiSte().ChargeFichier();
    mCompanies = FMultiSte().ComboBoxCompanies.Items;
    mInstaller = std::make_unique<TWindowsInstaller>();
    mPrintNames.clear();
    mNamesList.clear();
    mDbConnection = std::make_unique<TdmDBConnection>();
    mStructurePrinting = std::make_unique<TdmStructurePrinting>(mDbConnection.get());
    FCompanyDatabases = std::make_unique<CompanyPrintListDatabase>(*mDbConnection, *mStructurePrinting);
    FPrintListDatabase = FCompanyDatabases.get();
}

void TdmUpdateCommon::DataModuleDestroy() noexcept {
    mInstaller.reset();
    mPrintNames.clear();
    mNamesList.clear();
    FPrintListDatabase = nullptr;
    FCompanyDatabases.reset();
    mStructurePrinting.reset();
    mDbConnection.reset(); // disconnects when still attached
    ClearTempPath("Update*.tmp"); // a clean-up that fails is silent: nothing is left to tell at exit
}

const package::PackedEntry* TdmUpdateCommon::FindPacked(std::string_view name) const {
    return FPackage ? FPackage->Find(name) : nullptr;
}

void TdmUpdateCommon::SetRandomSource(RandomSource source) {
    FRandom = source ? std::move(source) : SeededGenerator();
}

} // namespace update
