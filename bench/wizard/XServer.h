#pragma once

// A private X server (Xvfb) for the window benchmark: started on a free display through the shared
// process support, ended with the object, and with the benchmark itself when that ends otherwise
// (the server receives SIGTERM when its caller's thread ends).

#include "process/ProgramRun.h"

#include <memory>
#include <string>

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
    void Stop() noexcept;

    std::unique_ptr<testsupport::RunningProgram> FServer;
    std::string FDisplay;
};

} // namespace windowbench
