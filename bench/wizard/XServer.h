#pragma once

// A private X server (Xvfb) for the window benchmark: started on a free display, killed at the end.

#include <string>
#include <sys/types.h>

namespace windowbench {

class XServer {
public:
    // Throws when Xvfb cannot be started.
    XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
    ~XServer();

    // ":N", for DISPLAY.
    const std::string& Display() const { return FDisplay; }

private:
    void Stop();

    pid_t FPid = -1;
    std::string FDisplay;
};

} // namespace windowbench
