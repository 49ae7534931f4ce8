// Benchmark of what a person waits for when the wizard starts: its window on the screen, for a
// program carrying a 1 GiB package against one carrying a 1 MiB package. Each run is the whole
// program as a person starts it, on a machine made with quarnel-machine, under a private Xvfb;
// the time runs from the start of the process to the window mapped, and to its first paint.
//
//   WindowUpLargeVsSmall   medians of QUARNEL_BENCH_RUNS (5) runs per size, alternating, after one
//                          run each to warm the file cache; the ratios large / 1 MiB
// Size (MiB): QUARNEL_BENCH_LARGE_MIB (1024).

#include "BenchData.h"
#include "Processes.h"
#include "WindowWatch.h"
#include "XServer.h"
#include "process/ProgramRun.h"
#include "update/package/PackageWriter.h"

#include <benchmark/benchmark.h>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <iostream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace packagebench;
using namespace windowbench;
using update::package::FileTime;
using update::package::PackageWriter;

constexpr auto kTimeout = std::chrono::seconds(120);

unsigned Runs() {
    return static_cast<unsigned>(std::max<std::uint64_t>(1, SizeFromEnvironment("QUARNEL_BENCH_RUNS", 5)));
}

// The wizard carrying the demo package's texts and `mib` of noise.
std::filesystem::path MakeWizard(const std::filesystem::path& folder, std::uint64_t mib) {
    const FileTime stamp = FileTime::FromTicks(132000000000000000ULL);
    PackageWriter writer;
    for (const auto& text : std::filesystem::directory_iterator(QUARNEL_DEMO_PACKAGE)) {
        writer.Add(text.path().filename().string(), text.path(), stamp);
    }
    const DataFile noise = MakeNoise(folder / ("noise" + std::to_string(mib)), mib);
    writer.Add("NOISE.BIN", noise.path, stamp);
    const auto wizard = folder / ("quarnel-update-" + std::to_string(mib));
    writer.Write(wizard, std::filesystem::path(QUARNEL_UPDATE_PROGRAM));
    std::filesystem::remove(noise.path);
    return wizard;
}

// Starts `wizard` in its window on `display` through the shared process support, waits for the
// window, then ends the program (the RunningProgram's end kills and reaps it).
WindowTimes TimeWindow(const std::filesystem::path& wizard, const XServer& display,
                       const std::filesystem::path& runtime) {
    WindowWatch watch(display.Display());
    testsupport::ProgramOptions options;
    options.environment = {
        {"DISPLAY", display.Display()}, {"QT_QPA_PLATFORM", "xcb"}, {"XDG_RUNTIME_DIR", runtime.string()}};
    options.signalWhenCallerEnds = SIGKILL;
    const auto start = Clock::now();
    const testsupport::RunningProgram program(wizard, {}, options);
    return watch.WaitForWindow(start, kTimeout);
}

// An error (no X server to connect to, a program that fails) ends the benchmark through the
// destructors: the X server and the programs started never outlive it.
void MeasureWindowUp(benchmark::State& state) {
    const XServer display;
    ScratchFolder scratch;
    const auto machine = scratch.Path() / "machine";
    ::setenv("QUARNEL_PREFIX", machine.c_str(), 1);
    const testsupport::ProgramResult init = testsupport::RunProgram(QUARNEL_MACHINE_PROGRAM, {"init"});
    if (init.exitCode != 0)
        throw std::runtime_error("quarnel-machine init failed: " + init.err);
    const auto runtime = scratch.Path() / "runtime";
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);

    const std::uint64_t largeMiB = SizeFromEnvironment("QUARNEL_BENCH_LARGE_MIB", 1024);
    const std::filesystem::path wizards[2] = {MakeWizard(scratch.Path(), 1), MakeWizard(scratch.Path(), largeMiB)};
    std::vector<double> mapped[2];
    std::vector<double> painted[2];
    for (auto _ : state) {
        for (const auto& wizard : wizards) {
            TimeWindow(wizard, display, runtime); // the file cache warm for both
        }
        for (unsigned run = 0; run < Runs(); ++run) {
            for (std::size_t i = 0; i < 2; ++i) {
                const WindowTimes times = TimeWindow(wizards[i], display, runtime);
                mapped[i].push_back(times.mappedSeconds);
                painted[i].push_back(times.paintedSeconds);
            }
        }
        state.SetIterationTime(Median(painted[1]));
    }
    state.counters["large_MiB"] = static_cast<double>(largeMiB);
    state.counters["mapped_1MiB_ms"] = Median(mapped[0]) * 1000;
    state.counters["mapped_large_ms"] = Median(mapped[1]) * 1000;
    state.counters["painted_1MiB_ms"] = Median(painted[0]) * 1000;
    state.counters["painted_large_ms"] = Median(painted[1]) * 1000;
    state.counters["ratio_mapped_large_vs_1MiB"] = Median(mapped[1]) / Median(mapped[0]);
    state.counters["ratio_painted_large_vs_1MiB"] = Median(painted[1]) / Median(painted[0]);
}

void WindowUpLargeVsSmall(benchmark::State& state) {
    try {
        MeasureWindowUp(state);
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

BENCHMARK(WindowUpLargeVsSmall)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
