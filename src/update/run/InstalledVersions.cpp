#include "update/run/InstalledVersions.h"

#include "environment/Dialogs.h"
#include "environment/RegAccess.h"
#include "environment/VersionInfo.h"
#include "platform/machine/Machine.h"

#include <algorithm>
#include <array>
#include <optional>

namespace update::run {

bool IsAcceptedInstalledClientVersion(std::string_view fileVersionText) {
    static constexpr std::array<std::string_view, 3> kAccepted = {"WI-V6.3.0.4290", "WI-V6.3.2.4731",
                                                                  "WI-V2.5.2.26540"};
    return std::find(kAccepted.begin(), kAccepted.end(), fileVersionText) != kAccepted.end();
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
    // The client the machine's programs load, found as Windows finds a library named without folder.
    const std::optional<std::string> client = platform::Machine::Current().FindLibrary("gds32.dll", "");
    const bool firebirdOk = client && IsAcceptedInstalledClientVersion(GetFileVersionText(*client));

    const std::string modulePath = GetInstallRoot() + "Marlisk" + "\\" + "Programs" + "\\" + "VTMarlisk2.dll";
    const std::string moduleVersion = GetFileVersionText(modulePath);
    const bool addressModuleOk = moduleVersion.starts_with('2');

    const std::string reason = IncompatibilityReason(firebirdOk, addressModuleOk);
    if (reason.empty())
        return true;
    ShowWarningMessage("ATTENTION !!!\r\n\r\nCette mise à jour a détecté une version incompatible " + reason +
                       ".\r\n\r\nVeuillez contacter la société Quarnel.\r\n\r\nL'application va se terminer." +
                       "\r\n\r\n" + "Path=\"" + modulePath + "\" Ver=\"" + moduleVersion + "\"");
    return false;
}

} // namespace update::run
