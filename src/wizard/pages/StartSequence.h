#pragma once

// The window's start, once its package is checked: the report handed to the engine, the package's
// title, texts and list of changes read, the steps built and the products read, with the messages
// of the start. Both windows run it and draw what it gives.

#include "wizard/pages/WizardFlow.h"
#include "wizard/pages/WizardHost.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace wizard::pages {

// What the welcome page shows of the package.
struct StartTexts {
    std::string title;    // empty when the package has none
    std::string infoText; // the welcome page's extra text
};

// `showTitle` shows the package's title as soon as it is read, before any message of the start.
// The list of changes missing from the package is said (kChangesMissingMessage); an empty list
// shows kNoChangesText. Gives nothing when the installation refuses the start (the program ends);
// a package or machine that cannot be read raises, with the message to show.
std::optional<StartTexts> RunStartSequence(WizardHost& host, WizardFlow& flow, update::RichTextControl& changes,
                                           update::RichTextControl& report,
                                           const std::function<void(std::string_view title)>& showTitle);

} // namespace wizard::pages
