#pragma once

// What a wizard window asks of the program around it (the package, the engine, the run), so that
// a window only draws and the program decides what it holds. The Win32 window is written against
// it; the program implements it over the update engine, tests over what they need. No toolkit here.

#include "update/richtext/RichTextControl.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace wizard::pages {

// The package's texts as the start sequence reads them.
struct PackageTexts {
    std::string title;                  // the package's title; empty when it has none
    std::string infoText;               // the welcome page's extra text
    int changesLines = 0;               // lines of the list of changes loaded (0: none in the package)
    std::vector<std::string> stepsFile; // the lines of "Steps.txt"
};

// What the window does around the run, as the run calls it.
struct RunHooks {
    std::function<void(bool enabled)> enableActions; // false before each procedure, true after
    std::function<void()> showEndStep;               // the products are done, before the closing line
    std::function<void()> focusReport;               // after the closing line
};

class WizardHost {
public:
    virtual ~WizardHost() = default;

    // The package's check, once the window is on screen (its progress through the UI services).
    // Raises to refuse the start.
    virtual void CheckPackage() {}
    // The report control that the engine writes to from now on.
    virtual void InitLog(update::RichTextControl& report) = 0;
    // The package's texts, the list of changes loaded into `changes`. Raises to refuse the start.
    virtual PackageTexts ReadPackageTexts(update::RichTextControl& changes) = 0;
    // Reads the list of products; false when the installation refuses the start (the program ends).
    virtual bool LoadUpdateList() = 0;
    // The update of every listed product; its exit code, as the unattended mode gives it.
    virtual int Run(std::string_view title, const RunHooks& hooks) = 0;
    // Periodic work of the message loop (the connection module's timers); errors are its own.
    virtual void ProcessTimers() {}
};

} // namespace wizard::pages
