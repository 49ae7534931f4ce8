#include "platform/text/Text.h"
#include "update/authoring/SourceFiles.h"
#include "update/package/PackageError.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>

namespace update::authoring {

namespace {

std::string NameOf(const std::filesystem::path& relative) {
    std::string name;
    for (const auto& element : relative)
        name += (name.empty() ? "" : "\\") + element.string();
    return name;
}

// A link is read as what it leads to only when that stays inside the folder (packing refuses the others).
bool Inside(const std::filesystem::path& folder, const std::filesystem::path& link) {
    std::error_code error;
    const auto relative =
        std::filesystem::weakly_canonical(link, error).lexically_relative(std::filesystem::canonical(folder, error));
    return !error && !relative.empty() && *relative.begin() != "..";
}

} // namespace

FolderFiles::FolderFiles(std::filesystem::path folder) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error))
        throw package::PackageError("Le dossier source " + package::Quoted(folder.string()) + " est introuvable.");
    for (std::filesystem::recursive_directory_iterator walk(folder, error), end; !error && walk != end;
         walk.increment(error)) {
        if (!walk->is_regular_file(error) || (walk->is_symlink(error) && !Inside(folder, walk->path())))
            continue;
        FFiles.push_back({NameOf(walk->path().lexically_relative(folder)), walk->path(), walk->file_size(error)});
    }
    if (error)
        throw package::CannotRead(folder, error.value());
    std::sort(FFiles.begin(), FFiles.end(), [](const File& a, const File& b) { return a.name < b.name; });
}

const FolderFiles::File* FolderFiles::Find(std::string_view name) const {
    const auto found = std::find_if(FFiles.begin(), FFiles.end(), [&](const File& file) {
        return platform::text::EqualsIgnoreCase(file.name, name);
    });
    return found == FFiles.end() ? nullptr : &*found;
}

std::vector<std::string> FolderFiles::Names() const {
    std::vector<std::string> names;
    for (const File& file : FFiles)
        names.push_back(file.name);
    return names;
}

std::optional<std::uint64_t> FolderFiles::SizeOf(std::string_view name) const {
    const File* file = Find(name);
    return file == nullptr ? std::nullopt : std::optional(file->size);
}

std::filesystem::path FolderFiles::HostPath(std::string_view name) const {
    const File* file = Find(name);
    return file == nullptr ? std::filesystem::path() : file->host;
}

std::string FolderFiles::Read(std::string_view name, std::uint64_t limit) const {
    const File* file = Find(name);
    if (file == nullptr || file->size > limit)
        return {};
    std::ifstream in(file->host, std::ios::binary);
    if (!in)
        throw package::CannotRead(file->host, errno);
    std::string bytes(static_cast<std::size_t>(file->size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

} // namespace update::authoring
