// Package benchmarks. Each one measures its reference in the same run and reports the ratio:
//   ExtractVsInflate        extraction (into a discarding stream) against a plain zlib inflate loop
//                           over the same streams: the cost of the reader's own layer
//   ExtractToFiles          extraction to files against inflating to files and against a plain
//                           copy of the same bytes
//   PackAllCoresVsOne       packing on every core against single-threaded level-9 deflate of the same
//                           files, and against the writer on one thread
//   ExtractionPeakMemory    peak resident memory of a process that opens a package and extracts one
//                           16 MiB file, and one that does the same with a 1 GiB file
// Sizes: QUARNEL_BENCH_MIX_MIB (default 256) for the mix, QUARNEL_BENCH_LARGE_MIB (default 1024).

#include "BenchData.h"
#include "update/package/HostFile.h"
#include "update/package/PackageReader.h"
#include "update/package/PackageWriter.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <ostream>
#include <streambuf>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <zlib.h>

namespace {

using namespace packagebench;
using namespace update::package;
using Clock = std::chrono::steady_clock;

constexpr double kMiB = 1024.0 * 1024.0;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

class NullBuffer : public std::streambuf {
protected:
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
    int overflow(int c) override { return c; }
};

struct MixSet {
    ScratchFolder scratch;
    std::vector<DataFile> files;
    std::uint64_t totalBytes = 0;
    std::filesystem::path package;
    std::unique_ptr<PackageReader> reader;
};

PackageWriter WriterFor(const std::vector<DataFile>& files) {
    PackageWriter writer;
    for (const auto& file : files) {
        writer.Add(file.path.filename().string(), file.path, FileTime::FromTicks(132000000000000000ULL));
    }
    return writer;
}

MixSet& Mix() {
    static const std::unique_ptr<MixSet> set = [] {
        auto mix = std::make_unique<MixSet>();
        mix->files = MakeMix(mix->scratch.Path() / "mix", SizeFromEnvironment("QUARNEL_BENCH_MIX_MIB", 256));
        for (const auto& file : mix->files) {
            mix->totalBytes += file.size;
        }
        mix->package = mix->scratch.Path() / "mix.pkg";
        WriterFor(mix->files).Write(mix->package);
        mix->reader = std::make_unique<PackageReader>(mix->package);
        return mix;
    }();
    return *set;
}

// The reference: zlib's inflate over one stream, nothing else; `outputFd` -1 discards the output.
void PlainInflate(int packageFd, const PackedEntry& entry, int outputFd) {
    std::vector<unsigned char> in(kChunkSize);
    std::vector<unsigned char> out(kChunkSize);
    z_stream stream{};
    inflateInit(&stream);
    int status = Z_OK;
    for (std::uint64_t done = 0; done < entry.length && status != Z_STREAM_END;) {
        const auto piece = std::min<std::uint64_t>(in.size(), entry.length - done);
        if (::pread(packageFd, in.data(), piece, static_cast<off_t>(entry.offset + done)) !=
            static_cast<ssize_t>(piece)) {
            throw std::runtime_error("pread");
        }
        done += piece;
        stream.next_in = in.data();
        stream.avail_in = static_cast<uInt>(piece);
        do {
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            status = inflate(&stream, Z_NO_FLUSH);
            if (outputFd >= 0) {
                WriteAll(outputFd, std::span(out).first(out.size() - stream.avail_out), "bench");
            }
        } while (stream.avail_out == 0 && status == Z_OK);
    }
    inflateEnd(&stream);
}

void PlainDeflate(const std::filesystem::path& file) {
    std::vector<unsigned char> in(kChunkSize);
    std::vector<unsigned char> out(kChunkSize);
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY);
    const FileDescriptor fd = OpenForReading(file);
    int flush = Z_NO_FLUSH;
    do {
        const std::size_t n = ReadSome(fd.Get(), in, file);
        flush = n < in.size() ? Z_FINISH : Z_NO_FLUSH;
        stream.next_in = in.data();
        stream.avail_in = static_cast<uInt>(n);
        do {
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            deflate(&stream, flush);
            benchmark::DoNotOptimize(out.data());
        } while (stream.avail_out == 0);
    } while (flush != Z_FINISH);
    deflateEnd(&stream);
}

void CopyFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::vector<unsigned char> buffer(kChunkSize);
    const FileDescriptor in = OpenForReading(from);
    const FileDescriptor out(::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    for (std::size_t n; (n = ReadSome(in.Get(), buffer, from)) > 0;) {
        WriteAll(out.Get(), std::span(buffer).first(n), to);
    }
}

void ExtractVsInflate(benchmark::State& state) {
    MixSet& mix = Mix();
    const FileDescriptor package = OpenForReading(mix.package);
    NullBuffer discard;
    std::ostream out(&discard);
    double reference = 0;
    double subject = 0;
    bool referenceFirst = true;
    for (auto _ : state) {
        auto runReference = [&] {
            const auto start = Clock::now();
            for (const auto& entry : mix.reader->Entries()) {
                PlainInflate(package.Get(), entry, -1);
            }
            reference += Seconds(start);
        };
        if (referenceFirst) {
            runReference();
        }
        const auto start = Clock::now();
        for (const auto& entry : mix.reader->Entries()) {
            mix.reader->ExtractTo(entry, out);
        }
        const double seconds = Seconds(start);
        subject += seconds;
        state.SetIterationTime(seconds);
        if (!referenceFirst) {
            runReference();
        }
        referenceFirst = !referenceFirst; // so that neither side always runs on a warmer cache
    }
    const double bytes = static_cast<double>(mix.totalBytes) * static_cast<double>(state.iterations());
    state.counters["extract_MiB/s"] = bytes / kMiB / subject;
    state.counters["inflate_MiB/s"] = bytes / kMiB / reference;
    state.counters["ratio_vs_inflate"] = reference / subject;
}

