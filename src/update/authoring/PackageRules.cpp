#include "update/authoring/PackageRules.h"

namespace update::authoring {

std::vector<NeededFile> NeededFiles(Tquar_AppNameType type) {
    using enum MissingEffect;
    switch (type) {
    case antVTP:
    case antVTI:
        return {{"Veltrane.exe", EndsTheRun}};
    case antMarlisk:
        return {{"VTMarlisk2.dll", EndsTheRun}};
    case antCorvath:
        return {{"Corvath.exe", EndsTheRun}, {"Corvath.etf", EndsTheRun}};
    case antTessaro:
        return {{"Tessaro.exe", FailsProduct}, {"VTE_INTF.dll", FailsProduct}};
    case antOrbel:
        return {{"VTPOrbel.exe", EndsTheRun}};
    case antSuvana:
        return {{"zvk\\SA-00.int", EndsTheRun}};
    case antFinance:
        return {{"gs\\GS-00.int", EndsTheRun}};
    case antNVX:
        return {{"NVX.exe", EndsTheRun}};
    case antCommon:
        return {{"FileNames.txt", DoesNothing}};
    case antOndrak:
        return {{"Ondrak.exe", EndsTheRun}};
    default:
        return {};
    }
}

std::string_view MainFile(Tquar_AppNameType type) {
    const std::vector<NeededFile> needed = NeededFiles(type);
    return type == antCommon || needed.empty() ? std::string_view() : needed.front().name;
}

bool HasUpdateProcedure(Tquar_AppNameType type) {
    switch (type) {
    case antPDFDLL:
    case antBrisquel:
    case antZLK:
    case antRLT:
    case antUnknown:
        return false;
    default:
        return true;
    }
}

bool ReadsPrintLists(Tquar_AppNameType type) {
    switch (type) {
    case antVTP:
    case antVTI:
    case antMarlisk:
    case antTessaro:
    case antOrbel:
    case antNVX:
        return true;
    default:
        return false;
    }
}

} // namespace update::authoring
