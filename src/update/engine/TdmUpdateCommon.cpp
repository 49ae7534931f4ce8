#include "update/engine/TdmUpdateCommon.h"

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
    return std::make_shared<const package::PackageReader>(std::filesystem::path("/proc/self/exe"));
}

void TdmUpdateCommon::DataModuleCreate() {
    mInstaller = std::make_unique<TWindowsInstaller>();
    mPrintNames.clear();
    mNamesList.clear();
}

void TdmUpdateCommon::DataModuleDestroy() noexcept {
    mInstaller.reset();
    mPrintNames.clear();
    mNamesList.clear();
    ClearTempPath("Update*.tmp"); // a clean-up that fails is silent: nothing is left to tell at exit
}

const package::PackedEntry* TdmUpdateCommon::FindPacked(std::string_view name) const {
    return FPackage ? FPackage->Find(name) : nullptr;
}

void TdmUpdateCommon::SetRandomSource(RandomSource source) {
    FRandom = source ? std::move(source) : SeededGenerator();
}

} // namespace update
