#include "update/run/PlanRun.h"

#include "environment/Dialogs.h"
#include "environment/Errors.h"
#include "update/plan/UpdatePlan.h"
#include "update/run/AppInfo.h"
#include "update/run/InstalledVersions.h"
#include "update/run/SilentRun.h"
#include "update/run/SilentServices.h"

#include <exception>

namespace update::run {

int RunPlan(const PlanRunOptions& options, std::ostream& out, std::ostream& messages) {
    const SilentServices services(messages, false, false);
    TdmUpdateCommon::Package package;
    try {
        package = OpenPackage(options.package);
    } catch (const std::exception& error) {
        ShowErrorMessage(error.what());
        return kExitRefused;
    }
    try {
        TdmUpdateCommon engine(package); // removes what it unpacked to read the versions
        out << "Plan de la mise à jour : " << LoadAppInfo(engine).title << "\n";
        const UpdateList list = LoadUpdateList(engine, CheckInstalledVersions);
        if (list.state == UpdateListState::Refused) {
            out << "Les versions installées refuseraient cette mise à jour au démarrage.\n";
            return kExitRefused;
        }
        if (list.names.empty())
            out << "Le paquet ne nomme aucun produit : rien ne serait fait.\n";
        plan::PlanOptions planOptions;
        planOptions.skipCurrent = options.skipCurrent;
        plan::WritePlan(engine, list.names, planOptions, out);
        out << "Rien n'a été modifié.\n";
        return out.flush() ? kExitOk : kExitFailed;
    } catch (const EAbort&) {
        return kExitFailed; // told already
    } catch (const std::exception& error) {
        ShowErrorMessage(error.what());
        return kExitFailed;
    }
}

} // namespace update::run
