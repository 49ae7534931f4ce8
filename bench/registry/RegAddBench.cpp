// `reg add` into a large hive against the same into an empty hive, measured in the same run:
//   RegAdd/Process    what a person waits for: a new `quarnel-machine reg add` process on a machine
//                     prefix, started through the shared process support (the program started, the
//                     machine loaded, the changed key and the keys above it read, the change appended
//                     to the log and synced). The counter `cpu_ms` is the processor time of the
//                     process (user and system), which the load of the machine affects less than the
//                     wall time.
//   RegAdd/Fresh      the same within this process: a new registry object (nothing cached) and one
//                     `reg add`.
//   RegAdd/Kept       the same change from a registry object that stays open (the wizard's case:
//                     many changes in one process): the change appended to the log and synced.
// Each runs on an empty hive and on a hive of about 2 MB; the counter `bytes` is the hive's size.
// The ratio of the 2 MB figure to the empty one is what a change pays for the size of the hive. One
// write in several hundred also folds the log into the hive, as the object closes with a log past
// 64 KiB: the mean includes it.

#include "RegistryBenchData.h"
#include "platform/registry/RegCommand.h"
#include "platform/registry/Registry.h"
#include "process/ToolPrefix.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> AddArgs(std::int64_t iteration) {
    return {"add", "HKCU\\Software\\QUARNEL S.A.\\Bench",
            "/v",  "Compteur",
            "/t",  "REG_DWORD",
            "/d",  std::to_string(iteration),
            "/f"};
}

void RegAdd(benchmark::State& state, bool fresh) {
    const fs::path folder =
        registrybench::MakeRegistry(registrybench::SettingsText(static_cast<std::size_t>(state.range(0))));
    const auto hiveSize = fs::file_size(folder / "HKEY_CURRENT_USER.reg");
    platform::Registry kept(folder);
    kept.Read(platform::RegistryRoot::CurrentUser); // read once, as a program that has been using it
    std::int64_t iteration = 0;
    for (auto _ : state) {
        std::ostringstream out;
        std::ostringstream err;
        const auto args = AddArgs(++iteration);
        int rc = 0;
        if (fresh) {
            platform::Registry registry(folder);
            rc = platform::RunRegCommand(registry, args, out, err);
        } else {
            rc = platform::RunRegCommand(kept, args, out, err);
        }
        if (rc != 0)
            state.SkipWithError(err.str().c_str());
    }
    state.counters["bytes"] = static_cast<double>(hiveSize);
    kept.FoldLogs();
    fs::remove_all(folder.parent_path());
}

void Fresh(benchmark::State& state) {
    RegAdd(state, true);
}
void Kept(benchmark::State& state) {
    RegAdd(state, false);
}

void Process(benchmark::State& state) {
    const testsupport::ToolPrefix prefix(QUARNEL_MACHINE_PROGRAM, "quarnel-regbench");
    if (const auto init = prefix.Init(); init.exitCode != 0) {
        state.SkipWithError(("quarnel-machine init failed: " + init.err).c_str());
        return;
    }
    const fs::path hive = prefix.Prefix() / "registry" / "HKEY_CURRENT_USER.reg";
    if (state.range(0) > 0) {
        const fs::path import = prefix.Folder() / "import.reg";
        {
            std::ofstream out(import, std::ios::binary);
            out << registrybench::SettingsText(static_cast<std::size_t>(state.range(0)));
        }
        if (const auto imported = prefix.Machine({"reg", "import", import.string()}); imported.exitCode != 0) {
            state.SkipWithError(("quarnel-machine reg import failed: " + imported.err).c_str());
            return;
        }
    }
    std::int64_t iteration = 0;
    double cpuSeconds = 0;
    for (auto _ : state) {
        const testsupport::ProgramResult result = prefix.Machine([&] {
            auto args = AddArgs(++iteration);
            args.insert(args.begin(), "reg");
            return args;
        }());
        if (result.exitCode != 0) {
            state.SkipWithError(("quarnel-machine reg add failed: " + result.err).c_str());
            break;
        }
        cpuSeconds += result.cpuSeconds;
    }
    state.counters["bytes"] = static_cast<double>(fs::file_size(hive));
    state.counters["cpu_ms"] = benchmark::Counter(cpuSeconds * 1000, benchmark::Counter::kAvgIterations);
}

BENCHMARK(Process)->Name("RegAdd/Process")->Arg(0)->Arg(2 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Fresh)->Name("RegAdd/Fresh")->Arg(0)->Arg(2 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Kept)->Name("RegAdd/Kept")->Arg(0)->Arg(2 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN(); // with the queries of RegQueryBench.cpp
