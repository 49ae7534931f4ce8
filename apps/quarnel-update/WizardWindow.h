#pragma once

// The wizard with its window: the one way of running it that needs a window system. Each system
// has its implementation (WizardWindowQt.cpp on Linux, WizardWindowWin32.cpp on Windows); the
// rest of the program is the same everywhere.

#include "Options.h"

#include <string>

namespace quarnel_update {

// Runs the wizard in its window (or takes its pictures, --screenshots) and gives the program's exit
// code. `argc` and `argv` are main()'s, for the window system; `title` is the program's title, which
// names the single-instance guard.
int RunWithWindow(int& argc, char** argv, const Options& options, const std::string& title);

} // namespace quarnel_update
