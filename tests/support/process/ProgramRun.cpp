#include "process/ProgramRun.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

namespace {

// A temporary file that receives one output stream; read back after the program ended, so that
// no pipe can fill up and block it.
class CaptureFile {
public:
    CaptureFile() {
        char name[] = "/tmp/quarnel-capture-XXXXXX";
        FDescriptor = mkstemp(name);
        if (FDescriptor < 0)
            throw std::runtime_error("cannot create a capture file");
        unlink(name);
    }
    ~CaptureFile() { close(FDescriptor); }
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;

    int Descriptor() const { return FDescriptor; }
    std::string Read() const {
        std::string text;
        char buffer[4096];
        lseek(FDescriptor, 0, SEEK_SET);
        for (ssize_t n; (n = read(FDescriptor, buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<std::size_t>(n));
        return text;
    }

private:
    int FDescriptor = -1;
};

// Waits for the child's end for `delay` at most (without reaping it); SIGKILL when it still runs.
bool KillWhenLate(pid_t child, std::chrono::microseconds delay) {
    // Through syscall(): the C library's header lacks C linkage in C++.
    const int process = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
    if (process < 0)
        throw std::runtime_error("pidfd_open failed");
    pollfd watch{process, POLLIN, 0};
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(delay);
    timespec timeout{static_cast<time_t>(seconds.count()),
                     static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(delay - seconds).count())};
    int ready = 0;
    while ((ready = ppoll(&watch, 1, &timeout, nullptr)) < 0 && errno == EINTR) {
    }
    const bool late = ready == 0;
    if (late)
        syscall(SYS_pidfd_send_signal, process, SIGKILL, nullptr, 0);
    close(process);
    return late;
}

} // namespace

struct RunningProgram::Captures {
    CaptureFile out;
    CaptureFile err;
    CaptureFile in;
};

RunningProgram::RunningProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                               const ProgramOptions& options)
    : FCaptures(std::make_unique<Captures>()) {
    const int in = FCaptures->in.Descriptor();
    if (!options.input.empty() &&
        write(in, options.input.data(), options.input.size()) != static_cast<ssize_t>(options.input.size()))
        throw std::runtime_error("cannot prepare the program's input");
    lseek(in, 0, SEEK_SET);

    std::vector<std::string> argvText{program.string()};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argvText)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    FPid = fork();
    if (FPid < 0)
        throw std::runtime_error("fork failed");
    if (FPid == 0) {
        for (const auto& [name, value] : options.environment)
            setenv(name.c_str(), value.c_str(), 1);
        if (options.fileSizeLimit) {
            const rlimit limit{*options.fileSizeLimit, *options.fileSizeLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
            signal(SIGXFSZ, SIG_IGN); // kept across exec: the write fails with EFBIG
        }
        if (options.signalWhenCallerEnds != 0)
            prctl(PR_SET_PDEATHSIG, options.signalWhenCallerEnds);
        dup2(in, STDIN_FILENO);
        dup2(options.standardOutput.value_or(FCaptures->out.Descriptor()), STDOUT_FILENO);
        dup2(FCaptures->err.Descriptor(), STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    FKillAfter = options.killAfter;
}

RunningProgram::~RunningProgram() {
    if (FPid > 0) {
        kill(FPid, SIGKILL);
        while (waitpid(FPid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
}

void RunningProgram::Signal(int signal) const {
    if (FPid > 0)
        kill(FPid, signal);
}

ProgramResult RunningProgram::Wait() {
    if (FPid <= 0)
        throw std::runtime_error("the program was already waited for");
    ProgramResult result;
    if (FKillAfter)
        result.killed = KillWhenLate(FPid, *FKillAfter);
    int status = 0;
    rusage usage{};
    while (wait4(FPid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    FPid = -1;
    result.peakKiB = usage.ru_maxrss;
    result.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    FSignal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    result.out = FCaptures->out.Read();
    result.err = FCaptures->err.Read();
    return result;
}

ProgramResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const ProgramOptions& options) {
    return RunningProgram(program, args, options).Wait();
}

} // namespace testsupport
