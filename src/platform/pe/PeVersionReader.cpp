#include "platform/pe/PeVersionReader.h"

#include "platform/pe/BoundedReader.h"

#include <algorithm>
#include <fstream>

namespace platform {

namespace {

// Hand-written: no Debian library reads PE resources, and the checks are ours to choose.

constexpr std::uint16_t kDosMagic = 0x5A4D;        // "MZ"
constexpr std::uint32_t kPeSignature = 0x00004550; // "PE\0\0"
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::uint32_t kRtVersion = 16;
constexpr std::uint32_t kVsVersionInfoName = 1;
constexpr std::uint32_t kHighBit = 0x80000000;
constexpr std::size_t kMaxSections = 96; // the Windows loader's own limit
// Far above what any real resource directory holds; bounds each directory read to 128 KiB.
constexpr std::size_t kMaxDirectoryEntries = 16384;
// wLength is 16-bit: a version resource never needs more bytes than this.
constexpr std::size_t kMaxVersionInfoSize = 0xFFFF;

// Random access to the image's bytes: a read either gets all it asks for or nothing.
class ImageSource {
public:
    virtual ~ImageSource() = default;
    virtual std::optional<std::vector<std::uint8_t>> Read(std::uint64_t offset, std::size_t count) = 0;
};

class MemoryImage final : public ImageSource {
public:
    explicit MemoryImage(std::span<const std::uint8_t> bytes)
        : FReader(bytes) {}
    std::optional<std::vector<std::uint8_t>> Read(std::uint64_t offset, std::size_t count) override {
        if (offset > FReader.Size())
            return std::nullopt;
        const auto bytes = FReader.Slice(static_cast<std::size_t>(offset), count);
        if (!bytes)
            return std::nullopt;
        return std::vector<std::uint8_t>(bytes->begin(), bytes->end());
    }

private:
    BoundedReader FReader;
};

class FileImage final : public ImageSource {
public:
    FileImage(const std::filesystem::path& file, std::uint64_t size)
        : FStream(file, std::ios::binary)
        , FSize(size) {}
    bool IsOpen() const { return FStream.is_open(); }
    std::optional<std::vector<std::uint8_t>> Read(std::uint64_t offset, std::size_t count) override {
        if (offset > FSize || count > FSize - offset)
            return std::nullopt;
        std::vector<std::uint8_t> bytes(count);
        FStream.clear();
        FStream.seekg(static_cast<std::streamoff>(offset));
        FStream.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
        if (!FStream || FStream.gcount() != static_cast<std::streamsize>(count))
            return std::nullopt;
        return bytes;
    }

private:
    std::ifstream FStream;
    std::uint64_t FSize;
};

struct Section {
    std::uint32_t virtualAddress = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t rawPointer = 0;
};

struct DirectoryEntry {
    std::uint32_t name = 0;   // high bit: a name string, otherwise an ID
    std::uint32_t target = 0; // high bit: a subdirectory, otherwise a data entry
};

class ResourceWalker {
public:
    explicit ResourceWalker(ImageSource& image)
        : FImage(image) {}

