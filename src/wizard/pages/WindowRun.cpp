#include "wizard/pages/WindowRun.h"

#include "ui/Cancellation.h"

namespace wizard::pages {

int RunInWindow(WizardFlow& flow, WizardHost& host, std::string_view title, const RunHooks& hooks) {
    flow.BeginRun();
    RunHooks told = hooks;
    told.enableActions = [&flow, enable = hooks.enableActions](bool enabled) {
        flow.SetInProcedure(!enabled);
        if (enable)
            enable(enabled);
    };
    // However the run ends, the buttons are the flow's again.
    struct ProcedureEnd {
        WizardFlow& flow;
        ~ProcedureEnd() { flow.SetInProcedure(false); }
    } procedureEnd{flow};
    ui::ClearCancel();
    const int code = host.Run(title, told);
    flow.SetRunExitCode(code);
    return code;
}

} // namespace wizard::pages
