// What a person waits for when an update installs many small secondary files: the whole unattended
// update of VTPOrbel carrying QUARNEL_BENCH_FILES (300) files of 4 KB listed in "FileNames.txt", on
// a machine made with quarnel-machine, against the same files copied with `cp` and a `sync` of each
// (the reference, measured in the same run). Each run replaces files already installed, as an
// update does. Then the same two with QUARNEL_BENCH_IDLE (1,000) idle processes on the machine:
// the update's cost must not grow with them.
//
//   SecondaryFiles/quiet       medians of QUARNEL_BENCH_RUNS (3) runs, alternating
//   SecondaryFiles/idle        the same with the idle processes
//
// ratio = update / (cp + sync); vs_quiet = the update with the idle processes / without them.

#include "pe/PeWriter.h"
#include "platform/machine/Machine.h"
#include "process/ChildProcess.h"
#include "process/ProgramRun.h"
#include "process/ToolPrefix.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::string_view kOrbel = "C:\\WQuarnel\\Orbel\\Programs\\VTPOrbel.exe";

std::size_t FromEnvironment(const char* name, std::size_t fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && std::atoll(text) > 0 ? static_cast<std::size_t>(std::atoll(text)) : fallback;
}

void WriteText(const fs::path& file, std::string_view content) {
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

void SetSeconds(const fs::path& file, std::int64_t seconds) {
    fs::last_write_time(file,
                        std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(seconds))));
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs `program` with `args` through the shared process support; the wall time in seconds.
double Timed(const fs::path& program, const std::vector<std::string>& args, const testsupport::ProgramOptions& options,
             const char* what) {
    const auto start = Clock::now();
    const testsupport::ProgramResult result = testsupport::RunProgram(program, args, options);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (result.exitCode != 0)
        throw std::runtime_error(std::string(what) + " failed (" + std::to_string(result.exitCode) +
                                 "): " + result.err);
    return seconds;
}

class Bench {
public:
    Bench()
        : FPrefix(QUARNEL_MACHINE_PROGRAM, "quarnel-filesbench")
        , FFiles(FromEnvironment("QUARNEL_BENCH_FILES", 300)) {
        const testsupport::ProgramResult init = FPrefix.Init();
        if (init.exitCode != 0)
            throw std::runtime_error("quarnel-machine init failed: " + init.err);
        // VTPOrbel is updated where Veltrane is installed.
        const testsupport::ProgramResult registered =
            FPrefix.Machine({"reg", "add", "HKCU\\SOFTWARE\\QUARNEL S.A.\\Veltrane\\Program", "/v", "Filename", "/d",
                             "C:\\WQuarnel\\VTP\\Programs\\Veltrane.exe", "/f"});
        if (registered.exitCode != 0)
            throw std::runtime_error("quarnel-machine reg add failed: " + registered.err);
        const fs::path source = FPrefix.Folder() / "source";
        WriteText(source / "AppInfo1.txt", "Produits Quarnel\r\n");
        WriteText(source / "Updates.txt", "VTPOrbel\r\n");
        testsupport::WritePeFile(source / "VTPOrbel.exe", testsupport::MakeVersionResource(3, 1, 0, 0));
        std::string names;
        const std::string content(4096, 'q');
        for (std::size_t i = 0; i < FFiles; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "Aide%04zu.dat", i);
            names += std::string(name) + "\r\n";
            WriteText(source / "files" / name, content);
            fs::copy_file(source / "files" / name, source / name);
        }
        WriteText(source / "FileNames.txt", names);
        FReferenceSource = source / "files";
        FReferenceTarget = FPrefix.Folder() / "cp-target";
        fs::create_directories(FReferenceTarget);
        FPackage = FPrefix.Folder() / "package.qpk";
        Timed(QUARNEL_PACK_PROGRAM, {source.string(), "-o", FPackage.string(), "--threads", "1"}, {}, "quarnel-pack");
        FProgram = platform::Machine::Load(FPrefix.Prefix()).ToHostPath(kOrbel).value();
        FFirstTarget = FProgram.parent_path() / "Aide0000.dat";
    }

    std::size_t Files() const { return FFiles; }

    // The unattended update, over an older VTPOrbel installed afresh.
    double Update() {
        fs::create_directories(FProgram.parent_path());
        testsupport::WritePeFile(FProgram, testsupport::MakeVersionResource(3, 0, 0, 0));
        SetSeconds(FProgram, 1'600'000'000);
        const fs::path report = FPrefix.Folder() / "report.txt";
        const double seconds =
            Timed(QUARNEL_UPDATE_PROGRAM, {"--silent", "--package", FPackage.string(), "--report", report.string()},
                  FPrefix.Options(), "quarnel-update");
        if (!fs::exists(FFirstTarget) || fs::file_size(FFirstTarget) != 4096)
            throw std::runtime_error("the update did not install the secondary files");
        return seconds;
    }

    // `cp` of the same files over the same names, and a `sync` of each.
    double Reference() {
        return Timed("/bin/sh",
                     {"-c", "for f in \"$1\"/*; do cp \"$f\" \"$2/\" && sync \"$2/${f##*/}\" || exit 1; done", "sh",
                      FReferenceSource.string(), FReferenceTarget.string()},
                     {}, "cp");
    }

private:
    testsupport::ToolPrefix FPrefix;
    std::size_t FFiles;
    fs::path FReferenceSource;
    fs::path FReferenceTarget;
    fs::path FPackage;
    fs::path FProgram;
    fs::path FFirstTarget;
};

std::size_t ProcessCount() {
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        count += std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
    }
    return count;
}

struct Figures {
    double update;
    double reference;
};

Figures Measure(Bench& bench, std::size_t runs) {
    std::vector<double> updates;
    std::vector<double> references;
    for (std::size_t run = 0; run < runs; ++run) {
        updates.push_back(bench.Update());
        references.push_back(bench.Reference());
    }
    return {Median(updates), Median(references)};
}

void Print(const char* name, const Figures& figures, std::size_t processes, std::size_t files) {
    std::printf("%-24s processes=%-5zu files=%zu  update=%.3f s  cp+sync=%.3f s  ratio=%.2f\n", name, processes, files,
                figures.update, figures.reference, figures.update / figures.reference);
}

} // namespace

int main() {
    try {
        const std::size_t runs = FromEnvironment("QUARNEL_BENCH_RUNS", 3);
        const std::size_t idle = FromEnvironment("QUARNEL_BENCH_IDLE", 1000);
        Bench bench;
        bench.Update(); // installs the files once: every measured run replaces them
        bench.Reference();
        const Figures quiet = Measure(bench, runs);
        Print("SecondaryFiles/quiet", quiet, ProcessCount(), bench.Files());

        std::vector<std::unique_ptr<testsupport::ChildProcess>> sleepers;
        for (std::size_t i = 0; i < idle; ++i) {
            sleepers.emplace_back(
                new testsupport::ChildProcess(testsupport::ChildProcess::Holding([] { return true; })));
            if (!sleepers.back()->Ready())
                throw std::runtime_error("cannot start idle process " + std::to_string(i));
        }
        const Figures busy = Measure(bench, runs);
        Print("SecondaryFiles/idle", busy, ProcessCount(), bench.Files());
        std::printf("%-24s update with %zu idle processes / without = %.2f\n", "SecondaryFiles/vs_quiet", idle,
                    busy.update / quiet.update);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "secondary_files_bench: %s\n", error.what());
        return 1;
    }
}
