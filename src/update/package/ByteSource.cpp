#include "update/package/ByteSource.h"

#include "update/package/PackageError.h"

#include <algorithm>

namespace update::package {

FileSource::FileSource(std::filesystem::path file)
    : FFile(std::move(file))
    , FFd(OpenForReading(FFile))
    , FSize(RegularFileSize(FFd.Get(), FFile)) {}

void FileSource::ReadAt(std::uint64_t offset, std::span<unsigned char> buffer) const {
    update::package::ReadAt(FFd.Get(), offset, buffer, FFile);
}

void MemorySource::ReadAt(std::uint64_t offset, std::span<unsigned char> buffer) const {
    if (offset > FBytes.size() || buffer.size() > FBytes.size() - offset) {
        throw Damaged("lecture hors du paquet");
    }
    std::copy_n(FBytes.begin() + static_cast<std::ptrdiff_t>(offset), buffer.size(), buffer.begin());
}

} // namespace update::package
