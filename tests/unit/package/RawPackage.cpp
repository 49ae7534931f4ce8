#include "RawPackage.h"

#include "update/package/PackageFormat.h"
#include "update/package/Sha256.h"

#include <stdexcept>
#include <zlib.h>

namespace packagetest {

using namespace update::package;

Bytes Deflate(const Bytes& raw) {
    uLongf length = compressBound(raw.size());
    Bytes out(length);
    if (compress2(out.data(), &length, raw.data(), raw.size(), 9) != Z_OK) {
        throw std::runtime_error("compress2 failed");
    }
    out.resize(length);
    return out;
}

Bytes PackedStream(std::int64_t announcedSize, FileTime lastWrite, const Bytes& content) {
    const auto header = EncodePackedHeader(announcedSize, lastWrite);
    Bytes raw(header.begin(), header.end());
    raw.insert(raw.end(), content.begin(), content.end());
    return Deflate(raw);
}

Bytes AssemblePackage(const std::vector<RawEntry>& entries, const Bytes& program) {
    Bytes out = program;
    out.insert(out.end(), kStartMarker.begin(), kStartMarker.end());
    std::vector<DirectoryRecord> records;
    for (const auto& entry : entries) {
        records.push_back({entry.name, out.size() - program.size(), entry.stream.size(), Sha256Of(entry.stream)});
        out.insert(out.end(), entry.stream.begin(), entry.stream.end());
    }
    const auto directory = EncodeDirectory(records);
    Footer footer;
    footer.entryCount = static_cast<std::uint32_t>(records.size());
    footer.directoryOffset = out.size() - program.size();
    footer.directoryLength = directory.size();
    footer.packageLength = footer.directoryOffset + footer.directoryLength;
    footer.directoryDigest = Sha256Of(directory);
    out.insert(out.end(), directory.begin(), directory.end());
    const auto footerBytes = EncodeFooter(footer);
    out.insert(out.end(), footerBytes.begin(), footerBytes.end());
    return out;
}

} // namespace packagetest
