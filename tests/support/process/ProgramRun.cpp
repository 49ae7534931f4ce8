#include "process/ProgramRun.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
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
        dup2(in, STDIN_FILENO);
        dup2(FCaptures->out.Descriptor(), STDOUT_FILENO);
        dup2(FCaptures->err.Descriptor(), STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
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
    int status = 0;
    while (waitpid(FPid, &status, 0) < 0 && errno == EINTR) {
    }
    FPid = -1;
    ProgramResult result;
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
