#pragma once

// Scratch folders and whole-file helpers for the package tests.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace packagetest {

// A fresh folder of its own under the system's temporary folder, deleted with everything in it.
class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();
    const std::filesystem::path& Path() const { return FPath; }
    std::filesystem::path operator/(std::string_view name) const { return FPath / name; }

private:
    std::filesystem::path FPath;
};

using Bytes = std::vector<unsigned char>;

Bytes ReadFile(const std::filesystem::path& file);
void WriteFile(const std::filesystem::path& file, const Bytes& bytes);
void WriteFile(const std::filesystem::path& file, std::string_view text);
// Bytes that deflate poorly (a fixed pseudo-random sequence) or well (repeated text).
Bytes NoiseBytes(std::size_t count, std::uint32_t seed);
Bytes TextBytes(std::size_t count);

// Sets a file's last-write time to the nanosecond; returns it as read back.
void SetModified(const std::filesystem::path& file, std::int64_t seconds, long nanoseconds);

} // namespace packagetest
