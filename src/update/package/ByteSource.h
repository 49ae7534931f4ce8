#pragma once

// Where the bytes of a package come from: a host file (the wizard's executable or a bare
// package), or memory (fuzzing, tests). Reads are positioned and safe from several threads.

#include "update/package/HostFile.h"
#include "update/package/PackageError.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace update::package {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Reads exactly buffer.size() bytes at `offset`; the caller keeps the range inside Size().
    virtual void ReadAt(std::uint64_t offset, std::span<unsigned char> buffer) const = 0;
    virtual std::string DisplayName() const = 0;
};

// The file stays open for the source's lifetime, so every read sees the same file even when
// its name is replaced meanwhile.
class FileSource final : public ByteSource {
public:
    explicit FileSource(std::filesystem::path file);
    std::uint64_t Size() const override { return FSize; }
    void ReadAt(std::uint64_t offset, std::span<unsigned char> buffer) const override;
    std::string DisplayName() const override { return PathText(FFile); }

private:
    std::filesystem::path FFile;
    FileDescriptor FFd;
    std::uint64_t FSize = 0;
};

// Does not own the bytes.
class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::span<const unsigned char> bytes)
        : FBytes(bytes) {}
    std::uint64_t Size() const override { return FBytes.size(); }
    void ReadAt(std::uint64_t offset, std::span<unsigned char> buffer) const override;
    std::string DisplayName() const override { return "(mémoire)"; }

private:
    std::span<const unsigned char> FBytes;
};

} // namespace update::package
