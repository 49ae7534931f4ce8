#include "process/ProgramRun.h"

#include <cerrno>
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

ProgramResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const ProgramOptions& options) {
    CaptureFile out;
    CaptureFile err;
    CaptureFile in;
    if (!options.input.empty() && write(in.Descriptor(), options.input.data(), options.input.size()) !=
                                      static_cast<ssize_t>(options.input.size()))
        throw std::runtime_error("cannot prepare the program's input");
    lseek(in.Descriptor(), 0, SEEK_SET);

    std::vector<std::string> argvText{program.string()};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argvText)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    const pid_t child = fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        for (const auto& [name, value] : options.environment)
            setenv(name.c_str(), value.c_str(), 1);
        dup2(in.Descriptor(), STDIN_FILENO);
        dup2(out.Descriptor(), STDOUT_FILENO);
        dup2(err.Descriptor(), STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    ProgramResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = out.Read();
    result.err = err.Read();
    return result;
}

} // namespace testsupport
