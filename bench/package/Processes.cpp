#include "Processes.h"

#include "process/ProgramRun.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace packagebench {

namespace {

ChildRun Wait(pid_t pid, std::chrono::steady_clock::time_point start, const std::string& what) {
    int status = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error(what + " failed");
    }
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), usage.ru_maxrss};
}

} // namespace

ChildRun RunChild(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        try {
            work();
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    return Wait(pid, start, "child");
}

ChildRun RunProgram(const std::vector<std::string>& arguments, const std::optional<std::filesystem::path>& output) {
    struct Output {
        int fd = -1;
        ~Output() {
            if (fd >= 0)
                ::close(fd); // what the program wrote is in the file already
        }
    } file;
    testsupport::ProgramOptions options;
    if (output) {
        file.fd = ::open(output->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (file.fd < 0)
            throw std::runtime_error("cannot write " + output->string());
        options.standardOutput = file.fd;
    }
    const auto start = std::chrono::steady_clock::now();
    const testsupport::ProgramResult result = testsupport::RunProgram(
        arguments.front(), std::vector<std::string>(arguments.begin() + 1, arguments.end()), options);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (result.exitCode != 0)
        throw std::runtime_error(arguments.front() + " failed: " + result.err);
    return {seconds, result.peakKiB};
}

std::optional<std::filesystem::path> FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/bin:/bin";
    for (std::size_t start = 0; start <= folders.size();) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::filesystem::path candidate = std::filesystem::path(folders.substr(start, end - start)) / name;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        start = end + 1;
    }
    return std::nullopt;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace packagebench
