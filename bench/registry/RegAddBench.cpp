// `reg add` into a large hive against the same into an empty hive, measured in the same run:
//   RegAdd/Fresh      what one `quarnel-machine reg add` costs: a new registry object (nothing
//                     cached), one value set under the lock, the hive written, synced and renamed.
//   RegAdd/Kept       the same change from a registry object that stays open (the wizard's case:
//                     many changes in one process).
// Each runs on an empty hive and on a hive of about 2 MB; the counter `bytes` is the hive's size.
// The ratio of the 2 MB figure to the empty one is what a change pays for the size of the hive.

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

// A registry folder of its own, with a HKEY_CURRENT_USER hive of about `bytes` bytes.
fs::path MakeRegistry(std::size_t bytes) {
    std::string pattern = (fs::temp_directory_path() / "quarnel-regbench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        std::abort();
    const fs::path folder = fs::path(pattern) / "registry";
    platform::Registry registry(folder);
    registry.CreateMissingHives();
    std::ostringstream text;
    text << "Windows Registry Editor Version 5.00\r\n\r\n";
    std::size_t written = 0;
    for (int key = 0; written * 2 < bytes; ++key) {
        std::ostringstream section;
        section << "[HKEY_CURRENT_USER\\Software\\QUARNEL S.A.\\Produit" << key / 50 << "\\Réglages" << key << "]\r\n";
        for (int value = 0; value < 10; ++value)
            section << "\"Valeur" << value << "\"=\"C:\\\\Apps\\\\Veltrane\\\\Programs\\\\Fichier" << key << "_" << value
                    << ".dat\"\r\n\"Compte" << value << "\"=dword:0000002a\r\n";
        section << "\r\n";
        written += section.str().size();
        text << section.str();
    }
    const fs::path import = fs::path(pattern) / "import.reg";
    {
        std::ofstream out(import, std::ios::binary);
        out << text.str();
    }
    std::ostringstream out;
    std::ostringstream err;
    const std::vector<std::string> args{"import", import.string()};
    if (platform::RunRegCommand(registry, args, out, err) != 0)
        std::abort();
    return folder;
}

std::vector<std::string> AddArgs(std::int64_t iteration) {
    return {"add", "HKCU\\Software\\QUARNEL S.A.\\Bench", "/v", "Compteur", "/t", "REG_DWORD", "/d",
            std::to_string(iteration), "/f"};
}

void RegAdd(benchmark::State& state, bool fresh) {
    const fs::path folder = MakeRegistry(static_cast<std::size_t>(state.range(0)));
    const auto hiveSize = fs::file_size(folder / "HKEY_CURRENT_USER.reg");
    platform::Registry kept(folder);
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

BENCHMARK_MAIN();
