#pragma once

// The one error of the package layer and every message it carries, each built in one place.

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace update::package {

class PackageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "Le paquet de mise à jour est endommagé : <detail>."
PackageError Damaged(std::string_view detail);
PackageError CannotOpen(const std::filesystem::path& file, int systemError);
PackageError CannotRead(const std::filesystem::path& file, int systemError);
PackageError CannotWrite(const std::filesystem::path& file, int systemError);
PackageError RefusedName(std::string_view name, std::string_view reason);
PackageError DuplicateName(std::string_view name);
PackageError FileChanged(const std::filesystem::path& file);
PackageError TooLargeToRead(std::string_view name, std::uint64_t size);

// The path as UTF-8 text, as messages show it (a Windows path is wide; the ANSI code page would
// lose what it cannot write).
std::string PathText(const std::filesystem::path& path);

// "« text »", as the messages quote names; control characters show as "?".
std::string Quoted(std::string_view text);

// The French text of a host error number, as the messages above quote it.
std::string SystemErrorText(int systemError);

} // namespace update::package
