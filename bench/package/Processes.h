#pragma once

// Whole processes for the benchmarks: what a user waits for, measured from outside.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace packagebench {

struct ChildRun {
    double seconds = 0; // wall time from fork to exit
    long peakKiB = 0;   // peak resident memory of the child
};

// Runs `work` in a forked child (work of this program measured apart from it, not a program);
// throws when it fails.
ChildRun RunChild(const std::function<void()>& work);
// Runs a program with `arguments` through the shared process support (standard output to `output`
// when given); throws when it fails.
ChildRun RunProgram(const std::vector<std::string>& arguments,
                    const std::optional<std::filesystem::path>& output = std::nullopt);

// The program's path when it is on the PATH.
std::optional<std::filesystem::path> FindProgram(const std::string& name);

// The median of `values` (not empty).
double Median(std::vector<double> values);

} // namespace packagebench
