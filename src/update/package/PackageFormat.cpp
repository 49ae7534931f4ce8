#include "update/package/PackageFormat.h"

#include "update/package/PackageError.h"
#include "update/package/PackedName.h"

#include <algorithm>
#include <zlib.h>

namespace update::package {

namespace {

// Fixed-width little-endian fields; the standard library offers no portable reader for them.
template <typename T> void Put(std::vector<unsigned char>& out, T value) {
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        out.push_back(static_cast<unsigned char>(static_cast<std::uint64_t>(value) >> (8 * i)));
    }
}

template <typename T> T Get(const unsigned char* bytes) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        value |= std::uint64_t{bytes[i]} << (8 * i);
    }
    return static_cast<T>(value);
}

// A span with a cursor that refuses to read past its end.
class BoundedReader {
public:
    explicit BoundedReader(std::span<const unsigned char> bytes)
        : FBytes(bytes) {}

    std::span<const unsigned char> Take(std::size_t count) {
        if (count > FBytes.size() - FPos) {
            throw Damaged("le répertoire est incomplet");
        }
        auto piece = FBytes.subspan(FPos, count);
        FPos += count;
        return piece;
    }
    template <typename T> T Read() { return Get<T>(Take(sizeof(T)).data()); }
    bool AtEnd() const { return FPos == FBytes.size(); }

private:
    std::span<const unsigned char> FBytes;
    std::size_t FPos = 0;
};

std::uint32_t FooterCrc(std::span<const unsigned char> bytes) {
    return static_cast<std::uint32_t>(crc32(0L, bytes.data(), 64));
}

} // namespace

std::array<unsigned char, kFooterSize> EncodeFooter(const Footer& footer) {
    std::vector<unsigned char> out;
    Put(out, footer.version);
    Put(out, footer.entryCount);
    Put(out, footer.packageLength);
    Put(out, footer.directoryOffset);
    Put(out, footer.directoryLength);
    out.insert(out.end(), footer.directoryDigest.begin(), footer.directoryDigest.end());
    Put(out, FooterCrc(out));
    out.insert(out.end(), kEndMagic.begin(), kEndMagic.end());
    std::array<unsigned char, kFooterSize> bytes{};
    std::copy(out.begin(), out.end(), bytes.begin());
    return bytes;
}

bool HasEndMagic(std::span<const unsigned char, kFooterSize> bytes) {
    return std::equal(kEndMagic.begin(), kEndMagic.end(), bytes.end() - kEndMagic.size());
}

Footer DecodeFooter(std::span<const unsigned char, kFooterSize> bytes) {
    if (Get<std::uint32_t>(bytes.data() + 64) != FooterCrc(bytes)) {
        throw Damaged("la somme de contrôle du pied de paquet ne correspond pas");
    }
    Footer footer;
    footer.version = Get<std::uint32_t>(bytes.data());
    if (footer.version != kFormatVersion) {
        throw Damaged("version de format " + std::to_string(footer.version) + " inconnue");
    }
    footer.entryCount = Get<std::uint32_t>(bytes.data() + 4);
    footer.packageLength = Get<std::uint64_t>(bytes.data() + 8);
    footer.directoryOffset = Get<std::uint64_t>(bytes.data() + 16);
    footer.directoryLength = Get<std::uint64_t>(bytes.data() + 24);
    std::copy_n(bytes.begin() + 32, footer.directoryDigest.size(), footer.directoryDigest.begin());
    return footer;
}

std::vector<unsigned char> EncodeDirectory(const std::vector<DirectoryRecord>& records) {
    std::vector<unsigned char> out;
    for (const auto& record : records) {
        Put(out, static_cast<std::uint16_t>(record.name.size()));
        out.insert(out.end(), record.name.begin(), record.name.end());
        Put(out, record.offset);
        Put(out, record.length);
        out.insert(out.end(), record.digest.begin(), record.digest.end());
    }
    return out;
}

std::vector<DirectoryRecord> DecodeDirectory(std::span<const unsigned char> bytes, std::uint32_t count,
                                             std::uint64_t directoryOffset) {
    BoundedReader reader(bytes);
    std::vector<DirectoryRecord> records;
    std::uint64_t expectedOffset = kStartMarker.size();
    for (std::uint32_t i = 0; i < count; ++i) {
        DirectoryRecord record;
        const auto nameLength = reader.Read<std::uint16_t>();
        if (nameLength == 0 || nameLength > kMaxNameBytes) {
            throw Damaged("le répertoire contient un nom de longueur " + std::to_string(nameLength));
        }
        const auto name = reader.Take(nameLength);
        record.name.assign(name.begin(), name.end());
        if (auto fault = PackedNameFault(record.name)) {
            throw Damaged("le nom " + Quoted(record.name) + " est refusé (" + *fault + ")");
        }
        if (NormalizePackedName(record.name) != record.name) {
            throw Damaged("le nom " + Quoted(record.name) + " n'est pas en capitales");
        }
        if (!records.empty() && !(records.back().name < record.name)) {
            throw Damaged("le répertoire n'est pas trié ou contient deux fois " + Quoted(record.name));
        }
        record.offset = reader.Read<std::uint64_t>();
        record.length = reader.Read<std::uint64_t>();
        const auto digest = reader.Take(record.digest.size());
        std::copy(digest.begin(), digest.end(), record.digest.begin());
        if (record.offset != expectedOffset || record.length > directoryOffset - record.offset) {
            throw Damaged("la position du fichier " + Quoted(record.name) + " ne tient pas");
        }
        expectedOffset = record.offset + record.length;
        records.push_back(std::move(record));
    }
    if (!reader.AtEnd()) {
        throw Damaged("le répertoire est plus long que ses fichiers");
    }
    if (expectedOffset != directoryOffset) {
        throw Damaged("des octets sans fichier précèdent le répertoire");
    }
    return records;
}

std::array<unsigned char, kPackedHeaderSize> EncodePackedHeader(std::int64_t size, FileTime lastWrite) {
    std::vector<unsigned char> out;
    Put(out, size);
    Put(out, lastWrite.low);
    Put(out, lastWrite.high);
    std::array<unsigned char, kPackedHeaderSize> bytes{};
    std::copy(out.begin(), out.end(), bytes.begin());
    return bytes;
}

} // namespace update::package
