#include "platform/registry/HiveLog.h"

#include <cstdint>
#include <zlib.h>

namespace platform {

namespace {

constexpr std::string_view kRecordMark = "QRL1";
constexpr std::size_t kHeaderSize = 12;

void AppendLittleEndian(std::string& out, std::uint32_t number) {
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>((number >> shift) & 0xFF);
}

std::uint32_t ReadLittleEndian(std::string_view bytes) {
    std::uint32_t number = 0;
    for (int i = 3; i >= 0; --i)
        number = (number << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
    return number;
}

std::uint32_t Check(std::string_view lengthBytes, std::string_view text) {
    uLong crc = ::crc32(0L, Z_NULL, 0);
    crc = ::crc32(crc, reinterpret_cast<const Bytef*>(lengthBytes.data()), static_cast<uInt>(lengthBytes.size()));
    crc = ::crc32_z(crc, reinterpret_cast<const Bytef*>(text.data()), text.size());
    return static_cast<std::uint32_t>(crc);
}

} // namespace

std::string EncodeLogRecord(std::string_view text) {
    std::string record(kRecordMark);
    AppendLittleEndian(record, static_cast<std::uint32_t>(text.size()));
    AppendLittleEndian(record, Check(std::string_view(record).substr(4, 4), text));
    record += text;
    return record;
}

LogContents DecodeLog(std::string_view bytes) {
    LogContents contents;
    std::size_t offset = 0;
    while (bytes.size() - offset >= kHeaderSize) {
        const std::string_view header = bytes.substr(offset, kHeaderSize);
        if (header.substr(0, 4) != kRecordMark)
            break;
        const std::uint32_t length = ReadLittleEndian(header.substr(4, 4));
        if (length > bytes.size() - offset - kHeaderSize)
            break;
        const std::string_view text = bytes.substr(offset + kHeaderSize, length);
        if (ReadLittleEndian(header.substr(8, 4)) != Check(header.substr(4, 4), text))
            break;
        contents.records.push_back({offset, text});
        offset += kHeaderSize + length;
    }
    contents.validBytes = offset;
    return contents;
}

} // namespace platform