    std::optional<std::vector<std::uint8_t>> FindVersionInfo() {
        if (!ReadHeaders())
            return std::nullopt;
        const auto types = ReadDirectory(0);
        const auto names = types ? Subdirectory(*types, kRtVersion) : std::nullopt;
        const auto languages = names ? Subdirectory(*names, kVsVersionInfoName) : std::nullopt;
        if (!languages || languages->empty() || ((*languages)[0].target & kHighBit) != 0)
            return std::nullopt;
        const auto dataEntry = ReadRva(FResourceRva, (*languages)[0].target, 16);
        if (!dataEntry)
            return std::nullopt;
        BoundedReader reader(*dataEntry);
        const std::uint32_t dataRva = *reader.ReadU32();
        const std::uint32_t size = *reader.ReadU32();
        if (size == 0)
            return std::nullopt;
        return ReadRva(dataRva, 0, std::min<std::size_t>(size, kMaxVersionInfoSize));
    }

private:
    bool ReadHeaders() {
        const auto dos = FImage.Read(0, 64);
        if (!dos)
            return false;
        BoundedReader dosReader(*dos);
        if (dosReader.ReadU16() != kDosMagic || !dosReader.Seek(0x3C))
            return false;
        const std::uint64_t ntOffset = *dosReader.ReadU32();

        const auto coff = FImage.Read(ntOffset, 24);
        if (!coff)
            return false;
        BoundedReader coffReader(*coff);
        if (coffReader.ReadU32() != kPeSignature || !coffReader.Skip(2))
            return false;
        const std::uint16_t sectionCount = *coffReader.ReadU16();
        coffReader.Skip(12);
        const std::uint16_t optionalSize = *coffReader.ReadU16();

        const auto optional = FImage.Read(ntOffset + 24, optionalSize);
        if (!optional)
            return false;
        BoundedReader optionalReader(*optional);
        const auto magic = optionalReader.ReadU16();
        if (magic != kPe32Magic && magic != kPe32PlusMagic)
            return false;
        const std::size_t directories = magic == kPe32Magic ? 96 : 112;
        if (!optionalReader.Seek(directories - 4) || optionalReader.ReadU32() <= kResourceDirectoryIndex ||
            !optionalReader.Seek(directories + 8 * kResourceDirectoryIndex))
            return false;
        const auto resourceRva = optionalReader.ReadU32();
        if (!resourceRva || *resourceRva == 0)
            return false;
        FResourceRva = *resourceRva;

        if (sectionCount == 0 || sectionCount > kMaxSections)
            return false;
        const auto table = FImage.Read(ntOffset + 24 + optionalSize, std::size_t{sectionCount} * 40);
        if (!table)
            return false;
        BoundedReader tableReader(*table);
        for (std::size_t i = 0; i < sectionCount; ++i) {
            tableReader.Seek(i * 40 + 12);
            Section section;
            section.virtualAddress = *tableReader.ReadU32();
            section.rawSize = *tableReader.ReadU32();
            section.rawPointer = *tableReader.ReadU32();
            FSections.push_back(section);
        }
        return true;
    }

    // `count` bytes at the relative virtual address base + offset, when a section's file data holds them all.
    std::optional<std::vector<std::uint8_t>> ReadRva(std::uint32_t base, std::uint32_t offset, std::size_t count) {
        const std::uint64_t rva = std::uint64_t{base} + offset;
        for (const Section& section : FSections) {
            if (rva < section.virtualAddress || rva - section.virtualAddress >= section.rawSize)
                continue;
            const std::uint64_t within = rva - section.virtualAddress;
            if (count > section.rawSize - within)
                return std::nullopt;
            return FImage.Read(std::uint64_t{section.rawPointer} + within, count);
        }
        return std::nullopt;
    }

    std::optional<std::vector<DirectoryEntry>> ReadDirectory(std::uint32_t offset) {
        const auto header = ReadRva(FResourceRva, offset, 16);
        if (!header)
            return std::nullopt;
        BoundedReader headerReader(*header);
        headerReader.Seek(12);
        const std::size_t count = std::size_t{*headerReader.ReadU16()} + *headerReader.ReadU16();
        if (count > kMaxDirectoryEntries)
            return std::nullopt;
        const auto table = ReadRva(FResourceRva, offset + 16, count * 8);
        if (!table)
            return std::nullopt;
        BoundedReader reader(*table);
        std::vector<DirectoryEntry> entries(count);
        for (DirectoryEntry& entry : entries)
            entry = {*reader.ReadU32(), *reader.ReadU32()};
        return entries;
    }

    // The subdirectory of the entry with ID `id`.
    std::optional<std::vector<DirectoryEntry>> Subdirectory(const std::vector<DirectoryEntry>& entries,
                                                            std::uint32_t id) {
        const auto entry = std::find_if(entries.begin(), entries.end(), [id](const DirectoryEntry& e) {
            return e.name == id && (e.target & kHighBit) != 0;
        });
        if (entry == entries.end())
            return std::nullopt;
        return ReadDirectory(entry->target & ~kHighBit);
    }

    ImageSource& FImage;
    std::uint32_t FResourceRva = 0;
    std::vector<Section> FSections;
};

std::optional<VersionResource> Parse(const std::optional<std::vector<std::uint8_t>>& versionInfo) {
    if (!versionInfo)
        return std::nullopt;
    return ParseVersionInfo(*versionInfo);
}

} // namespace

std::optional<std::vector<std::uint8_t>> ExtractVersionInfo(std::span<const std::uint8_t> image) {
    MemoryImage source(image);
    return ResourceWalker(source).FindVersionInfo();
}

std::optional<VersionResource> ReadVersionResource(std::span<const std::uint8_t> image) {
    return Parse(ExtractVersionInfo(image));
}

std::optional<VersionResource> ReadVersionResource(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return std::nullopt;
    const std::uint64_t size = std::filesystem::file_size(file, error);
    if (error)
        return std::nullopt;
    FileImage source(file, size);
    if (!source.IsOpen())
        return std::nullopt;
    return Parse(ResourceWalker(source).FindVersionInfo());
}

} // namespace platform
