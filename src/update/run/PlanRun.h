#pragma once

// `quarnel-update --plan`: what the update of the package would do on this machine, written out,
// with nothing changed.

#include <optional>
#include <ostream>
#include <string>

namespace update::run {

struct PlanRunOptions {
    std::optional<std::string> package; // host path of a package file; otherwise the program's own
    bool skipCurrent = false;           // as the run with --skip-current would do
};

// Writes the plan to `out`; messages (a refused package, the start-up check) go to `messages`.
// Gives 0 once the plan is written, 5 when the package or the installed versions would refuse
// the update at start, 1 on an error while planning.
int RunPlan(const PlanRunOptions& options, std::ostream& out, std::ostream& messages);

} // namespace update::run
