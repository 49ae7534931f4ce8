#include "wizard/UpdateList.h"

#include "environment/Dialogs.h"
#include "environment/RegAccess.h"
#include "environment/VersionInfo.h"
#include "platform/machine/Machine.h"
#include "platform/text/Text.h"

#include <algorithm>
#include <array>

namespace wizard {

std::string AppNamesReference() {
    std::string reference;
    for (std::size_t type = 1; type < AppNames.size(); ++type) {
        reference += AppNames[type];
        reference += "\r\n";
    }
    return reference;
}

std::optional<std::vector<std::string>> FilterUpdateList(const std::vector<std::string>& lines,
                                                         const std::function<bool()>& checkInstalledVersions) {
    const std::string reference = AppNamesReference();
    std::vector<std::string> updates;
    for (const std::string& line : lines) {
        if (line.empty() || reference.find(line) == std::string::npos)
            continue;
        const bool known = std::any_of(updates.begin(), updates.end(), [&](const std::string& kept) {
            return platform::text::EqualsIgnoreCase(kept, line);
        });
        if (known)
            continue;
        if (GetAppNameType(line) == antVTP && !checkInstalledVersions())
            return std::nullopt;
        updates.push_back(line);
    }
    return updates;
}

bool IsCompatibleFirebirdClient(std::string_view version) {
    static constexpr std::array<std::string_view, 3> kCompatible = {"WI-V6.3.0.4290", "WI-V6.3.2.4731",
                                                                    "WI-V2.5.2.26540"};
    return std::find(kCompatible.begin(), kCompatible.end(), version) != kCompatible.end();
}

std::string IncompatibilityReason(bool firebirdOk, bool addressModuleOk) {
    std::string reason;
    if (!firebirdOk)
        reason += "de Firebird";
    if (!addressModuleOk) {
        if (!firebirdOk)
            reason += " et ";
        reason += "du module d'adresses";
    }
    return reason;
}

bool CheckInstalledVersions() {
    // The client the machine's programs load: found by the library search, as Windows finds it.
    const std::optional<std::string> client = platform::Machine::Current().FindLibrary("gds32.dll", "");
    const bool firebirdOk = client && IsCompatibleFirebirdClient(GetFileVersionText(*client));

    const std::string modulePath = GetInstallRoot() + "Marlisk\\Programs\\VTMarlisk2.dll";
    const std::string moduleVersion = GetFileVersionText(modulePath);
    const bool addressModuleOk = !moduleVersion.empty() && moduleVersion.front() == '2';

    const std::string reason = IncompatibilityReason(firebirdOk, addressModuleOk);
    if (reason.empty())
        return true;
    ShowWarningMessage("ATTENTION !!!\r\n\r\nCette mise à jour a détecté une version incompatible " + reason +
                       ".\r\n\r\nVeuillez contacter la société Quarnel.\r\n\r\nL'application va se terminer." +
                       "\r\n\r\n" + "Path=\"" + modulePath + "\" Ver=\"" + moduleVersion + "\"");
    return false;
}

} // namespace wizard
