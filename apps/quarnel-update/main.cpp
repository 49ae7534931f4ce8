// quarnel-update: the update wizard. It carries its package after its own program image (or
// reads the one given with --package) and updates the products the package names.

#include "Options.h"
#include "ProgramStart.h"
#include "WizardWindow.h"
#include "firebird/Client.h"
#include "platform/machine/Machine.h"
#include "platform/machine/ProgramEntry.h"
#include "update/engine/StopRequest.h"
#include "update/journal/JournalRecovery.h"
#include "update/run/PlanRun.h"
#include "update/run/ReportLog.h"
#include "update/run/SilentRun.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>

namespace {

using quarnel_update::CarriesNoPackage;
using quarnel_update::kNoPackage;
using quarnel_update::StartGuard;
using update::run::kExitOk;
using update::run::kExitRefused;
using update::run::kExitUsage;

// The same run as the wizard's, without a window: answers from --yes / --no, messages to standard error.
// The report is opened as soon as the machine is known, so that every refusal writes its reason there.
int RunUnattended(const quarnel_update::Options& options, const std::string& title) {
    update::InstallStopSignals();
    std::optional<update::run::ReportLog> report;
    const auto refuse = [&report](const std::string& reason) {
        std::cerr << "quarnel-update : " << reason << "\n";
        if (report)
            report->AppendLine(reason);
        return kExitRefused;
    };
    try {
        platform::Machine::Current();
    } catch (const std::exception& error) {
        return refuse("la machine ne peut pas être chargée : " + std::string(error.what()));
    }
    if (options.report) {
        try {
            report.emplace(*options.report);
        } catch (const std::exception& error) {
            return refuse(error.what());
        }
    }
    std::unique_ptr<quarnel_update::SingleInstance> instance;
    try {
        instance = StartGuard(title);
    } catch (const std::exception& error) {
        return refuse(error.what());
    }
    if (!instance) {
        // Silent on standard error, as the window is; the report says why nothing ran.
        if (report)
            report->AppendLine("La mise à jour n'a pas été lancée : une autre mise à jour est en cours.");
        return kExitRefused;
    }
    // A run that a stop interrupted is undone before anything else, the package included.
    const auto toStandardError = [&report](const std::string& message) {
        std::cerr << "quarnel-update : " << message << '\n';
        if (report)
            report->AppendLine(message);
    };
    const update::StartRecovery recovery = update::RecoverAtStart(toStandardError, toStandardError);
    if (!recovery)
        return kExitRefused;
    if (CarriesNoPackage(options))
        return refuse(kNoPackage);
    update::run::SilentOptions silent;
    silent.answerYes = options.answerYes;
    silent.report = options.report;
    silent.reportLog = report ? &*report : nullptr;
    silent.package = options.package;
    silent.progress = options.progress;
    silent.skipCurrent = options.skipCurrent;
    silent.allowOlder = options.allowOlder;
    silent.recoveryLeftFiles = recovery.filesLeft;
    return update::run::RunSilent(silent, std::cerr);
}

// --plan: what the update would do, written out. The guard keeps the plan from emptying the
// temporary files of a wizard that runs meanwhile.
int RunPlanned(const quarnel_update::Options& options, const std::string& title) {
    std::unique_ptr<quarnel_update::SingleInstance> instance;
    try {
        instance = StartGuard(title);
    } catch (const std::exception& error) {
        std::cerr << "quarnel-update : " << error.what() << "\n";
        return kExitRefused;
    }
    if (!instance) {
        std::cerr << "quarnel-update : une mise à jour est en cours sur cette machine.\n";
        return kExitRefused;
    }
    if (CarriesNoPackage(options)) {
        std::cerr << "quarnel-update : " << kNoPackage << "\n";
        return kExitRefused;
    }
    update::run::PlanRunOptions plan;
    plan.package = options.package;
    plan.skipCurrent = options.skipCurrent;
    return update::run::RunPlan(plan, std::cout, std::cerr);
}

} // namespace

int main(int argc, char* argv[]) {
    const platform::ProgramEntry entry(argc, argv);
    // The Firebird client (print lists into company databases) ends its threads before the process.
    struct ClientShutdownAtExit {
        ~ClientShutdownAtExit() { fb::ClientShutdown(); }
    } clientShutdown;
    quarnel_update::Options options;
    try {
        std::vector<std::string> arguments = entry.Arguments();
        options = quarnel_update::ParseOptions(arguments);
    } catch (const quarnel_update::UsageError& error) {
        std::cerr << "quarnel-update : " << error.message << "\n\n" << quarnel_update::kUsage;
        return kExitUsage;
    }
    if (options.help) {
        std::cout << quarnel_update::kUsage;
        return kExitOk;
    }
    if (options.version) {
        std::cout << "quarnel-update " QUARNEL_VERSION_TEXT "\n";
        return kExitOk;
    }

    // Nothing may end the program by an abort: what the steps below do not catch ends here.
    try {
        // The program's title is its file name without extension; it names the single-instance object.
        const std::string title = quarnel_update::ProgramTitle(entry.ProgramPath());
        if (options.plan)
            return RunPlanned(options, title);
        if (options.silent)
            return RunUnattended(options, title);

        return quarnel_update::RunWithWindow(argc, argv, options, title);
    } catch (const std::exception& error) {
        std::cerr << "quarnel-update : " << error.what() << "\n";
    } catch (...) {
        std::cerr << "quarnel-update : erreur inattendue.\n";
    }
    return kExitRefused;
}
