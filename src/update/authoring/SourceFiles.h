#pragma once

// The files of a package as the checks see them, whether they are still a source folder or
// already packed: names with "\" between folders, looked up without regard to case as the wizard
// looks them up, sizes, and the bytes of the small ones.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace update::package {
class PackageReader;
}

namespace update::authoring {

class SourceFiles {
public:
    virtual ~SourceFiles() = default;
    // Every file, in a stable order.
    virtual std::vector<std::string> Names() const = 0;
    // The size of the file of that name (without regard to case); nothing when there is none.
    virtual std::optional<std::uint64_t> SizeOf(std::string_view name) const = 0;
    // The bytes of a file that SizeOf found; empty for a file larger than `limit`, which is not read.
    virtual std::string Read(std::string_view name, std::uint64_t limit) const = 0;
};

// The files below a host folder; links that lead out of it are not followed.
class FolderFiles : public SourceFiles {
public:
    explicit FolderFiles(std::filesystem::path folder);
    std::vector<std::string> Names() const override;
    std::optional<std::uint64_t> SizeOf(std::string_view name) const override;
    std::string Read(std::string_view name, std::uint64_t limit) const override;
    // The host file of a name that SizeOf found.
    std::filesystem::path HostPath(std::string_view name) const;

private:
    struct File {
        std::string name;
        std::filesystem::path host;
        std::uint64_t size = 0;
    };
    const File* Find(std::string_view name) const;

    std::vector<File> FFiles;
};

// The files of a package file, whose streams have been checked.
class PackagedFiles : public SourceFiles {
public:
    explicit PackagedFiles(std::shared_ptr<const package::PackageReader> package);
    std::vector<std::string> Names() const override;
    std::optional<std::uint64_t> SizeOf(std::string_view name) const override;
    std::string Read(std::string_view name, std::uint64_t limit) const override;

private:
    std::shared_ptr<const package::PackageReader> FPackage;
};

} // namespace update::authoring
