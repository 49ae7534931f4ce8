// `reg add` into a large hive against the same into an empty hive, measured in the same run:
//   RegAdd/Fresh      what one `quarnel-machine reg add` costs: a new registry object (nothing
//                     cached, the hive and its log read), one value set under the lock, the change
//                     appended to the log and synced, then the log folded into the hive (written,
//                     synced and renamed) as the object closes.
//   RegAdd/Kept       the same change from a registry object that stays open (the wizard's case:
//                     many changes in one process): the change appended to the log and synced.
// Each runs on an empty hive and on a hive of about 2 MB; the counter `bytes` is the hive's size.
// The ratio of the 2 MB figure to the empty one is what a change pays for the size of the hive.

#include "RegistryBenchData.h"
#include "platform/registry/RegCommand.h"
#include "platform/registry/Registry.h"

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

BENCHMARK(Fresh)->Name("RegAdd/Fresh")->Arg(0)->Arg(2 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Kept)->Name("RegAdd/Kept")->Arg(0)->Arg(2 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN(); // with the queries of RegQueryBench.cpp
