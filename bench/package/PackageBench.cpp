// Package benchmarks. Each one measures its references in the same run and reports ratios:
//   InflateLibraries       the same streams inflated in memory by zlib, ISA-L and libdeflate: the
//                          figures the reader's inflater was chosen by
//   ExtractWholeProcess    `quarnel-pack --extract` (opening, checks, files) against a process that
//                          only inflates the same streams to files with zlib, and one with ISA-L
//   PackLargeFile          packing one program-like file on every core against one thread and
//                          against `pigz -9 -z` with as many threads; sizes against a single
//                          level-9 zlib stream; whether one, all and eight threads give the same bytes
//   OpenLargeVsSmall       what precedes the wizard's window (footer and directory) and the full
//                          check behind its progress bar, for a 1 GiB package against a 1 MiB one
//   ExtractionPeakMemory   peak resident memory of extracting a 1 GiB file against a 16 MiB one
// Sizes (MiB): QUARNEL_BENCH_PROGRAM_MIB (200), QUARNEL_BENCH_MIX_MIB (64), QUARNEL_BENCH_LARGE_MIB (1024).
// Whole processes run QUARNEL_BENCH_RUNS times (3) each, alternating; the medians are compared.

#include "BenchData.h"
#include "Processes.h"
#include "ReferenceInflaters.h"
#include "update/package/HostFile.h"
#include "update/package/PackageFormat.h"
#include "update/package/PackageReader.h"
#include "update/package/PackageWriter.h"
#include "update/trust/crypto/Crypto.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <fcntl.h>
#include <iostream>
#include <memory>
#include <thread>
#include <unistd.h>
#include <zlib.h>

