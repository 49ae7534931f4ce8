#pragma once

// A host file's bytes, read or written whole: what a test compares or prepares.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace testsupport {

inline std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

} // namespace testsupport
