#pragma once

// A read cursor over untrusted bytes: every read checks the remaining length first and reports
// failure instead of reading past the end, so parsers never touch memory outside their input.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace platform {

class BoundedReader {
public:
    explicit BoundedReader(std::span<const std::uint8_t> bytes)
        : FBytes(bytes) {}

    std::size_t Position() const { return FPosition; }
    std::size_t Size() const { return FBytes.size(); }
    std::size_t Remaining() const { return FBytes.size() - FPosition; }

    // Moves the cursor to `offset`; false (cursor unchanged) when it lies past the end.
    bool Seek(std::size_t offset) {
        if (offset > FBytes.size())
            return false;
        FPosition = offset;
        return true;
    }
    bool Skip(std::size_t count) { return count <= Remaining() && Seek(FPosition + count); }

    // Little-endian reads; nullopt (cursor unchanged) when too few bytes remain.
    std::optional<std::uint16_t> ReadU16() {
        const auto bytes = ReadBytes(2);
        if (!bytes)
            return std::nullopt;
        return static_cast<std::uint16_t>((*bytes)[0] | ((*bytes)[1] << 8));
    }
    std::optional<std::uint32_t> ReadU32() {
        const auto bytes = ReadBytes(4);
        if (!bytes)
            return std::nullopt;
        return static_cast<std::uint32_t>((*bytes)[0]) | (static_cast<std::uint32_t>((*bytes)[1]) << 8) |
               (static_cast<std::uint32_t>((*bytes)[2]) << 16) | (static_cast<std::uint32_t>((*bytes)[3]) << 24);
    }
    std::optional<std::span<const std::uint8_t>> ReadBytes(std::size_t count) {
        if (count > Remaining())
            return std::nullopt;
        const auto bytes = FBytes.subspan(FPosition, count);
        FPosition += count;
        return bytes;
    }

    // The bytes [offset, offset + count) of the whole input, without moving the cursor.
    std::optional<std::span<const std::uint8_t>> Slice(std::size_t offset, std::size_t count) const {
        if (offset > FBytes.size() || count > FBytes.size() - offset)
            return std::nullopt;
        return FBytes.subspan(offset, count);
    }

private:
    std::span<const std::uint8_t> FBytes;
    std::size_t FPosition = 0;
};

} // namespace platform
