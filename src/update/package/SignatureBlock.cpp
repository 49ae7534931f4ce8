#include "update/package/SignatureBlock.h"

#include "update/package/PackageError.h"

#include <algorithm>

namespace update::package {

namespace {

template <typename T> void Put(std::vector<unsigned char>& out, T value) {
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        out.push_back(static_cast<unsigned char>(static_cast<std::uint64_t>(value) >> (8 * i)));
    }
}

template <typename T> T Get(std::span<const unsigned char> bytes) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        value |= std::uint64_t{bytes[i]} << (8 * i);
    }
    return static_cast<T>(value);
}

template <typename Array> void Append(std::vector<unsigned char>& out, const Array& bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

template <typename Array> Array Copy(std::span<const unsigned char> bytes) {
    Array result{};
    std::copy_n(bytes.begin(), result.size(), result.begin());
    return result;
}

} // namespace

std::vector<unsigned char> EncodeSignatureBlock(const std::vector<SignatureRecord>& records) {
    if (records.empty() || records.size() > kMaxSignatures) {
        throw PackageError("Un paquet porte de 1 à " + std::to_string(kMaxSignatures) + " signatures.");
    }
    std::vector<unsigned char> out;
    Append(out, kSignatureMagic);
    Put(out, static_cast<std::uint32_t>(records.size()));
    for (const auto& record : records) {
        Append(out, record.keyId);
        Append(out, record.publicKey);
        Put(out, record.signingTime);
        Append(out, record.signature);
    }
    return out;
}

std::vector<SignatureRecord> DecodeSignatureBlock(std::span<const unsigned char> bytes) {
    if (bytes.empty()) {
        return {};
    }
    if (bytes.size() < kSignatureBlockHeaderSize ||
        !std::equal(kSignatureMagic.begin(), kSignatureMagic.end(), bytes.begin())) {
        throw Damaged("le bloc des signatures est illisible");
    }
    const auto count = Get<std::uint32_t>(bytes.subspan(8));
    if (count == 0 || count > kMaxSignatures) {
        throw Damaged("le bloc des signatures annonce " + std::to_string(count) + " signatures");
    }
    if (bytes.size() != kSignatureBlockHeaderSize + count * kSignatureRecordSize) {
        throw Damaged("le bloc des signatures est tronqué ou trop long");
    }
    std::vector<SignatureRecord> records;
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto record = bytes.subspan(kSignatureBlockHeaderSize + i * kSignatureRecordSize, kSignatureRecordSize);
        records.push_back({Copy<KeyId>(record.subspan(0)), Copy<RawPublicKey>(record.subspan(32)),
                           Get<std::int64_t>(record.subspan(64)), Copy<SignatureBytes>(record.subspan(72))});
    }
    return records;
}

std::vector<SignatureRecord> ReadSignatureBlock(const ByteSource& source, std::uint64_t offset, std::uint64_t length) {
    if (length > kMaxSignatureBlockLength) {
        throw Damaged("le bloc des signatures est trop long");
    }
    std::vector<unsigned char> bytes(static_cast<std::size_t>(length));
    source.ReadAt(offset, bytes);
    return DecodeSignatureBlock(bytes);
}

} // namespace update::package
