#include "update/package/ProgramImage.h"

#include <algorithm>
#include <array>
#include <vector>

namespace update::package {

namespace {

// The ELF tables that locate a program's bytes; read by hand since no system library exposes a
// bounded parser for them.
constexpr std::uint32_t kMaxTableEntries = 65535;
constexpr std::uint32_t kSectionNoBits = 8;

std::uint64_t Get(std::span<const unsigned char> bytes, std::size_t offset, std::size_t width) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        value |= std::uint64_t{bytes[offset + i]} << (8 * i);
    }
    return value;
}

struct TableLayout {
    std::uint64_t offset;
    std::uint64_t entrySize;
    std::uint64_t count;
};

// Grows `end` over the entries of one table; entries that do not lie inside the file are ignored.
template <typename EntryEnd>
void ExtendOverTable(const ByteSource& source, TableLayout table, std::uint64_t minEntry, EntryEnd entryEnd,
                     std::uint64_t& end) {
    const std::uint64_t size = source.Size();
    if (table.count == 0 || table.count > kMaxTableEntries || table.entrySize < minEntry || table.entrySize > 256 ||
        table.offset > size || table.entrySize * table.count > size - table.offset) {
        return;
    }
    end = std::max(end, table.offset + table.entrySize * table.count);
    std::vector<unsigned char> entry(table.entrySize);
    for (std::uint64_t i = 0; i < table.count; ++i) {
        source.ReadAt(table.offset + i * table.entrySize, entry);
        const std::uint64_t entryLast = entryEnd(std::span<const unsigned char>(entry));
        if (entryLast <= size) {
            end = std::max(end, entryLast);
        }
    }
}

} // namespace

std::optional<std::uint64_t> ElfImageLength(const ByteSource& source) {
    std::array<unsigned char, 64> header{};
    if (source.Size() < 52) {
        return std::nullopt;
    }
    source.ReadAt(0, std::span(header).first(std::min<std::uint64_t>(header.size(), source.Size())));
    if (header[0] != 0x7F || header[1] != 'E' || header[2] != 'L' || header[3] != 'F' || header[5] != 1) {
        return std::nullopt;
    }
    const bool is64 = header[4] == 2;
    if (!is64 && header[4] != 1) {
        return std::nullopt;
    }
    if (is64 && source.Size() < 64) {
        return std::nullopt;
    }
    const std::size_t word = is64 ? 8 : 4;
    const std::uint64_t headerSize = Get(header, is64 ? 52 : 40, 2);
    TableLayout segments{Get(header, is64 ? 32 : 28, word), Get(header, is64 ? 54 : 42, 2),
                         Get(header, is64 ? 56 : 44, 2)};
    TableLayout sections{Get(header, is64 ? 40 : 32, word), Get(header, is64 ? 58 : 46, 2),
                         Get(header, is64 ? 60 : 48, 2)};

    std::uint64_t end = std::min<std::uint64_t>(headerSize, source.Size());
    const std::uint64_t segmentEntry = is64 ? 56 : 32;
    ExtendOverTable(
        source, segments, segmentEntry,
        [&](std::span<const unsigned char> e) {
            const std::uint64_t offset = Get(e, is64 ? 8 : 4, word);
            const std::uint64_t fileSize = Get(e, is64 ? 32 : 16, word);
            return offset + fileSize < offset ? UINT64_MAX : offset + fileSize;
        },
        end);
    const std::uint64_t sectionEntry = is64 ? 64 : 40;
    ExtendOverTable(
        source, sections, sectionEntry,
        [&](std::span<const unsigned char> e) -> std::uint64_t {
            if (Get(e, 4, 4) == kSectionNoBits) {
                return 0;
            }
            const std::uint64_t offset = Get(e, is64 ? 24 : 16, word);
            const std::uint64_t fileSize = Get(e, is64 ? 32 : 20, word);
            return offset + fileSize < offset ? UINT64_MAX : offset + fileSize;
        },
        end);
    return end;
}

} // namespace update::package
