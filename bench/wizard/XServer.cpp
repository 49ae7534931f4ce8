#include "XServer.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

namespace windowbench {

namespace {

std::string XvfbProgram() {
    for (const char* path : {"/usr/bin/Xvfb", "/bin/Xvfb", "/usr/local/bin/Xvfb"})
        if (::access(path, X_OK) == 0)
            return path;
    throw std::runtime_error("Xvfb is not installed (package xvfb)");
}

class Pipe {
public:
    Pipe() {
        if (::pipe2(FEnds, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
    }
    ~Pipe() {
        CloseWriteEnd();
        ::close(FEnds[0]);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    int ReadEnd() const { return FEnds[0]; }
    int WriteEnd() const { return FEnds[1]; }
    void CloseWriteEnd() {
        if (FEnds[1] >= 0)
            ::close(FEnds[1]);
        FEnds[1] = -1;
    }

private:
    int FEnds[2];
};

} // namespace

XServer::XServer() {
    // Xvfb writes the display it took on its standard output (-displayfd 1) once it accepts clients.
    Pipe ready;
    testsupport::ProgramOptions options;
    options.standardOutput = ready.WriteEnd();
    options.signalWhenCallerEnds = SIGTERM;
    // -br: a black root, so that a window is known painted once anything but black shows in it.
    FServer = std::make_unique<testsupport::RunningProgram>(
        XvfbProgram(),
        std::vector<std::string>{"-displayfd", "1", "-screen", "0", "1280x800x24", "-br", "-nolisten", "tcp"}, options);
    ready.CloseWriteEnd();
    std::string number;
    pollfd wait{ready.ReadEnd(), POLLIN, 0};
    char c = 0;
    while (::poll(&wait, 1, 10'000) == 1 && ::read(ready.ReadEnd(), &c, 1) == 1 && c != '\n') {
        number += c;
    }
    if (number.empty()) {
        Stop();
        throw std::runtime_error("Xvfb did not start (package xvfb)");
    }
    FDisplay = ":" + number;
}

XServer::~XServer() {
    Stop();
}

void XServer::Stop() noexcept {
    if (!FServer)
        return;
    // SIGTERM, so that the server removes its lock file and socket; the wait reaps it.
    FServer->Signal(SIGTERM);
    try {
        FServer->Wait();
    } catch (const std::exception&) {
        // already waited for: nothing left to reap
    }
    FServer.reset();
}

} // namespace windowbench
