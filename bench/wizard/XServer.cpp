#include "XServer.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace windowbench {

XServer::XServer() {
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe");
    }
    FPid = ::fork();
    if (FPid == 0) {
        // Xvfb writes the display it took to this descriptor once it accepts clients.
        ::fcntl(ready[1], F_SETFD, 0);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        const std::string fd = std::to_string(ready[1]);
        // -br: a black root, so that a window is known painted once anything but black shows in it.
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24", "-br", "-nolisten", "tcp",
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(ready[1]);
    std::string number;
    pollfd wait{ready[0], POLLIN, 0};
    char c = 0;
    while (::poll(&wait, 1, 10'000) == 1 && ::read(ready[0], &c, 1) == 1 && c != '\n') {
        number += c;
    }
    ::close(ready[0]);
    if (FPid < 0 || number.empty()) {
        Stop();
        throw std::runtime_error("Xvfb did not start (package xvfb)");
    }
    FDisplay = ":" + number;
}

XServer::~XServer() {
    Stop();
}

void XServer::Stop() {
    if (FPid > 0) {
        ::kill(FPid, SIGTERM);
        ::waitpid(FPid, nullptr, 0);
        FPid = -1;
    }
}

} // namespace windowbench
