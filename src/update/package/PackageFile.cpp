#include "update/package/PackageFile.h"

#include "update/package/PackageError.h"

#include <algorithm>
#include <array>
#include <fstream>

namespace update::package {

namespace {

std::string Named(const std::filesystem::path& file) {
    return "Le fichier " + Quoted(PathText(file));
}

bool OnlyZeroBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::array<char, 64 * 1024> buffer{};
    while (in) {
        in.read(buffer.data(), buffer.size());
        const auto read = static_cast<std::size_t>(in.gcount());
        if (std::any_of(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(read),
                        [](char c) { return c != 0; }))
            return false;
    }
    return in.eof();
}

} // namespace

namespace {

void RequireRegularFile(const std::filesystem::path& file) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(file, error);
    if (!std::filesystem::exists(status))
        throw PackageError("Le paquet " + Quoted(PathText(file)) + " est introuvable.");
    if (!std::filesystem::is_regular_file(status))
        throw PackageError(Named(file) + " n'est pas un fichier ordinaire : ce n'est pas un paquet de mise à jour.");
}

// Without a package the whole file is taken for a program.
void RequireCarriedPackage(const PackageReader& reader, const std::filesystem::path& file) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (!error && reader.ProgramLength() < size)
        return;
    if (size == 0)
        throw PackageError(Named(file) + " est vide : ce n'est pas un paquet de mise à jour.");
    if (OnlyZeroBytes(file))
        throw PackageError(Named(file) + " ne contient que des octets nuls : ce n'est pas un paquet de mise à jour.");
    throw PackageError(Named(file) + " n'est pas un paquet de mise à jour.");
}

} // namespace

PackageReader OpenPackageFile(const std::filesystem::path& file, unsigned threads) {
    RequireRegularFile(file);
    PackageReader reader(file, threads);
    RequireCarriedPackage(reader, file);
    return reader;
}

PackageReader OpenPackageFile(const std::filesystem::path& file, CheckLater) {
    RequireRegularFile(file);
    PackageReader reader(file, CheckLater{});
    RequireCarriedPackage(reader, file);
    return reader;
}

} // namespace update::package
