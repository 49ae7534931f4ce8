#include "ToolRun.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace packagetest {

namespace {

std::string Slurp(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

ToolResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                      const std::filesystem::path& scratch) {
    const auto outFile = scratch / "stdout.txt";
    const auto errFile = scratch / "stderr.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> argv{program.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (auto& arg : argv) {
        pointers.push_back(arg.data());
    }
    pointers.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw std::runtime_error("cannot run " + program.string());
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            throw std::runtime_error("waitpid failed");
        }
    }
    ToolResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = Slurp(outFile);
    result.err = Slurp(errFile);
    std::filesystem::remove(outFile);
    std::filesystem::remove(errFile);
    return result;
}

TerminalRun RunOnTerminal(const std::filesystem::path& program, const std::vector<std::string>& args,
                          std::string_view prompt, std::string_view answer) {
    std::vector<std::string> argv = {program.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (auto& arg : argv)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    int terminal = -1;
    const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child == 0) {
        ::execv(pointers[0], pointers.data());
        ::_exit(127);
    }
    TerminalRun run;
    if (child < 0)
        return run;
    bool answered = false;
    char buffer[512];
    // A tool that waits for something else than the question is stopped after 30 s.
    for (pollfd ready{terminal, POLLIN, 0}; ::poll(&ready, 1, 30'000) > 0;) {
        const ssize_t count = ::read(terminal, buffer, sizeof buffer);
        if (count <= 0)
            break; // the tool has ended and closed its terminal
        run.screen.append(buffer, static_cast<std::size_t>(count));
        if (!answered && !prompt.empty() && run.screen.find(prompt) != std::string::npos) {
            const std::string typed = std::string(answer) + "\n";
            answered = ::write(terminal, typed.data(), typed.size()) == static_cast<ssize_t>(typed.size());
        }
    }
    ::kill(child, SIGKILL); // nothing when it has ended already
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(terminal);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace packagetest
