#pragma once

// Builds an update package: optionally the wizard's executable, then every packed file, the
// directory and the footer (see PackageFormat.h). Compression runs on all cores; the output is
// the same bytes for the same files, whatever the number of threads or the order of Add().

#include "update/package/FileTime.h"
#include "update/package/PackageFormat.h"
#include "update/package/SignatureBlock.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace update::package {

class PackageWriter {
public:
    // Takes a file to pack under `name` (stored in capitals). Throws PackageError when the name
    // is refused or already taken (names are compared without regard to case).
    void Add(std::string_view name, std::filesystem::path hostFile, FileTime lastWrite);
    std::size_t Count() const { return FFiles.size(); }

    // 0: as many threads as the machine has cores.
    void SetThreadCount(unsigned threads) { FThreads = threads; }

    // Makes the signature block written between the directory and the footer, from the footer's
    // signed fields and the program in front of the package (see SignatureBlock.h). Without one the
    // package is unsigned.
    using SignatureBlockMaker =
        std::function<std::vector<unsigned char>(const Footer& footer, const ProgramPart& program)>;
    void SetSignatureBlockMaker(SignatureBlockMaker maker) { FSignatureBlockMaker = std::move(maker); }

    // How far Write has got: the files whose stream is complete, of how many, and the bytes read
    // from them (headers included), of how many. Called on the writing thread after each block.
    struct WriteProgress {
        std::size_t filesDone = 0;
        std::size_t fileCount = 0;
        std::uint64_t bytesDone = 0;
        std::uint64_t bytesTotal = 0;
    };
    void SetProgress(std::function<void(const WriteProgress&)> progress) { FProgress = std::move(progress); }

    // Writes `output` (replaced only once complete; nothing is left behind on failure). With a
    // program, its bytes come first (without any package it already carries) and the output
    // keeps its permissions.
    void Write(const std::filesystem::path& output,
               const std::optional<std::filesystem::path>& program = std::nullopt) const;

private:
    struct File {
        std::string name;
        std::filesystem::path hostFile;
        FileTime lastWrite;
    };
    std::vector<File> FFiles;
    std::set<std::string> FNames;
    unsigned FThreads = 0;
    SignatureBlockMaker FSignatureBlockMaker;
    std::function<void(const WriteProgress&)> FProgress;
};

} // namespace update::package
