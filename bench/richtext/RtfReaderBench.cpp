// RTF reader benchmark, with its reference measured in the same run:
//   RtfVsPlainText   reading a WordPad-style list of changes (fonts, colours, bullets, accents as \'hh
//                    escapes, \u characters) against reading the same text as plain 1252 lines, the
//                    least work any reader of that text does. The figures at 1 and 8 MiB show that the
//                    cost per byte stays flat with the size.

#include "update/richtext/RtfReader.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kMiB = 1024.0 * 1024.0;

struct Sample {
    std::string rtf;
    std::string plain;
};

Sample MakeSample(std::size_t bytes) {
    Sample sample;
    sample.rtf = R"({\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\fnil\fcharset0 Calibri;}{\f1\fnil\fcharset2 Symbol;}})"
                 R"({\colortbl ;\red192\green0\blue0;}{\*\generator Riched20 10.0.19041}\viewkind4\uc1 )"
                 "\n";
    for (int line = 0; sample.rtf.size() < bytes; ++line) {
        const std::string number = std::to_string(line);
        sample.rtf += R"({\pntext\f1\'b7\tab}\pard\fi-360\li720\sa200\f0\fs22 Correction )" + number +
                      R"( : l'\'e9dition des \b factures\b0  et du \cf1 rapport\cf0  \u8364? \i r\'e9sum\'e9\i0\par)" +
                      "\n";
        sample.plain +=
            "\xB7\tCorrection " + number + " : l'\xE9" + "dition des factures et du rapport \x80 r\xE9sum\xE9\r\n";
    }
    sample.rtf += "}";
    return sample;
}

void RtfVsPlainText(benchmark::State& state) {
    const Sample sample = MakeSample(static_cast<std::size_t>(state.range(0)) * 1024 * 1024);
    const update::RtfReader reader;
    double rtfSeconds = 0;
    double plainSeconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const update::RichDocument document = reader.Read(sample.rtf);
        const auto middle = Clock::now();
        const update::RichDocument reference = reader.ReadPlainText(sample.plain);
        const auto end = Clock::now();
        benchmark::DoNotOptimize(document.LineCount());
        benchmark::DoNotOptimize(reference.LineCount());
        rtfSeconds += std::chrono::duration<double>(middle - start).count();
        plainSeconds += std::chrono::duration<double>(end - middle).count();
    }
    const double iterations = static_cast<double>(state.iterations());
    const double rtfRate = static_cast<double>(sample.rtf.size()) * iterations / kMiB / rtfSeconds;
    const double plainRate = static_cast<double>(sample.plain.size()) * iterations / kMiB / plainSeconds;
    state.counters["rtf_MiB_s"] = rtfRate;
    state.counters["plain_MiB_s"] = plainRate;
    // Time to read the same text as RTF against reading it as plain lines.
    state.counters["rtf_time_vs_plain"] = rtfSeconds / plainSeconds;
}

BENCHMARK(RtfVsPlainText)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
