#include "TestFiles.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace packagetest {

TempFolder::~TempFolder() {
    std::error_code ignored; // a scratch folder that cannot be removed must not fail the test run
    std::filesystem::permissions(FPath, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(FPath, ignored);
}

Bytes ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + file.string());
    }
    Bytes bytes(std::filesystem::file_size(file));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (in.gcount() != static_cast<std::streamsize>(bytes.size())) {
        throw std::runtime_error("short read of " + file.string());
    }
    return bytes;
}

void WriteFile(const std::filesystem::path& file, const Bytes& bytes) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

void WriteFile(const std::filesystem::path& file, std::string_view text) {
    WriteFile(file, Bytes(text.begin(), text.end()));
}

Bytes NoiseBytes(std::size_t count, std::uint32_t seed) {
    Bytes bytes(count);
    std::uint32_t state = seed | 1U;
    for (auto& b : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        b = static_cast<unsigned char>(state >> 24);
    }
    return bytes;
}

Bytes TextBytes(std::size_t count) {
    static constexpr std::string_view kLine = "Fichier de la mise à jour, ligne répétée pour bien se compresser.\r\n";
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<unsigned char>(kLine[i % kLine.size()]);
    }
    return bytes;
}

} // namespace packagetest
