#pragma once

// The unattended run (`quarnel-update --silent`): the same run as the wizard's, without a window.
// Questions are answered by --yes / --no (default No), messages go to standard error, folder and
// file dialogs are cancelled, and the report can be written out as text.

#include "update/run/UpdateRun.h"

#include <memory>
#include <optional>
#include <ostream>
#include <string>

namespace update::run {

class ReportLog;

// The exit codes of the project's programs.
inline constexpr int kExitOk = 0;         // urtOk
inline constexpr int kExitFailed = 1;     // urtKo, or a run that broke off
inline constexpr int kExitNotDone = 2;    // urtNot
inline constexpr int kExitWarning = 3;    // urtWarning
inline constexpr int kExitNothingRan = 4; // urtUnknown
inline constexpr int kExitRefused = 5;    // another instance, a damaged package, incompatible installed versions
inline constexpr int kExitUsage = 64;

struct SilentOptions {
    bool answerYes = false;
    // The report (a host path or a Windows path of the machine), UTF-8 text with CR LF after each
    // line, written as a log (ReportLog.h). A name that cannot be a report refuses the run; when
    // writing it fails, a message says why and a run that would have exited 0 exits 1.
    std::optional<std::string> report;
    ReportLog* reportLog = nullptr;     // the report already opened by the caller, used instead of `report`
    std::optional<std::string> package; // host path of a package file; otherwise the program's own
    Clock clock;                        // empty: the local time
    bool progress = false;              // long work written to `messages` as progress lines
    bool skipCurrent = false;           // products at the packed version or newer left as they are
    bool allowOlder = false;            // accepts a package signed before the newest one applied
    bool recoveryLeftFiles = false;     // the recovery at the start left files as they were: the run fails
};

// The package file at the host path `file`, or the one the running program carries. Raises, with
// a message saying what is wrong, on a file that is no package, a package that does not hold, or
// one that no key trusted by the machine signed (when it trusts any); nothing on the machine has
// changed then. The check of its streams is reported as progress through the UI services.
TdmUpdateCommon::Package OpenPackage(const std::optional<std::string>& file, bool allowOlder = false);

// The package's footer, directory and signature block only, so that a window can be up before its
// streams are checked by CheckPackage (with a progress bar). Raises as OpenPackage does on what
// the signature block alone tells: a package that no key trusted by the machine signed.
std::shared_ptr<package::PackageReader> OpenPackageUnchecked(const std::optional<std::string>& file);
// Checks the streams of a package opened unchecked (and the program in front of a signed one),
// reporting progress; a window closed meanwhile stops the check (EAbort). Raises on a package that
// does not hold, or whose signatures by the keys the machine trusts do not hold or are older than
// the newest package applied of their key (unless `allowOlder`).
void CheckPackage(package::PackageReader& package, bool allowOlder);

int ExitCodeFor(const RunOutcome& outcome);

// Runs the update of the package and gives the exit code. `messages` receives what the dialogs
// would have shown (standard error in the program). Installs the silent UI services for the run
// and puts the previous ones back. Every error is caught: before the first product it refuses the
// run (kExitRefused), after it fails it (kExitFailed); the engine's temporary files go either way.
int RunSilent(const SilentOptions& options, std::ostream& messages);

} // namespace update::run
