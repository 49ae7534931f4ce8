#pragma once

// A stop asked from outside the run (SIGTERM, Ctrl-C): the signal handler only raises a flag; the
// run looks at it between its steps, finishes or rolls back the product in progress, closes the
// report, removes its temporaries and ends with exit 1.

namespace update {

// Installs the handler of the stop requests (SIGTERM and SIGINT; Ctrl-C on a Windows console) that
// asks the run to stop.
void InstallStopSignals();

// Asks the run to stop (async-signal-safe).
void RequestStop() noexcept;

bool StopRequested() noexcept;

// The report's line for a run that a stop ended.
const char* StoppedLine() noexcept;

} // namespace update
