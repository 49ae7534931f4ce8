// `reg query` of one value in a hive whose one key holds 20,000 values, against the same query in a
// hive of the same values spread over 200 keys of 100 (about 2 MB each), measured in the same run:
//   RegQuery/OneKeyOf20000Values   what one `quarnel-machine reg query KEY /v NAME` costs: a new
//   RegQuery/200KeysOf100Values    registry object (nothing cached), the hive read, the value found.
// The counter `bytes` is the hive's size. Reading a hive must not grow faster than its size, however
// its values are spread: the first figure stays near the second.

#include "RegistryBenchData.h"
#include "platform/registry/RegCommand.h"
#include "platform/registry/Registry.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

void RegQuery(benchmark::State& state, std::size_t keys, std::size_t values) {
    const fs::path folder = registrybench::MakeRegistry(registrybench::SharedLibrariesText(keys, values));
    const auto hiveSize = fs::file_size(folder / "HKEY_CURRENT_USER.reg");
    std::string key = "HKCU\\Software\\QUARNEL S.A.\\SharedDLLs";
    if (keys > 1)
        key += "\\Groupe" + std::to_string(keys - 1);
    // A value near the end of its key, in the key read last.
    const std::string name =
        "C:\\Quarnel\\Commun\\Lib" + std::to_string(keys - 1) + "_" + std::to_string(values - 2) + ".dll";
    const std::vector<std::string> args{"query", key, "/v", name};
    for (auto _ : state) {
        std::ostringstream out;
        std::ostringstream err;
        platform::Registry registry(folder);
        if (platform::RunRegCommand(registry, args, out, err) != 0 || out.str().find("REG_DWORD") == std::string::npos)
            state.SkipWithError(("query failed: " + err.str()).c_str());
    }
    state.counters["bytes"] = static_cast<double>(hiveSize);
    fs::remove_all(folder.parent_path());
}

BENCHMARK_CAPTURE(RegQuery, OneKeyOf20000Values, 1, 20000)
    ->Name("RegQuery/OneKeyOf20000Values")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(RegQuery, 200KeysOf100Values, 200, 100)
    ->Name("RegQuery/200KeysOf100Values")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
