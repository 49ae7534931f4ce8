#pragma once

// The files the package benchmarks work on, made once per run in a scratch folder.

#include <cstdint>
#include <filesystem>
#include <vector>

namespace packagebench {

struct DataFile {
    std::filesystem::path path;
    std::uint64_t size = 0;
};

class ScratchFolder {
public:
    ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder();
    const std::filesystem::path& Path() const { return FPath; }

private:
    std::filesystem::path FPath;
};

// A mix of `totalMiB` of files below `folder`: half text that deflates well, half noise that does
// not, in sizes from 64 KiB to 32 MiB. The same bytes on every run.
std::vector<DataFile> MakeMix(const std::filesystem::path& folder, std::uint64_t totalMiB);

// One file of `sizeMiB` shaped like a program: short instruction-like runs from a vocabulary,
// operands, strings and padding; deflates to about half, slowly, as executables do.
DataFile MakeProgramLike(const std::filesystem::path& file, std::uint64_t sizeMiB);

// One file of `sizeMiB` of noise, which does not deflate: its package is as large as it.
DataFile MakeNoise(const std::filesystem::path& file, std::uint64_t sizeMiB);

// One file of `sizeMiB` that deflates fast (a noise block repeated), for memory measurements.
DataFile MakeLarge(const std::filesystem::path& file, std::uint64_t sizeMiB);

// A size from the environment variable `name`, or `fallback`.
std::uint64_t SizeFromEnvironment(const char* name, std::uint64_t fallback);

} // namespace packagebench
