#include "update/authoring/SourceFiles.h"
#include "update/package/PackageReader.h"

namespace update::authoring {

PackagedFiles::PackagedFiles(std::shared_ptr<const package::PackageReader> package)
    : FPackage(std::move(package)) {}

std::vector<std::string> PackagedFiles::Names() const {
    std::vector<std::string> names;
    for (const package::PackedEntry& entry : FPackage->Entries())
        names.push_back(entry.name);
    return names;
}

std::optional<std::uint64_t> PackagedFiles::SizeOf(std::string_view name) const {
    const package::PackedEntry* entry = FPackage->Find(name);
    if (entry == nullptr)
        return std::nullopt;
    return static_cast<std::uint64_t>(entry->header.size);
}

std::string PackagedFiles::Read(std::string_view name, std::uint64_t limit) const {
    const package::PackedEntry* entry = FPackage->Find(name);
    if (entry == nullptr || static_cast<std::uint64_t>(entry->header.size) > limit)
        return {};
    return FPackage->ReadAll(*entry, limit);
}

} // namespace update::authoring