void ExtractToFiles(benchmark::State& state) {
    MixSet& mix = Mix();
    const FileDescriptor package = OpenForReading(mix.package);
    const auto target = mix.scratch.Path() / "extracted";
    std::filesystem::create_directories(target);
    double copy = 0;
    double inflateToFiles = 0;
    double subject = 0;
    bool referencesFirst = true;
    for (auto _ : state) {
        auto runReferences = [&] {
            auto start = Clock::now();
            for (const auto& file : mix.files) {
                CopyFile(file.path, target / file.path.filename());
            }
            copy += Seconds(start);
            start = Clock::now();
            for (const auto& entry : mix.reader->Entries()) {
                const FileDescriptor out(
                    ::open((target / entry.name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
                PlainInflate(package.Get(), entry, out.Get());
            }
            inflateToFiles += Seconds(start);
        };
        if (referencesFirst) {
            runReferences();
        }
        const auto start = Clock::now();
        for (const auto& entry : mix.reader->Entries()) {
            mix.reader->ExtractTo(entry, target / entry.name);
        }
        const double seconds = Seconds(start);
        subject += seconds;
        state.SetIterationTime(seconds);
        if (!referencesFirst) {
            runReferences();
        }
        referencesFirst = !referencesFirst; // the page cache's write-back weighs on whichever runs last
    }
    std::filesystem::remove_all(target);
    const double bytes = static_cast<double>(mix.totalBytes) * static_cast<double>(state.iterations());
    state.counters["extract_MiB/s"] = bytes / kMiB / subject;
    state.counters["inflate_to_files_MiB/s"] = bytes / kMiB / inflateToFiles;
    state.counters["copy_MiB/s"] = bytes / kMiB / copy;
    state.counters["ratio_vs_inflate_to_files"] = inflateToFiles / subject;
    state.counters["ratio_vs_copy"] = copy / subject;
}

void PackAllCoresVsOne(benchmark::State& state) {
    MixSet& mix = Mix();
    const auto output = mix.scratch.Path() / "packed.pkg";
    double plain = 0;
    double oneThread = 0;
    double allCores = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        for (const auto& file : mix.files) {
            PlainDeflate(file.path);
        }
        plain += Seconds(start);
        PackageWriter writer = WriterFor(mix.files);
        writer.SetThreadCount(1);
        start = Clock::now();
        writer.Write(output);
        oneThread += Seconds(start);
        writer.SetThreadCount(0);
        start = Clock::now();
        writer.Write(output);
        const double seconds = Seconds(start);
        allCores += seconds;
        state.SetIterationTime(seconds);
    }
    std::filesystem::remove(output);
    const double bytes = static_cast<double>(mix.totalBytes) * static_cast<double>(state.iterations());
    state.counters["cores"] = std::thread::hardware_concurrency();
    state.counters["pack_all_MiB/s"] = bytes / kMiB / allCores;
    state.counters["deflate_1_MiB/s"] = bytes / kMiB / plain;
    state.counters["ratio_vs_deflate_1"] = plain / allCores;
    state.counters["ratio_vs_writer_1"] = oneThread / allCores;
}

// Peak resident memory, in KiB, of a child process that runs `work`.
long ChildPeakKiB(const std::function<void()>& work) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        try {
            work();
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("measuring child failed");
    }
    return usage.ru_maxrss;
}

void ExtractionPeakMemory(benchmark::State& state) {
    ScratchFolder scratch;
    const std::uint64_t largeMiB = SizeFromEnvironment("QUARNEL_BENCH_LARGE_MIB", 1024);
    std::vector<std::pair<std::uint64_t, std::filesystem::path>> packages;
    for (const std::uint64_t mib : {std::uint64_t{16}, largeMiB}) {
        const auto source = scratch.Path() / ("large" + std::to_string(mib));
        const DataFile file = MakeLarge(source, mib);
        PackageWriter writer;
        writer.Add("LARGE.BIN", file.path, FileTime::FromTicks(132000000000000000ULL));
        writer.Write(source.string() + ".pkg");
        std::filesystem::remove(source);
        packages.emplace_back(mib, source.string() + ".pkg");
    }
    long baseline = 0;
    std::vector<long> peaks(packages.size());
    for (auto _ : state) {
        baseline = ChildPeakKiB([] {});
        for (std::size_t i = 0; i < packages.size(); ++i) {
            const auto& package = packages[i].second;
            peaks[i] = ChildPeakKiB([&] {
                const PackageReader reader(package);
                reader.ExtractTo(reader.Entries().front(), scratch.Path() / "out.bin");
            });
            std::filesystem::remove(scratch.Path() / "out.bin");
        }
    }
    state.counters["baseline_KiB"] = static_cast<double>(baseline);
    state.counters["peak_16MiB_KiB"] = static_cast<double>(peaks[0]);
    state.counters["peak_" + std::to_string(largeMiB) + "MiB_KiB"] = static_cast<double>(peaks[1]);
    state.counters["ratio_large_vs_16MiB"] = static_cast<double>(peaks[1]) / static_cast<double>(peaks[0]);
}

} // namespace

BENCHMARK(ExtractVsInflate)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(ExtractToFiles)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(PackAllCoresVsOne)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(ExtractionPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