namespace {

using namespace packagebench;
using namespace update::package;
using Clock = std::chrono::steady_clock;

constexpr double kMiB = 1024.0 * 1024.0;
const FileTime kStamp = FileTime::FromTicks(132000000000000000ULL);

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

unsigned Cores() {
    return std::max(1U, std::thread::hardware_concurrency());
}

unsigned Runs() {
    return static_cast<unsigned>(std::max<std::uint64_t>(1, SizeFromEnvironment("QUARNEL_BENCH_RUNS", 3)));
}

void Skip(const std::string& what) {
    std::cerr << "package_bench: " << what << "\n";
}

// The data of the extraction and packing benchmarks: a program-like binary and a mix of files.
struct DataSet {
    ScratchFolder scratch;
    DataFile program;
    std::vector<DataFile> mix;
    std::uint64_t totalBytes = 0;
    std::filesystem::path package;
};

DataSet& Data() {
    static const std::unique_ptr<DataSet> set = [] {
        auto data = std::make_unique<DataSet>();
        data->program = MakeProgramLike(data->scratch.Path() / "VTPOrbel.exe",
                                        SizeFromEnvironment("QUARNEL_BENCH_PROGRAM_MIB", 200));
        data->mix = MakeMix(data->scratch.Path() / "mix", SizeFromEnvironment("QUARNEL_BENCH_MIX_MIB", 64));
        PackageWriter writer;
        writer.Add("VTPOrbel.exe", data->program.path, kStamp);
        data->totalBytes = data->program.size;
        for (const auto& file : data->mix) {
            writer.Add("mix\\" + file.path.filename().string(), file.path, kStamp);
            data->totalBytes += file.size;
        }
        data->package = data->scratch.Path() / "update.pkg";
        writer.Write(data->package);
        return data;
    }();
    return *set;
}

void InflateLibraries(benchmark::State& state) {
    DataSet& data = Data();
    const PackageReader reader(data.package);
    const FileDescriptor package = OpenForReading(data.package);
    double zlib = 0;
    double isal = 0;
    double libdeflate = 0;
    std::vector<unsigned char> stream;
    std::vector<unsigned char> output;
    for (auto _ : state) {
        auto start = Clock::now();
        for (const auto& entry : reader.Entries()) {
            ZlibInflate(package.Get(), entry.offset, entry.length, -1);
        }
        zlib += Seconds(start);
        start = Clock::now();
        for (const auto& entry : reader.Entries()) {
            IsalInflate(package.Get(), entry.offset, entry.length, -1);
        }
        const double isalSeconds = Seconds(start);
        isal += isalSeconds;
        state.SetIterationTime(isalSeconds);
        if (HaveLibdeflate()) {
            for (const auto& entry : reader.Entries()) {
                stream.resize(entry.length); // read outside the timing: libdeflate needs it whole
                ReadAt(package.Get(), entry.offset, stream, data.package);
                output.resize(static_cast<std::size_t>(entry.header.size) + kPackedHeaderSize);
                start = Clock::now();
                LibdeflateInflate(stream, output);
                libdeflate += Seconds(start);
            }
        }
    }
    const double bytes = static_cast<double>(data.totalBytes) * static_cast<double>(state.iterations());
    state.counters["zlib_MiB/s"] = bytes / kMiB / zlib;
    state.counters["isal_MiB/s"] = bytes / kMiB / isal;
    state.counters["isal_vs_zlib"] = zlib / isal;
    if (HaveLibdeflate()) {
        state.counters["libdeflate_MiB/s"] = bytes / kMiB / libdeflate;
        state.counters["libdeflate_vs_zlib"] = zlib / libdeflate;
    } else {
        Skip("libdeflate absent (libdeflate-dev): its line is skipped");
    }
}

// Inflates every stream of the package to files below `folder`, as a reference process does.
void InflateAllTo(const std::filesystem::path& package, const std::filesystem::path& folder, bool isal) {
    const PackageReader reader(package, CheckLater{}); // footer and directory only: no check
    const FileDescriptor in = OpenForReading(package);
    std::filesystem::create_directories(folder);
    std::size_t n = 0;
    for (const auto& entry : reader.Entries()) {
        const FileDescriptor out(
            ::open((folder / std::to_string(n++)).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        if (isal) {
            IsalInflate(in.Get(), entry.offset, entry.length, out.Get());
        } else {
            ZlibInflate(in.Get(), entry.offset, entry.length, out.Get());
        }
    }
}

void ExtractWholeProcess(benchmark::State& state) {
    DataSet& data = Data();
    const auto folder = data.scratch.Path() / "extracted";
    std::vector<double> extract;
    std::vector<double> zlib;
    std::vector<double> isal;
    for (auto _ : state) {
        for (unsigned run = 0; run < Runs(); ++run) {
            auto measure = [&](std::vector<double>& into, auto&& body) {
                std::filesystem::remove_all(folder);
                ::sync(); // the write-back of the previous run must not weigh on this one
                into.push_back(body());
            };
            measure(extract, [&] {
                return RunProgram({QUARNEL_PACK_PROGRAM, "--extract", data.package.string(), folder.string()}).seconds;
            });
            measure(zlib, [&] { return RunChild([&] { InflateAllTo(data.package, folder, false); }).seconds; });
            measure(isal, [&] { return RunChild([&] { InflateAllTo(data.package, folder, true); }).seconds; });
        }
        state.SetIterationTime(Median(extract));
    }
    std::filesystem::remove_all(folder);
    state.counters["MiB"] = static_cast<double>(data.totalBytes) / kMiB;
    state.counters["extract_s"] = Median(extract);
    state.counters["zlib_inflate_s"] = Median(zlib);
    state.counters["isal_inflate_s"] = Median(isal);
    state.counters["ratio_vs_zlib"] = Median(zlib) / Median(extract);
    state.counters["ratio_vs_isal"] = Median(isal) / Median(extract);
}

// The size of one level-9 zlib stream of the packed header and the file, made on one thread.
std::uint64_t SingleStreamSize(const DataFile& file) {
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY);
    const auto header = EncodePackedHeader(static_cast<std::int64_t>(file.size), kStamp);
    std::vector<unsigned char> in(header.begin(), header.end());
    std::vector<unsigned char> out(1 << 20);
    const FileDescriptor fd = OpenForReading(file.path);
    std::uint64_t produced = 0;
    for (bool last = false; !last;) {
        const std::size_t kept = in.size();
        in.resize(1 << 20);
        const std::size_t n = ReadSome(fd.Get(), std::span(in).subspan(kept), file.path);
        in.resize(kept + n);
        last = in.size() < (1 << 20);
        stream.next_in = in.data();
        stream.avail_in = static_cast<uInt>(in.size());
        do {
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
            produced += out.size() - stream.avail_out;
        } while (stream.avail_out == 0);
        in.clear();
    }
    deflateEnd(&stream);
    return produced;
}

Digest DigestOfFile(const std::filesystem::path& file) {
    const FileDescriptor fd = OpenForReading(file);
    std::vector<unsigned char> buffer(1 << 20);
    Sha256 hash;
    for (std::size_t n; (n = ReadSome(fd.Get(), buffer, file)) > 0;) {
        hash.Update(std::span(buffer).first(n));
    }
    return hash.Final();
}

void PackLargeFile(benchmark::State& state) {
    DataSet& data = Data();
    const auto one = data.scratch.Path() / "one.pkg";
    const auto all = data.scratch.Path() / "all.pkg";
    const auto eight = data.scratch.Path() / "eight.pkg";
    const auto pigzOut = data.scratch.Path() / "pigz.zz";
    const auto pigz = FindProgram("pigz");
    PackageWriter writer;
    writer.Add("VTPOrbel.exe", data.program.path, kStamp);
    double oneThread = 0;
    double allCores = 0;
    double pigzSeconds = 0;
    for (auto _ : state) {
        writer.SetThreadCount(1);
        oneThread = RunChild([&] { writer.Write(one); }).seconds;
        writer.SetThreadCount(Cores());
        allCores = RunChild([&] { writer.Write(all); }).seconds;
        state.SetIterationTime(allCores);
        writer.SetThreadCount(8);
        RunChild([&] { writer.Write(eight); });
        if (pigz) {
            pigzSeconds = RunProgram({pigz->string(), "-9", "-z", "-c", "-p", std::to_string(Cores()),
                                      data.program.path.string()},
                                     pigzOut)
                              .seconds;
        }
    }
    const double single = static_cast<double>(SingleStreamSize(data.program));
    const PackageReader reader(all);
    state.counters["cores"] = Cores();
    state.counters["MiB"] = static_cast<double>(data.program.size) / kMiB;
    state.counters["one_thread_s"] = oneThread;
    state.counters["all_cores_s"] = allCores;
    state.counters["ratio_vs_one_thread"] = oneThread / allCores;
    state.counters["size_vs_single_stream"] = static_cast<double>(reader.Entries().front().length) / single;
    const Digest oneDigest = DigestOfFile(one);
    state.counters["same_bytes_1_and_all"] = oneDigest == DigestOfFile(all) ? 1 : 0;
    state.counters["same_bytes_1_and_8"] = oneDigest == DigestOfFile(eight) ? 1 : 0;
    if (pigz) {
        state.counters["pigz_s"] = pigzSeconds;
        state.counters["ratio_vs_pigz"] = pigzSeconds / allCores;
        state.counters["pigz_size_vs_single_stream"] =
            static_cast<double>(std::filesystem::file_size(pigzOut)) / single;
    } else {
        Skip("pigz absent (Debian package pigz): the comparison with pigz is skipped");
    }
    for (const auto& file : {one, all, pigzOut}) {
        std::filesystem::remove(file);
    }
}

void OpenLargeVsSmall(benchmark::State& state) {
    ScratchFolder scratch;
    const std::uint64_t largeMiB = SizeFromEnvironment("QUARNEL_BENCH_LARGE_MIB", 1024);
    std::vector<std::filesystem::path> packages;
    for (const std::uint64_t mib : {std::uint64_t{1}, largeMiB}) {
        // Noise: the package is as large as the file.
        const DataFile file = MakeNoise(scratch.Path() / ("noise" + std::to_string(mib)), mib);
        PackageWriter writer;
        writer.Add("NOISE.BIN", file.path, kStamp);
        packages.push_back(scratch.Path() / ("noise" + std::to_string(mib) + ".pkg"));
        writer.Write(packages.back());
        std::filesystem::remove(file.path);
    }
    std::vector<double> open[2];
    std::vector<double> check[2];
    for (auto _ : state) {
        for (unsigned run = 0; run < 5; ++run) {
            for (std::size_t i = 0; i < packages.size(); ++i) {
                auto start = Clock::now();
                PackageReader reader(packages[i], CheckLater{});
                open[i].push_back(Seconds(start));
                start = Clock::now();
                reader.Check();
                check[i].push_back(Seconds(start));
            }
        }
        state.SetIterationTime(Median(open[1]));
    }
    state.counters["open_1MiB_ms"] = Median(open[0]) * 1000;
    state.counters["open_large_ms"] = Median(open[1]) * 1000;
    state.counters["ratio_open_large_vs_1MiB"] = Median(open[1]) / Median(open[0]);
    state.counters["check_1MiB_ms"] = Median(check[0]) * 1000;
    state.counters["check_large_ms"] = Median(check[1]) * 1000;
}

void ExtractionPeakMemory(benchmark::State& state) {
    ScratchFolder scratch;
    const std::uint64_t largeMiB = SizeFromEnvironment("QUARNEL_BENCH_LARGE_MIB", 1024);
    std::vector<std::filesystem::path> packages;
    for (const std::uint64_t mib : {std::uint64_t{16}, largeMiB}) {
        const auto source = scratch.Path() / ("large" + std::to_string(mib));
        const DataFile file = MakeLarge(source, mib);
        PackageWriter writer;
        writer.Add("LARGE.BIN", file.path, kStamp);
        writer.Write(source.string() + ".pkg");
        std::filesystem::remove(source);
        packages.emplace_back(source.string() + ".pkg");
    }
    long baseline = 0;
    std::vector<long> peaks(packages.size());
    for (auto _ : state) {
        baseline = RunChild([] {}).peakKiB;
        for (std::size_t i = 0; i < packages.size(); ++i) {
            peaks[i] = RunChild([&] {
                           const PackageReader reader(packages[i]);
                           reader.ExtractTo(reader.Entries().front(), scratch.Path() / "out.bin");
                       }).peakKiB;
            std::filesystem::remove(scratch.Path() / "out.bin");
        }
    }
    state.counters["baseline_KiB"] = static_cast<double>(baseline);
    state.counters["peak_16MiB_KiB"] = static_cast<double>(peaks[0]);
    state.counters["peak_" + std::to_string(largeMiB) + "MiB_KiB"] = static_cast<double>(peaks[1]);
    state.counters["ratio_large_vs_16MiB"] = static_cast<double>(peaks[1]) / static_cast<double>(peaks[0]);
}

} // namespace

BENCHMARK(InflateLibraries)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ExtractWholeProcess)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(PackLargeFile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(OpenLargeVsSmall)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(ExtractionPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
