#pragma once

// A child process that holds something for a test: a file open, a running program, or whatever
// a set-up function takes. The parent waits on a pipe for the child to be ready (no sleeps); the
// destructor kills and reaps the child.

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

class ChildProcess {
public:
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() { Kill(); }

    // A child that runs `setUp` and waits to be killed, holding what it took. Ready() is true once
    // `setUp` said it holds it.
    static ChildProcess Holding(const std::function<bool()>& setUp) {
        int ready[2];
        if (::pipe2(ready, O_CLOEXEC) != 0)
            return ChildProcess(-1, false);
        const pid_t pid = ::fork();
        if (pid == 0) {
            char state = 'e';
            try {
                state = setUp() ? 'h' : 'e';
            } catch (...) {
                // the child must not run on as a copy of the test program: it reports and waits
            }
            (void)!::write(ready[1], &state, 1);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char state = 0;
        const bool holding = pid > 0 && ::read(ready[0], &state, 1) == 1 && state == 'h';
        ::close(ready[0]);
        return ChildProcess(pid, holding);
    }

    // A child that opens `file` for reading and waits to be killed. Ready() is true once it is open.
    static ChildProcess HoldingOpen(const std::filesystem::path& file) {
        return Holding([&file] { return ::open(file.c_str(), O_RDONLY) >= 0; });
    }

    // A child that runs `program` with `argument`. The close-on-exec pipe reaches end of file when
    // the new program has replaced the child; a failed exec writes a byte instead.
    static ChildProcess Running(const std::filesystem::path& program, const char* argument) {
        int ready[2];
        if (::pipe2(ready, O_CLOEXEC) != 0)
            return ChildProcess(-1, false);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execl(program.c_str(), program.c_str(), argument, static_cast<char*>(nullptr));
            const char failed = 'e';
            (void)!::write(ready[1], &failed, 1);
            ::_exit(127);
        }
        ::close(ready[1]);
        char failed = 0;
        const bool running = pid > 0 && ::read(ready[0], &failed, 1) == 0;
        ::close(ready[0]);
        return ChildProcess(pid, running);
    }

    // The id of a process that has ended and been reaped: what a killed writer or run leaves in
    // the names it wrote.
    static pid_t DeadId() {
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(0);
        int status = 0;
        ::waitpid(child, &status, 0);
        return child;
    }

    bool Ready() const { return FReady; }
    pid_t Id() const { return FPid; }

    void Kill() {
        if (FPid > 0) {
            ::kill(FPid, SIGKILL);
            int status = 0;
            ::waitpid(FPid, &status, 0);
            FPid = -1;
        }
    }

private:
    ChildProcess(pid_t pid, bool ready)
        : FPid(pid)
        , FReady(ready) {}

    pid_t FPid;
    bool FReady;
};

} // namespace testsupport
