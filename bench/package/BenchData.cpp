#include "BenchData.h"

#include <array>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace packagebench {

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

class Noise {
public:
    explicit Noise(std::uint64_t seed)
        : FState(seed | 1U) {}
    std::uint64_t Next() {
        FState ^= FState << 13;
        FState ^= FState >> 7;
        FState ^= FState << 17;
        return FState;
    }

private:
    std::uint64_t FState;
};

void WriteText(std::ofstream& out, std::uint64_t size, Noise& noise) {
    static constexpr std::array<std::string_view, 16> kWords = {
        "mise ",      "à ",       "jour ",    "fichier ", "société ", "impression ", "liste ",   "base ",
        "programme ", "version ", "dossier ", "client ",  "facture ", "\r\n",        "Quarnel ", "paramètre "};
    std::string block;
    while (size > 0) {
        block.clear();
        while (block.size() < std::min<std::uint64_t>(size, 1 << 20)) {
            block += kWords[noise.Next() % kWords.size()];
        }
        const auto piece = std::min<std::uint64_t>(size, block.size());
        out.write(block.data(), static_cast<std::streamsize>(piece));
        size -= piece;
    }
}

void WriteNoise(std::ofstream& out, std::uint64_t size, Noise& noise) {
    std::string block(1 << 20, '\0');
    while (size > 0) {
        for (std::size_t i = 0; i + 8 <= block.size(); i += 8) {
            const std::uint64_t value = noise.Next();
            for (int b = 0; b < 8; ++b) {
                block[i + static_cast<std::size_t>(b)] = static_cast<char>(value >> (8 * b));
            }
        }
        const auto piece = std::min<std::uint64_t>(size, block.size());
        out.write(block.data(), static_cast<std::streamsize>(piece));
        size -= piece;
    }
}

} // namespace

ScratchFolder::ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quarnel-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    FPath = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored; // a leftover scratch folder must not turn a finished run into a failure
    std::filesystem::remove_all(FPath, ignored);
}

std::vector<DataFile> MakeMix(const std::filesystem::path& folder, std::uint64_t totalMiB) {
    static constexpr std::array<std::uint64_t, 8> kSizesKiB = {64, 256, 1024, 4096, 32768, 512, 2048, 8192};
    std::filesystem::create_directories(folder);
    std::vector<DataFile> files;
    Noise noise(42);
    std::uint64_t left = totalMiB * kMiB;
    for (std::size_t i = 0; left > 0; ++i) {
        const std::uint64_t size = std::min(left, kSizesKiB[i % kSizesKiB.size()] * 1024);
        const auto path = folder / ("file" + std::to_string(i) + (i % 2 == 0 ? ".txt" : ".bin"));
        std::ofstream out(path, std::ios::binary);
        if (i % 2 == 0) {
            WriteText(out, size, noise);
        } else {
            WriteNoise(out, size, noise);
        }
        if (!out) {
            throw std::runtime_error("cannot write " + path.string());
        }
        files.push_back({path, size});
        left -= size;
    }
    return files;
}

DataFile MakeProgramLike(const std::filesystem::path& file, std::uint64_t sizeMiB) {
    static constexpr std::string_view kStrings[] = {"Erreur lors de l'ouverture du fichier %s\0",
                                                    "Impossible de se connecter à la base\0", "TdmUpdateCommon\0",
                                                    "ReplaceFile\0", "GetFileVersionInfoW\0"};
    Noise noise(99);
    std::string vocabulary(64 * 1024, '\0');
    for (auto& c : vocabulary) {
        c = static_cast<char>(noise.Next());
    }
    std::ofstream out(file, std::ios::binary);
    std::string block;
    for (std::uint64_t left = sizeMiB * kMiB; left > 0;) {
        block.clear();
        while (block.size() < (1 << 20)) {
            const std::uint64_t r = noise.Next();
            switch (r % 16) {
            case 0: // a string
                block += kStrings[(r >> 8) % std::size(kStrings)];
                break;
            case 1: // padding
                block.append(4 + (r >> 8) % 60, '\0');
                break;
            default: { // an instruction and its operand
                const std::size_t start = (r >> 8) % (vocabulary.size() / 16) * 16;
                block.append(vocabulary, start, 2 + (r >> 32) % 7);
                block += static_cast<char>(r >> 40);
                if ((r >> 48) % 3 == 0) {
                    block += static_cast<char>(r >> 56);
                }
            }
            }
        }
        const auto piece = std::min<std::uint64_t>(left, block.size());
        out.write(block.data(), static_cast<std::streamsize>(piece));
        left -= piece;
    }
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
    return {file, sizeMiB * kMiB};
}

DataFile MakeNoise(const std::filesystem::path& file, std::uint64_t sizeMiB) {
    std::ofstream out(file, std::ios::binary);
    Noise noise(5);
    WriteNoise(out, sizeMiB * kMiB, noise);
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
    return {file, sizeMiB * kMiB};
}

DataFile MakeLarge(const std::filesystem::path& file, std::uint64_t sizeMiB) {
    std::ofstream out(file, std::ios::binary);
    Noise noise(7);
    std::string block(4096, '\0');
    for (auto& c : block) {
        c = static_cast<char>(noise.Next());
    }
    for (std::uint64_t written = 0; written < sizeMiB * kMiB; written += block.size()) {
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
    return {file, sizeMiB * kMiB};
}

std::uint64_t SizeFromEnvironment(const char* name, std::uint64_t fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') {
        return fallback;
    }
    return std::strtoull(text, nullptr, 10);
}

} // namespace packagebench
