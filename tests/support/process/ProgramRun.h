#pragma once

// Runs a built program to completion, as end-to-end tests do, and collects what it printed.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testsupport {

struct ProgramResult {
    int exitCode = -1;   // -1 when the program did not exit normally
    bool killed = false; // ended by ProgramOptions::killAfter
    std::string out;
    std::string err;
    long peakKiB = 0;        // the program's peak resident memory
    double cpuSeconds = 0.0; // the processor time the program used (user and system)
};

struct ProgramOptions {
    std::map<std::string, std::string> environment; // set on top of the test's own environment
    std::string input;                              // given on standard input
    // The largest file the program may write (RLIMIT_FSIZE); a write beyond fails with EFBIG
    // instead of raising SIGXFSZ, as a full drive makes a write fail.
    std::optional<std::uint64_t> fileSizeLimit = std::nullopt;
    // SIGKILL when the program still runs this long after its start, as a power cut would stop it.
    std::optional<std::chrono::microseconds> killAfter = std::nullopt;
    // A descriptor given to the program as its standard output instead of a capture (`out` stays
    // empty): a pipe the caller reads while the program runs.
    std::optional<int> standardOutput = std::nullopt;
    // A signal the program receives when the thread that started it ends (PR_SET_PDEATHSIG), so that
    // a server a benchmark started cannot outlive it; 0 for none.
    int signalWhenCallerEnds = 0;
};

ProgramResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const ProgramOptions& options = {});

// A program started and left running, for a test that acts on it while it runs (stops it with a
// signal, for example). The destructor kills a program still running and reaps it.
class RunningProgram {
public:
    RunningProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                   const ProgramOptions& options = {});
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    pid_t Pid() const { return FPid; }
    void Signal(int signal) const;
    // Waits for the end; the exit code is -1 when a signal ended the program.
    ProgramResult Wait();
    // The signal that ended the program (after Wait), 0 when it exited.
    int TerminatingSignal() const { return FSignal; }

private:
    struct Captures;
    std::unique_ptr<Captures> FCaptures;
    pid_t FPid = -1;
    int FSignal = 0;
    std::optional<std::chrono::microseconds> FKillAfter; // counted from the start, applied by Wait
};

} // namespace testsupport
